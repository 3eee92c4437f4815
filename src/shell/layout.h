#pragma once
// The full-screen layout: a square globe area at the top and the banner strip along the
// bottom, with font sizes by screen width. Computed once when the saver window is
// created; all values in pixels of the saver window's client area.

constexpr int kBannerHeight = 100;       // the strip along the bottom of the screen
constexpr int kBannerBitmapWidth = 1280; // the strip's picture; wider screens stretch it

struct ScreenLayout {
    int width;     // W: client width
    int height;    // H: client height
    int globeSide; // S: the smaller of H - kBannerHeight and W
    int globeX;    // 0 beside the storm panel, else centred
    int globeY;    // always 0
    int titleSize; // font height of the banner's titles and the panel's headings
    int listSize;  // font height of the panel's storm lines
};

ScreenLayout ComputeLayout(int width, int height, bool showDetails);

// Screens this wide or narrower get the smallest fonts and no legend in the storm panel.
constexpr int kNarrowWidth = 640;
bool IsNarrowScreen(int width);

// The banner titles are drawn two pixels smaller on screens 1024 pixels wide or more.
int TitleFontHeight(const ScreenLayout& layout);

// Which part of the banner picture fills the strip: the centred piece of the client's
// width, or (at kBannerBitmapWidth and wider) the whole picture stretched.
struct BannerPiece {
    bool stretched;
    int sourceX; // left column of the centred piece when not stretched
};

BannerPiece ChooseBannerPiece(int width);
