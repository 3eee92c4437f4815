#include "feed_screen.h"

#include "resource_ids.h"
#include "shell/banner_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace e2e {

namespace {

constexpr int kTextLeft = 5;
constexpr COLORREF kStatusRed = RGB(255, 0, 0);
constexpr COLORREF kPanelGreen = RGB(0, 255, 0);
constexpr int kUnderlineWidth = 2;
constexpr int kStormIndent = 12;
constexpr int kIconSide = 128;
constexpr int kLegendIconSide = 64;

// The panel's texts, written out here so that a wrong text in the saver shows.
constexpr char kContacting[] = "* Contacting Quillmere *";
constexpr char kUnreachable[] = "* Unable to Reach Quillmere *";
constexpr char kActiveStorms[] = "* Active Tropical Storms *";
constexpr char kNoneActive[] = "None Active...";
constexpr char kLegendTitle[] = "Tropical Cyclone Classifications";

struct LegendRow {
    int bitmapId;
    const char* label;
    int rise; // row top above the bottom of the screen
};
constexpr LegendRow kLegendRows[] = {
    {IDB_DEPRESSION, "Tropical Depression", 292},
    {IDB_STORM, "Tropical Storm", 228},
    {IDB_HURRICANE, "Hurricane/Typhoon", 164},
};

void TextAt(HDC dc, int x, int y, const std::string& text) {
    ::TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

int CellHeight(HDC dc) {
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight;
}

// Text with a green line of the pen's width `offset` rows below its top, as wide as it.
void Underlined(HDC dc, int x, int y, const std::string& text, int offset) {
    TextAt(dc, x, y, text);
    SIZE extent = {};
    ::GetTextExtentPointA(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::MoveToEx(dc, x, y + offset, nullptr);
    ::LineTo(dc, x + extent.cx, y + offset);
}

void DrawBannerPicture(HDC dc, int width) {
    HBITMAP banner = LoadSaverBitmap(IDB_BANNER);
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ previous = ::SelectObject(memory, banner);
    const BannerPiece piece = ChooseBannerPiece(width);
    if (piece.stretched) {
        ::StretchBlt(dc, 0, 0, width, kBannerStripHeight, memory, 0, 0, kBannerBitmapWidth,
                     kBannerStripHeight, SRCCOPY);
    } else {
        ::BitBlt(dc, 0, 0, width, kBannerStripHeight, memory, piece.sourceX, 0, SRCCOPY);
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(banner);
    ::DeleteDC(memory);
}

// The icon's own pixels (24 bits, bottom-up) with its white ground turned black.
std::vector<unsigned char> IconOnBlack(HDC dc, int bitmapId, BITMAPINFO& info) {
    std::vector<unsigned char> pixels(kIconSide * kIconSide * 3);
    HBITMAP icon = LoadSaverBitmap(bitmapId);
    ::GetDIBits(dc, icon, 0, kIconSide, pixels.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(icon);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        if (pixels[i] == 255) {
            pixels[i] = pixels[i + 1] = pixels[i + 2] = 0;
        }
    }
    return pixels;
}

void DrawLegend(HDC dc, const ScreenGeometry& g, int headingHeight) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kIconSide;
    info.bmiHeader.biHeight = kIconSide;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    Underlined(dc, g.side, g.height - kLegendHeadingRise, kLegendTitle, headingHeight);
    ::SetStretchBltMode(dc, BLACKONWHITE);
    for (const LegendRow& row : kLegendRows) {
        const std::vector<unsigned char> pixels = IconOnBlack(dc, row.bitmapId, info);
        void* bits = nullptr;
        HBITMAP section = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        std::memcpy(bits, pixels.data(), pixels.size());
        HDC memory = ::CreateCompatibleDC(dc);
        HGDIOBJ previous = ::SelectObject(memory, section);
        const int top = g.height - row.rise;
        ::StretchBlt(dc, g.side, top, kLegendIconSide, kLegendIconSide, memory, 0, 0, kIconSide,
                     kIconSide, SRCCOPY);
        ::SelectObject(memory, previous);
        ::DeleteDC(memory);
        ::DeleteObject(section);
        TextAt(dc, g.side + kLegendIconSide, top + 16, row.label);
    }
}

void DrawStorms(HDC dc, const ScreenGeometry& g, const std::vector<PanelLine>& storms, int T) {
    HFONT listFont = CreateSaverFont(g.listSize);
    std::string previousGroup; // starts empty: a first storm without a group has no heading
    int y = T;
    for (const PanelLine& storm : storms) {
        if (storm.group != previousGroup) {
            previousGroup = storm.group;
            y += T;
            Underlined(dc, g.side, y, storm.group, T);
            y += T;
        }
        HGDIOBJ headingFont = ::SelectObject(dc, listFont);
        TextAt(dc, g.side + kStormIndent, y, storm.text);
        y += CellHeight(dc);
        ::SelectObject(dc, headingFont);
    }
    ::DeleteObject(listFont);
}

void DrawFeedState(HDC dc, const ScreenGeometry& g, const ExpectedPanel& panel, int T) {
    switch (panel.state) {
    case FeedState::Contacting:
        Underlined(dc, g.side, 0, kContacting, T);
        return;
    case FeedState::Unreachable:
        Underlined(dc, g.side, 0, kUnreachable, T);
        return;
    case FeedState::Loaded:
        Underlined(dc, g.side, 0, kActiveStorms, T);
        if (panel.storms.empty()) {
            TextAt(dc, g.side, T + T / 2, kNoneActive);
        } else {
            DrawStorms(dc, g, panel.storms, T);
        }
        return;
    }
}

} // namespace

ScreenGeometry CurrentGeometry(bool showDetails) {
    const RECT screen = ScreenRect();
    const PixelBox box = {0, 0, screen.right, screen.bottom};
    const ScreenLayout layout = ComputeLayout(PlaceContent(box, box), showDetails);
    return {layout.width,     layout.height,   layout.globeSide,       layout.globeX,
            layout.titleSize, layout.listSize, TitleFontHeight(layout)};
}

HFONT CreateSaverFont(int height) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = 700;
    lstrcpyA(font.lfFaceName, "Ariel");
    return ::CreateFontIndirectA(&font);
}

Capture ExpectedBanner(const ScreenGeometry& g, const std::string& status) {
    return RenderOffscreen(g.width, kBannerStripHeight, [&](HDC dc) {
        DrawBannerPicture(dc, g.width);
        HFONT font = CreateSaverFont(g.titleFontHeight);
        HGDIOBJ previous = ::SelectObject(dc, font);
        SIZE extent = {};
        ::GetTextExtentPointA(dc, kBannerTitle, lstrlenA(kBannerTitle), &extent);
        const int h = extent.cy;
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(0, 0, 0));
        // Rows relative to the strip's top, H - 100.
        TextAt(dc, kTextLeft, 10, kBannerTitle);
        TextAt(dc, kTextLeft, 8 + h, kBannerCopyright);
        TextAt(dc, kTextLeft, 6 + 2 * h, kBannerWebAddress);
        ::SetTextColor(dc, kStatusRed);
        TextAt(dc, kTextLeft, kBannerStripHeight - h, status);
        ::SelectObject(dc, previous);
        ::DeleteObject(font);
    });
}

