#include "globe/pixel_format.h"

#include <vector>

#include "globe/format_palette.h"

const PIXELFORMATDESCRIPTOR kRequestedPixelFormat = {
    .nSize = sizeof(PIXELFORMATDESCRIPTOR),
    .nVersion = 1,
    .dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_DEPTH_DONTCARE,
    .iPixelType = PFD_TYPE_RGBA,
    .cColorBits = 24,
    .cRedBits = 0,
    .cRedShift = 0,
    .cGreenBits = 0,
    .cGreenShift = 0,
    .cBlueBits = 0,
    .cBlueShift = 0,
    .cAlphaBits = 0,
    .cAlphaShift = 0,
    .cAccumBits = 0,
    .cAccumRedBits = 0,
    .cAccumGreenBits = 0,
    .cAccumBlueBits = 0,
    .cAccumAlphaBits = 0,
    .cDepthBits = 16,
    .cStencilBits = 0,
    .cAuxBuffers = 0,
    .iLayerType = PFD_MAIN_PLANE,
    .bReserved = 0,
    .dwLayerMask = 0,
    .dwVisibleMask = 0,
    .dwDamageMask = 0,
};

namespace {

constexpr BYTE kSoftwareDepthBits = 16;
constexpr WORD kLogicalPaletteVersion = 0x300;

bool IsPureSoftwareCandidate(const PIXELFORMATDESCRIPTOR& format) {
    return format.iPixelType == PFD_TYPE_RGBA && (format.dwFlags & PFD_DOUBLEBUFFER) != 0 &&
           format.cDepthBits == kSoftwareDepthBits && (format.dwFlags & PFD_GENERIC_FORMAT) != 0 &&
           (format.dwFlags & PFD_GENERIC_ACCELERATED) == 0;
}

PIXELFORMATDESCRIPTOR DescribeFormat(HDC hdc, int index) {
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof(format);
    ::DescribePixelFormat(hdc, index, sizeof(format), &format);
    return format;
}

PaletteFormat PaletteFormatOf(const PIXELFORMATDESCRIPTOR& format) {
    return {format.cColorBits,  format.cRedBits,  format.cRedShift, format.cGreenBits,
            format.cGreenShift, format.cBlueBits, format.cBlueShift};
}

} // namespace

int ChooseSoftwarePixelFormat(HDC hdc) {
    const int highest = ::DescribePixelFormat(hdc, 1, 0, nullptr);
    for (int index = 1; index < highest; ++index) {
        const PIXELFORMATDESCRIPTOR format = DescribeFormat(hdc, index);
        if (IsPureSoftwareCandidate(format)) {
            ::SetPixelFormat(hdc, index, &format);
            return index;
        }
    }
    return 0;
}

void SetGlobePixelFormat(HDC hdc, bool useHardware) {
    const int chosen = ::ChoosePixelFormat(hdc, &kRequestedPixelFormat);
    if (!useHardware && ChooseSoftwarePixelFormat(hdc) != 0) {
        return;
    }
    ::SetPixelFormat(hdc, chosen, &kRequestedPixelFormat);
}

bool IsAcceleratedPixelFormat(bool* fullDriver) {
    if (fullDriver != nullptr) {
        *fullDriver = false;
    }
    HDC current = ::wglGetCurrentDC();
    if (current == nullptr) {
        return false;
    }
    const PIXELFORMATDESCRIPTOR format = DescribeFormat(current, ::GetPixelFormat(current));
    if ((format.dwFlags & PFD_GENERIC_FORMAT) == 0) {
        if (fullDriver != nullptr) {
            *fullDriver = true;
        }
        return true;
    }
    return (format.dwFlags & PFD_GENERIC_ACCELERATED) != 0;
}

HPALETTE CreateFormatPalette(HDC hdc) {
    const PIXELFORMATDESCRIPTOR format = DescribeFormat(hdc, ::GetPixelFormat(hdc));
    if ((format.dwFlags & PFD_NEED_PALETTE) == 0) {
        return nullptr;
    }
    const PaletteFormat fields = PaletteFormatOf(format);
    const int count = FormatPaletteSize(fields);
    if (count == 0) {
        return nullptr; // deeper than any palette: nothing useful to realise
    }
    // LOGPALETTE declares one entry; the rest follow it in the same block.
    std::vector<unsigned char> block(sizeof(LOGPALETTE) + (count - 1) * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = kLogicalPaletteVersion;
    palette->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
        const PaletteColor colour = FormatPaletteEntry(fields, i);
        palette->palPalEntry[i] = {colour.red, colour.green, colour.blue, 0};
    }
    HPALETTE created = ::CreatePalette(palette);
    ::SelectPalette(hdc, created, FALSE);
    ::RealizePalette(hdc);
    return created;
}
