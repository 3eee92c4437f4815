#include "settings/config_dialog.h"

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, 1);
        }
        return TRUE;
    case WM_CLOSE:
        ::EndDialog(dialog, 1);
        return 0;
    default:
        return 0;
    }
}
