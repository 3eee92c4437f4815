#pragma once
// Pixels as the user sees them: read back from the screen, or drawn off the screen for
// comparison, and matched with a tolerance.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace support {

// Pixels, 0x00RRGGBB, top row first.
struct Capture {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(y - top) * width + (x - left)]; }
};
Capture CaptureScreen(const RECT& rect);
RECT ScreenRect(); // the primary monitor
inline int Red(uint32_t p) {
    return (p >> 16) & 0xFF;
}
inline int Green(uint32_t p) {
    return (p >> 8) & 0xFF;
}
inline int Blue(uint32_t p) {
    return p & 0xFF;
}

// True when no channel of the two pixels differs by more than `tolerance`.
bool SameColour(uint32_t a, uint32_t b, int tolerance);

// Pixels of the screen-compatible bitmap drawn by `draw` into a width x height memory DC.
Capture RenderOffscreen(int width, int height, const std::function<void(HDC)>& draw);
// Number of pixels that differ by more than `tolerance` in any channel (same sizes).
int CountDifferences(const Capture& a, const Capture& b, int tolerance = 0);

} // namespace support
