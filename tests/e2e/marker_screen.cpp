#include "marker_screen.h"

#include <algorithm>
#include <cmath>

namespace e2e {
namespace {

constexpr double kViewHalfSide = 1.05; // the unit sphere's disc is side / 2.1 across

} // namespace

bool IsMarkerRed(uint32_t p) {
    return Red(p) > 140 && Green(p) < 80 && Blue(p) < 80 && Red(p) > 2 * Green(p);
}

double Globe::ScreenYOfLatitude(double latitude) const {
    return rect.top + side / 2.0 - radius * std::sin(latitude * kPi / 180.0);
}

Globe FindGlobe(HWND saverWindow) {
    HWND window = WaitForChild(saverWindow, "ZRVSAVER");
    const RECT rect = WindowRectOf(window);
    const double side = rect.right - rect.left;
    return {rect, side, side / (2.0 * kViewHalfSide)};
}

RedBlob FindRed(const Capture& shot, int top, int bottom) {
    RedBlob blob;
    for (int y = std::max(top, shot.top); y < std::min(bottom, shot.top + shot.height); ++y) {
        for (int x = shot.left; x < shot.left + shot.width; ++x) {
            if (IsMarkerRed(shot.At(x, y))) {
                ++blob.pixels;
                blob.x += x;
                blob.y += y;
                blob.bounds = {std::min<LONG>(blob.bounds.left, x),
                               std::min<LONG>(blob.bounds.top, y),
                               std::max<LONG>(blob.bounds.right, x + 1),
                               std::max<LONG>(blob.bounds.bottom, y + 1)};
            }
        }
    }
    if (blob.pixels > 0) {
        blob.x /= blob.pixels;
        blob.y /= blob.pixels;
    }
    return blob;
}

RedBlob FindRedOnGlobe(const Globe& globe) {
    const Capture shot = CaptureScreen(globe.rect);
    return FindRed(shot, globe.rect.top, globe.rect.bottom);
}

} // namespace e2e
