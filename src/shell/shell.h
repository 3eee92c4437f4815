#pragma once
// The screen-saver shell: process entry, run modes, the saver window's input handling and
// password check. Everything here runs on the user-interface thread. Only the shell
// includes this header; it hands the other subsystems what they need as parameters.
#include <windows.h>

constexpr char kSaverWindowClass[] = "WindowsScreenSaverClass";
constexpr char kSaverWindowTitle[] = "Screen Saver";
constexpr char kPreviewWindowTitle[] = "Preview";

// Sent through the whole procedure chain to ask for the system's password dialog.
constexpr UINT kVerifyRequestMessage = WM_APP;
// A close request this soon after a password dialog ended is refused without a dialog.
constexpr DWORD kCloseRepeatGuardMs = 200;
constexpr DWORD kNeverVerified = 0xFFFFFFFFu;

using VerifyPasswordFunction = BOOL(WINAPI*)(HWND owner);
using AssociateContextFunction = HANDLE(WINAPI*)(HWND window, HANDLE context);

struct ShellState {
    HINSTANCE instance;
    bool platform9x; // GetVersionExA reports VER_PLATFORM_WIN32_WINDOWS
    bool preview;    // the saver window lives inside a host window
    HWND saverWindow;
    UINT autoplayMessage; // "QueryCancelAutoPlay" on 9x, else 0

    bool closing;   // the run may end; never cleared once set
    bool verifying; // the password dialog is up
    HMODULE passwordModule;
    VerifyPasswordFunction verifyPassword;
    HMODULE imeModule;
    AssociateContextFunction associateContext;
    HANDLE savedInputContext;
    POINT mouseReference;
    DWORD lastVerifyTick; // kNeverVerified until a password dialog has ended
};

extern ShellState shellState;

// Picks the run mode from the argument text and runs it; returns the exit code.
int DispatchMode(HINSTANCE instance, const char* arguments);

// The virtual screen, in screen coordinates: on a desk of several monitors the box around
// all of them. The full-screen saver window covers it, at creation and after every
// WM_DISPLAYCHANGE.
RECT ScreenRectangle();

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Default handling of every saver message: input ends the run. Input over the globe
// reaches it too: the globe window passes it to its parent, the saver window.
LRESULT SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void ChangePassword(HWND owner);
// Tells the 9x system whether a saver runs (disables Ctrl+Alt+Del there); no-op elsewhere.
void SetSaverRunning(bool on);
