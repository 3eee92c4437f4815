#pragma once
// Drives the real zarvane.scr from another Win32 process: starts it, finds its windows,
// reads the screen, moves the mouse, presses keys, and sets WIN.INI and the registry.
// Every wait has a timeout and pumps this thread's messages, so windows of the saver that
// live inside windows of this process (the preview) never block on us.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings_keys.h"
#include "support/profile.h"
#include "support/registry.h"
#include "support/screen.h"
#include "support/wait.h"

namespace e2e {

using namespace support;

// A saver window must appear within this. Only a hang should reach it: the first Wine
// program in a fresh prefix on a loaded machine has taken more than 15 s to show a window.
constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 10000; // a bound that catches a hang, not a timing test
constexpr DWORD kSettleMs = 700;        // time to let the saver react to what it should ignore

// Windows path of the saver under test: ZARVANE_SCR (a Unix path is mapped to drive Z:).
std::string SaverPath();
// Folder of its own for a test (under the system's temporary folder), emptied first.
std::string ScratchFolder(const std::string& name);

class SaverProcess {
  public:
    // Starts `program` with the given argument text (the program name is added, quoted).
    explicit SaverProcess(const std::string& arguments, const std::string& program = SaverPath());
    ~SaverProcess(); // kills the process if it still runs
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }
    bool Running() const;
    bool WaitForExit(DWORD timeoutMs = kExitTimeoutMs);
    // The exit code as a signed number (-1 for 0xFFFFFFFF); meaningful after WaitForExit.
    int ExitCode() const;
    // The first visible top-level window of this process with the class (and title, when
    // given), waiting for it to appear.
    HWND WaitForWindow(const char* windowClass, const char* title = nullptr,
                       DWORD timeoutMs = kStartTimeoutMs) const;
    std::vector<HWND> TopLevelWindows() const;

  private:
    PROCESS_INFORMATION info_ = {};
};

// The full-screen saver's window, once it is visible and in the foreground.
HWND WaitForSaverWindow(const SaverProcess& saver);

// Waits until `window` is the foreground window; false if it never comes. While the
// foreground has gone to no window or to the desktop, asks for it for `window` as Windows
// lets another process (see AskForForeground in harness.cpp): Wine hands the foreground
// to the desktop when the X input focus moves to a window of another process, and keys
// sent then reach no window of the saver.
bool WaitForForeground(HWND window, DWORD timeoutMs = kStartTimeoutMs);

// Input, as the user would give it.
void MoveMouseTo(int x, int y);
void PressKey(WORD virtualKey);
void ClickMouse(DWORD downFlag = MOUSEEVENTF_LEFTDOWN, DWORD upFlag = MOUSEEVENTF_LEFTUP);

// A bitmap resource of the saver under test, as a device-dependent bitmap of the screen;
// the caller deletes it.
HBITMAP LoadSaverBitmap(int resourceId);
// The child of `parent` with the given class, waiting for it to appear; null if none.
HWND WaitForChild(HWND parent, const char* windowClass, DWORD timeoutMs = kStartTimeoutMs);
RECT WindowRectOf(HWND window);

// A top-level window of the test that hosts the preview, as the Display control panel's
// little monitor does. It records the context-menu request the preview passes on.
class PreviewHost {
  public:
    PreviewHost(int width, int height);
    ~PreviewHost();
    PreviewHost(const PreviewHost&) = delete;
    PreviewHost& operator=(const PreviewHost&) = delete;
    HWND Window() const { return window_; }
    std::string HandleText() const;
    HWND Preview() const; // the saver's preview window inside, or null
    // wParam of the last WM_CONTEXTMENU or WM_HELP the host received, by message.
    static WPARAM contextMenuWParam;
    static WPARAM helpWParam;

  private:
    HWND window_ = nullptr;
};

// The Windows version that Wine reports to zarvane.scr, set for one test (e.g. "win98").
class EmulatedWindowsVersion {
  public:
    explicit EmulatedWindowsVersion(const char* version);
    ~EmulatedWindowsVersion();
};

// Makes Wine load the DLL of that name from zarvane.scr's folder rather than its own
// builtin one, for one test.
class NativeDllForSaver {
  public:
    explicit NativeDllForSaver(const char* dll);
    ~NativeDllForSaver();

  private:
    std::string dll_;
};

// Presses a key while holding a modifier (VK_SHIFT, VK_CONTROL, VK_MENU).
void PressKeyWith(WORD modifier, WORD virtualKey);
// Types text with its keys: small letters, digits and '.' only.
void TypeText(const std::string& text);
// Moves the pointer to the centre of a window and clicks the left button there.
void ClickWindow(HWND window);
// Moves the pointer to a point of the screen and clicks the left button there.
void ClickAt(int x, int y);
// The window with the keyboard focus in the thread that owns `window`, or null.
HWND FocusOfThread(HWND window);
// The text of a window or control, which may belong to another process.
std::string WindowText(HWND window);

} // namespace e2e

namespace e2e {

// True when the thread that owns `window` answers a message within the timeout, that is
// when its message loop is running and not stuck.
bool Answers(HWND window, DWORD timeoutMs = kExitTimeoutMs);

// True when this program runs under Wine, where Unix programs can be started too.
bool RunningUnderWine();

// Asks `window` (of any process) to repaint all of itself, erasing first, and waits until
// it has painted; false if it has not within the timeout.
bool RepaintAndWait(HWND window, DWORD timeoutMs = kExitTimeoutMs);

// GDI objects held by a process (a handle with query and read access): what
// GetGuiResources(GR_GDIOBJECTS) reports, and the process's own (non-stock) entries in
// the GDI handle table that its PEB points to. Wine 8 reports 0 through the first and
// keeps the second per process; -1 when the table cannot be read.
struct GdiObjectCount {
    DWORD reported;
    int tableEntries;
};
GdiObjectCount CountGdiObjects(HANDLE process);

} // namespace e2e
