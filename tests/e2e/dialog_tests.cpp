// The configuration and advanced options dialogs seen from outside: the configuration
// dialog's owner, the controls showing the states the settings core computes from WIN.INI,
// the "Notice", the advanced dialog's place, radio groups and edit boxes, and what OK,
// Cancel and the close box leave in WIN.INI. The rules of those states are the core's
// (dialog_states_tests); here the real dialogs must show and store them.
#include "dialog_support.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "settings/dialog_states.h"

using namespace e2e;
using namespace dialogs;

namespace {

std::string HandleText(HWND window) {
    return std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
}

std::string ProfileText(const Profile& profile) {
    std::string text = "stored:";
    for (const auto& [key, value] : profile) {
        text += std::string(" ") + key + "=" + value;
    }
    return text;
}

} // namespace

// ---- The owner, by command line ----

namespace {

// A top-level window of the test that can own the configuration dialog.
class TestWindow {
  public:
    explicit TestWindow(int x) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ZarvaneTestOwner";
        windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        ::RegisterClassA(&windowClass);
        window_ =
            ::CreateWindowExA(0, "ZarvaneTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x,
                              450, 200, 150, nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    ~TestWindow() { ::DestroyWindow(window_); }
    HWND Handle() const { return window_; }
    bool BringToFront() const {
        ::SetForegroundWindow(window_);
        return WaitForForeground(window_);
    }

  private:
    HWND window_;
};

} // namespace

TEST_F(ConfigDialog, OwnerIsTheNamedWindowTheForegroundWindowOrNone) {
    TestWindow foreground(550);
    TestWindow named(780);
    HWND gone = nullptr;
    {
        TestWindow closed(300);
        gone = closed.Handle();
    }
    const struct {
        std::string arguments;
        HWND owner;
    } cases[] = {
        {"/c", foreground.Handle()},
        {"-C", foreground.Handle()},
        {"/c 123", foreground.Handle()},
        {"/c " + HandleText(named.Handle()), foreground.Handle()},
        {"/c:" + HandleText(named.Handle()), named.Handle()},
        {"/c:" + HandleText(gone), foreground.Handle()},
        {"/c:0", foreground.Handle()},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("arguments \"" + c.arguments + "\"");
        ASSERT_TRUE(foreground.BringToFront());
        ASSERT_TRUE(Open({}, c.arguments));
        EXPECT_EQ(::GetWindow(run_->Dialog(), GW_OWNER), c.owner);
        if (c.owner == nullptr) {
            RECT rect = {};
            ::GetWindowRect(run_->Dialog(), &rect);
            EXPECT_EQ(rect.left, 0); // the template's place, on the screen
            EXPECT_EQ(rect.top, 0);
        }
        run_->FinishWith(kCancel);
    }
}

// ---- Check boxes on opening, and OK ----

TEST_F(ConfigDialog, CheckBoxesOnOpeningShowTheCoreStatesOfWinIni) {
    const Profile profiles[] = {
        {},
        {{"Internet", "1"}, {"ShowDetails", "1"}, {"NightSide", "1"}, {"UseHardware", "1"}},
        {{"Lighting", "0"}, {"NightSide", "1"}}, // the night side cleared and greyed out
    };
    for (const Profile& profile : profiles) {
        SCOPED_TRACE(ProfileText(profile));
        ASSERT_TRUE(Open(profile));
        const ConfigControls expected = ConfigControlsFromSettings(Loaded());
        EXPECT_EQ(run_->Checked(kInternet), expected.internet);
        EXPECT_EQ(run_->Checked(kShowDetails), expected.showDetails);
        EXPECT_EQ(run_->Checked(kDisableLighting), expected.disableLighting);
        EXPECT_EQ(run_->Checked(kNightSide), expected.nightSide);
        EXPECT_EQ(run_->Checked(kUseHardware), expected.useHardware);
        EXPECT_EQ(run_->Enabled(kNightSide), expected.nightSideEnabled);
        run_->FinishWith(kCancel);
        EXPECT_EQ(ProfileSectionFileLines(), before_);
    }
}

TEST_F(ConfigDialog, DisableLightingClearsAndDisablesNightSideAndGivesItBackCleared) {
    ASSERT_TRUE(Open({{"NightSide", "1"}}));
    ConfigRun& run = *run_;
    ASSERT_TRUE(run.Checked(kNightSide));
    const struct {
        int click;
        bool nightSideChecked, nightSideEnabled;
    } steps[] = {
        {kDisableLighting, false, false},
        {kDisableLighting, false, true},
        {kNightSide, true, true},
        {kDisableLighting, false, false},
    };
    for (const auto& step : steps) {
        run.Click(step.click);
        EXPECT_TRUE(WaitUntil(
            [&] {
                return run.Checked(kNightSide) == step.nightSideChecked &&
                       run.Enabled(kNightSide) == step.nightSideEnabled;
            },
            kExitTimeoutMs))
            << "after a click on " << step.click;
    }
    run.FinishWith(kOk);
    SettingsValues expected;
    expected.lighting = 0;
    expected.nightSide = 0;
    EXPECT_EQ(SectionInFile(), expected.Stored());
}

TEST_F(ConfigDialog, OkStoresTheCheckBoxesAndEveryOtherSettingAsLoaded) {
    using Edit = std::function<void(SettingsValues&)>;
    const struct {
        const char* name;
        Profile profile;
        std::vector<int> clicks;
        Edit expected;
    } cases[] = {
        {"nothing stored, nothing changed", {}, {}, [](SettingsValues&) {}},
        {"three boxes ticked",
         {},
         {kInternet, kShowDetails, kNightSide},
         [](SettingsValues& v) { v.internet = v.showDetails = v.nightSide = 1; }},
        {"lighting off with night side stored",
         {{"Lighting", "0"}, {"NightSide", "1"}},
         {},
         [](SettingsValues& v) { v.lighting = 0; }},
        {"lighting disabled by the user",
         {{"NightSide", "1"}},
         {kDisableLighting},
         [](SettingsValues& v) { v.lighting = 0; }},
        {"lighting disabled and enabled again",
         {{"NightSide", "1"}},
         {kDisableLighting, kDisableLighting},
         [](SettingsValues&) {}},
        {"everything turned off",
         {{"Internet", "1"}, {"ShowDetails", "1"}, {"NightSide", "1"}, {"UseHardware", "1"}},
         {kInternet, kShowDetails, kNightSide, kUseHardware},
         [](SettingsValues&) {}},
        {"texts kept as stored",
         {{"ProxyName", "proxy.example.org:8080"}, {"AlternateHost", ""}},
         {},
         [](SettingsValues& v) {
             v.proxyName = "proxy.example.org:8080";
             v.alternateHost = "";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Open(c.profile));
        ConfigRun& run = *run_;
        for (int id : c.clicks) {
            const bool before = run.Checked(id);
            run.Click(id);
            ASSERT_TRUE(WaitUntil([&] { return run.Checked(id) != before; }, kExitTimeoutMs));
        }
        run.FinishWith(kOk);
        SettingsValues expected;
        c.expected(expected);
        EXPECT_EQ(SectionInFile(), expected.Stored());
    }
}

namespace {

// The middle of the title bar's close box, found by asking the window what lies where.
POINT CloseBoxPoint(HWND window) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    const int y =
        rect.top + ::GetSystemMetrics(SM_CYFIXEDFRAME) + ::GetSystemMetrics(SM_CYCAPTION) / 2;
    int first = 0, last = 0;
    for (int x = rect.right - 1; x > rect.left; --x) {
        DWORD_PTR hit = 0;
        ::SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                              kExitTimeoutMs, &hit);
        if (hit == HTCLOSE) {
            last = last == 0 ? x : last;
            first = x;
        } else if (last != 0) {
            break;
        }
    }
    return {(first + last) / 2, y};
}

void ClickCloseBox(HWND window) {
    const POINT point = CloseBoxPoint(window);
    ASSERT_NE(point.x, 0) << "no close box found";
    ClickAt(point.x, point.y);
}

} // namespace