RECT PanelArea(const ScreenGeometry& g) {
    return {g.side, 0, g.width, g.height - kBannerStripHeight};
}

Capture ExpectedPanelArea(const ScreenGeometry& g, const ExpectedPanel& panel) {
    const RECT area = PanelArea(g);
    return RenderOffscreen(area.right - area.left, area.bottom, [&](HDC dc) {
        ::SetViewportOrgEx(dc, -area.left, 0, nullptr); // draw in screen coordinates
        HFONT headingFont = CreateSaverFont(g.titleSize);
        HGDIOBJ previousFont = ::SelectObject(dc, headingFont);
        HPEN pen = ::CreatePen(PS_SOLID, kUnderlineWidth, kPanelGreen);
        HGDIOBJ previousPen = ::SelectObject(dc, pen);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, kPanelGreen);
        const int T = CellHeight(dc);
        if (!IsNarrowScreen(g.width)) {
            DrawLegend(dc, g, T);
        }
        DrawFeedState(dc, g, panel, T);
        ::SelectObject(dc, previousPen);
        ::DeleteObject(pen);
        ::SelectObject(dc, previousFont);
        ::DeleteObject(headingFont);
    });
}

int WaitForBanner(const ScreenGeometry& g, const std::string& status, DWORD timeoutMs) {
    const Capture expected = ExpectedBanner(g, status);
    const RECT strip = {0, g.height - kBannerStripHeight, g.width, g.height};
    int differences = 0;
    WaitUntil(
        [&] {
            differences = CountDifferences(expected, CaptureScreen(strip));
            return differences == 0;
        },
        timeoutMs);
    return differences;
}

int WaitForPanel(const ScreenGeometry& g, const ExpectedPanel& panel, DWORD timeoutMs) {
    const Capture expected = ExpectedPanelArea(g, panel);
    if (std::count(expected.pixels.begin(), expected.pixels.end(), 0u) ==
        static_cast<long>(expected.pixels.size())) {
        return -1; // the test's own drawing failed: a blank panel proves nothing
    }
    int differences = 0;
    WaitUntil(
        [&] {
            differences = CountDifferences(expected, CaptureScreen(PanelArea(g)));
            return differences == 0;
        },
        timeoutMs);
    return differences;
}

void RestMouseOverGlobe() {
    MoveMouseTo(20, 20);
    Pause(50);
}

void ExpectEndsOnAKey(SaverProcess& saver) {
    PressKey(VK_SPACE);
    ASSERT_TRUE(saver.WaitForExit()) << "the saver did not end";
    EXPECT_EQ(saver.ExitCode(), 0);
}

void UseFeedHost(const ProfileSection& profile, const std::string& host, bool showDetails) {
    profile.Set("Internet", 1);
    profile.Set("ShowDetails", showDetails ? 1 : 0);
    profile.Set("Alternate", 1);
    profile.Set("AlternateHost", host.c_str());
    profile.Set("UseProxy", 0);
    profile.Set("Direct", 1);
}

} // namespace e2e
