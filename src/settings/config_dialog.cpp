#include "settings/config_dialog.h"

#include "resource_ids.h"
#include "settings/advanced_dialog.h"
#include "settings/dialog_background.h"
#include "settings/dialog_ids.h"
#include "settings/settings.h"

namespace {

constexpr INT_PTR kDialogResult = 1; // the result whichever way the dialog is closed
constexpr SIZE kPictureSize = {400, 360};

constexpr char kNoticeCaption[] = "Notice";
constexpr char kHardwareNotice[] = "Selecting this option causes the screen saver\n"
                                   "to search for and use an OpenGL compatible 3D\n"
                                   "graphics card. If the screen saver does not function\n"
                                   "properly with this option enabled you may need an\n"
                                   "updated driver from your graphics card vendor.\n"
                                   "Normal unaccelerated operation can always be restored\n"
                                   "by turning this option back off.";

bool IsChecked(HWND dialog, int id) {
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Check(HWND dialog, int id, bool on) {
    ::CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// "Show Night side" means nothing on an unlit globe, so it is cleared and greyed out.
void DisableNightSide(HWND dialog) {
    Check(dialog, IDC_NIGHT_SIDE, false);
    ::EnableWindow(::GetDlgItem(dialog, IDC_NIGHT_SIDE), FALSE);
}

// Fills the check boxes from the stored settings. "ShowDetails" counts only when exactly
// 1; the other flags count when nonzero.
void LoadControls(HWND dialog) {
    saverSettings.Load();
    Check(dialog, IDC_SHOW_DETAILS, saverSettings.showDetails == 1);
    Check(dialog, IDC_INTERNET, saverSettings.internet != 0);
    Check(dialog, IDC_NIGHT_SIDE, saverSettings.nightSide != 0);
    if (saverSettings.lighting == 0) {
        Check(dialog, IDC_DISABLE_LIGHTING, true);
        DisableNightSide(dialog);
    }
    Check(dialog, IDC_USE_HARDWARE, saverSettings.useHardware != 0);
}

void ReadControls(HWND dialog) {
    saverSettings.showDetails = IsChecked(dialog, IDC_SHOW_DETAILS) ? 1 : 0;
    saverSettings.internet = IsChecked(dialog, IDC_INTERNET) ? 1 : 0;
    saverSettings.nightSide = IsChecked(dialog, IDC_NIGHT_SIDE) ? 1 : 0;
    saverSettings.lighting = IsChecked(dialog, IDC_DISABLE_LIGHTING) ? 0 : 1;
    saverSettings.useHardware = IsChecked(dialog, IDC_USE_HARDWARE) ? 1 : 0;
}

void PaintBackground(HWND dialog, HDC dc) {
    RECT client = {};
    ::GetClientRect(dialog, &client);
    const bool stretch = client.right >= kPictureSize.cx && client.bottom >= kPictureSize.cy;
    PaintDialogPicture(dialog, dc, IDB_CONFIG_BG, kPictureSize, stretch);
}

void OnDisableLighting(HWND dialog) {
    if (IsChecked(dialog, IDC_DISABLE_LIGHTING)) {
        DisableNightSide(dialog);
    } else {
        ::EnableWindow(::GetDlgItem(dialog, IDC_NIGHT_SIDE), TRUE);
    }
}

// The flag follows the box, which has already flipped; the notice comes with every
// turning on. A stored value other than 0 or 1 therefore never brings the notice up
// while the user turns the option off.
void OnUseHardware(HWND dialog) {
    const bool on = IsChecked(dialog, IDC_USE_HARDWARE);
    saverSettings.useHardware = on ? 1 : 0;
    if (on) {
        ::MessageBoxA(dialog, kHardwareNotice, kNoticeCaption, MB_OK | MB_ICONINFORMATION);
    }
}

void OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDC_DISABLE_LIGHTING:
        OnDisableLighting(dialog);
        return;
    case IDC_USE_HARDWARE:
        OnUseHardware(dialog);
        return;
    case IDC_ADVANCED:
        ShowAdvancedDialog(dialog);
        return;
    case IDOK:
        ReadControls(dialog);
        saverSettings.Save();
        ::EndDialog(dialog, kDialogResult);
        return;
    case IDCANCEL:
        ::EndDialog(dialog, kDialogResult);
        return;
    default:
        return;
    }
}

} // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        LoadControls(dialog);
        ::ShowWindow(dialog, SW_SHOW);
        ::UpdateWindow(dialog);
        return TRUE;
    case WM_ERASEBKGND:
        PaintBackground(dialog, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_CTLCOLORSTATIC:
        return TransparentControlColours(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        ::EndDialog(dialog, kDialogResult);
        return 0;
    default:
        return 0;
    }
}
