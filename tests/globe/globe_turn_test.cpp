#include "globe/globe_turn.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

TEST(GlobeTurn, StartsAtHalfAndTheFirstFrameLeaves0_5005) {
    EXPECT_EQ(kInitialGlobeTurn, 0.5f);
    EXPECT_EQ(AdvanceGlobeTurn(kInitialGlobeTurn), 0.5005f);
}

TEST(GlobeTurn, WrapsAboveOneButKeepsOne) {
    EXPECT_EQ(AdvanceGlobeTurn(1.0f), 1.0f + 0.0005f - 1.0f);
    EXPECT_GT(AdvanceGlobeTurn(1.0f), 0.0f);
    EXPECT_NEAR(AdvanceGlobeTurn(0.9999f), 0.0004, 1e-6);
    EXPECT_EQ(AdvanceGlobeTurn(0.99925f), 0.99925f + 0.0005f); // 0.99975: below 1, kept
}

// 2000 frames make one revolution; 5000 frames from the start stay in (0, 1] and wrap
// once every revolution.
TEST(GlobeTurn, StaysInTheUnitIntervalAndRevolvesEvery2000Frames) {
    float turn = kInitialGlobeTurn;
    int wraps = 0;
    for (int frame = 1; frame <= 5000; ++frame) {
        const float next = AdvanceGlobeTurn(turn);
        ASSERT_GT(next, 0.0f) << frame;
        ASSERT_LE(next, 1.0f) << frame;
        wraps += next < turn ? 1 : 0;
        turn = next;
        if (frame == 2000 || frame == 4000) {
            EXPECT_NEAR(turn, 0.5, 1e-3) << frame; // float drift of the sum only
            EXPECT_EQ(wraps, frame / 2000);
        }
    }
    // 2.5 revolutions from 0.5: back at the wrap point, just below or just past 1.
    EXPECT_LT(std::fmin(turn, 1.0f - turn), 1e-3);
}

} // namespace
