// The saver on a desk of two monitors: the globe, the panel with a served feed and the
// banner on the primary monitor, the other one black, the window over both, and a mouse
// movement over the other monitor ends the run. tools/test.sh runs these on Xorg's dummy
// driver with ZARVANE_MONITORS naming where the other monitor stands ("right" or "left"
// of the primary); on a desk of one monitor (the other suites) they are skipped.
#include "feed_screen.h"
#include "harness.h"
#include "http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace e2e;

namespace {

constexpr char kFeed[] = "Two monitors feed, issued 06:00 UTC\n"
                         "-North Atlantic\n"
                         "Alpha,25.0,75.0,35\n";
constexpr char kStatus[] = "Two monitors feed, issued 06:00 UTC";
constexpr char kAlphaLine[] = "Alpha, Max Winds: 40 mph"; // 35 knots

struct Monitor {
    RECT rect;
    bool primary;
    std::string device;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXA info = {};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoA(monitor, &info)) {
        reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
            {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, info.szDevice});
    }
    return TRUE;
}

// What the system reports of the desk: its monitors, and the screen's clip box.
struct Desk {
    std::vector<Monitor> monitors;
    RECT clipBox = {};
    const Monitor* Other() const {
        for (const Monitor& m : monitors) {
            if (!m.primary) {
                return &m;
            }
        }
        return nullptr;
    }
};

Desk CurrentDesk() {
    Desk desk;
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&desk.monitors));
    HDC screen = ::GetDC(nullptr);
    ::GetClipBox(screen, &desk.clipBox);
    ::ReleaseDC(nullptr, screen);
    return desk;
}

std::string Text(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

bool Same(const RECT& a, const RECT& b) {
    return ::EqualRect(&a, &b) != FALSE;
}

// The figures that the closing note of this work quotes: printed, not only compared.
void Report(const char* when, const Desk& desk, HWND saverWindow) {
    for (const Monitor& m : desk.monitors) {
        std::printf("[desk %s] monitor %s %s%s\n", when, m.device.c_str(), Text(m.rect).c_str(),
                    m.primary ? " primary" : "");
    }
    std::printf("[desk %s] clip box %s, saver window %s\n", when, Text(desk.clipBox).c_str(),
                Text(WindowRectOf(saverWindow)).c_str());
}

// Pixels of the globe's square that break the picture of a whole globe on a disc of
// radius S / 2.1: lit around the disc, or black on it (the unshaded map has no black). A
// globe cut by a bezel breaks it.
struct DiscFaults {
    int litOutside = 0;
    int blackInside = 0;
    int inside = 0;
    bool Whole() const { return litOutside == 0 && blackInside < inside / 1000; }
};

DiscFaults CheckDisc(const RECT& square) {
    const Capture shot = CaptureScreen(square);
    const double centre = shot.width / 2.0, radius = shot.width / 2.1;
    DiscFaults faults;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const double d = std::hypot(x + 0.5 - centre, y + 0.5 - centre);
            const uint32_t p = shot.pixels[y * shot.width + x];
            if (d >= radius + 1.5) {
                faults.litOutside += p != 0 ? 1 : 0;
            } else if (d <= radius - 2.0) {
                ++faults.inside;
                faults.blackInside += p == 0 ? 1 : 0;
            }
        }
    }
    return faults;
}

// Waits for the first frames to reach the screen.
void ExpectWholeGlobe(HWND globe) {
    const RECT square = WindowRectOf(globe);
    DiscFaults faults;
    WaitUntil(
        [&] {
            faults = CheckDisc(square);
            return faults.Whole();
        },
        kStartTimeoutMs);
    EXPECT_EQ(faults.litOutside, 0) << "lit pixels around the globe in " << Text(square);
    EXPECT_LT(faults.blackInside, faults.inside / 1000)
        << "black pixels on the globe in " << Text(square);
}

bool AllBlack(const RECT& rect) {
    const Capture shot = CaptureScreen(rect);
    for (uint32_t p : shot.pixels) {
        if (p != 0) {
            return false;
        }
    }
    return true;
}

// The picture on the primary monitor, as on a desk of that monitor alone, and the other
// monitor black under the saver's window, which covers the clip box.
void ExpectPictureOnThePrimary(HWND window, const Desk& desk) {
    EXPECT_TRUE(WaitUntil([&] { return Same(WindowRectOf(window), desk.clipBox); }, kExitTimeoutMs))
        << "saver window " << Text(WindowRectOf(window)) << ", clip box " << Text(desk.clipBox);
    const ScreenGeometry g = CurrentGeometry(true);
    HWND globe = WaitForChild(window, "ZRVSAVER");
    ASSERT_NE(globe, nullptr);
    const RECT square = {g.globeX, 0, g.globeX + g.side, g.side};
    EXPECT_TRUE(WaitUntil([&] { return Same(WindowRectOf(globe), square); }, kExitTimeoutMs))
        << "globe " << Text(WindowRectOf(globe)) << ", expected " << Text(square);
    EXPECT_EQ(WaitForBanner(g, kStatus, kFeedTimeoutMs), 0);
    EXPECT_EQ(
        WaitForPanel(g, {FeedState::Loaded, {{"North Atlantic", kAlphaLine}}}, kFeedTimeoutMs), 0);
    ExpectWholeGlobe(globe);
    const Monitor* other = desk.Other();
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(AllBlack(other->rect)) << "the other monitor " << Text(other->rect);
}

