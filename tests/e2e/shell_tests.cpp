// The shell seen from outside: command-line switches and exit codes, the full-screen
// window, what ends a run, the preview, and the 9x password check.
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

using namespace e2e;

namespace {

constexpr int kExitInvalid = -1;
constexpr char kPasswordKey[] = "Software\\ZarvaneTests\\Password";
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

// Where the pointer rests when a saver starts, well inside every tested screen size.
constexpr POINT kRestingPoint = {300, 200};

void RestMouse() {
    MoveMouseTo(kRestingPoint.x, kRestingPoint.y);
    Pause(50);
}

// Starts the full-screen saver, checks its window and ends it with a key press.
void ExpectFullScreenRun(const std::string& arguments) {
    SCOPED_TRACE("arguments: " + arguments);
    RestMouse();
    SaverProcess saver(arguments);
    ASSERT_TRUE(saver.Started());
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    PressKey(VK_SPACE);
    ASSERT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), 0);
}

void ExpectRefused(const std::string& arguments) {
    SCOPED_TRACE("arguments: " + arguments);
    SaverProcess saver(arguments);
    ASSERT_TRUE(saver.Started());
    ASSERT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), kExitInvalid);
    EXPECT_TRUE(saver.TopLevelWindows().empty());
}

// A full-screen saver that has started and whose window the test knows.
struct RunningSaver {
    explicit RunningSaver(const char* arguments = "/s") : process(arguments) {
        window = WaitForSaverWindow(process);
    }
    SaverProcess process;
    HWND window = nullptr;
};

void ExpectStillRunning(SaverProcess& saver) {
    Pause(kSettleMs);
    EXPECT_TRUE(saver.Running());
}

void ExpectEndsPromptly(SaverProcess& saver) {
    ASSERT_TRUE(saver.WaitForExit()) << "the saver did not end";
    EXPECT_EQ(saver.ExitCode(), 0);
}

} // namespace

TEST(SwitchTable, SaverSwitchInEveryFormStartsTheFullScreenSaver) {
    for (const char* arguments : {"/s", "/S", "-s", "s", "   /s", "- /s", "/s /p 12345"}) {
        ExpectFullScreenRun(arguments);
    }
}

TEST(SwitchTable, UnknownSwitchesAndBadPreviewHandlesExitWithMinusOne) {
    for (const char* arguments : {"/x", "q", "/1", "/p", "/p 0", "/p:123", "/l", "/l 0",
                                  "/p 4000000000", "/\x07", "-\x1b", "/\xe9", "/\x80s", "/a 0"}) {
        ExpectRefused(arguments);
    }
}

namespace {

// What the saver must do with an argument text, by the switch rules: the separators
// " ", "-" and "/" are skipped (after the program name's trailing codes 1 to 32), and
// the first other character decides.
enum class Expected { Invalid, FullScreen, Configure, Preview };

Expected ExpectedMode(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32) {
        ++i;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '-' || text[i] == '/')) {
        ++i;
    }
    if (i == text.size()) {
        return Expected::Configure;
    }
    switch (text[i]) {
    case 's':
    case 'S':
        return Expected::FullScreen;
    case 'c':
    case 'C':
        return Expected::Configure;
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        return Expected::Preview;
    default:
        return Expected::Invalid; // "a" too: this is not the 9x platform
    }
}

std::string RandomArgumentText(std::mt19937& random) {
    std::uniform_int_distribution<int> length(0, 300);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> digit('0', '9');
    const char switches[] = "sSpPlLaAcCx/- ";
    std::uniform_int_distribution<int> switchIndex(0, sizeof(switches) - 2);
    std::string text;
    const int n = length(random);
    while (static_cast<int>(text.size()) < n) {
        const int k = kind(random);
        if (k < 5) {
            text += static_cast<char>(byte(random));
        } else if (k < 7) {
            text += std::string(40, '\0');
            for (size_t i = text.size() - 40; i < text.size(); ++i) {
                text[i] = static_cast<char>(digit(random)); // a very long number
            }
        } else {
            text += switches[switchIndex(random)];
        }
    }
    return text;
}

} // namespace

