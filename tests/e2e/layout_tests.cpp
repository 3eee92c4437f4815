// The saver's screen at the size Xvfb gives (the test command runs these at 640x480,
// 800x600, 1024x768 and 1280x1024): where the globe window stands, and the banner strip
// with its picture and title lines, compared pixel for pixel with the same drawing done
// here from the layout rules.
#include "harness.h"
#include "shell/banner_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace e2e;

namespace {

constexpr int kBanner = 100;
constexpr int kBannerPictureWidth = 1280;
constexpr int kBannerId = 102;
constexpr int kPreviewId = 105;

struct ExpectedLayout {
    int width, height, side, globeX, titleSize, titleFontHeight;
};

// The layout rules, written out independently of the saver's code.
ExpectedLayout ExpectedFor(const RECT& screen, bool showDetails) {
    ExpectedLayout e = {};
    e.width = screen.right;
    e.height = screen.bottom;
    e.side = std::min(e.height - kBanner, e.width);
    e.globeX = showDetails ? 0 : e.width / 2 - e.side / 2;
    e.titleSize = e.width <= 640 ? 14 : e.width <= 800 ? 18 : 26;
    e.titleFontHeight = e.width >= 1024 ? e.titleSize - 2 : e.titleSize;
    return e;
}

HFONT LayoutFont(int height) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = 700;
    lstrcpyA(font.lfFaceName, "Ariel");
    return ::CreateFontIndirectA(&font);
}

// The banner strip as it must look with an empty status line.
Capture ExpectedBannerStrip(const ExpectedLayout& e) {
    return RenderOffscreen(e.width, kBanner, [&](HDC dc) {
        HBITMAP banner = LoadSaverBitmap(kBannerId);
        HDC memory = ::CreateCompatibleDC(dc);
        HGDIOBJ previousBitmap = ::SelectObject(memory, banner);
        if (e.width >= kBannerPictureWidth) {
            ::StretchBlt(dc, 0, 0, e.width, kBanner, memory, 0, 0, kBannerPictureWidth, kBanner,
                         SRCCOPY);
        } else {
            ::BitBlt(dc, 0, 0, e.width, kBanner, memory, kBannerPictureWidth / 2 - e.width / 2, 0,
                     SRCCOPY);
        }
        ::SelectObject(memory, previousBitmap);
        ::DeleteObject(banner);
        ::DeleteDC(memory);

        HFONT font = LayoutFont(e.titleFontHeight);
        HGDIOBJ previousFont = ::SelectObject(dc, font);
        SIZE extent = {};
        ::GetTextExtentPointA(dc, kBannerTitle, lstrlenA(kBannerTitle), &extent);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(0, 0, 0));
        // Rows relative to the strip's top, H - 100.
        ::TextOutA(dc, 5, 10, kBannerTitle, lstrlenA(kBannerTitle));
        ::TextOutA(dc, 5, 8 + extent.cy, kBannerCopyright, lstrlenA(kBannerCopyright));
        ::TextOutA(dc, 5, 6 + 2 * extent.cy, kBannerWebAddress, lstrlenA(kBannerWebAddress));
        ::SelectObject(dc, previousFont);
        ::DeleteObject(font);
    });
}

class Layout : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        profile_.Set("ShowDetails", GetParam() ? 1 : 0);
        profile_.Set("Internet", 0);
        MoveMouseTo(20, 20);
        Pause(50);
    }
    ProfileSection profile_;
};

std::string DetailsName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "WithDetails" : "WithoutDetails";
}

} // namespace

TEST_P(Layout, GlobeWindowIsTheSquareOfTheLayout) {
    const ExpectedLayout e = ExpectedFor(ScreenRect(), GetParam());
    SaverProcess saver("/s");
    HWND window = WaitForSaverWindow(saver);
    ASSERT_NE(window, nullptr);
    HWND globe = WaitForChild(window, "ZRVSAVER");
    ASSERT_NE(globe, nullptr);
    char title[32] = {};
    ::GetWindowTextA(globe, title, sizeof(title));
    EXPECT_STREQ(title, "Globe");
    const RECT rect = WindowRectOf(globe);
    EXPECT_EQ(rect.left, e.globeX);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right - rect.left, e.side);
    EXPECT_EQ(rect.bottom - rect.top, e.side);
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit());
}

TEST_P(Layout, BannerStripShowsThePictureAndTheTitleLines) {
    const ExpectedLayout e = ExpectedFor(ScreenRect(), GetParam());
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    Pause(kSettleMs);
    const Capture expected = ExpectedBannerStrip(e);
    const Capture shown = CaptureScreen({0, e.height - kBanner, e.width, e.height});
    EXPECT_EQ(CountDifferences(expected, shown), 0);
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit());
}

// With "Internet" off nothing is fetched, so nothing may stand beside the globe even
// when the details are asked for.
TEST_P(Layout, NoPanelWithoutInternet) {
    const ExpectedLayout e = ExpectedFor(ScreenRect(), GetParam());
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    Pause(kSettleMs);
    const int right = e.globeX + e.side;
    if (right < e.width) {
        const Capture beside = CaptureScreen({right, 0, e.width, e.height - kBanner});
        EXPECT_EQ(std::count(beside.pixels.begin(), beside.pixels.end(), 0u),
                  static_cast<long>(beside.pixels.size()));
    }
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit());
}

INSTANTIATE_TEST_SUITE_P(ScreenSize, Layout, ::testing::Bool(), DetailsName);

TEST(PreviewPicture, FillsTheHostStretchedAndNoGlobeIsCreated) {
    const SIZE sizes[] = {{152, 112}, {300, 225}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy));
        PreviewHost host(size.cx, size.cy);
        SaverProcess saver("/p " + host.HandleText());
        HWND preview = WaitForChild(host.Window(), "WindowsScreenSaverClass");
        ASSERT_NE(preview, nullptr);
        Pause(kSettleMs);
        EXPECT_EQ(::FindWindowExA(preview, nullptr, "ZRVSAVER", nullptr), nullptr);
        const Capture expected = RenderOffscreen(size.cx, size.cy, [&](HDC dc) {
            HBITMAP picture = LoadSaverBitmap(kPreviewId);
            HDC memory = ::CreateCompatibleDC(dc);
            HGDIOBJ previous = ::SelectObject(memory, picture);
            ::StretchBlt(dc, 0, 0, size.cx, size.cy, memory, 0, 0, 152, 112, SRCCOPY);
            ::SelectObject(memory, previous);
            ::DeleteObject(picture);
            ::DeleteDC(memory);
        });
        const Capture shown = CaptureScreen(WindowRectOf(preview));
        EXPECT_EQ(CountDifferences(expected, shown), 0);
        ::DestroyWindow(host.Window());
        EXPECT_TRUE(saver.WaitForExit());
        EXPECT_EQ(saver.ExitCode(), 0);
    }
}
