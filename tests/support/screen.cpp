#include "support/screen.h"

#include <cstdlib>

namespace support {

namespace {

BITMAPINFO TopDownInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void DropAlpha(Capture& capture) {
    for (uint32_t& p : capture.pixels) {
        p &= 0x00FFFFFF;
    }
}

} // namespace

RECT ScreenRect() {
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

Capture CaptureScreen(const RECT& rect) {
    Capture capture;
    capture.left = rect.left;
    capture.top = rect.top;
    capture.width = rect.right - rect.left;
    capture.height = rect.bottom - rect.top;
    const BITMAPINFO info = TopDownInfo(capture.width, capture.height);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = ::SelectObject(memory, section);
    ::BitBlt(memory, 0, 0, capture.width, capture.height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits);
    capture.pixels.assign(first, first + capture.width * capture.height);
    DropAlpha(capture);
    ::SelectObject(memory, previous);
    ::DeleteObject(section);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return capture;
}

Capture RenderOffscreen(int width, int height, const std::function<void(HDC)>& draw) {
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = ::SelectObject(memory, target);
    draw(memory);
    ::GdiFlush();
    Capture capture;
    capture.width = width;
    capture.height = height;
    capture.pixels.resize(static_cast<size_t>(width) * height);
    BITMAPINFO info = TopDownInfo(width, height);
    ::SelectObject(memory, previous);
    ::GetDIBits(memory, target, 0, height, capture.pixels.data(), &info, DIB_RGB_COLORS);
    DropAlpha(capture);
    ::DeleteObject(target);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return capture;
}

bool SameColour(uint32_t a, uint32_t b, int tolerance) {
    return std::abs(Red(a) - Red(b)) <= tolerance && std::abs(Green(a) - Green(b)) <= tolerance &&
           std::abs(Blue(a) - Blue(b)) <= tolerance;
}

int CountDifferences(const Capture& a, const Capture& b, int tolerance) {
    int differences = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        differences += SameColour(a.pixels[i], b.pixels[i], tolerance) ? 0 : 1;
    }
    return differences;
}

} // namespace support
