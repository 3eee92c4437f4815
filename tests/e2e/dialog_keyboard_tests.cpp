// The configuration dialogs driven from the keyboard alone, as a user expects of any
// dialog: Tab and Shift+Tab through the controls, Space on a check box, Enter for the
// default button, Escape for Cancel, and Alt with the underlined letters.
#include "dialog_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace e2e;
using namespace dialogs;

namespace {

int FocusedId(HWND dialog) {
    HWND focus = FocusOfThread(dialog);
    return focus ? ::GetDlgCtrlID(focus) : 0;
}

// Waits for the focus to reach a control; reports where it is otherwise.
void ExpectFocusOn(HWND dialog, int id) {
    EXPECT_TRUE(WaitUntil([&] { return FocusedId(dialog) == id; }, kExitTimeoutMs))
        << "focus on " << FocusedId(dialog) << " instead of " << id;
}

// From the focus given, each key moves the focus to the next id of the list.
void ExpectTabOrder(HWND dialog, WORD modifier, const std::vector<int>& order) {
    ExpectFocusOn(dialog, order.front());
    for (size_t i = 1; i < order.size(); ++i) {
        modifier ? PressKeyWith(modifier, VK_TAB) : PressKey(VK_TAB);
        ExpectFocusOn(dialog, order[i]);
    }
}

HWND OpenAdvancedWithKeys(ConfigRun& run) {
    PressKeyWith(VK_MENU, 'A');
    HWND advanced = run.Process().WaitForWindow(kDialogClass, kAdvancedCaption);
    EXPECT_NE(advanced, nullptr);
    EXPECT_TRUE(WaitForForeground(advanced));
    return advanced;
}

void ExpectClosedBy(WORD key, HWND advanced, ConfigRun& run) {
    PressKey(key);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(advanced); }, kExitTimeoutMs));
    ASSERT_TRUE(WaitForForeground(run.Dialog()));
}

bool Checked(HWND dialog, int id) {
    return IsChecked(::GetDlgItem(dialog, id));
}

bool Enabled(HWND dialog, int id) {
    return IsEnabled(::GetDlgItem(dialog, id));
}

} // namespace

// The first check box has the focus on opening; a disabled "Show Night side" is skipped.
TEST(ConfigDialogKeyboard, TabAndShiftTabVisitTheControlsInOrder) {
    const struct {
        const char* lighting;
        std::vector<int> order;
    } cases[] = {
        {"1",
         {kInternet, kShowDetails, kDisableLighting, kNightSide, kUseHardware, kAdvanced, kCancel,
          kOk, kInternet}},
        {"0",
         {kInternet, kShowDetails, kDisableLighting, kUseHardware, kAdvanced, kCancel, kOk,
          kInternet}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("Lighting ") + c.lighting);
        ProfileSection profile;
        profile.Set("Lighting", c.lighting);
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        ExpectTabOrder(run.Dialog(), 0, c.order);
        ExpectTabOrder(run.Dialog(), VK_SHIFT, {c.order.rbegin(), c.order.rend()});
        PressKey(VK_ESCAPE);
        run.ExpectEndedWithDialogResult();
    }
}

TEST(ConfigDialogKeyboard, SpaceTogglesTheFocusedBoxEnterIsOkAndEscapeIsCancel) {
    for (WORD key : {WORD(VK_RETURN), WORD(VK_ESCAPE)}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Escape");
        ProfileSection profile;
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        ExpectFocusOn(run.Dialog(), kInternet);
        PressKey(VK_SPACE);
        ASSERT_TRUE(WaitUntil([&] { return run.Checked(kInternet); }, kExitTimeoutMs));
        PressKey(key);
        run.ExpectEndedWithDialogResult();
        if (key == VK_RETURN) {
            SettingsValues expected;
            expected.internet = 1;
            EXPECT_EQ(SectionInFile(), expected.Stored());
        } else {
            EXPECT_TRUE(ProfileSectionFileLines().empty());
        }
    }
}

TEST(ConfigDialogKeyboard, AltLettersReachTheirControls) {
    ProfileSection profile;
    {
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        PressKeyWith(VK_MENU, 'S');
        ASSERT_TRUE(WaitUntil([&] { return run.Checked(kShowDetails); }, kExitTimeoutMs));
        ExpectFocusOn(run.Dialog(), kShowDetails);
        HWND advanced = OpenAdvancedWithKeys(run);
        ASSERT_NE(advanced, nullptr);
        ExpectClosedBy(VK_ESCAPE, advanced, run);
        PressKeyWith(VK_MENU, 'O');
        run.ExpectEndedWithDialogResult();
        EXPECT_EQ(profile.Get("ShowDetails"), "1");
    }
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
    const std::vector<std::string> before = ProfileSectionFileLines();
    PressKeyWith(VK_MENU, 'S');
    ASSERT_TRUE(WaitUntil([&] { return !run.Checked(kShowDetails); }, kExitTimeoutMs));
    PressKeyWith(VK_MENU, 'C');
    run.ExpectEndedWithDialogResult();
    EXPECT_EQ(ProfileSectionFileLines(), before);
}

