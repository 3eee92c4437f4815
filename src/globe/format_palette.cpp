#include "globe/format_palette.h"

namespace {

constexpr int kMaxPaletteBits = 8;

uint8_t ComponentOf(unsigned index, unsigned bits, unsigned shift) {
    // 2^bits - 1 as an 8-bit value: 255 for 8 bits and more.
    const unsigned mask = bits >= kMaxPaletteBits ? 255u : (1u << bits) - 1u;
    if (mask == 0) {
        return 0;
    }
    // index < 256, so a shift of 8 or more leaves nothing (and one of 32 would be undefined).
    const unsigned field = shift >= kMaxPaletteBits ? 0u : (index >> shift) & mask;
    return static_cast<uint8_t>(static_cast<double>(field) * 255.0 / mask);
}

} // namespace

int FormatPaletteSize(const PaletteFormat& format) {
    if (format.colorBits == 0 || format.colorBits > kMaxPaletteBits) {
        return 0;
    }
    return 1 << format.colorBits;
}

PaletteColor FormatPaletteEntry(const PaletteFormat& format, int index) {
    const unsigned value = static_cast<unsigned>(index) & 0xFFu;
    return {ComponentOf(value, format.redBits, format.redShift),
            ComponentOf(value, format.greenBits, format.greenShift),
            ComponentOf(value, format.blueBits, format.blueShift)};
}
