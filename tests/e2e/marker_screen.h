#pragma once
// The storm markers on the running saver's globe, read from screen pixels: the globe
// window's place and the red figures of the markers on it. Markers are told apart from
// the map with the globe drawn unshaded ("Lighting" 0), whose day map has no pixel as red.
#include "harness.h"

#include <climits>

namespace e2e {

inline constexpr double kPi = 3.14159265358979323846;

// A marker's red figure blends two-thirds red over the map: much redder than any map pixel.
bool IsMarkerRed(uint32_t p);

struct Globe {
    RECT rect;
    double side;
    double radius;
    double ScreenYOfLatitude(double latitude) const;
};

// The globe window of the saver, waiting for it to appear.
Globe FindGlobe(HWND saverWindow);

struct RedBlob {
    int pixels = 0;
    double x = 0; // mean position, screen pixels
    double y = 0;
    RECT bounds = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
};

// The red pixels of a capture between two screen rows.
RedBlob FindRed(const Capture& shot, int top, int bottom);
RedBlob FindRedOnGlobe(const Globe& globe);

} // namespace e2e
