#include "settings/dialog_controls.h"

HINSTANCE DialogInstance(HWND dialog) {
    return reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
}

bool IsChecked(HWND dialog, int id) {
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void SetChecked(HWND dialog, int id, bool on) {
    ::CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void EnableControl(HWND dialog, int id, bool on) {
    ::EnableWindow(::GetDlgItem(dialog, id), on ? TRUE : FALSE);
}

void SetControlText(HWND dialog, int id, const char* text) {
    ::SetDlgItemTextA(dialog, id, text);
}

void ReadControlText(HWND dialog, int id, char* text, int size) {
    ::GetDlgItemTextA(dialog, id, text, size);
}
