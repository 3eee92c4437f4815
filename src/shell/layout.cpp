#include "shell/layout.h"

#include <algorithm>

namespace {

constexpr int kMediumWidth = 800; // and below: the middle fonts
constexpr int kWideWidth = 1024;  // and above: titles two pixels smaller
constexpr int kTitleReduction = 2;

} // namespace

ScreenLayout ComputeLayout(int width, int height, bool showDetails) {
    ScreenLayout layout = {};
    layout.width = width;
    layout.height = height;
    layout.globeSide = std::min(height - kBannerHeight, width);
    layout.globeX = showDetails ? 0 : width / 2 - layout.globeSide / 2;
    layout.globeY = 0;
    layout.titleSize = 26;
    layout.listSize = 18;
    if (width <= kMediumWidth) {
        layout.titleSize = 18;
        layout.listSize = 14;
    }
    if (IsNarrowScreen(width)) {
        layout.titleSize = 14;
        layout.listSize = 10;
    }
    return layout;
}

bool IsNarrowScreen(int width) {
    return width <= kNarrowWidth;
}

int TitleFontHeight(const ScreenLayout& layout) {
    return layout.width >= kWideWidth ? layout.titleSize - kTitleReduction : layout.titleSize;
}

BannerPiece ChooseBannerPiece(int width) {
    if (width >= kBannerBitmapWidth) {
        return {true, 0};
    }
    return {false, kBannerBitmapWidth / 2 - width / 2};
}
