// The dialogs' painted backgrounds, read off the screen: each client area shows its
// picture from the saver's own resources, stretched over the client area or copied
// unscaled to its top-left corner, and the picture shows through the static texts, group
// boxes, check boxes and radio buttons.
#include "dialog_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace e2e;
using namespace dialogs;

namespace {

constexpr int kConfigPicture = 104;   // 400 x 360
constexpr int kAdvancedPicture = 110; // 400 x 315

// Channel difference still taken as the same colour, and how far (in pixels) a stretched
// picture's pixel may sit from where this process's own StretchBlt puts it. Both are 0:
// the saver's StretchBlt and ours run in the same GDI here and agree to the pixel, and
// only an exact comparison tells a 399-pixel source from a 400-pixel one in these smooth
// pictures. A system whose display driver stretches by its own rule needs a pixel of
// slack.
constexpr int kColourTolerance = 0;
constexpr int kStretchSlack = 0;
// A transparent control shows the picture on at least this share of its pixels; its
// glyphs, frame lines and check box take the rest.
constexpr double kTransparentShare = 0.5;
// Picture colours this far from the dialog's face colour tell the picture from a plain
// background; the pictures are pale, so this is kept just above the colour tolerance.
constexpr int kDistinctFromFace = 2 * kColourTolerance + 1;

// The picture as a client area of `size` must show it: the top-left `source` part of the
// bitmap, stretched over the whole area or copied unscaled. Pixels that an unscaled
// picture does not reach are marked uncovered.
struct ExpectedPicture {
    SIZE size = {};
    std::vector<uint32_t> pixels; // 0x00RRGGBB
    std::vector<bool> covered;
    uint32_t At(int x, int y) const { return pixels[y * size.cx + x]; }
    bool Covered(int x, int y) const { return covered[y * size.cx + x]; }
};

ExpectedPicture RenderExpected(int bitmapId, SIZE source, SIZE size, bool stretch) {
    HBITMAP picture = LoadSaverBitmap(bitmapId);
    EXPECT_NE(picture, nullptr) << "bitmap " << bitmapId;
    const Capture drawn = RenderOffscreen(size.cx, size.cy, [&](HDC target) {
        HDC sourceDc = ::CreateCompatibleDC(target);
        HGDIOBJ oldSource = ::SelectObject(sourceDc, picture);
        if (stretch) {
            ::StretchBlt(target, 0, 0, size.cx, size.cy, sourceDc, 0, 0, source.cx, source.cy,
                         SRCCOPY);
        } else {
            ::BitBlt(target, 0, 0, source.cx, source.cy, sourceDc, 0, 0, SRCCOPY);
        }
        ::SelectObject(sourceDc, oldSource);
        ::DeleteDC(sourceDc);
    });
    ::DeleteObject(picture);
    ExpectedPicture expected;
    expected.size = size;
    expected.pixels = drawn.pixels;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            expected.covered.push_back(stretch || (x < source.cx && y < source.cy));
        }
    }
    return expected;
}

// True when the screen pixel at client (x, y) is the picture's pixel there, or, for a
// stretched picture, one of its neighbours.
bool ShowsPicture(const Capture& screen, const ExpectedPicture& expected, int x, int y, int slack) {
    const uint32_t actual = screen.pixels[y * screen.width + x];
    for (int dy = -slack; dy <= slack; ++dy) {
        for (int dx = -slack; dx <= slack; ++dx) {
            const int ex = x + dx, ey = y + dy;
            if (ex >= 0 && ey >= 0 && ex < expected.size.cx && ey < expected.size.cy &&
                SameColour(actual, expected.At(ex, ey), kColourTolerance)) {
                return true;
            }
        }
    }
    return false;
}

struct ChildArea {
    RECT rect; // client coordinates of the dialog
    bool transparent;
    std::string name;
};

// Push buttons and enabled edit boxes paint their own background; every other control
// (texts, group boxes, check boxes, radio buttons, disabled edit boxes) lets the
// picture show.
std::vector<ChildArea> ChildAreas(HWND dialog) {
    std::vector<ChildArea> areas;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {};
        ::GetClassNameA(child, className, sizeof(className));
        const LONG type = ::GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
        const bool button = lstrcmpiA(className, "Button") == 0;
        const bool edit = lstrcmpiA(className, "Edit") == 0;
        const bool opaque = (button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) ||
                            (edit && IsEnabled(child));
        RECT rect = {};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        areas.push_back({rect, !opaque, std::string(className) + " \"" + WindowText(child) + "\""});
    }
    return areas;
}