// Random argument texts, control characters and bytes above 127 included: the program
// never crashes, answers -1 unless the text names a mode, and leaves no window behind.
// Configuration mode opens a modal dialog and has tests of its own, so those texts are
// drawn again; preview texts are run only when their number is not a window.
TEST(SwitchTable, RandomArgumentTextsNeverCrashOrLeaveAWindow) {
    std::mt19937 random(20261207);
    int launched = 0;
    while (launched < 300) {
        const std::string text = RandomArgumentText(random);
        const Expected expected = ExpectedMode(text);
        if (expected == Expected::Configure || expected == Expected::Preview) {
            continue;
        }
        ++launched;
        SCOPED_TRACE("random text #" + std::to_string(launched));
        RestMouse();
        SaverProcess saver(text);
        ASSERT_TRUE(saver.Started());
        if (expected == Expected::FullScreen) {
            ASSERT_NE(WaitForSaverWindow(saver), nullptr);
            PressKey(VK_SPACE);
            ExpectEndsPromptly(saver);
        } else {
            ASSERT_TRUE(saver.WaitForExit());
            EXPECT_EQ(saver.ExitCode(), kExitInvalid);
        }
        EXPECT_TRUE(saver.TopLevelWindows().empty());
    }
}

TEST(FullScreen, CoversTheScreenTopmostAndBlackWithTheCursorHidden) {
    ProfileSection defaults;
    RestMouse();
    RunningSaver saver;
    ASSERT_NE(saver.window, nullptr);
    const RECT rect = WindowRectOf(saver.window);
    const RECT screen = ScreenRect();
    EXPECT_EQ(rect.left, screen.left);
    EXPECT_EQ(rect.top, screen.top);
    EXPECT_EQ(rect.right, screen.right);
    EXPECT_EQ(rect.bottom, screen.bottom);
    EXPECT_TRUE(::GetWindowLongA(saver.window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(::GetWindowLongA(saver.window, GWL_STYLE) & WS_POPUP, WS_POPUP);

    // Left of the centred globe and above the banner strip, the window shows its own
    // black background.
    HWND globe = WaitForChild(saver.window, "ZRVSAVER");
    ASSERT_NE(globe, nullptr);
    const RECT margin = {0, 0, WindowRectOf(globe).left, screen.bottom - 100};
    Pause(kSettleMs);
    if (margin.right > 0) {
        const Capture capture = CaptureScreen(margin);
        EXPECT_EQ(std::count(capture.pixels.begin(), capture.pixels.end(), 0u),
                  static_cast<long>(capture.pixels.size()));
    }
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof(cursor);
    ASSERT_TRUE(::GetCursorInfo(&cursor));
    EXPECT_EQ(cursor.hCursor, nullptr);
    EXPECT_TRUE(saver.process.Running());
}

TEST(FullScreen, EndsOnAKeyPress) {
    RestMouse();
    RunningSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PressKey('A');
    ExpectEndsPromptly(saver.process);
}

TEST(FullScreen, EndsOnEachMouseButton) {
    const DWORD buttons[][2] = {{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
                                {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
                                {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP}};
    for (const auto& button : buttons) {
        RestMouse();
        RunningSaver saver;
        ASSERT_NE(saver.window, nullptr);
        ClickMouse(button[0], button[1]);
        ExpectEndsPromptly(saver.process);
    }
}

TEST(FullScreen, AMoveOfFourPixelsIsJitterAndFiveEndsTheRun) {
    RestMouse();
    RunningSaver saver;
    ASSERT_NE(saver.window, nullptr);
    MoveMouseTo(kRestingPoint.x + 2, kRestingPoint.y + 2);
    ExpectStillRunning(saver.process);
    MoveMouseTo(kRestingPoint.x - 4, kRestingPoint.y);
    ExpectStillRunning(saver.process);
    MoveMouseTo(kRestingPoint.x + 3, kRestingPoint.y + 2);
    ExpectEndsPromptly(saver.process);
}

TEST(FullScreen, SmallMovesThatAddUpPastFourEndTheRun) {
    RestMouse();
    RunningSaver saver;
    ASSERT_NE(saver.window, nullptr);
    for (int step = 1; step <= 4; ++step) {
        MoveMouseTo(kRestingPoint.x + step, kRestingPoint.y);
        Pause(150);
    }
    EXPECT_TRUE(saver.process.Running());
    MoveMouseTo(kRestingPoint.x + 5, kRestingPoint.y);
    ExpectEndsPromptly(saver.process);
}

TEST(FullScreen, SecondStartRaisesTheFirstAndExitsZero) {
    RestMouse();
    RunningSaver first;
    ASSERT_NE(first.window, nullptr);
    SaverProcess second("/s");
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(first.process.Running());
    // Activation reaches Wine's state through the X server, at its own pace.
    EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == first.window; }, kExitTimeoutMs));
    EXPECT_EQ(::FindWindowA("WindowsScreenSaverClass", "Screen Saver"), first.window);
    PressKey(VK_SPACE);
    ExpectEndsPromptly(first.process);
}

TEST(FullScreen, SwallowsScreenSaveAndWindowSwitchingCommands) {
    RestMouse();
    RunningSaver saver;
    ASSERT_NE(saver.window, nullptr);
    for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW}) {
        ::PostMessageA(saver.window, WM_SYSCOMMAND, command, 0);
    }
    ExpectStillRunning(saver.process);
    ::PostMessageA(saver.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectEndsPromptly(saver.process);
}

