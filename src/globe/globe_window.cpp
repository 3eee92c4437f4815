#include "globe/globe_window.h"

#include "shell/shell.h"

LRESULT CALLBACK GlobeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
    case WM_SETCURSOR:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCOMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return SaverDefaultProc(shellState.saverWindow, message, wParam, lParam);
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}
