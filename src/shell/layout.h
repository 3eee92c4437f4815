#pragma once
// The full-screen layout: a square globe area at the top and the banner strip along the
// bottom, with font sizes by screen width, all on the primary monitor. Computed when the
// saver window is created and again when the monitors change; all values in pixels of the
// saver window's client area.

constexpr int kBannerHeight = 100;       // the strip along the bottom of the screen
constexpr int kBannerBitmapWidth = 1280; // the strip's picture; wider screens stretch it

// A rectangle in pixels: left and top inside it, right and bottom just outside.
struct PixelBox {
    int left;
    int top;
    int right;
    int bottom;
};

// Where the picture stands in the full-screen window. `windowBox` is the window's client
// area and `primary` the primary monitor, both in screen coordinates (the primary's top
// left corner is 0,0; other monitors may lie at negative coordinates). The window covers
// every monitor; the picture takes the primary's part of it, returned in the window's
// client coordinates. With one monitor that is the whole client area. A primary that
// misses the window (an empty or stale rectangle) gives the whole client area too: one
// picture over everything rather than none.
PixelBox PlaceContent(const PixelBox& windowBox, const PixelBox& primary);

struct ScreenLayout {
    int left; // the picture's top left corner in the client area
    int top;
    int width;     // W: the picture's width (the primary monitor's)
    int height;    // H: the picture's height
    int globeSide; // S: the smaller of H - kBannerHeight and W
    int globeX;    // left + 0 beside the storm panel, else centred
    int globeY;    // always the picture's top
    int titleSize; // font height of the banner's titles and the panel's headings
    int listSize;  // font height of the panel's storm lines
};

// The layout of the picture in `content` (client coordinates, from PlaceContent).
ScreenLayout ComputeLayout(const PixelBox& content, bool showDetails);

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
