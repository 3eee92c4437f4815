#pragma once
// The screen-saver shell: process entry, run modes, the saver window's input handling and
// password check. Everything here runs on the user-interface thread. Only the shell
// includes this header; it hands the other subsystems what they need as parameters.
#include <windows.h>

constexpr char kSaverWindowClass[] = "WindowsScreenSaverClass";
constexpr char kSaverWindowTitle[] = "Screen Saver";
constexpr char kPreviewWindowTitle[] = "Preview";

using AssociateContextFunction = HANDLE(WINAPI*)(HWND window, HANDLE context);

struct ShellState {
    HINSTANCE instance;
    bool platform9x; // GetVersionExA reports VER_PLATFORM_WIN32_WINDOWS
    bool preview;    // the saver window lives inside a host window
    HWND saverWindow;
    UINT autoplayMessage; // "QueryCancelAutoPlay" on 9x, else 0

    HMODULE imeModule;
    AssociateContextFunction associateContext;
    HANDLE savedInputContext;
    POINT mouseReference;
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

// A function looked up by name in a system component loaded at run time; null when the
// component lacks it. Going through void(*)() keeps the cast free of type warnings.
template <typename Function> Function LookUpFunction(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}
