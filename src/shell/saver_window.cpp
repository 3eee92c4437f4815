// The saver window's own procedure and the default handling every saver message ends in:
// input ends the run, and on the 9x platform the system's password dialog must agree.
#include "shell/main_window.h"
#include "shell/mouse_travel.h"
#include "shell/shell.h"

namespace {

// A function looked up by name in a system component loaded at run time; null when the
// component lacks it. Going through void(*)() keeps the cast free of type warnings.
template <typename Function> Function LookUpFunction(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// On the 9x platform with a password verifier: asks it before the run may end.
BOOL VerifyBeforeClose(HWND window);

constexpr UINT kSpiSetScreenSaverRunning = 97; // SPI_SETSCREENSAVERRUNNING
constexpr UINT kWmPower = 0x0048;              // WM_POWER, gone from modern headers
constexpr WPARAM kPowerSuspendRequest = 1;     // PWR_SUSPENDREQUEST of WM_POWER
// PWR_CRITICALRESUME: also ends the run, as the value long taken for the suspend request.
constexpr WPARAM kPowerCriticalResume = 3;
constexpr UINT kHelpToHostTimeoutMs = 1000;

void HideCursor() {
    ::SetCursor(nullptr);
}

void PostClose(HWND window) {
    ::PostMessageA(window, WM_CLOSE, 0, 0);
}

void OnSaverCreate(HWND window) {
    shellState.saverWindow = window;
    // The saver never loads the IME itself; it only switches off one that is there.
    shellState.imeModule = ::GetModuleHandleA("IMM32.DLL");
    if (shellState.imeModule != nullptr) {
        shellState.associateContext =
            LookUpFunction<AssociateContextFunction>(shellState.imeModule, "ImmAssociateContext");
        if (shellState.associateContext != nullptr) {
            shellState.savedInputContext = shellState.associateContext(window, nullptr);
        }
    }
    ::GetCursorPos(&shellState.mouseReference);
    if (!shellState.preview) {
        HideCursor();
    }
}

void OnSaverDestroy(HWND window) {
    if (shellState.imeModule && shellState.associateContext && shellState.savedInputContext) {
        shellState.associateContext(window, shellState.savedInputContext);
    }
    ::PostQuitMessage(0);
}

// Help and the context menu belong to the host window of the preview. WM_HELP carries a
// pointer (HELPINFO), and the system refuses to post such a message
// (ERROR_MESSAGE_SYNC_ONLY): it is sent, and the system copies the HELPINFO across to the
// host's process; a host that hangs does not hold the preview for longer than the bound.
LRESULT PassToPreviewHost(HWND window, UINT message, LPARAM lParam) {
    HWND host = ::GetParent(window);
    if (host == nullptr || !::IsWindow(host)) {
        return 1;
    }
    const WPARAM hostHandle = reinterpret_cast<WPARAM>(host);
    if (message == WM_HELP) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutA(host, message, hostHandle, lParam, SMTO_ABORTIFHUNG,
                              kHelpToHostTimeoutMs, &ignored);
    } else {
        ::PostMessageA(host, message, hostHandle, lParam);
    }
    return 1;
}

// A monitor added, removed or rearranged: the window covers the new box, and the mouse
// is measured afresh, since the same spot may now have other coordinates (and the system
// may have moved the pointer off a monitor that went away).
void OnDisplayChange(HWND window) {
    const RECT box = ScreenRectangle();
    ::SetWindowPos(window, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetCursorPos(&shellState.mouseReference);
}

bool IsSwallowedSystemCommand(WPARAM command) {
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

void OnMouseMove(HWND window) {
    POINT now = {};
    ::GetCursorPos(&now);
    const POINT& reference = shellState.mouseReference;
    if (IsMouseBeyondJitter(reference.x, reference.y, now.x, now.y)) {
        PostClose(window);
        shellState.mouseReference = now;
    }
}

// A machine going to sleep, and a user's return from sleep, end the run. The others do
// not: a laptop on battery gets PBT_APMPOWERSTATUSCHANGE every few percent of charge and
// whenever its power source changes, and PBT_APMRESUMEAUTOMATIC comes with every resume,
// a wake timer's included, with nobody at the machine.
bool IsSuspendOrResume(WPARAM event) {
    switch (event) {
    case PBT_APMQUERYSUSPEND:
    case PBT_APMQUERYSTANDBY:
    case PBT_APMSUSPEND:
    case PBT_APMSTANDBY:
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMESTANDBY:
        return true;
    default:
        return false;
    }
}

// Input and system events that end the run. Returns true when the message was answered
// here (WM_SETCURSOR), false when handling goes on.
bool HandleRunningInput(HWND window, UINT message, WPARAM wParam, LRESULT* result) {
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != 0) {
            HideCursor();
        }
        return false;
    case WM_ACTIVATEAPP:
        if (wParam == 0) {
            PostClose(window);
        }
        return false;
    case WM_SETCURSOR:
        HideCursor();
        *result = 1;
        return true;
    case kWmPower:
        if (wParam == kPowerSuspendRequest || wParam == kPowerCriticalResume) {
            PostClose(window);
        }
        return false;
    case WM_POWERBROADCAST:
        if (IsSuspendOrResume(wParam)) {
            PostClose(window);
        }
        return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        PostClose(window);
        return false;
    case WM_MOUSEMOVE:
        OnMouseMove(window);
        return false;
    default:
        return false;
    }
}

// Close and verify requests while the full-screen saver runs. Returns true when the
// message was answered here.
bool HandleCloseRequest(HWND window, UINT message, LRESULT* result) {
    if (!shellState.platform9x) {
        return false;
    }
    if (message == WM_CLOSE && !VerifyBeforeClose(window)) {
        ::GetCursorPos(&shellState.mouseReference);
        *result = 0;
        return true;
    }
    if (message == kVerifyRequestMessage) {
        *result = shellState.verifyPassword ? shellState.verifyPassword(window) : 1;
        return true;
    }
    return false;
}

} // namespace

