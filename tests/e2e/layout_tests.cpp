// The saver's screen at the size Xvfb gives (the test command runs these at 640x480,
// 800x600, 1024x768 and 1280x1024): where the globe window stands, and the banner strip
// with its picture and title lines, compared pixel for pixel with the same drawing done
// here from the layout rules.
#include "feed_screen.h"
#include "resource_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace e2e;

namespace {

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
    const ScreenGeometry e = CurrentGeometry(GetParam());
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
    const ScreenGeometry e = CurrentGeometry(GetParam());
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    EXPECT_EQ(WaitForBanner(e, "", kStartTimeoutMs), 0);
    PressKey(VK_SPACE);
    EXPECT_TRUE(saver.WaitForExit());
}

// With "Internet" off nothing is fetched, so nothing may stand beside the globe even
// when the details are asked for.
TEST_P(Layout, NoPanelWithoutInternet) {
    const ScreenGeometry e = CurrentGeometry(GetParam());
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    Pause(kSettleMs);
    const int right = e.globeX + e.side;
    if (right < e.width) {
        const Capture beside = CaptureScreen({right, 0, e.width, e.height - kBannerStripHeight});
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
        EXPECT_EQ(::FindWindowExA(preview, nullptr, "ZRVSAVER", nullptr), nullptr);
        const Capture expected = RenderOffscreen(size.cx, size.cy, [&](HDC dc) {
            HBITMAP picture = LoadSaverBitmap(IDB_PREVIEW);
            HDC memory = ::CreateCompatibleDC(dc);
            HGDIOBJ previous = ::SelectObject(memory, picture);
            ::StretchBlt(dc, 0, 0, size.cx, size.cy, memory, 0, 0, 152, 112, SRCCOPY);
            ::SelectObject(memory, previous);
            ::DeleteObject(picture);
            ::DeleteDC(memory);
        });
        // Wait for the picture's paint rather than for a time.
        int differences = 0;
        WaitUntil(
            [&] {
                differences = CountDifferences(expected, CaptureScreen(WindowRectOf(preview)));
                return differences == 0;
            },
            kStartTimeoutMs);
        EXPECT_EQ(differences, 0);
        EXPECT_EQ(::FindWindowExA(preview, nullptr, "ZRVSAVER", nullptr), nullptr);
        ::DestroyWindow(host.Window());
        EXPECT_TRUE(saver.WaitForExit());
        EXPECT_EQ(saver.ExitCode(), 0);
    }
}
