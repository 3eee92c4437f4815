// Storm markers on the turning globe, from screen pixels, with feeds served on loopback:
// a red icon per storm on the visible side, at the height its latitude gives, moving with
// the map; southern storms of 35 knots and more mirrored top to bottom; none before the
// feed arrives and none for a failed fetch. The globe is drawn unshaded ("Lighting" 0),
// whose day map has no pixel as red as a marker.
#include "feed_screen.h"
#include "http_server.h"
#include "marker_screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace e2e;

namespace {

constexpr int kMarkerBox = 48; // covers a marker (a tenth of the globe's diameter)
constexpr DWORD kMarkersAppearMs = 5000;

// A saver that fetches `feed` from a loopback server and draws the globe unshaded.
struct MarkerRun {
    explicit MarkerRun(HttpReply reply) : server(std::move(reply)) {
        UseFeedHost(profile, server.HostText(), false);
        profile.Set("Lighting", 0);
        profile.Set("NightSide", 0);
        RestMouseOverGlobe();
        saver = std::make_unique<SaverProcess>("/s");
        window = WaitForSaverWindow(*saver);
    }
    ProfileSection profile;
    TestHttpServer server;
    std::unique_ptr<SaverProcess> saver;
    HWND window = nullptr;
};

HttpReply Feed(const std::string& storms) {
    return {200, "Marker test feed\r\n-Test\r\n" + storms};
}

// Whether the red figure near (cx, cy) matches `reference` (near (rx, ry)) better as it
// stands or turned upside down about the marker's centre row.
struct ShapeMatch {
    int asIs;
    int flipped;
};

ShapeMatch CompareShapes(const Capture& shot, int cx, int cy, int rx, int ry) {
    ShapeMatch match = {0, 0};
    for (int dy = -kMarkerBox / 2; dy < kMarkerBox / 2; ++dy) {
        for (int dx = -kMarkerBox / 2; dx < kMarkerBox / 2; ++dx) {
            const bool reference = IsMarkerRed(shot.At(rx + dx, ry + dy));
            match.asIs += reference == IsMarkerRed(shot.At(cx + dx, cy + dy));
            match.flipped += reference == IsMarkerRed(shot.At(cx + dx, cy - dy));
        }
    }
    return match;
}

} // namespace

TEST(Markers, StandAtTheirLatitudeAndMoveWithTheMap) {
    // Longitude 100 W faces the viewer a second or two after the start (the first frame
    // shows the map turned by half a revolution).
    MarkerRun run(Feed("Tester,15.0,100.0,100\r\n"));
    ASSERT_NE(run.window, nullptr);
    const Globe globe = FindGlobe(run.window);
    RedBlob first;
    DWORD start = 0; // before the capture that shows `first`
    ASSERT_TRUE(WaitUntil(
        [&] {
            start = ::GetTickCount();
            first = FindRedOnGlobe(globe);
            return first.pixels > 100;
        },
        kFeedTimeoutMs));
    EXPECT_NEAR(first.y, globe.ScreenYOfLatitude(15.0), 3.0);
    // The map turns eastward, 0.0005 of a revolution a frame at up to 40 frames a second
    // (45 with the timer's slack): the marker moves right, by no more than those frames
    // allow. A loaded machine draws fewer frames: wait for the move, not for a time. The
    // move waited for spans about eight frames, so that the two frames of slack and the
    // pixel that a blob's centre can shift on the grid stay small beside it (over two
    // frames, a move of 2.77 pixels was once seen in 16 ms).
    constexpr double kMoveToSee = 8.0;
    constexpr double kCentreNoise = 1.0;
    RedBlob second;
    WaitUntil(
        [&] {
            second = FindRedOnGlobe(globe);
            return second.pixels > 100 && std::fabs(second.x - first.x) > kMoveToSee;
        },
        kFeedTimeoutMs);
    const double seconds = (::GetTickCount() - start) / 1000.0;
    ASSERT_GT(second.pixels, 100);
    EXPECT_NEAR(second.y, globe.ScreenYOfLatitude(15.0), 3.0);
    EXPECT_GT(second.x - first.x, kMoveToSee);
    EXPECT_LT(second.x - first.x,
              0.0005 * (45 * seconds + 2) * 2 * kPi * globe.radius + kCentreNoise)
        << "over " << seconds << " s";
    ExpectEndsOnAKey(*run.saver);
}

