#include "shell/layout.h"

#include <algorithm>

namespace {

constexpr int kMediumWidth = 800; // and below: the middle fonts
constexpr int kWideWidth = 1024;  // and above: titles two pixels smaller
constexpr int kTitleReduction = 2;

} // namespace

PixelBox PlaceContent(const PixelBox& windowBox, const PixelBox& primary) {
    const PixelBox whole = {0, 0, windowBox.right - windowBox.left,
                            windowBox.bottom - windowBox.top};
    const PixelBox shown = {
        std::max(windowBox.left, primary.left), std::max(windowBox.top, primary.top),
        std::min(windowBox.right, primary.right), std::min(windowBox.bottom, primary.bottom)};
    if (shown.left >= shown.right || shown.top >= shown.bottom) {
        return whole;
    }
    return {shown.left - windowBox.left, shown.top - windowBox.top, shown.right - windowBox.left,
            shown.bottom - windowBox.top};
}

ScreenLayout ComputeLayout(const PixelBox& content, bool showDetails) {
    const int width = content.right - content.left;
    const int height = content.bottom - content.top;
    ScreenLayout layout = {};
    layout.left = content.left;
    layout.top = content.top;
    layout.width = width;
    layout.height = height;
    layout.globeSide = std::min(height - kBannerHeight, width);
    layout.globeX = content.left + (showDetails ? 0 : width / 2 - layout.globeSide / 2);
    layout.globeY = content.top;
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
