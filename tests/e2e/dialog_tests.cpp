// The configuration and advanced options dialogs seen from outside: the configuration
// dialog's owner, the controls' states as WIN.INI
// sets them, the "Notice", the advanced dialog's place, radio groups and edit boxes, and
// what OK, Cancel and the close box leave in WIN.INI.
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

using namespace e2e;
using namespace dialogs;

namespace {

using Profile = std::vector<std::pair<const char*, const char*>>;

void Store(const ProfileSection& section, const Profile& profile) {
    for (const auto& [key, value] : profile) {
        section.Set(key, value);
    }
}

std::string HandleText(HWND window) {
    return std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
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

TEST(ConfigDialog, OwnerIsTheNamedWindowTheForegroundWindowOrNone) {
    ProfileSection profile;
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
        ConfigRun run(c.arguments);
        ASSERT_TRUE(run.Opened());
        EXPECT_EQ(::GetWindow(run.Dialog(), GW_OWNER), c.owner);
        if (c.owner == nullptr) {
            RECT rect = {};
            ::GetWindowRect(run.Dialog(), &rect);
            EXPECT_EQ(rect.left, 0); // the template's place, on the screen
            EXPECT_EQ(rect.top, 0);
        }
        run.FinishWith(kCancel);
    }
}

// ---- Check boxes on opening, and OK ----

namespace {

// The check boxes of the configuration dialog, and whether "Show Night side" is enabled.
struct BoxStates {
    bool internet, showDetails, disableLighting, nightSide, useHardware, nightSideEnabled;
};

} // namespace

TEST(ConfigDialog, CheckBoxesOnOpeningFollowWinIni) {
    const struct {
        const char* name;
        Profile profile;
        BoxStates boxes;
    } cases[] = {
        {"nothing stored", {}, {false, false, false, false, false, true}},
        {"all on",
         {{"Internet", "1"}, {"ShowDetails", "1"}, {"NightSide", "1"}, {"UseHardware", "1"}},
         {true, true, false, true, true, true}},
        {"lighting off with night side",
         {{"Lighting", "0"}, {"NightSide", "1"}},
         {false, false, true, false, false, false}},
        {"lighting off", {{"Lighting", "0"}}, {false, false, true, false, false, false}},
        // Hand-edited values: "ShowDetails" counts only as exactly 1, the others when nonzero.
        {"hand-edited",
         {{"ShowDetails", "2"}, {"Internet", "2"}, {"NightSide", "-1"}, {"UseHardware", "7"}},
         {true, false, false, true, true, true}},
        {"lighting stored as 2", {{"Lighting", "2"}}, {false, false, false, false, false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileSection profile;
        Store(profile, c.profile);
        const std::vector<std::string> before = ProfileSectionFileLines();
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        EXPECT_EQ(run.Checked(kInternet), c.boxes.internet);
        EXPECT_EQ(run.Checked(kShowDetails), c.boxes.showDetails);
        EXPECT_EQ(run.Checked(kDisableLighting), c.boxes.disableLighting);
        EXPECT_EQ(run.Checked(kNightSide), c.boxes.nightSide);
        EXPECT_EQ(run.Checked(kUseHardware), c.boxes.useHardware);
        EXPECT_EQ(run.Enabled(kNightSide), c.boxes.nightSideEnabled);
        run.FinishWith(kCancel);
        EXPECT_EQ(ProfileSectionFileLines(), before);
    }
}

TEST(ConfigDialog, DisableLightingClearsAndDisablesNightSideAndGivesItBackCleared) {
    ProfileSection profile;
    profile.Set("NightSide", 1);
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
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

TEST(ConfigDialog, OkStoresTheCheckBoxesAndEveryOtherSettingAsLoaded) {
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
        // The boxes store 0 or 1; the advanced settings go back as they were read.
        {"hand-edited values",
         {{"ShowDetails", "2"},
          {"Internet", "5"},
          {"Lighting", "2"},
          {"NightSide", "-1"},
          {"UseProxy", "7"},
          {"English", "3"}},
         {},
         [](SettingsValues& v) {
             v.internet = v.nightSide = 1;
             v.useProxy = 7;
             v.english = 3;
         }},
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
        ProfileSection profile;
        Store(profile, c.profile);
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
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
TEST(ConfigDialog, OkChoicesComeBackWhenWinIniCannotBeWritten) {
    ProfileSection profile;
    UnwritableWinIni unwritable;
    {
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        run.Click(kInternet);
        run.Click(kDisableLighting);
        run.FinishWith(kOk); // a refused save would keep the dialog open
    }
    ConfigRun again;
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
TEST(ConfigDialog, OkThatCannotSaveSaysSoAndKeepsTheDialogOpen) {
    ProfileSection profile;
    UnwritableWinIni unwritableWinIni;
    UncreatableSettingsKey uncreatableKey;
    ASSERT_TRUE(UncreatableSettingsKey::Holds());
    ConfigRun run;
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

TEST(ConfigDialog, CancelAndTheCloseBoxWriteNothing) {
    const Profile stored[] = {{}, {{"Lighting", "0"}, {"ProxyName", "proxy.example.org"}}};
    for (const Profile& contents : stored) {
        for (bool closeBox : {false, true}) {
            SCOPED_TRACE(std::string(closeBox ? "close box" : "Cancel") + ", " +
                         std::to_string(contents.size()) + " keys stored");
            ProfileSection profile;
            Store(profile, contents);
            const std::vector<std::string> before = ProfileSectionFileLines();
            ConfigRun run;
            ASSERT_TRUE(run.Opened());
            run.Click(kInternet);
            run.Click(kDisableLighting);
            ASSERT_TRUE(WaitUntil([&] { return run.Checked(kInternet); }, kExitTimeoutMs));
            if (closeBox) {
                ClickCloseBox(run.Dialog());
                run.ExpectEndedWithDialogResult();
            } else {
                run.FinishWith(kCancel);
            }
            EXPECT_EQ(ProfileSectionFileLines(), before);
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

TEST(ConfigDialog, NoticeComesEachTimeUseHardwareIsTurnedOnAndNeverWhenTurnedOff) {
    const struct {
        const char* stored; // null: no key
        int clicks;
    } cases[] = {{nullptr, 4}, {"1", 3}, {"2", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("UseHardware stored as ") + (c.stored ? c.stored : "nothing"));
        ProfileSection profile;
        if (c.stored) {
            profile.Set("UseHardware", c.stored);
        }
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
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
        EXPECT_EQ(profile.Get("UseHardware"), on ? "1" : "0");
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
TEST(AdvancedDialog, OpensCentredOnTheConfigurationDialogAtAQuarterOfItsBottom) {
    ProfileSection profile;
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
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

TEST(AdvancedDialog, OpeningStateFollowsTheSettings) {
    const struct {
        const char* name;
        Profile profile;
        int connection; // the one checked connection button
        bool alternate;
        const char* proxyText; // null: the box is disabled (and must be empty)
        const char* hostText;  // likewise
        std::vector<int> units;
    } cases[] = {
        {"defaults", {}, kDirect, false, nullptr, nullptr, {kEnglish}},
        {"proxy",
         {{"UseProxy", "1"}, {"ProxyName", "proxy.example.org"}},
         kUseProxy,
         false,
         "proxy.example.org",
         nullptr,
         {kEnglish}},
        {"system settings",
         {{"Direct", "0"}},
         kSystemInternet,
         false,
         nullptr,
         nullptr,
         {kEnglish}},
        {"hand-edited connection flags",
         {{"UseProxy", "2"}, {"Direct", "5"}, {"ProxyName", "px"}},
         kSystemInternet,
         false,
         nullptr,
         nullptr,
         {kEnglish}},
        {"texts of options that are off stay hidden",
         {{"ProxyName", "px"}, {"AlternateHost", "feeds.example.org"}},
         kDirect,
         false,
         nullptr,
         nullptr,
         {kEnglish}},
        {"alternate host",
         {{"Alternate", "1"}, {"AlternateHost", "feeds.example.org"}},
         kDirect,
         true,
         nullptr,
         "feeds.example.org",
         {kEnglish}},
        {"knots", {{"English", "0"}, {"Knots", "1"}}, kDirect, false, nullptr, nullptr, {kKnots}},
        {"no unit", {{"English", "0"}}, kDirect, false, nullptr, nullptr, {}},
        {"two units, hand-edited",
         {{"SI", "1"}},
         kDirect,
         false,
         nullptr,
         nullptr,
         {kEnglish, kSi}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileSection profile;
        Store(profile, c.profile);
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        HWND advanced = run.OpenAdvanced();
        ASSERT_NE(advanced, nullptr);
        for (int id : {kUseProxy, kSystemInternet, kDirect}) {
            EXPECT_EQ(Checked(advanced, id), id == c.connection) << id;
        }
        EXPECT_EQ(Checked(advanced, kAlternate), c.alternate);
        EXPECT_EQ(Enabled(advanced, kProxyName), c.proxyText != nullptr);
        EXPECT_EQ(Text(advanced, kProxyName), c.proxyText ? c.proxyText : "");
        EXPECT_EQ(Enabled(advanced, kAlternateHost), c.hostText != nullptr);
        EXPECT_EQ(Text(advanced, kAlternateHost), c.hostText ? c.hostText : "");
        for (int id : {kEnglish, kSi, kKnots}) {
            const bool expected = std::find(c.units.begin(), c.units.end(), id) != c.units.end();
            EXPECT_EQ(Checked(advanced, id), expected) << id;
        }
        CloseAdvanced(run, advanced, kCancel);
        run.FinishWith(kCancel);
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
TEST(AdvancedDialog, OkChoicesReachWinIniThroughTheConfigurationDialogsOk) {
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
        ProfileSection profile;
        Store(profile, c.profile);
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        HWND advanced = run.OpenAdvanced();
        ASSERT_NE(advanced, nullptr);
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

TEST(AdvancedDialog, StoredProxyChoiceShowsAloneWithItsNameOnReopening) {
    ProfileSection profile;
    {
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        HWND advanced = run.OpenAdvanced();
        ASSERT_NE(advanced, nullptr);
        ASSERT_NO_FATAL_FAILURE(ClickOn(kUseProxy)(run, advanced));
        ASSERT_NO_FATAL_FAILURE(TypeInto(kProxyName, "proxy8080")(run, advanced));
        CloseAdvanced(run, advanced, kOk);
        run.FinishWith(kOk);
    }
    ConfigRun run;
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

TEST(AdvancedDialog, SecondOpeningInOneRunShowsTheFirstOnesChoices) {
    ProfileSection profile;
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
    HWND advanced = run.OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
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

TEST(AdvancedDialog, EditBoxesFollowTheirOptionsAndKeepTheirText) {
    ProfileSection profile;
    profile.Set("UseProxy", 1);
    profile.Set("ProxyName", "proxy.example.org");
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
    HWND advanced = run.OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
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

TEST(AdvancedDialog, RadioGroupsAreExclusiveAndIndependent) {
    ProfileSection profile;
    ConfigRun run;
    ASSERT_TRUE(run.Opened());
    HWND advanced = run.OpenAdvanced();
    ASSERT_NE(advanced, nullptr);
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

TEST(AdvancedDialog, CancelAndTheCloseBoxChangeNothing) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        ProfileSection profile;
        Store(profile, {{"UseProxy", "1"},
                        {"ProxyName", "px"},
                        {"Alternate", "1"},
                        {"AlternateHost", "feeds.example.org"},
                        {"English", "0"},
                        {"Knots", "1"}});
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        HWND advanced = run.OpenAdvanced();
        ASSERT_NE(advanced, nullptr);
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

TEST(AdvancedDialog, TextsAreStoredCutTo79Characters) {
    for (size_t length : {79u, 80u, 200u}) {
        SCOPED_TRACE(std::to_string(length) + " characters typed");
        ProfileSection profile;
        profile.Set("UseProxy", 1);
        profile.Set("Alternate", 1);
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        HWND advanced = run.OpenAdvanced();
        ASSERT_NE(advanced, nullptr);
        std::string proxy, host;
        for (size_t i = 0; i < length; ++i) {
            proxy += static_cast<char>('a' + i % 26);
            host += static_cast<char>('0' + i % 10);
        }
        ::SendMessageA(Control(advanced, kProxyName), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(proxy.c_str()));
        ::SendMessageA(Control(advanced, kAlternateHost), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(host.c_str()));
        CloseAdvanced(run, advanced, kOk);
        run.FinishWith(kOk);
        EXPECT_EQ(profile.Get("ProxyName"), proxy.substr(0, 79));
        EXPECT_EQ(profile.Get("AlternateHost"), host.substr(0, 79));
    }
}

TEST(ConfigDialog, AdvancedOkThenCancelLeavesWinIniUnchanged) {
    const Profile stored[] = {{}, {{"Internet", "1"}, {"Knots", "1"}, {"English", "0"}}};
    for (const Profile& contents : stored) {
        SCOPED_TRACE(std::to_string(contents.size()) + " keys stored");
        ProfileSection profile;
        Store(profile, contents);
        const std::vector<std::string> before = ProfileSectionFileLines();
        ConfigRun run;
        ASSERT_TRUE(run.Opened());
        HWND advanced = run.OpenAdvanced();
        ASSERT_NE(advanced, nullptr);
        ASSERT_NO_FATAL_FAILURE(ClickOn(kUseProxy)(run, advanced));
        ASSERT_NO_FATAL_FAILURE(TypeInto(kProxyName, "proxy8080")(run, advanced));
        ASSERT_NO_FATAL_FAILURE(ClickOn(kSi)(run, advanced));
        CloseAdvanced(run, advanced, kOk);
        run.Click(kShowDetails);
        ASSERT_TRUE(WaitUntil([&] { return run.Checked(kShowDetails); }, kExitTimeoutMs));
        run.FinishWith(kCancel);
        EXPECT_EQ(ProfileSectionFileLines(), before);
    }
}