// On Windows 10 and 11 a program without elevation cannot write WIN.INI: what OK stores
// must still be there when the dialog opens again.
TEST_F(ConfigDialog, OkChoicesComeBackWhenWinIniCannotBeWritten) {
    UnwritableWinIni unwritable;
    ASSERT_TRUE(Open());
    run_->Click(kInternet);
    run_->Click(kDisableLighting);
    run_->FinishWith(kOk); // a refused save would keep the dialog open
    ConfigRun again;       // over what that OK stored
    ASSERT_TRUE(again.Opened());
    EXPECT_TRUE(again.Checked(kInternet));
    EXPECT_TRUE(again.Checked(kDisableLighting));
    EXPECT_FALSE(again.Checked(kShowDetails));
    again.FinishWith(kCancel);
}

namespace {

// The user's settings key made impossible to create for one test. Wine does not enforce a
// key's DACL, so the key is a registry link instead, to a key under a volatile key: a
// lasting key cannot be made under a volatile one (ERROR_CHILD_MUST_BE_VOLATILE).
class UncreatableSettingsKey {
  public:
    UncreatableSettingsKey() {
        HKEY parent = nullptr;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kVolatileParent, 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &parent, nullptr);
        ::RegCloseKey(parent);
        HKEY link = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, nullptr,
                              REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link,
                              nullptr) == ERROR_SUCCESS) {
            const std::wstring target =
                L"\\Registry\\User\\" + UserSid() + L"\\Software\\ZarvaneTestVolatile\\Settings";
            ::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(target.data()),
                             static_cast<DWORD>(target.size() * sizeof(wchar_t)));
            ::RegCloseKey(link);
        }
    }
    ~UncreatableSettingsKey() {
        using DeleteKeyFunction = LONG(WINAPI*)(HANDLE);
        const auto deleteKey = reinterpret_cast<DeleteKeyFunction>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
        HKEY link = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, REG_OPTION_OPEN_LINK, DELETE,
                            &link) == ERROR_SUCCESS) {
            deleteKey(link);
            ::RegCloseKey(link);
        }
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kVolatileParent);
    }
    // Whether the key really cannot be made, as the saver makes it.
    static bool Holds() {
        HKEY key = nullptr;
        const LONG result = ::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, nullptr,
                                              0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (key != nullptr) {
            ::RegCloseKey(key);
        }
        return result != ERROR_SUCCESS;
    }

  private:
    static constexpr char kVolatileParent[] = "Software\\ZarvaneTestVolatile";

    static std::wstring UserSid() {
        HANDLE token = nullptr;
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
        BYTE buffer[256] = {};
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size);
        ::CloseHandle(token);
        wchar_t* text = nullptr;
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
        const std::wstring sid = text ? text : L"";
        ::LocalFree(text);
        return sid;
    }
};

