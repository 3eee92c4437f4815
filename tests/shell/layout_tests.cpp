// The screen layout rules: the picture on the primary monitor, the globe square, its
// place, and the font sizes by width.
#include "shell/layout.h"

#include <gtest/gtest.h>

#include <ostream>

// Outside the unnamed namespace, so that the test macros find them next to PixelBox.
bool operator==(const PixelBox& a, const PixelBox& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::ostream& operator<<(std::ostream& out, const PixelBox& box) {
    return out << "(" << box.left << "," << box.top << ")-(" << box.right << "," << box.bottom
               << ")";
}

namespace {

struct LayoutCase {
    PixelBox content; // the picture's place in the window: the whole client on one monitor
    bool showDetails;
    int side, globeX, titleSize, listSize, titleFontHeight;
};

TEST(ComputeLayout, FollowsTheRulesAtTheUsualScreenSizes) {
    const LayoutCase cases[] = {
        {{0, 0, 640, 480}, false, 380, 130, 14, 10, 14},
        {{0, 0, 640, 480}, true, 380, 0, 14, 10, 14},
        {{0, 0, 641, 480}, false, 380, 130, 18, 14, 18},
        {{0, 0, 800, 600}, false, 500, 150, 18, 14, 18},
        {{0, 0, 801, 600}, false, 500, 150, 26, 18, 26},
        {{0, 0, 1023, 768}, false, 668, 177, 26, 18, 26},
        {{0, 0, 1024, 768}, false, 668, 178, 26, 18, 24},
        {{0, 0, 1024, 768}, true, 668, 0, 26, 18, 24},
        {{0, 0, 1280, 1024}, false, 924, 178, 26, 18, 24},
        {{0, 0, 600, 1024}, false, 600, 0, 14, 10, 14},     // taller than wide: full width
        {{0, 0, 1601, 1200}, false, 1100, 250, 26, 18, 24}, // odd halves round toward zero
        // On a desk of several monitors: the primary's size rules, its corner moves all.
        {{1280, 0, 2304, 768}, false, 668, 1280 + 178, 26, 18, 24}, // other monitor left
        {{0, 1024, 800, 1624}, true, 500, 0, 18, 14, 18},           // other monitor above
    };
    for (const LayoutCase& c : cases) {
        const int width = c.content.right - c.content.left;
        const int height = c.content.bottom - c.content.top;
        SCOPED_TRACE(::testing::Message() << width << "x" << height << " at " << c.content
                                          << " details " << c.showDetails);
        const ScreenLayout layout = ComputeLayout(c.content, c.showDetails);
        EXPECT_EQ(layout.left, c.content.left);
        EXPECT_EQ(layout.top, c.content.top);
        EXPECT_EQ(layout.width, width);
        EXPECT_EQ(layout.height, height);
        EXPECT_EQ(layout.globeSide, c.side);
        EXPECT_EQ(layout.globeX, c.globeX);
        EXPECT_EQ(layout.globeY, c.content.top);
        EXPECT_EQ(layout.titleSize, c.titleSize);
        EXPECT_EQ(layout.listSize, c.listSize);
        EXPECT_EQ(TitleFontHeight(layout), c.titleFontHeight);
    }
}

struct PlacementCase {
    const char* desk;
    PixelBox clipBox; // every monitor's bounding box, in screen coordinates
    PixelBox primary; // at 0,0, as Windows places it
    PixelBox content; // in the window's coordinates
};

// The clip boxes are the unions that Windows (and Wine on Xorg's dummy driver) reports
// for these desks.
TEST(PlaceContent, PutsThePictureOnThePrimaryMonitor) {
    const PixelBox primary = {0, 0, 1024, 768};
    const PlacementCase cases[] = {
        {"one monitor", {0, 0, 1024, 768}, primary, {0, 0, 1024, 768}},
        {"other right", {0, 0, 2304, 1024}, primary, {0, 0, 1024, 768}},
        {"other left", {-1280, 0, 1024, 1024}, primary, {1280, 0, 2304, 768}},
        {"other above", {0, -1024, 1280, 768}, primary, {0, 1024, 1024, 1792}},
        {"other below", {0, 0, 1280, 1792}, primary, {0, 0, 1024, 768}},
        {"three in a row", {-1280, 0, 3328, 1024}, primary, {1280, 0, 2304, 768}},
        {"larger other, left and lower", {-1920, 0, 1024, 1200}, primary, {1920, 0, 2944, 768}},
        {"larger other, left and higher",
         {-1920, -300, 800, 780},
         {0, 0, 800, 600},
         {1920, 300, 2720, 900}},
        {"primary partly outside", {0, 0, 800, 600}, primary, {0, 0, 800, 600}},
        {"no primary reported", {-1280, 0, 1024, 1024}, {0, 0, 0, 0}, {0, 0, 2304, 1024}},
        {"primary outside the box", {0, 0, 1024, 768}, {2000, 0, 3024, 768}, {0, 0, 1024, 768}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.desk);
        EXPECT_EQ(PlaceContent(c.clipBox, c.primary), c.content);
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
