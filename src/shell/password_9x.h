#pragma once
// The 9x platform's screen-saver password: the system's verifier (PASSWORD.CPL) must agree
// before a full-screen run ends, the change-password service (MPR.DLL), and the system's
// saver-running state. Elsewhere every call here is a no-op or lets the run end at once.
#include <windows.h>

// What the saver's default handling does with a message of the full-screen run.
enum class PasswordStep {
    Answered,     // the close or verify request was answered here
    InputEndsRun, // no password path holds the run: input ends it as usual
    InputIgnored, // the run already ends, or the password dialog is up
};
PasswordStep StepThroughPassword(HWND window, UINT message, LRESULT* result);

// Once the run may end, painting, input and the frame timer no longer reach the saver's
// screen. True when the message was answered here.
bool AnswerWhileClosing(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// A password verifier is loaded: the run is protected.
bool PasswordProtected();

void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void ChangePassword(HWND owner);
// Tells the 9x system whether a saver runs (disables Ctrl+Alt+Del there); no-op elsewhere.
void SetSaverRunning(bool on);