constexpr char kNotSavedNotice[] = "Your settings could not be saved.\n"
                                   "Press OK to try again, or Cancel to leave them as they were.";

} // namespace

// Neither the user's key nor WIN.INI can be written: OK says so, and the dialog stays
// open with the user's choices, for another OK or Cancel.
TEST_F(ConfigDialog, OkThatCannotSaveSaysSoAndKeepsTheDialogOpen) {
    UnwritableWinIni unwritableWinIni;
    UncreatableSettingsKey uncreatableKey;
    ASSERT_TRUE(UncreatableSettingsKey::Holds());
    ConfigRun run; // not Open: emptying the settings would remove the key's link
    ASSERT_TRUE(run.Opened());
    run.Click(kInternet);
    run.Click(kOk);
    HWND notice = run.WaitForNotice();
    ASSERT_NE(notice, nullptr) << "the failed save was not told";
    EXPECT_EQ(MessageBoxText(notice), kNotSavedNotice);
    EXPECT_EQ(::GetWindow(notice, GW_OWNER), run.Dialog());
    ASSERT_TRUE(WaitForForeground(notice));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(notice); }, kExitTimeoutMs));
    EXPECT_TRUE(run.Process().Running());
    EXPECT_TRUE(run.Checked(kInternet));
    ASSERT_TRUE(WaitForForeground(run.Dialog()));
    run.FinishWith(kCancel);
}