TEST(FullScreen, EndsOnPowerEventsAndDeactivation) {
    constexpr UINT kWmPower = 0x0048; // gone from modern headers
    constexpr WPARAM kNone = ~WPARAM{0};
    // Each row posts a notice that must leave the saver running (when it has one), then
    // one that must end it. WM_POWER: 1 is PWR_SUSPENDREQUEST, 3 PWR_CRITICALRESUME, 2
    // PWR_SUSPENDRESUME. WM_POWERBROADCAST: a suspend and a user's return end the run; a
    // laptop's battery level or power source (PBT_APMPOWERSTATUSCHANGE), a power setting
    // (PBT_POWERSETTINGCHANGE), a refused suspend (PBT_APMQUERYSUSPENDFAILED) and an
    // unattended wake (PBT_APMRESUMEAUTOMATIC) do not.
    // WM_ACTIVATEAPP 0: another program is active.
    const struct {
        UINT firstMessage;
        WPARAM harmless;
        UINT message;
        WPARAM ending;
    } cases[] = {
        {WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, WM_POWERBROADCAST, PBT_APMSUSPEND},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND},
        {WM_POWERBROADCAST, PBT_APMQUERYSUSPENDFAILED, WM_POWERBROADCAST, PBT_APMRESUMECRITICAL},
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND},
        {kWmPower, 2, kWmPower, 1},
        {kWmPower, kNone, kWmPower, 3},
        {WM_ACTIVATEAPP, kNone, WM_ACTIVATEAPP, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.message) + ", " + std::to_string(c.harmless) + " then " +
                     std::to_string(c.ending));
        RestMouse();
        RunningSaver saver;
        ASSERT_NE(saver.window, nullptr);
        if (c.harmless != kNone) {
            ::PostMessageA(saver.window, c.firstMessage, c.harmless, 0);
            ExpectStillRunning(saver.process);
        }
        ::PostMessageA(saver.window, c.message, c.ending, 0);
        ExpectEndsPromptly(saver.process);
    }
}

// A fault on any thread of the saver reaches its fault guard, which does its one duty and
// ends the whole process at once with 0: no crash dialog, no window left behind.
TEST(FullScreen, AFaultEndsTheProcessWithZero) {
    RestMouse();
    RunningSaver saver;
    ASSERT_NE(saver.window, nullptr);
    HANDLE process = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, saver.process.Id());
    ASSERT_NE(process, nullptr);
    // A thread that starts at an address nothing is mapped at faults at once.
    const auto nowhere = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<UINT_PTR>(0x10));
    HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, nowhere, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ::CloseHandle(thread);
    ::CloseHandle(process);
    ExpectEndsPromptly(saver.process);
    EXPECT_EQ(::FindWindowA("WindowsScreenSaverClass", "Screen Saver"), nullptr);
}

