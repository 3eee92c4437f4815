#include "shell/main_window.h"
#include "shell/shell.h"

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SaverDefaultProc(window, message, wParam, lParam);
}