TEST_F(ConfigDialog, CancelAndTheCloseBoxWriteNothing) {
    const Profile stored[] = {{}, {{"Lighting", "0"}, {"ProxyName", "proxy.example.org"}}};
    for (const Profile& contents : stored) {
        for (bool closeBox : {false, true}) {
            SCOPED_TRACE(std::string(closeBox ? "close box" : "Cancel") + ", " +
                         std::to_string(contents.size()) + " keys stored");
            ASSERT_TRUE(Open(contents));
            ConfigRun& run = *run_;
            run.Click(kInternet);
            run.Click(kDisableLighting);
            ASSERT_TRUE(WaitUntil([&] { return run.Checked(kInternet); }, kExitTimeoutMs));
            if (closeBox) {
                ClickCloseBox(run.Dialog());
                run.ExpectEndedWithDialogResult();
            } else {
                run.FinishWith(kCancel);
            }
            EXPECT_EQ(ProfileSectionFileLines(), before_);
        }
    }
}

// ---- The "Notice" ----

namespace {

constexpr char kHardwareNotice[] = "Selecting this option causes the screen saver\n"
                                   "to search for and use an OpenGL compatible 3D\n"
                                   "graphics card. If the screen saver does not function\n"
                                   "properly with this option enabled you may need an\n"
                                   "updated driver from your graphics card vendor.\n"
                                   "Normal unaccelerated operation can always be restored\n"
                                   "by turning this option back off.";

void ExpectNoticeAndDismissIt(ConfigRun& run) {
    HWND notice = run.WaitForNotice();
    ASSERT_NE(notice, nullptr) << "no \"Notice\" appeared";
    EXPECT_EQ(MessageBoxText(notice), kHardwareNotice);
    EXPECT_EQ(::GetWindow(notice, GW_OWNER), run.Dialog());
    EXPECT_NE(::GetDlgItem(notice, IDOK), nullptr);
    EXPECT_EQ(::GetDlgItem(notice, IDCANCEL), nullptr);
    EXPECT_TRUE(run.Checked(kUseHardware)); // the box flips before the notice
    ASSERT_TRUE(WaitForForeground(notice));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(notice); }, kExitTimeoutMs));
    ASSERT_TRUE(WaitForForeground(run.Dialog()));
}

} // namespace

TEST_F(ConfigDialog, NoticeComesEachTimeUseHardwareIsTurnedOnAndNeverWhenTurnedOff) {
    const struct {
        const char* stored; // null: no key
        int clicks;
    } cases[] = {{nullptr, 4}, {"1", 3}, {"2", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("UseHardware stored as ") + (c.stored ? c.stored : "nothing"));
        ASSERT_TRUE(Open(c.stored ? Profile{{"UseHardware", c.stored}} : Profile{}));
        ConfigRun& run = *run_;
        for (int i = 0; i < c.clicks; ++i) {
            const bool turningOn = !run.Checked(kUseHardware);
            run.Click(kUseHardware);
            if (turningOn) {
                ExpectNoticeAndDismissIt(run);
            } else {
                ASSERT_TRUE(WaitUntil([&] { return !run.Checked(kUseHardware); }, kExitTimeoutMs));
                Pause(kSettleMs);
                EXPECT_EQ(run.FindDialog(kNoticeCaption), nullptr) << "a notice on turning off";
            }
        }
        const bool on = run.Checked(kUseHardware);
        run.FinishWith(kOk);
        EXPECT_EQ(profile_.Get("UseHardware"), on ? "1" : "0");
    }
}

// ---- The advanced options dialog ----

namespace {

HWND Control(HWND dialog, int id) {
    return ::GetDlgItem(dialog, id);
}

bool Checked(HWND dialog, int id) {
    return IsChecked(Control(dialog, id));
}

bool Enabled(HWND dialog, int id) {
    return IsEnabled(Control(dialog, id));
}

std::string Text(HWND dialog, int id) {
    return WindowText(Control(dialog, id));
}

void CloseAdvanced(ConfigRun& run, HWND advanced, int id) {
    run.ClickControl(Control(advanced, id));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(advanced); }, kExitTimeoutMs));
    ASSERT_TRUE(WaitForForeground(run.Dialog()));
}

