#pragma once
// The colours of the logical palette that a palettised (PFD_NEED_PALETTE) RGBA pixel
// format needs: entry i holds the red, green and blue that the format's bit fields give
// the pixel value i. Platform-free; CreateFormatPalette (Win32) builds the GDI palette
// from it.
#include <cstdint>

// The colour fields of a pixel format, as its PIXELFORMATDESCRIPTOR gives them.
struct PaletteFormat {
    uint8_t colorBits;
    uint8_t redBits;
    uint8_t redShift;
    uint8_t greenBits;
    uint8_t greenShift;
    uint8_t blueBits;
    uint8_t blueShift;
};

struct PaletteColor {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

constexpr int kMaxFormatPaletteEntries = 256;

// 2 to the power colorBits: the number of palette entries. 0 (no palette) when colorBits
// is 0 or above 8: no palettised format is deeper, and such a palette would be useless.
int FormatPaletteSize(const PaletteFormat& format);

// The colour of pixel value index (0 to 255). Each component is
// ((index >> shift) & mask) * 255 / mask, mask = 2^bits - 1 taken as an 8-bit value,
// computed in floating point and truncated. A field whose mask is 0 (0 bits) gives 0.
PaletteColor FormatPaletteEntry(const PaletteFormat& format, int index);