TEST(FullScreen, TitleNeverChanges) {
    RestMouse();
    RunningSaver saver;
    ASSERT_NE(saver.window, nullptr);
    ::SendMessageA(saver.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Something else"));
    char title[64] = {};
    ::GetWindowTextA(saver.window, title, sizeof(title));
    EXPECT_STREQ(title, "Screen Saver");
}

namespace {} // namespace

TEST(Preview, OpensInsideTheHostAndIgnoresInputUntilTheHostCloses) {
    for (const char* form : {"/p ", "/l   ", "/P"}) {
        SCOPED_TRACE(form);
        PreviewHost host(152, 112);
        SaverProcess saver(form + host.HandleText());
        ASSERT_TRUE(WaitUntil([&] { return host.Preview() != nullptr; }, kStartTimeoutMs));
        HWND preview = host.Preview();
        RECT rect = {};
        ::GetClientRect(preview, &rect);
        EXPECT_EQ(rect.right, 152);
        EXPECT_EQ(rect.bottom, 112);
        EXPECT_TRUE(::GetWindowLongA(preview, GWL_STYLE) & WS_CHILD);

        POINT centre = {76, 56};
        ::ClientToScreen(preview, &centre);
        MoveMouseTo(centre.x, centre.y);
        Pause(100);
        MoveMouseTo(centre.x + 40, centre.y + 30);
        ClickMouse();
        PressKey(VK_SPACE);
        ExpectStillRunning(saver);

        ::DestroyWindow(host.Window());
        ExpectEndsPromptly(saver);
    }
}

// Both reach the host with its own handle as wParam, and the preview goes on.
TEST(Preview, PassesTheContextMenuAndHelpRequestsToTheHost) {
    PreviewHost host(152, 112);
    SaverProcess saver("/p " + host.HandleText());
    ASSERT_TRUE(WaitUntil([&] { return host.Preview() != nullptr; }, kStartTimeoutMs));
    for (const auto& [message, passed] :
         {std::pair{UINT(WM_CONTEXTMENU), &PreviewHost::contextMenuWParam},
          std::pair{UINT(WM_HELP), &PreviewHost::helpWParam}}) {
        SCOPED_TRACE(message);
        // WM_HELP carries a HELPINFO and cannot be posted; the system copies it for a send.
        HELPINFO help = {sizeof(HELPINFO), HELPINFO_WINDOW, 0, host.Preview(), 0, {10, 10}};
        DWORD_PTR ignored = 0;
        if (message == WM_HELP) {
            ::SendMessageTimeoutA(host.Preview(), message, 0, reinterpret_cast<LPARAM>(&help),
                                  SMTO_NORMAL, kExitTimeoutMs, &ignored);
        } else {
            ::PostMessageA(host.Preview(), message, 0, MAKELPARAM(10, 10));
        }
        EXPECT_TRUE(WaitUntil([passed = passed] { return *passed != 0; }, kExitTimeoutMs));
        EXPECT_EQ(*passed, reinterpret_cast<WPARAM>(host.Window()));
    }
    ExpectStillRunning(saver);
    ::DestroyWindow(host.Window());
    ExpectEndsPromptly(saver);
}

namespace {

// A copy of the saver with the test's PASSWORD.CPL beside it, run as a Windows 98
// program, with the desktop's password setting and the verifier's answer as given.
class NinetyEightSaver {
  public:
    NinetyEightSaver(DWORD usePassword, DWORD answer)
        : version_("win98"), usePassword_(kDesktopKey, "ScreenSaveUsePassword", usePassword),
          answer_(kPasswordKey, "Answer", answer), calls_(kPasswordKey, "Calls", 0) {
        folder_ = ScratchFolder("win98");
        program_ = folder_ + "\\zarvane.scr";
        ::CopyFileA(SaverPath().c_str(), program_.c_str(), FALSE);
        for (const char* component : {"\\PASSWORD.CPL", "\\MPR.DLL"}) {
            ::CopyFileA((TestProgramFolder() + component).c_str(), (folder_ + component).c_str(),
                        FALSE);
        }
    }
    const std::string& Program() const { return program_; }
    static DWORD Calls() { return ReadRegistryDword(kPasswordKey, "Calls", 0); }

  private:
    static std::string TestProgramFolder() {
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string folder = path;
        return folder.substr(0, folder.find_last_of('\\'));
    }

    EmulatedWindowsVersion version_;
    RegistryValue usePassword_;
    RegistryValue answer_;
    RegistryValue calls_;
    std::string folder_;
    std::string program_;
};

} // namespace

// Each refusal is followed at once by another close request (see PASSWORD.CPL): within
// 200 ms of a refusal it is refused without asking; one 300 ms later asks again.
TEST(Password9x, WrongPasswordKeepsTheSaverAndTheRightOneEndsIt) {
    NinetyEightSaver setup(1, 0);
    RegistryValue closeAgain(kPasswordKey, "CloseAgain", 1);
    RestMouse();
    SaverProcess saver("/s", setup.Program());
    HWND window = WaitForSaverWindow(saver);
    ASSERT_NE(window, nullptr);
    PressKey(VK_SPACE);
    ASSERT_TRUE(WaitUntil([] { return NinetyEightSaver::Calls() == 1; }, kExitTimeoutMs));
    Pause(300);
    EXPECT_EQ(NinetyEightSaver::Calls(), 1u) << "asked again within 200 ms of a refusal";
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return NinetyEightSaver::Calls() == 2; }, kExitTimeoutMs))
        << "not asked again 300 ms after a refusal";
    ExpectStillRunning(saver);
    EXPECT_EQ(ReadRegistryDword(kPasswordKey, "Owner", 0),
              static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window)));

    // Jitter after a refused password does not ask again.
    POINT now = {};
    ::GetCursorPos(&now);
    MoveMouseTo(now.x + 2, now.y + 2);
    ExpectStillRunning(saver);
    EXPECT_EQ(NinetyEightSaver::Calls(), 2u);

    RegistryValue rightAnswer(kPasswordKey, "Answer", 1);
    PressKey(VK_SPACE);
    ExpectEndsPromptly(saver);
    EXPECT_EQ(NinetyEightSaver::Calls(), 3u);
}