// Sends a button's click as its parent gets it, for placements off the screen.
void PostClick(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(dialog, id)));
}

} // namespace

// Centred across the configuration dialog; its top at a quarter of that dialog's bottom
// edge, in screen pixels, with division that cuts toward zero.
TEST_F(AdvancedDialog, OpensCentredOnTheConfigurationDialogAtAQuarterOfItsBottom) {
    ASSERT_TRUE(Open());
    ConfigRun& run = *run_;
    RECT initial = {};
    ::GetWindowRect(run.Dialog(), &initial);
    const int height = initial.bottom - initial.top;
    const POINT places[] = {
        {initial.left, initial.top}, {300, 200}, {-101, 37}, {123, -(height + 7)}, {517, 5}};
    for (const POINT& place : places) {
        SCOPED_TRACE("configuration dialog at " + std::to_string(place.x) + "," +
                     std::to_string(place.y));
        ::SetWindowPos(run.Dialog(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RECT parent = {};
        ASSERT_TRUE(WaitUntil(
            [&] {
                ::GetWindowRect(run.Dialog(), &parent);
                return parent.left == place.x && parent.top == place.y;
            },
            kExitTimeoutMs));
        PostClick(run.Dialog(), kAdvanced);
        HWND advanced = run.Process().WaitForWindow(kDialogClass, kAdvancedCaption);
        ASSERT_NE(advanced, nullptr);
        RECT client = {};
        ::GetClientRect(advanced, &client);
        const int left = parent.left + (parent.right - parent.left) / 2 - client.right / 2;
        const int top = parent.bottom / 4;
        RECT rect = {};
        ::GetWindowRect(advanced, &rect);
        EXPECT_EQ(rect.left, left);
        EXPECT_EQ(rect.top, top);
        PostClick(advanced, kCancel);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(advanced); }, kExitTimeoutMs));
    }
    PostClick(run.Dialog(), kCancel);
    run.ExpectEndedWithDialogResult();
}

TEST_F(AdvancedDialog, OpeningStateShowsTheCoreStatesOfTheSettings) {
    const Profile profiles[] = {
        {},
        {{"UseProxy", "1"}, {"ProxyName", "proxy.example.org"}},
        {{"Direct", "0"}},
        {{"ProxyName", "px"}, {"AlternateHost", "feeds.example.org"}}, // texts of options off
        {{"Alternate", "1"}, {"AlternateHost", "feeds.example.org"}},
        {{"English", "0"}, {"Knots", "1"}},
    };
    for (const Profile& profile : profiles) {
        SCOPED_TRACE(ProfileText(profile));
        HWND advanced = OpenAdvanced(profile);
        ASSERT_NE(advanced, nullptr);
        const SaverSettings& loaded = Loaded();
        const AdvancedControls expected = AdvancedControlsFromSettings(loaded);
        const struct {
            int id;
            bool checked;
        } buttons[] = {{kUseProxy, expected.useProxy}, {kSystemInternet, expected.systemInternet},
                       {kDirect, expected.direct},     {kAlternate, expected.alternate},
                       {kEnglish, expected.english},   {kSi, expected.si},
                       {kKnots, expected.knots}};
        for (const auto& button : buttons) {
            EXPECT_EQ(Checked(advanced, button.id), button.checked) << button.id;
        }
        EXPECT_EQ(Enabled(advanced, kProxyName), expected.proxyNameEnabled);
        EXPECT_EQ(Text(advanced, kProxyName), expected.proxyNameEnabled ? loaded.proxyName : "");
        EXPECT_EQ(Enabled(advanced, kAlternateHost), expected.alternateHostEnabled);
        EXPECT_EQ(Text(advanced, kAlternateHost),
                  expected.alternateHostEnabled ? loaded.alternateHost : "");
        CloseAdvanced(*run_, advanced, kCancel);
        run_->FinishWith(kCancel);
    }
}