TEST(Markers, OneIconPerStormOnTheVisibleSideOnly) {
    // 100 W faces the viewer; 80 E (written -80) is on the far side at the same time.
    MarkerRun run(Feed("Near North,30.0,100.0,50\r\nNear South,-30.0,100.0,20\r\n"
                       "Far Away,0.0,-80.0,120\r\n"));
    ASSERT_NE(run.window, nullptr);
    const Globe globe = FindGlobe(run.window);
    const int middle = static_cast<int>(globe.ScreenYOfLatitude(0.0));
    ASSERT_TRUE(WaitUntil([&] { return FindRedOnGlobe(globe).pixels > 100; }, kFeedTimeoutMs));
    Pause(300);
    const Capture shot = CaptureScreen(globe.rect);
    const RedBlob north = FindRed(shot, globe.rect.top, middle - 20);
    const RedBlob equator = FindRed(shot, middle - 20, middle + 20);
    const RedBlob south = FindRed(shot, middle + 20, globe.rect.bottom);
    EXPECT_NEAR(north.y, globe.ScreenYOfLatitude(30.0), 3.0);
    EXPECT_NEAR(south.y, globe.ScreenYOfLatitude(-30.0), 3.0);
    EXPECT_NEAR(north.x, south.x, 4.0); // the same meridian
    EXPECT_EQ(equator.pixels, 0) << "a storm on the far side shows";
    ExpectEndsOnAKey(*run.saver);
}

// Two storm icons of the same class on one meridian, at 25 N and 25 S: the southern one
// of 35 knots or more is the northern one turned upside down; one of 34 knots is not.
TEST(Markers, StrongSouthernStormsAreMirrored) {
    struct Case {
        int southernKnots;
        bool mirrored;
    };
    for (const Case& c : {Case{50, true}, Case{34, false}}) {
        SCOPED_TRACE(c.southernKnots);
        MarkerRun run(Feed("North,25.0,100.0,50\r\nSouth,-25.0,100.0," +
                           std::to_string(c.southernKnots) + "\r\n"));
        ASSERT_NE(run.window, nullptr);
        const Globe globe = FindGlobe(run.window);
        const int middle = static_cast<int>(globe.ScreenYOfLatitude(0.0));
        ASSERT_TRUE(WaitUntil([&] { return FindRedOnGlobe(globe).pixels > 100; }, kFeedTimeoutMs));
        Pause(300);
        const Capture shot = CaptureScreen(globe.rect);
        const RedBlob north = FindRed(shot, globe.rect.top, middle);
        const RedBlob south = FindRed(shot, middle, globe.rect.bottom);
        ASSERT_GT(north.pixels, 100);
        ASSERT_GT(south.pixels, 100);
        // The icon is symmetric under a half turn, so its bounds are centred on the quad.
        const int x = (north.bounds.left + north.bounds.right) / 2;
        const ShapeMatch match =
            CompareShapes(shot, x, static_cast<int>(std::lround(globe.ScreenYOfLatitude(-25.0))), x,
                          static_cast<int>(std::lround(globe.ScreenYOfLatitude(25.0))));
        if (c.mirrored) {
            EXPECT_GT(match.flipped, match.asIs + 40);
        } else {
            EXPECT_GT(match.asIs, match.flipped + 40);
        }
        ExpectEndsOnAKey(*run.saver);
    }
}

// No marker while the server holds the request, and none after a fetch that failed.
TEST(Markers, NoneBeforeTheFeedArrivesOrForAFailedFetch) {
    HttpReply held = Feed("Tester,15.0,100.0,100\r\n");
    held.manner = ReplyManner::Never;
    HttpReply failed = Feed("Tester,15.0,100.0,100\r\n");
    failed.status = 404;
    for (const HttpReply& reply : {held, failed}) {
        SCOPED_TRACE(reply.status);
        MarkerRun run(reply);
        ASSERT_NE(run.window, nullptr);
        const Globe globe = FindGlobe(run.window);
        ASSERT_TRUE(WaitUntil([&] { return run.server.RequestCount() == 1; }, kFeedTimeoutMs));
        Pause(kMarkersAppearMs / 2);
        EXPECT_EQ(FindRedOnGlobe(globe).pixels, 0);
        ExpectEndsOnAKey(*run.saver);
    }
}
