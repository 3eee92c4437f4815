// Mode dispatch, the saver window in its two forms, and the message loop.
#include "resource_ids.h"
#include "settings/config_dialog.h"
#include "shell/command_line.h"
#include "shell/password_9x.h"
#include "shell/shell.h"

ShellState shellState = {.instance = nullptr,
                         .platform9x = false,
                         .preview = false,
                         .saverWindow = nullptr,
                         .autoplayMessage = 0,
                         .imeModule = nullptr,
                         .associateContext = nullptr,
                         .savedInputContext = nullptr,
                         .mouseReference = {0, 0}};

namespace {

// Creates the saver window (full screen without a parent, preview inside one) and runs
// the message loop; returns the exit code.
int RunSaverWindow(HWND parent);
// Runs the configuration dialog modally over `owner` (may be null); returns its result.
INT_PTR ShowConfigDialog(HWND owner);

constexpr int kExitInvalid = -1;
constexpr DWORD kSaverClassStyle = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;

bool IsPlatform9x() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return ::GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// Faults cannot be caught with __try under MinGW; this filter keeps the 9x system's
// saver-running state from staying on when the saver dies. After a fault a lock may be
// left held, and ExitProcess would run DLL detach code that can wait on it for ever:
// the process ends at once instead.
LONG WINAPI OnUnhandledFault(EXCEPTION_POINTERS*) {
    SetSaverRunning(false);
    ::TerminateProcess(::GetCurrentProcess(), 0);
    return EXCEPTION_EXECUTE_HANDLER; // not reached
}

HWND ExistingWindow(uint32_t handle) {
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(SignExtendHandle(handle)));
    return handle != 0 && ::IsWindow(window) ? window : nullptr;
}

int RunPreview(uint32_t handle) {
    HWND host = ExistingWindow(handle);
    return host ? RunSaverWindow(host) : kExitInvalid;
}

int RunConfigure(const ModeRequest& request) {
    if (!request.hasOwnerSwitch) {
        return static_cast<int>(ShowConfigDialog(nullptr));
    }
    HWND owner = ExistingWindow(request.window);
    return static_cast<int>(ShowConfigDialog(owner ? owner : ::GetForegroundWindow()));
}

int RunChangePassword(uint32_t handle) {
    if (!shellState.platform9x) {
        return kExitInvalid;
    }
    HWND owner = ExistingWindow(handle);
    ChangePassword(owner ? owner : ::GetForegroundWindow());
    return 0;
}

WNDCLASSA SaverWindowClass() {
    WNDCLASSA windowClass = {};
    windowClass.style = kSaverClassStyle;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = shellState.instance;
    windowClass.hIcon = ::LoadIconA(shellState.instance, MAKEINTRESOURCEA(IDI_SAVER));
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverWindowClass;
    return windowClass;
}

// Brings an already running full-screen saver to the front; true when there is one.
bool RaiseRunningSaver() {
    HWND running = ::FindWindowA(kSaverWindowClass, kSaverWindowTitle);
    if (running == nullptr || !::IsWindow(running)) {
        return false;
    }
    ::SetForegroundWindow(running);
    return true;
}

int RunMessageLoop() {
    MSG message = {};
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int DispatchMode(HINSTANCE instance, const char* arguments) {
    shellState.instance = instance;
    shellState.platform9x = IsPlatform9x();
    ::SetUnhandledExceptionFilter(OnUnhandledFault);

    const ModeRequest request = ReadModeRequest(arguments);
    switch (request.mode) {
    case RunMode::Save:
        return RunSaverWindow(nullptr);
    case RunMode::Preview:
        return RunPreview(request.window);
    case RunMode::Configure:
        return RunConfigure(request);
    case RunMode::ChangePassword:
        return RunChangePassword(request.window);
    case RunMode::Invalid:
        break;
    }
    return kExitInvalid;
}

namespace {

int RunSaverWindow(HWND parent) {
    const WNDCLASSA windowClass = SaverWindowClass();
    RECT rect = {};
    DWORD style = 0;
    DWORD exStyle = 0;
    const char* title = nullptr;
    if (parent != nullptr) {
        ::GetClientRect(parent, &rect);
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        title = kPreviewWindowTitle;
        shellState.preview = true;
    } else {
        rect = ScreenRectangle();
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle = WS_EX_TOPMOST;
        title = kSaverWindowTitle;
        if (RaiseRunningSaver()) {
            return 0;
        }
        LoadPasswordVerifier();
    }
    if (shellState.platform9x) {
        shellState.autoplayMessage = ::RegisterWindowMessageA("QueryCancelAutoPlay");
    }

    int result = 0;
    HWND window = nullptr;
    if (::RegisterClassA(&windowClass)) {
        window = ::CreateWindowExA(exStyle, kSaverWindowClass, title, style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                   shellState.instance, nullptr);
    }
    if (window != nullptr) {
        if (parent == nullptr) {
            ::SetForegroundWindow(window);
        }
        result = RunMessageLoop();
    }
    UnloadPasswordVerifier();
    return result;
}

INT_PTR ShowConfigDialog(HWND owner) {
    return ::DialogBoxParamA(shellState.instance, MAKEINTRESOURCEA(IDD_CONFIG), owner,
                             ConfigDialogProc, 0);
}

} // namespace
