#pragma once
// What the saver shows of the storm feed, drawn here by the test program from the layout
// the layout core computes and the panel rules in the same font ("Ariel", weight 700) and read back
// from the screen for a pixel-exact comparison: the banner strip with its red status line, and the
// storm panel right of the globe with its heading, storm lines and legend.
#include "harness.h"
#include "shell/layout.h"

#include <string>
#include <vector>

namespace e2e {

constexpr int kBannerStripHeight = kBannerHeight;
constexpr int kLegendHeadingRise = 324; // the legend's top, above the bottom of the screen
constexpr DWORD kFeedTimeoutMs = 20000; // for a fetch from loopback: catches a hang only

struct ScreenGeometry {
    int width;           // W
    int height;          // H
    int side;            // S, the globe's side
    int globeX;          // 0 with "ShowDetails" on, else centred
    int titleSize;       // panel headings: 14, 18 or 26 by width
    int listSize;        // storm lines: 10, 14 or 18 by width
    int titleFontHeight; // banner titles: the title size, 2 less from 1024 pixels on
};

// The layout of the current screen (the primary monitor) as the layout core computes it;
// its rules are tested in their own table (tests/shell/layout_tests.cpp).
ScreenGeometry CurrentGeometry(bool showDetails);

HFONT CreateSaverFont(int height); // the caller deletes it

// The banner strip (W x 100) with its picture, title lines and `status` in red.
Capture ExpectedBanner(const ScreenGeometry& g, const std::string& status);

enum class FeedState { Contacting, Unreachable, Loaded };

struct PanelLine {
    std::string group; // heading the storm stands under
    std::string text;  // the storm's line as it must read
};

struct ExpectedPanel {
    FeedState state = FeedState::Contacting;
    std::vector<PanelLine> storms; // when loaded; none: "None Active..."
};

// Right of the globe, from the top of the screen to the banner strip.
RECT PanelArea(const ScreenGeometry& g);
Capture ExpectedPanelArea(const ScreenGeometry& g, const ExpectedPanel& panel);

// How many pixels of the banner strip or the panel area differ from the expected picture
// once the screen shows it, or when the timeout has passed (0: it shows it).
int WaitForBanner(const ScreenGeometry& g, const std::string& status, DWORD timeoutMs);
int WaitForPanel(const ScreenGeometry& g, const ExpectedPanel& panel, DWORD timeoutMs);

// Puts the pointer over the globe, away from the panel and the banner, before a start.
void RestMouseOverGlobe();

// Presses a key and expects the saver to end promptly with exit code 0.
void ExpectEndsOnAKey(SaverProcess& saver);

// Profile of a saver that fetches the feed directly from `host` (an "AlternateHost" text),
// with the storm panel shown or not.
void UseFeedHost(const ProfileSection& profile, const std::string& host, bool showDetails);

} // namespace e2e