TEST(Password9x, WithoutThePasswordSettingTheVerifierIsNeverAsked) {
    NinetyEightSaver setup(0, 0);
    RestMouse();
    SaverProcess saver("/s", setup.Program());
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    PressKey(VK_SPACE);
    ExpectEndsPromptly(saver);
    EXPECT_EQ(NinetyEightSaver::Calls(), 0u);
}

TEST(Password9x, AutoPlayIsCancelledOnlyWhilePasswordProtected) {
    const UINT autoplay = ::RegisterWindowMessageA("QueryCancelAutoPlay");
    for (DWORD usePassword : {1u, 0u}) {
        SCOPED_TRACE(usePassword);
        NinetyEightSaver setup(usePassword, 1);
        RestMouse();
        SaverProcess saver("/s", setup.Program());
        HWND window = WaitForSaverWindow(saver);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(::SendMessageA(window, autoplay, 0, 0), static_cast<LRESULT>(usePassword));
        ExpectEndsPromptly(saver);
    }
}

TEST(Password9x, ChangePasswordModeExitsZeroOn9xOnly) {
    {
        EmulatedWindowsVersion win98("win98");
        SaverProcess saver("/a 0");
        ASSERT_TRUE(saver.WaitForExit());
        EXPECT_EQ(saver.ExitCode(), 0);
    }
    SaverProcess saver("/a 0");
    ASSERT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), kExitInvalid);
}

// The change-password switch hands over to MPR.DLL's service for the "SCRSAVE" provider,
// owned by the window named on the command line, or by the foreground window when the
// number is no window.
TEST(Password9x, ChangePasswordModeCallsTheSystemServiceWithItsOwner) {
    NinetyEightSaver setup(0, 0);
    NativeDllForSaver nativeMpr("mpr");
    PreviewHost owner(80, 60);
    ::SetForegroundWindow(owner.Window());
    const DWORD ownerValue = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(owner.Window()));
    for (const std::string& arguments : {"/a " + owner.HandleText(), std::string("/a  99999")}) {
        SCOPED_TRACE(arguments);
        RegistryValue cleared(kPasswordKey, "ChangeOwner", 0);
        SaverProcess saver(arguments, setup.Program());
        ASSERT_TRUE(saver.WaitForExit());
        EXPECT_EQ(saver.ExitCode(), 0);
        EXPECT_EQ(ReadRegistryString(kPasswordKey, "ChangeProvider"), "SCRSAVE");
        EXPECT_EQ(ReadRegistryDword(kPasswordKey, "ChangeOwner", 0), ownerValue);
    }
}
