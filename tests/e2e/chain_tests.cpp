// The whole chain: sample source files -> zarvane-feed (the embedded server, or `build`
// into a web root behind nginx) -> HTTP on loopback -> the real saver's panel and globe.
// tools/test.sh starts the Linux servers before this program and names them in the
// environment (Wine passes it on), each as an "AlternateHost" text:
//   ZARVANE_FEED_SERVE_HOST   zarvane-feed serve over service/samples/nhc-CurrentStorms.json
//   ZARVANE_FEED_NGINX_HOST   nginx with the deploy snippet, over `build` of the same file
//   ZARVANE_FEED_NOFEED_HOST  zarvane-feed serve whose only source is missing (503)
#include "feed_screen.h"
#include "marker_screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>

using namespace e2e;

namespace {

constexpr int kMarkerPixels = 100; // a marker's red figure covers far more than this
constexpr DWORD kNoMarkerWatchMs = 2500;

// The sample file's storms as the panel must list them: the builder's groups in their
// order, strongest first; miles per hour are knots x 1.15, shown as the customary
// multiple of 5 for the usual category values (30 kt 35 mph, 40 kt 45, 55 kt 65,
// 85 kt 100, 105 kt 120) and as the rounded product otherwise (140 kt 161).
const ExpectedPanel kSampleStorms = {FeedState::Loaded,
                                     {{"Atlantic", "Corvina, Max Winds: 120 mph"},
                                      {"Atlantic", "Brisa, Max Winds: 65 mph"},
                                      {"Atlantic", "Ardent, Max Winds: 35 mph"},
                                      {"Eastern Pacific", "Esmera, Max Winds: 100 mph"},
                                      {"Eastern Pacific", "Delmar, Max Winds: 45 mph"},
                                      {"Central Pacific", "Halia, Max Winds: 161 mph"}}};

struct ChainCase {
    const char* server; // the environment variable naming it
    ExpectedPanel panel;
    bool markers;
};

void PrintTo(const ChainCase& c, std::ostream* out) {
    *out << c.server;
}

const ChainCase kChainCases[] = {
    {"ZARVANE_FEED_SERVE_HOST", kSampleStorms, true},
    {"ZARVANE_FEED_NGINX_HOST", kSampleStorms, true},
    {"ZARVANE_FEED_NOFEED_HOST", {FeedState::Unreachable, {}}, false},
};

class FeedChain : public ::testing::TestWithParam<ChainCase> {};

// Markers appear once the feed is in; with none to show, none may appear while the globe
// turns for a while after the panel has settled.
void ExpectMarkers(const Globe& globe, bool expected) {
    if (expected) {
        EXPECT_TRUE(WaitUntil([&] { return FindRedOnGlobe(globe).pixels > kMarkerPixels; },
                              kFeedTimeoutMs));
        return;
    }
    EXPECT_FALSE(WaitUntil([&] { return FindRedOnGlobe(globe).pixels > 0; }, kNoMarkerWatchMs));
}

} // namespace

TEST_P(FeedChain, ThePanelAndTheGlobeShowWhatTheServerHolds) {
    const ChainCase& c = GetParam();
    const char* host = std::getenv(c.server);
    if (host == nullptr || *host == '\0') {
        GTEST_SKIP() << c.server << " is not set: tools/test.sh starts that server";
    }
    ProfileSection profile;
    UseFeedHost(profile, host, true);
    profile.Set("Lighting", 0); // unshaded: markers are the only red on the globe
    profile.Set("NightSide", 0);
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    HWND window = WaitForSaverWindow(saver);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WaitForPanel(CurrentGeometry(true), c.panel, kFeedTimeoutMs), 0);
    ExpectMarkers(FindGlobe(window), c.markers);
    ExpectEndsOnAKey(saver);
}

INSTANTIATE_TEST_SUITE_P(Servers, FeedChain, ::testing::ValuesIn(kChainCases));