// A mouse movement over the other monitor, well past the jitter allowance, ends the run.
void ExpectEndsOnAMoveOverTheOther(SaverProcess& saver, const Desk& desk) {
    const RECT& other = desk.Other()->rect;
    MoveMouseTo((other.left + other.right) / 2, (other.top + other.bottom) / 2);
    ASSERT_TRUE(saver.WaitForExit()) << "a move over the other monitor did not end the run";
    EXPECT_EQ(saver.ExitCode(), 0);
}

// The desk that tools/test.sh arranges on Xorg's dummy driver: the primary is its output
// DUMMY0, the other monitor DUMMY1.
constexpr char kOtherOutput[] = "DUMMY1";

// Moves the other monitor on the X screen with xrandr, as the desktop does when a monitor
// is plugged in or rearranged, and waits until Wine reports it at `position`.
bool MoveOtherMonitor(const RECT& other, POINT position, SIZE screen) {
    const std::string command = "xrandr --fb " + std::to_string(screen.cx) + "x" +
                                std::to_string(screen.cy) + " --output " + kOtherOutput +
                                " --pos " + std::to_string(position.x) + "x" +
                                std::to_string(position.y) + " && xrandr --query >/dev/null";
    if (!RunUnixShell(command)) {
        return false;
    }
    const LONG width = other.right - other.left, height = other.bottom - other.top;
    const RECT expected = {position.x, position.y, position.x + width, position.y + height};
    return WaitUntil(
        [&] {
            const Desk desk = CurrentDesk();
            return desk.Other() != nullptr && Same(desk.Other()->rect, expected);
        },
        kExitTimeoutMs);
}

// Windows broadcasts WM_DISPLAYCHANGE after every change of the monitors. Wine 8 sends it
// only for changes made through ChangeDisplaySettingsEx; it carries out a change made on
// the X screen (monitors, clip box, desktop window) without it. So the test delivers the
// notice that Windows would: bits per pixel, and the primary monitor's size.
void NotifyDisplayChange(HWND window) {
    HDC screen = ::GetDC(nullptr);
    const WPARAM bitsPerPixel = ::GetDeviceCaps(screen, BITSPIXEL);
    ::ReleaseDC(nullptr, screen);
    const RECT primary = ScreenRect();
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(window, WM_DISPLAYCHANGE, bitsPerPixel,
                          MAKELPARAM(primary.right, primary.bottom), SMTO_ABORTIFHUNG,
                          kExitTimeoutMs, &ignored);
}

class TwoMonitors : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* side = std::getenv("ZARVANE_MONITORS");
        if (side == nullptr || *side == '\0') {
            GTEST_SKIP() << "a desk of one monitor; tools/test.sh runs these on two";
        }
        side_ = side;
        desk_ = CurrentDesk();
        ASSERT_EQ(desk_.monitors.size(), 2u);
        const Monitor* other = desk_.Other();
        ASSERT_NE(other, nullptr);
        const RECT primary = ScreenRect();
        if (side_ == "right") {
            EXPECT_EQ(other->rect.left, primary.right) << Text(other->rect);
        } else {
            EXPECT_EQ(other->rect.right, 0) << Text(other->rect);
        }
        UseFeedHost(profile_, server_.HostText(), true);
        profile_.Set("Lighting", 0); // unshaded: the whole disc lit
        RestMouseOverGlobe();
    }
    std::string side_;
    Desk desk_;
    TestHttpServer server_{{200, kFeed}};
    ProfileSection profile_;
};

} // namespace

TEST_F(TwoMonitors, PictureStandsOnThePrimaryAndTheOtherIsBlack) {
    SaverProcess saver("/s");
    HWND window = WaitForSaverWindow(saver);
    ASSERT_NE(window, nullptr);
    ExpectPictureOnThePrimary(window, desk_);
    Report(side_.c_str(), desk_, window);
    ExpectEndsOnAMoveOverTheOther(saver, desk_);
}

// The other monitor moves from the right of the primary to below it while the saver
// runs: the window takes the new box and lays out again, and the run goes on.
TEST_F(TwoMonitors, FollowsTheMonitorsWhenTheyChangeWhileItRuns) {
    if (side_ != "right") {
        GTEST_SKIP() << "the change starts from the other monitor on the right";
    }
    SaverProcess saver("/s");
    HWND window = WaitForSaverWindow(saver);
    ASSERT_NE(window, nullptr);
    ExpectPictureOnThePrimary(window, desk_);
    const RECT primary = ScreenRect();
    const RECT other = desk_.Other()->rect;
    const LONG otherWidth = other.right - other.left, otherHeight = other.bottom - other.top;
    ASSERT_TRUE(
        MoveOtherMonitor(other, {0, primary.bottom},
                         {std::max(primary.right, otherWidth), primary.bottom + otherHeight}));
    NotifyDisplayChange(window);
    const Desk changed = CurrentDesk();
    EXPECT_TRUE(saver.Running()) << "the change ended the run";
    ExpectPictureOnThePrimary(window, changed);
    Report("changed", changed, window);
    ExpectEndsOnAMoveOverTheOther(saver, changed);
    EXPECT_TRUE(
        MoveOtherMonitor(other, {primary.right, 0},
                         {primary.right + otherWidth, std::max(primary.bottom, otherHeight)}));
}