bool Inside(const RECT& rect, int x, int y, int margin) {
    return x >= rect.left - margin && x < rect.right + margin && y >= rect.top - margin &&
           y < rect.bottom + margin;
}

uint32_t FaceColour() {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    return (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
}

// Pixels off every control must all show the picture.
std::string FreeAreaFaults(const Capture& screen, const ExpectedPicture& expected,
                           const std::vector<ChildArea>& children, int slack) {
    int wrong = 0, checked = 0;
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            const bool nearChild = std::any_of(children.begin(), children.end(),
                                               [&](auto& c) { return Inside(c.rect, x, y, 1); });
            if (!nearChild && expected.Covered(x, y)) {
                ++checked;
                wrong += ShowsPicture(screen, expected, x, y, slack) ? 0 : 1;
            }
        }
    }
    if (wrong == 0 && checked > 0) {
        return "";
    }
    return std::to_string(wrong) + " of " + std::to_string(checked) +
           " pixels off the controls are wrong; ";
}

// A transparent control is drawn (some of its pixels are not the picture) and shows the
// picture where the picture differs from a plain background.
std::string TransparentControlFaults(const Capture& screen, const ExpectedPicture& expected,
                                     const ChildArea& child, int slack) {
    const uint32_t face = FaceColour();
    int telling = 0, showing = 0, drawn = 0;
    const int top = std::max(0, int(child.rect.top));
    const int bottom = std::min(screen.height, int(child.rect.bottom));
    const int left = std::max(0, int(child.rect.left));
    const int right = std::min(screen.width, int(child.rect.right));
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (!expected.Covered(x, y)) {
                continue;
            }
            const bool shows = ShowsPicture(screen, expected, x, y, slack);
            drawn += shows ? 0 : 1;
            if (!SameColour(expected.At(x, y), face, kDistinctFromFace)) {
                ++telling;
                showing += shows ? 1 : 0;
            }
        }
    }
    std::ostringstream faults;
    if (drawn == 0) {
        faults << child.name << " is not drawn; ";
    }
    if (showing < kTransparentShare * telling) {
        faults << child.name << " shows the picture on " << showing << " of " << telling
               << " pixels; ";
    }
    return faults.str();
}

// Whether the dialog or one of its controls still waits for a repaint.
bool PaintPending(HWND dialog) {
    RECT update = {};
    if (::GetUpdateRect(dialog, &update, FALSE)) {
        return true;
    }
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetUpdateRect(child, &update, FALSE)) {
            return true;
        }
    }
    return false;
}

// What the screen shows against the expected picture; empty when it is right.
std::string PictureFaults(HWND dialog, const ExpectedPicture& expected, int slack) {
    if (PaintPending(dialog)) {
        return "a repaint is pending";
    }
    RECT client = {};
    ::GetClientRect(dialog, &client);
    ::MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const Capture screen = CaptureScreen(client);
    const std::vector<ChildArea> children = ChildAreas(dialog);
    std::string faults = FreeAreaFaults(screen, expected, children, slack);
    for (const ChildArea& child : children) {
        const bool wholeInView = child.rect.left >= 0 && child.rect.top >= 0 &&
                                 child.rect.right <= screen.width &&
                                 child.rect.bottom <= screen.height;
        if (child.transparent && wholeInView) {
            faults += TransparentControlFaults(screen, expected, child, slack);
        }
    }
    return faults;
}

void ResizeClient(HWND dialog, SIZE size) {
    RECT window = {}, client = {};
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    const int width = size.cx + (window.right - window.left) - client.right;
    const int height = size.cy + (window.bottom - window.top) - client.bottom;
    ::SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil(
        [&] {
            ::GetClientRect(dialog, &client);
            return client.right == size.cx && client.bottom == size.cy;
        },
        kExitTimeoutMs));
    // Once the resize has settled, a full repaint: under Wine the bits that a resize keeps
    // can now and then land over a control after the picture was painted.
    ASSERT_TRUE(WaitUntil([&] { return !PaintPending(dialog); }, kExitTimeoutMs));
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

struct SizeCase {
    SIZE client; // {0, 0}: as the dialog opens
    bool stretched;
};