// A checked radio button takes the Tab stop of its group: Tab reaches each group at its
// chosen button, and the edit boxes once their options enable them.
TEST(AdvancedDialogKeyboard, AltLettersChooseTheOptionsAndTabReachesTheBoxesTheyEnable) {
    ProfileSection profile;
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
    HWND advanced = OpenAdvancedWithKeys(run);
    ASSERT_NE(advanced, nullptr);
    ExpectTabOrder(advanced, 0, {kDirect, kAlternate, kEnglish, kOk, kCancel, kDirect});

    PressKeyWith(VK_MENU, 'P');
    ASSERT_TRUE(WaitUntil([&] { return Checked(advanced, kUseProxy); }, kExitTimeoutMs));
    EXPECT_FALSE(Checked(advanced, kDirect));
    EXPECT_TRUE(Enabled(advanced, kProxyName));
    ExpectFocusOn(advanced, kUseProxy);
    PressKey(VK_TAB);
    ExpectFocusOn(advanced, kProxyName);
    TypeText("proxy8080");

    PressKeyWith(VK_MENU, 'U');
    ASSERT_TRUE(WaitUntil([&] { return Checked(advanced, kAlternate); }, kExitTimeoutMs));
    EXPECT_TRUE(Enabled(advanced, kAlternateHost));
    ExpectTabOrder(advanced, VK_SHIFT,
                   {kAlternate, kProxyName, kUseProxy, kCancel, kOk, kEnglish, kAlternateHost});

    PressKeyWith(VK_MENU, 'M');
    ASSERT_TRUE(WaitUntil([&] { return Checked(advanced, kSystemInternet); }, kExitTimeoutMs));
    EXPECT_FALSE(Checked(advanced, kUseProxy));
    EXPECT_FALSE(Enabled(advanced, kProxyName));
    PressKeyWith(VK_MENU, 'D');
    ASSERT_TRUE(WaitUntil([&] { return Checked(advanced, kDirect); }, kExitTimeoutMs));
    EXPECT_FALSE(Checked(advanced, kSystemInternet));

    ExpectClosedBy(VK_RETURN, advanced, run);
    PressKey(VK_RETURN);
    run.ExpectEndedWithDialogResult();
    SettingsValues expected;
    expected.proxyName = "proxy8080";
    expected.alternate = 1;
    expected.alternateHost = "";
    EXPECT_EQ(SectionInFile(), expected.Stored());
}

// Within a radio group the arrow keys move to the next button and choose it; choosing
// "Use &Proxy Server" so enables its edit box as a click does.
TEST(AdvancedDialogKeyboard, ArrowKeysChooseWithinEachRadioGroup) {
    ProfileSection profile;
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
    HWND advanced = OpenAdvancedWithKeys(run);
    ASSERT_NE(advanced, nullptr);
    ExpectFocusOn(advanced, kDirect);
    PressKey(VK_UP);
    ExpectFocusOn(advanced, kSystemInternet);
    EXPECT_TRUE(WaitUntil([&] { return Checked(advanced, kSystemInternet); }, kExitTimeoutMs));
    EXPECT_FALSE(Enabled(advanced, kProxyName));
    PressKey(VK_UP); // past the disabled edit box
    ExpectFocusOn(advanced, kUseProxy);
    EXPECT_TRUE(WaitUntil([&] { return Enabled(advanced, kProxyName); }, kExitTimeoutMs));
    EXPECT_TRUE(Checked(advanced, kUseProxy));
    EXPECT_FALSE(Checked(advanced, kSystemInternet));

    ExpectTabOrder(advanced, 0, {kUseProxy, kProxyName, kAlternate, kEnglish});
    PressKey(VK_DOWN);
    ExpectFocusOn(advanced, kSi);
    PressKey(VK_DOWN);
    ExpectFocusOn(advanced, kKnots);
    PressKey(VK_UP);
    ExpectFocusOn(advanced, kSi);
    EXPECT_TRUE(WaitUntil([&] { return Checked(advanced, kSi); }, kExitTimeoutMs));
    EXPECT_FALSE(Checked(advanced, kKnots));
    EXPECT_FALSE(Checked(advanced, kEnglish));

    ExpectClosedBy(VK_RETURN, advanced, run);
    PressKey(VK_RETURN);
    run.ExpectEndedWithDialogResult();
    SettingsValues expected;
    expected.useProxy = 1;
    expected.direct = 0;
    expected.english = 0;
    expected.si = 1;
    expected.alternateHost = "";
    EXPECT_EQ(SectionInFile(), expected.Stored());
}