namespace {

using AdvancedAction = std::function<void(ConfigRun&, HWND advanced)>;

AdvancedAction ClickOn(int id) {
    return [id](ConfigRun& run, HWND advanced) {
        const bool before = Checked(advanced, id);
        run.ClickControl(Control(advanced, id));
        ASSERT_TRUE(WaitUntil([&] { return Checked(advanced, id) != before; }, kExitTimeoutMs));
    };
}

// The box is clicked once its option has enabled it, and the text typed once it has the
// focus.
AdvancedAction TypeInto(int id, const char* text) {
    return [id, text](ConfigRun& run, HWND advanced) {
        HWND box = Control(advanced, id);
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(box); }, kExitTimeoutMs));
        run.ClickControl(box);
        ASSERT_TRUE(WaitUntil([&] { return FocusOfThread(advanced) == box; }, kExitTimeoutMs));
        TypeText(text);
        ASSERT_TRUE(WaitUntil([&] { return Text(advanced, id) == text; }, kExitTimeoutMs));
    };
}

} // namespace

// Advanced's OK changes the settings in memory; the configuration dialog's OK stores them.
TEST_F(AdvancedDialog, OkChoicesReachWinIniThroughTheConfigurationDialogsOk) {
    using Edit = std::function<void(SettingsValues&)>;
    const struct {
        const char* name;
        Profile profile;
        std::vector<AdvancedAction> actions;
        Edit expected;
    } cases[] = {
        {"OK at once empties the texts of options that are off",
         {{"ProxyName", "px"}, {"AlternateHost", "feeds.example.org"}},
         {},
         [](SettingsValues& v) { v.alternateHost = ""; }},
        {"proxy with a typed name",
         {{"ProxyName", "old"}},
         {ClickOn(kUseProxy), TypeInto(kProxyName, "proxy.example.org")},
         [](SettingsValues& v) {
             v.useProxy = 1;
             v.direct = 0;
             v.proxyName = "proxy.example.org";
             v.alternateHost = "";
         }},
        {"system settings keep the proxy's text",
         {{"UseProxy", "1"}, {"ProxyName", "proxy.example.org"}},
         {ClickOn(kSystemInternet)},
         [](SettingsValues& v) {
             v.direct = 0;
             v.proxyName = "proxy.example.org";
             v.alternateHost = "";
         }},
        {"direct after proxy",
         {{"UseProxy", "1"}, {"Direct", "0"}, {"ProxyName", "px"}},
         {ClickOn(kDirect)},
         [](SettingsValues& v) {
             v.proxyName = "px";
             v.alternateHost = "";
         }},
        {"alternate host typed",
         {},
         {ClickOn(kAlternate), TypeInto(kAlternateHost, "feeds.example.org")},
         [](SettingsValues& v) {
             v.alternate = 1;
             v.alternateHost = "feeds.example.org";
         }},
        {"stored alternate host kept",
         {{"Alternate", "1"}, {"AlternateHost", "feeds.example.org"}},
         {},
         [](SettingsValues& v) {
             v.alternate = 1;
             v.alternateHost = "feeds.example.org";
         }},
        {"kilometres per hour",
         {},
         {ClickOn(kSi)},
         [](SettingsValues& v) {
             v.english = 0;
             v.si = 1;
             v.alternateHost = "";
         }},
        {"no unit stays no unit",
         {{"English", "0"}},
         {},
         [](SettingsValues& v) {
             v.english = 0;
             v.alternateHost = "";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND advanced = OpenAdvanced(c.profile);
        ASSERT_NE(advanced, nullptr);
        ConfigRun& run = *run_;
        for (const AdvancedAction& action : c.actions) {
            ASSERT_NO_FATAL_FAILURE(action(run, advanced));
        }
        CloseAdvanced(run, advanced, kOk);
        run.FinishWith(kOk);
        SettingsValues expected;
        c.expected(expected);
        EXPECT_EQ(SectionInFile(), expected.Stored());
    }
}

TEST_F(AdvancedDialog, StoredProxyChoiceShowsAloneWithItsNameOnReopening) {
    {
        HWND advanced = OpenAdvanced();
        ASSERT_NE(advanced, nullptr);
        ASSERT_NO_FATAL_FAILURE(ClickOn(kUseProxy)(*run_, advanced));
        ASSERT_NO_FATAL_FAILURE(TypeInto(kProxyName, "proxy8080")(*run_, advanced));
        CloseAdvanced(*run_, advanced, kOk);
        run_->FinishWith(kOk);
    }
    ConfigRun run; // over what that OK stored
    ASSERT_TRUE(run.Opened());
    HWND advanced = run.OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
    EXPECT_TRUE(Checked(advanced, kUseProxy));
    EXPECT_FALSE(Checked(advanced, kSystemInternet));
    EXPECT_FALSE(Checked(advanced, kDirect));
    EXPECT_TRUE(Enabled(advanced, kProxyName));
    EXPECT_EQ(Text(advanced, kProxyName), "proxy8080");
    CloseAdvanced(run, advanced, kCancel);
    run.FinishWith(kCancel);
}

TEST_F(AdvancedDialog, SecondOpeningInOneRunShowsTheFirstOnesChoices) {
    HWND advanced = OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
    ConfigRun& run = *run_;
    ASSERT_NO_FATAL_FAILURE(ClickOn(kAlternate)(run, advanced));
    ASSERT_NO_FATAL_FAILURE(TypeInto(kAlternateHost, "feeds.example.org")(run, advanced));
    ASSERT_NO_FATAL_FAILURE(ClickOn(kKnots)(run, advanced));
    ASSERT_NO_FATAL_FAILURE(ClickOn(kSystemInternet)(run, advanced));
    CloseAdvanced(run, advanced, kOk);

    advanced = run.OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
    EXPECT_TRUE(Checked(advanced, kSystemInternet));
    EXPECT_FALSE(Checked(advanced, kDirect));
    EXPECT_TRUE(Checked(advanced, kAlternate));
    EXPECT_EQ(Text(advanced, kAlternateHost), "feeds.example.org");
    EXPECT_TRUE(Checked(advanced, kKnots));
    EXPECT_FALSE(Checked(advanced, kEnglish));
    CloseAdvanced(run, advanced, kCancel);
    run.FinishWith(kCancel);
}

TEST_F(AdvancedDialog, EditBoxesFollowTheirOptionsAndKeepTheirText) {
    HWND advanced = OpenAdvanced({{"UseProxy", "1"}, {"ProxyName", "proxy.example.org"}});
    ASSERT_NE(advanced, nullptr);
    ConfigRun& run = *run_;
    const struct {
        int click;
        bool proxyEnabled, hostEnabled;
    } steps[] = {
        {kSystemInternet, false, false}, {kUseProxy, true, false}, {kDirect, false, false},
        {kAlternate, false, true},       {kUseProxy, true, true},  {kAlternate, true, false},
        {kEnglish, true, false},
    };
    for (const auto& step : steps) {
        run.ClickControl(Control(advanced, step.click));
        // A radio button is checked by its click; the check box flips with the host box.
        const bool checked = step.click == kAlternate ? step.hostEnabled : true;
        EXPECT_TRUE(WaitUntil(
            [&] {
                return Checked(advanced, step.click) == checked &&
                       Enabled(advanced, kProxyName) == step.proxyEnabled &&
                       Enabled(advanced, kAlternateHost) == step.hostEnabled;
            },
            kExitTimeoutMs))
            << "after a click on " << step.click;
        EXPECT_EQ(Text(advanced, kProxyName), "proxy.example.org");
    }
    CloseAdvanced(run, advanced, kCancel);
    run.FinishWith(kCancel);
}

TEST_F(AdvancedDialog, RadioGroupsAreExclusiveAndIndependent) {
    HWND advanced = OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
    ConfigRun& run = *run_;
    const int connections[] = {kUseProxy, kSystemInternet, kDirect};
    const int units[] = {kEnglish, kSi, kKnots};
    const int clicks[] = {kSi, kUseProxy, kKnots, kSystemInternet, kEnglish, kDirect, kKnots};
    int connection = kDirect;
    int unit = kEnglish;
    for (int click : clicks) {
        run.ClickControl(Control(advanced, click));
        const bool isUnit = std::find(std::begin(units), std::end(units), click) != std::end(units);
        (isUnit ? unit : connection) = click;
        EXPECT_TRUE(WaitUntil(
            [&] {
                for (int id : connections) {
                    if (Checked(advanced, id) != (id == connection)) {
                        return false;
                    }
                }
                for (int id : units) {
                    if (Checked(advanced, id) != (id == unit)) {
                        return false;
                    }
                }
                return true;
            },
            kExitTimeoutMs))
            << "after a click on " << click;
    }
    CloseAdvanced(run, advanced, kCancel);
    run.FinishWith(kCancel);
}

TEST_F(AdvancedDialog, CancelAndTheCloseBoxChangeNothing) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        HWND advanced = OpenAdvanced({{"UseProxy", "1"},
                                      {"ProxyName", "px"},
                                      {"Alternate", "1"},
                                      {"AlternateHost", "feeds.example.org"},
                                      {"English", "0"},
                                      {"Knots", "1"}});
        ASSERT_NE(advanced, nullptr);
        ConfigRun& run = *run_;
        for (int id : {kDirect, kAlternate, kEnglish}) {
            run.ClickControl(Control(advanced, id));
        }
        ASSERT_TRUE(WaitUntil([&] { return Checked(advanced, kEnglish); }, kExitTimeoutMs));
        if (closeBox) {
            ClickCloseBox(advanced);
            ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(advanced); }, kExitTimeoutMs));
            ASSERT_TRUE(WaitForForeground(run.Dialog()));
        } else {
            CloseAdvanced(run, advanced, kCancel);
        }
        run.FinishWith(kOk);
        SettingsValues expected;
        expected.useProxy = 1;
        expected.proxyName = "px";
        expected.alternate = 1;
        expected.alternateHost = "feeds.example.org";
        expected.english = 0;
        expected.knots = 1;
        EXPECT_EQ(SectionInFile(), expected.Stored());
    }
}

