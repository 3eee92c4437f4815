// The screen layout rules: globe square, its place, and the font sizes by width.
#include "shell/layout.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    int width, height;
    bool showDetails;
    int side, globeX, titleSize, listSize, titleFontHeight;
};

TEST(ComputeLayout, FollowsTheRulesAtTheUsualScreenSizes) {
    const LayoutCase cases[] = {
        {640, 480, false, 380, 130, 14, 10, 14},
        {640, 480, true, 380, 0, 14, 10, 14},
        {641, 480, false, 380, 130, 18, 14, 18},
        {800, 600, false, 500, 150, 18, 14, 18},
        {801, 600, false, 500, 150, 26, 18, 26},
        {1023, 768, false, 668, 177, 26, 18, 26},
        {1024, 768, false, 668, 178, 26, 18, 24},
        {1024, 768, true, 668, 0, 26, 18, 24},
        {1280, 1024, false, 924, 178, 26, 18, 24},
        {600, 1024, false, 600, 0, 14, 10, 14},     // taller than wide: the globe spans the width
        {1601, 1200, false, 1100, 250, 26, 18, 24}, // odd halves round toward zero
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.width << "x" << c.height << " details " << c.showDetails);
        const ScreenLayout layout = ComputeLayout(c.width, c.height, c.showDetails);
        EXPECT_EQ(layout.globeSide, c.side);
        EXPECT_EQ(layout.globeX, c.globeX);
        EXPECT_EQ(layout.globeY, 0);
        EXPECT_EQ(layout.titleSize, c.titleSize);
        EXPECT_EQ(layout.listSize, c.listSize);
        EXPECT_EQ(TitleFontHeight(layout), c.titleFontHeight);
    }
}

TEST(ChooseBannerPiece, CentresNarrowScreensAndStretchesWideOnes) {
    EXPECT_EQ(ChooseBannerPiece(640).sourceX, 320);
    EXPECT_EQ(ChooseBannerPiece(1024).sourceX, 128);
    EXPECT_EQ(ChooseBannerPiece(1023).sourceX, 129);
    EXPECT_FALSE(ChooseBannerPiece(1279).stretched);
    EXPECT_TRUE(ChooseBannerPiece(1280).stretched);
    EXPECT_TRUE(ChooseBannerPiece(1920).stretched);
}

} // namespace