// The metrics, not the screen's clip box: they are what the system reports when it sends
// WM_DISPLAYCHANGE (Wine still gives the old clip box then), and one source keeps the
// window's box at creation and after a change the same.
RECT ScreenRectangle() {
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
            top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnSaverCreate(window);
        return MainWindowProc(window, message, wParam, lParam);
    case WM_DESTROY:
        OnSaverDestroy(window);
        return MainWindowProc(window, message, wParam, lParam);
    case WM_SETTEXT:
        return 0; // the title is the running-saver marker; it never changes
    case WM_PAINT:
        if (shellState.closing) {
            return ::DefWindowProcA(window, message, wParam, lParam);
        }
        if (!shellState.preview) {
            HideCursor();
        }
        return MainWindowProc(window, message, wParam, lParam);
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (shellState.preview) {
            return PassToPreviewHost(window, message, lParam);
        }
        return MainWindowProc(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (shellState.closing) {
            return ::DefWindowProcA(window, message, wParam, lParam);
        }
        return MainWindowProc(window, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
        if (!shellState.preview) {
            OnDisplayChange(window);
        }
        return MainWindowProc(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        if (!shellState.preview && IsSwallowedSystemCommand(wParam)) {
            return 0;
        }
        return MainWindowProc(window, message, wParam, lParam);
    case WM_TIMER:
        if (shellState.closing) {
            return 0;
        }
        ::Sleep(0);
        return MainWindowProc(window, message, wParam, lParam);
    default:
        return MainWindowProc(window, message, wParam, lParam);
    }
}

LRESULT SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!shellState.preview && !shellState.closing) {
        LRESULT result = 0;
        if (HandleCloseRequest(window, message, &result)) {
            return result;
        }
        if (!shellState.verifying && HandleRunningInput(window, message, wParam, &result)) {
            return result;
        }
    }
    if (shellState.autoplayMessage != 0 && message == shellState.autoplayMessage) {
        PostClose(window);
        return shellState.verifyPassword ? 1 : 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

namespace {

BOOL VerifyBeforeClose(HWND window) {
    if (shellState.verifying || shellState.closing) {
        return FALSE;
    }
    if (shellState.verifyPassword == nullptr) {
        shellState.closing = true;
        return TRUE;
    }
    const DWORD now = ::GetTickCount();
    if (shellState.lastVerifyTick != kNeverVerified &&
        now - shellState.lastVerifyTick < kCloseRepeatGuardMs) {
        return FALSE;
    }
    shellState.verifying = true;
    MSG pending = {};
    for (int i = 0; i < 2; ++i) {
        ::PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    }
    const LRESULT accepted = ::SendMessageA(window, kVerifyRequestMessage, 0, 0);
    shellState.closing = accepted != 0;
    shellState.verifying = false;
    if (!shellState.closing) {
        HideCursor();
    }
    shellState.lastVerifyTick = ::GetTickCount();
    return shellState.closing;
}

} // namespace

void LoadPasswordVerifier() {
    if (!shellState.platform9x) {
        return;
    }
    if (shellState.passwordModule != nullptr) {
        UnloadPasswordVerifier();
    }
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD usePassword = 0;
    DWORD size = sizeof(usePassword);
    if (::RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&usePassword), &size) == ERROR_SUCCESS &&
        usePassword != 0) {
        shellState.passwordModule = ::LoadLibraryA("PASSWORD.CPL");
        if (shellState.passwordModule != nullptr) {
            shellState.verifyPassword = LookUpFunction<VerifyPasswordFunction>(
                shellState.passwordModule, "VerifyScreenSavePwd");
            if (shellState.verifyPassword != nullptr) {
                SetSaverRunning(true);
            } else {
                UnloadPasswordVerifier();
            }
        }
    }
    ::RegCloseKey(key);
}

void UnloadPasswordVerifier() {
    if (!shellState.platform9x || shellState.passwordModule == nullptr) {
        return;
    }
    ::FreeLibrary(shellState.passwordModule);
    shellState.passwordModule = nullptr;
    if (shellState.verifyPassword != nullptr) {
        shellState.verifyPassword = nullptr;
        SetSaverRunning(false);
    }
}

void ChangePassword(HWND owner) {
    using ChangePasswordFunction = DWORD(WINAPI*)(const char*, HWND, DWORD, void*);
    HMODULE module = ::LoadLibraryA("MPR.DLL");
    if (module == nullptr) {
        return;
    }
    auto change = LookUpFunction<ChangePasswordFunction>(module, "PwdChangePasswordA");
    if (change != nullptr) {
        change("SCRSAVE", owner, 0, nullptr);
    }
    ::FreeLibrary(module);
}

void SetSaverRunning(bool on) {
    if (!shellState.platform9x) {
        return;
    }
    BOOL previous = on ? TRUE : FALSE;
    ::SystemParametersInfoA(kSpiSetScreenSaverRunning, previous, &previous, 0);
}
