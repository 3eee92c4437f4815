// The 9x password path: a close request of the full-screen run first asks the system's
// verifier, through a message sent down the whole procedure chain, and is refused while
// its dialog is up or for a moment after a refusal.
#include "shell/password_9x.h"

#include "shell/shell.h"

namespace {

// Sent through the whole procedure chain to ask for the system's password dialog.
constexpr UINT kVerifyRequestMessage = WM_APP;
// A close request this soon after a password dialog ended is refused without a dialog.
constexpr DWORD kCloseRepeatGuardMs = 200;
constexpr DWORD kNeverVerified = 0xFFFFFFFFu;
constexpr UINT kSpiSetScreenSaverRunning = 97; // SPI_SETSCREENSAVERRUNNING

using VerifyPasswordFunction = BOOL(WINAPI*)(HWND owner);

struct PasswordState {
    bool closing;   // the run may end; never cleared once set
    bool verifying; // the password dialog is up
    HMODULE module;
    VerifyPasswordFunction verify;
    DWORD lastVerifyTick; // kNeverVerified until a password dialog has ended
};

PasswordState password = {.closing = false,
                          .verifying = false,
                          .module = nullptr,
                          .verify = nullptr,
                          .lastVerifyTick = kNeverVerified};

// Asks the verifier before the run may end; true when it may.
bool VerifyBeforeClose(HWND window) {
    if (password.verifying || password.closing) {
        return false;
    }
    if (password.verify == nullptr) {
        password.closing = true;
        return true;
    }
    const DWORD now = ::GetTickCount();
    if (password.lastVerifyTick != kNeverVerified &&
        now - password.lastVerifyTick < kCloseRepeatGuardMs) {
        return false;
    }
    password.verifying = true;
    MSG pending = {};
    for (int i = 0; i < 2; ++i) {
        ::PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    }
    const LRESULT accepted = ::SendMessageA(window, kVerifyRequestMessage, 0, 0);
    password.closing = accepted != 0;
    password.verifying = false;
    if (!password.closing) {
        ::SetCursor(nullptr);
    }
    password.lastVerifyTick = ::GetTickCount();
    return password.closing;
}

bool ReadsUsePassword() {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD usePassword = 0;
    DWORD size = sizeof(usePassword);
    const bool on =
        ::RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&usePassword), &size) == ERROR_SUCCESS &&
        usePassword != 0;
    ::RegCloseKey(key);
    return on;
}

} // namespace

PasswordStep StepThroughPassword(HWND window, UINT message, LRESULT* result) {
    if (password.closing) {
        return PasswordStep::InputIgnored;
    }
    if (shellState.platform9x && message == WM_CLOSE && !VerifyBeforeClose(window)) {
        ::GetCursorPos(&shellState.mouseReference);
        *result = 0;
        return PasswordStep::Answered;
    }
    if (shellState.platform9x && message == kVerifyRequestMessage) {
        *result = password.verify ? password.verify(window) : 1;
        return PasswordStep::Answered;
    }
    return password.verifying ? PasswordStep::InputIgnored : PasswordStep::InputEndsRun;
}

bool AnswerWhileClosing(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (!password.closing) {
        return false;
    }
    switch (message) {
    case WM_PAINT:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        *result = ::DefWindowProcA(window, message, wParam, lParam);
        return true;
    case WM_TIMER:
        *result = 0;
        return true;
    default:
        return false;
    }
}

bool PasswordProtected() {
    return password.verify != nullptr;
}

void LoadPasswordVerifier() {
    if (!shellState.platform9x) {
        return;
    }
    if (password.module != nullptr) {
        UnloadPasswordVerifier();
    }
    if (!ReadsUsePassword()) {
        return;
    }
    password.module = ::LoadLibraryA("PASSWORD.CPL");
    if (password.module == nullptr) {
        return;
    }
    password.verify =
        LookUpFunction<VerifyPasswordFunction>(password.module, "VerifyScreenSavePwd");
    if (password.verify != nullptr) {
        SetSaverRunning(true);
    } else {
        UnloadPasswordVerifier();
    }
}

void UnloadPasswordVerifier() {
    if (!shellState.platform9x || password.module == nullptr) {
        return;
    }
    ::FreeLibrary(password.module);
    password.module = nullptr;
    if (password.verify != nullptr) {
        password.verify = nullptr;
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
