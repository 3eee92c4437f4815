// The saver window's own procedure and the default handling every saver message ends in:
// input ends the run, and on the 9x platform the system's password dialog must agree.
#include "shell/main_window.h"
#include "shell/mouse_travel.h"
#include "shell/password_9x.h"
#include "shell/run_input.h"
#include "shell/shell.h"

namespace {

static_assert(kSystemCommandNextWindow == SC_NEXTWINDOW &&
              kSystemCommandPrevWindow == SC_PREVWINDOW &&
              kSystemCommandScreenSave == SC_SCREENSAVE);

constexpr UINT kWmPower = 0x0048;          // WM_POWER, gone from modern headers
constexpr WPARAM kPowerSuspendRequest = 1; // PWR_SUSPENDREQUEST of WM_POWER
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

// The one place the run's message loop is told to end: the saver window, full screen or
// preview, is the last of the run's windows to go.
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
    LRESULT result = 0;
    if (AnswerWhileClosing(window, message, wParam, lParam, &result)) {
        return result;
    }
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
    case WM_DISPLAYCHANGE:
        if (!shellState.preview) {
            OnDisplayChange(window);
        }
        return MainWindowProc(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        if (!shellState.preview && IsSwallowedSystemCommand(static_cast<unsigned>(wParam))) {
            return 0;
        }
        return MainWindowProc(window, message, wParam, lParam);
    case WM_TIMER:
        ::Sleep(0);
        return MainWindowProc(window, message, wParam, lParam);
    default:
        return MainWindowProc(window, message, wParam, lParam);
    }
}

LRESULT SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!shellState.preview) {
        LRESULT result = 0;
        const PasswordStep step = StepThroughPassword(window, message, &result);
        if (step == PasswordStep::Answered ||
            (step == PasswordStep::InputEndsRun &&
             HandleRunningInput(window, message, wParam, &result))) {
            return result;
        }
    }
    if (shellState.autoplayMessage != 0 && message == shellState.autoplayMessage) {
        PostClose(window);
        return PasswordProtected() ? 1 : 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}