// The cut itself is the settings core's (settings_store_tests); here the real edit boxes
// must be read within the settings' room.
TEST_F(AdvancedDialog, LongTextsAreStoredCutToTheirRoom) {
    HWND advanced = OpenAdvanced({{"UseProxy", "1"}, {"Alternate", "1"}});
    ASSERT_NE(advanced, nullptr);
    const std::string proxy(200, 'p');
    const std::string host(200, 'h');
    ::SendMessageA(Control(advanced, kProxyName), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(proxy.c_str()));
    ::SendMessageA(Control(advanced, kAlternateHost), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(host.c_str()));
    CloseAdvanced(*run_, advanced, kOk);
    run_->FinishWith(kOk);
    EXPECT_EQ(profile_.Get("ProxyName"), proxy.substr(0, kSettingsTextSize - 1));
    EXPECT_EQ(profile_.Get("AlternateHost"), host.substr(0, kSettingsTextSize - 1));
}

TEST_F(ConfigDialog, AdvancedOkThenCancelLeavesWinIniUnchanged) {
    const Profile stored[] = {{}, {{"Internet", "1"}, {"Knots", "1"}, {"English", "0"}}};
    for (const Profile& contents : stored) {
        SCOPED_TRACE(ProfileText(contents));
        HWND advanced = OpenAdvanced(contents);
        ASSERT_NE(advanced, nullptr);
        ConfigRun& run = *run_;
        ASSERT_NO_FATAL_FAILURE(ClickOn(kUseProxy)(run, advanced));
        ASSERT_NO_FATAL_FAILURE(TypeInto(kProxyName, "proxy8080")(run, advanced));
        ASSERT_NO_FATAL_FAILURE(ClickOn(kSi)(run, advanced));
        CloseAdvanced(run, advanced, kOk);
        run.Click(kShowDetails);
        ASSERT_TRUE(WaitUntil([&] { return run.Checked(kShowDetails); }, kExitTimeoutMs));
        run.FinishWith(kCancel);
        EXPECT_EQ(ProfileSectionFileLines(), before_);
    }
}