// Checks the dialog at each client size, waiting for its repaint.
void ExpectPictureAtSizes(HWND dialog, int bitmapId, SIZE source, const SizeCase* cases,
                          size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const SizeCase& c = cases[i];
        RECT client = {};
        if (c.client.cx != 0) {
            ASSERT_NO_FATAL_FAILURE(ResizeClient(dialog, c.client));
        }
        ::GetClientRect(dialog, &client);
        SCOPED_TRACE("client " + std::to_string(client.right) + "x" +
                     std::to_string(client.bottom) + (c.stretched ? ", stretched" : ", unscaled"));
        if (c.client.cx == 0) {
            // As opened, the client area is smaller than the picture in both directions.
            ASSERT_LT(client.right, source.cx);
            ASSERT_LT(client.bottom, source.cy);
        }
        const ExpectedPicture expected =
            RenderExpected(bitmapId, source, {client.right, client.bottom}, c.stretched);
        const int slack = c.stretched ? kStretchSlack : 0;
        std::string faults;
        WaitUntil([&] { return (faults = PictureFaults(dialog, expected, slack)).empty(); },
                  kExitTimeoutMs);
        EXPECT_EQ(faults, "");
    }
}

} // namespace

class ConfigDialogPicture : public DialogRun {};
class AdvancedDialogPicture : public DialogRun {};

TEST_F(ConfigDialogPicture, ShowsThePictureUnscaledBelow400x360AndStretchedFromThere) {
    ASSERT_TRUE(Open({{"Lighting", "0"}})); // a disabled check box too
    ConfigRun& run = *run_;
    // Each limit is tried where one side is far from the picture's, so that stretching
    // and copying give clearly different pictures.
    const SizeCase cases[] = {
        {{0, 0}, false},    {{399, 500}, false}, {{400, 500}, true}, {{500, 359}, false},
        {{500, 360}, true}, {{400, 360}, true},  {{520, 430}, true}, {{600, 200}, false},
    };
    ExpectPictureAtSizes(run.Dialog(), kConfigPicture, {400, 360}, cases, std::size(cases));
    PressKey(VK_ESCAPE); // the buttons may lie outside the smallest client area
    run.ExpectEndedWithDialogResult();
}

// The last column of the 400-pixel picture is never drawn: 399 x 315 is the source.
TEST_F(AdvancedDialogPicture, ShowsThePictureUnscaledUpTo399x315AndStretchedBeyond) {
    HWND advanced = OpenAdvanced({{"UseProxy", "1"}}); // an enabled edit box beside a disabled one
    ASSERT_NE(advanced, nullptr);
    ConfigRun& run = *run_;
    const SizeCase cases[] = {
        {{0, 0}, false},     {{399, 315}, false}, {{399, 200}, false}, {{400, 200}, true},
        {{200, 315}, false}, {{200, 316}, true},  {{480, 400}, true},
    };
    ExpectPictureAtSizes(advanced, kAdvancedPicture, {399, 315}, cases, std::size(cases));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(advanced); }, kExitTimeoutMs));
    run.FinishWith(kCancel);
}

// Ticking and clearing boxes, and the advanced dialog's radio buttons and edit boxes
// changing state, leave the picture behind every transparent control.
TEST_F(ConfigDialogPicture, PictureStaysRightAsControlsChangeState) {
    ASSERT_TRUE(Open());
    ConfigRun& run = *run_;
    for (int id : {kInternet, kDisableLighting, kShowDetails, kDisableLighting, kInternet}) {
        run.Click(id);
    }
    ASSERT_TRUE(WaitUntil([&] { return !run.Checked(kInternet) && run.Enabled(kNightSide); },
                          kExitTimeoutMs));
    const SizeCase asOpened[] = {{{0, 0}, false}};
    ExpectPictureAtSizes(run.Dialog(), kConfigPicture, {400, 360}, asOpened, 1);

    HWND advanced = run.OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
    for (int id : {kUseProxy, kKnots, kAlternate, kSystemInternet, kEnglish, kAlternate}) {
        run.ClickControl(::GetDlgItem(advanced, id));
    }
    ASSERT_TRUE(
        WaitUntil([&] { return IsChecked(::GetDlgItem(advanced, kEnglish)); }, kExitTimeoutMs));
    ExpectPictureAtSizes(advanced, kAdvancedPicture, {399, 315}, asOpened, 1);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(advanced); }, kExitTimeoutMs));
    run.FinishWith(kCancel);
}
