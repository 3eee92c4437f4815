#include "settings/advanced_dialog.h"

#include "resource_ids.h"
#include "settings/dialog_background.h"
#include "settings/dialog_ids.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace {

constexpr INT_PTR kDialogResult = 1; // the result whichever way the dialog is closed
// The part of the 400 x 315 picture that is drawn: its last column never is.
constexpr SIZE kPictureSource = {399, 315};

bool IsChecked(HWND dialog, int id) {
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Check(HWND dialog, int id) {
    ::CheckDlgButton(dialog, id, BST_CHECKED);
}

void Enable(HWND dialog, int id, bool on) {
    ::EnableWindow(::GetDlgItem(dialog, id), on ? TRUE : FALSE);
}

// Centred horizontally on the configuration dialog; the top at a quarter of that
// dialog's bottom coordinate on the screen.
void PlaceOverParent(HWND dialog) {
    RECT parent = {};
    RECT client = {};
    ::GetWindowRect(::GetWindow(dialog, GW_OWNER), &parent);
    ::GetClientRect(dialog, &client);
    const int left = parent.left + (parent.right - parent.left) / 2 - client.right / 2;
    const int top = parent.bottom / 4;
    ::SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// An edit box shows its stored text only while its option is on; otherwise it stays
// empty and disabled, as the template leaves it.
void LoadConnection(HWND dialog) {
    if (saverSettings.useProxy == 1) {
        Check(dialog, IDC_USE_PROXY);
        ::SetDlgItemTextA(dialog, IDC_PROXY_NAME, saverSettings.proxyName);
        Enable(dialog, IDC_PROXY_NAME, true);
    } else {
        Check(dialog, saverSettings.direct == 1 ? IDC_DIRECT : IDC_SYSTEM_INTERNET);
    }
    if (saverSettings.alternate == 1) {
        Check(dialog, IDC_ALTERNATE);
        ::SetDlgItemTextA(dialog, IDC_ALTERNATE_HOST, saverSettings.alternateHost);
        Enable(dialog, IDC_ALTERNATE_HOST, true);
    }
}

// A hand-edited profile with no unit set to exactly 1 leaves every unit button clear.
void LoadUnits(HWND dialog) {
    if (saverSettings.english == 1) {
        Check(dialog, IDC_ENGLISH);
    }
    if (saverSettings.si == 1) {
        Check(dialog, IDC_SI);
    }
    if (saverSettings.knots == 1) {
        Check(dialog, IDC_KNOTS);
    }
}

void ReadControls(HWND dialog) {
    saverSettings.alternate = IsChecked(dialog, IDC_ALTERNATE) ? 1 : 0;
    saverSettings.useProxy = IsChecked(dialog, IDC_USE_PROXY) ? 1 : 0;
    saverSettings.direct = IsChecked(dialog, IDC_DIRECT) ? 1 : 0;
    saverSettings.english = IsChecked(dialog, IDC_ENGLISH) ? 1 : 0;
    saverSettings.si = IsChecked(dialog, IDC_SI) ? 1 : 0;
    saverSettings.knots = IsChecked(dialog, IDC_KNOTS) ? 1 : 0;
    // Both texts are taken whatever their options say; the limit keeps 79 characters.
    ::GetDlgItemTextA(dialog, IDC_PROXY_NAME, saverSettings.proxyName, kSettingsTextSize);
    ::GetDlgItemTextA(dialog, IDC_ALTERNATE_HOST, saverSettings.alternateHost, kSettingsTextSize);
}

void PaintBackground(HWND dialog, HDC dc) {
    RECT client = {};
    ::GetClientRect(dialog, &client);
    const bool stretch = client.right > kPictureSource.cx || client.bottom > kPictureSource.cy;
    PaintDialogPicture(dialog, dc, IDB_ADVANCED_BG, kPictureSource, stretch);
}

void OnInitDialog(HWND dialog) {
    PlaceOverParent(dialog);
    LoadConnection(dialog);
    LoadUnits(dialog);
    ::ShowWindow(dialog, SW_SHOW);
    ::UpdateWindow(dialog);
}

// Button clicks keep the edit boxes enabled exactly while their options are on.
void OnButtonClick(HWND dialog, int id) {
    switch (id) {
    case IDC_USE_PROXY:
        ::CheckDlgButton(dialog, IDC_DIRECT, BST_UNCHECKED);
        ::CheckDlgButton(dialog, IDC_SYSTEM_INTERNET, BST_UNCHECKED);
        Enable(dialog, IDC_PROXY_NAME, true);
        break;
    case IDC_SYSTEM_INTERNET:
    case IDC_DIRECT:
        Enable(dialog, IDC_PROXY_NAME, false); // its text stays
        break;
    default:
        break;
    }
    Enable(dialog, IDC_ALTERNATE_HOST, IsChecked(dialog, IDC_ALTERNATE));
}

void OnCommand(HWND dialog, WPARAM wParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        OnButtonClick(dialog, LOWORD(wParam));
    }
    switch (LOWORD(wParam)) {
    case IDOK:
        ReadControls(dialog);
        ::EndDialog(dialog, kDialogResult);
        break;
    case IDCANCEL:
        ::EndDialog(dialog, kDialogResult);
        break;
    default:
        break;
    }
    // The transparent controls draw over what is already there: repaint the picture.
    ::InvalidateRect(dialog, nullptr, TRUE);
}

} // namespace

void ShowAdvancedDialog(HWND parent) {
    ::DialogBoxParamA(shellState.instance, MAKEINTRESOURCEA(IDD_ADVANCED), parent,
                      AdvancedDialogProc, 0);
}

INT_PTR CALLBACK AdvancedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_ERASEBKGND:
        PaintBackground(dialog, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_CTLCOLORSTATIC:
        return TransparentControlColours(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
        OnCommand(dialog, wParam);
        return 0;
    case WM_CLOSE:
        ::EndDialog(dialog, kDialogResult);
        return 0;
    default:
        return 0;
    }
}
