#include "settings/advanced_dialog.h"

#include "resource_ids.h"
#include "settings/dialog_background.h"
#include "settings/dialog_controls.h"
#include "settings/dialog_ids.h"
#include "settings/dialog_states.h"
#include "settings/settings.h"

namespace {

constexpr INT_PTR kDialogResult = 1; // the result whichever way the dialog is closed
// The part of the 400 x 315 picture that is drawn: its last column never is.
constexpr SIZE kPictureSource = {399, 315};

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

// An edit box gets its stored text only while its option is on; otherwise it stays empty,
// as the template leaves it.
void ShowEditText(HWND dialog, int id, bool enabled, const char* text) {
    if (enabled) {
        SetControlText(dialog, id, text);
    }
    EnableControl(dialog, id, enabled);
}

void LoadControls(HWND dialog) {
    const AdvancedControls controls = AdvancedControlsFromSettings(saverSettings);
    SetChecked(dialog, IDC_USE_PROXY, controls.useProxy);
    SetChecked(dialog, IDC_SYSTEM_INTERNET, controls.systemInternet);
    SetChecked(dialog, IDC_DIRECT, controls.direct);
    ShowEditText(dialog, IDC_PROXY_NAME, controls.proxyNameEnabled, saverSettings.proxyName);
    SetChecked(dialog, IDC_ALTERNATE, controls.alternate);
    ShowEditText(dialog, IDC_ALTERNATE_HOST, controls.alternateHostEnabled,
                 saverSettings.alternateHost);
    SetChecked(dialog, IDC_ENGLISH, controls.english);
    SetChecked(dialog, IDC_SI, controls.si);
    SetChecked(dialog, IDC_KNOTS, controls.knots);
}

void ReadControls(HWND dialog) {
    AdvancedControls controls = {};
    controls.alternate = IsChecked(dialog, IDC_ALTERNATE);
    controls.useProxy = IsChecked(dialog, IDC_USE_PROXY);
    controls.direct = IsChecked(dialog, IDC_DIRECT);
    controls.english = IsChecked(dialog, IDC_ENGLISH);
    controls.si = IsChecked(dialog, IDC_SI);
    controls.knots = IsChecked(dialog, IDC_KNOTS);
    StoreAdvancedControls(controls, saverSettings);
    // Both texts are taken whatever their options say; the limit keeps 79 characters.
    ReadControlText(dialog, IDC_PROXY_NAME, saverSettings.proxyName, kSettingsTextSize);
    ReadControlText(dialog, IDC_ALTERNATE_HOST, saverSettings.alternateHost, kSettingsTextSize);
}

void PaintBackground(HWND dialog, HDC dc) {
    RECT client = {};
    ::GetClientRect(dialog, &client);
    const bool stretch = client.right > kPictureSource.cx || client.bottom > kPictureSource.cy;
    PaintDialogPicture(dialog, dc, IDB_ADVANCED_BG, kPictureSource, stretch);
}

void OnInitDialog(HWND dialog) {
    PlaceOverParent(dialog);
    LoadControls(dialog);
    ::ShowWindow(dialog, SW_SHOW);
    ::UpdateWindow(dialog);
}

// Button clicks keep the edit boxes enabled exactly while their options are on.
void OnButtonClick(HWND dialog, int id) {
    switch (id) {
    case IDC_USE_PROXY:
        SetChecked(dialog, IDC_DIRECT, false);
        SetChecked(dialog, IDC_SYSTEM_INTERNET, false);
        EnableControl(dialog, IDC_PROXY_NAME, true);
        break;
    case IDC_SYSTEM_INTERNET:
    case IDC_DIRECT:
        EnableControl(dialog, IDC_PROXY_NAME, false); // its text stays
        break;
    default:
        break;
    }
    EnableControl(dialog, IDC_ALTERNATE_HOST, IsChecked(dialog, IDC_ALTERNATE));
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

} // namespace

void ShowAdvancedDialog(HINSTANCE instance, HWND parent) {
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ADVANCED), parent, AdvancedDialogProc, 0);
}
