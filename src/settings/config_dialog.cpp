#include "settings/config_dialog.h"

#include "resource_ids.h"
#include "settings/advanced_dialog.h"
#include "settings/dialog_background.h"
#include "settings/dialog_controls.h"
#include "settings/dialog_ids.h"
#include "settings/dialog_states.h"
#include "settings/settings.h"

namespace {

constexpr INT_PTR kDialogResult = 1; // the result whichever way the dialog is closed
constexpr SIZE kPictureSize = {400, 360};

constexpr char kNoticeCaption[] = "Notice";
constexpr char kNotSavedNotice[] = "Your settings could not be saved.\n"
                                   "Press OK to try again, or Cancel to leave them as they were.";
constexpr char kHardwareNotice[] = "Selecting this option causes the screen saver\n"
                                   "to search for and use an OpenGL compatible 3D\n"
                                   "graphics card. If the screen saver does not function\n"
                                   "properly with this option enabled you may need an\n"
                                   "updated driver from your graphics card vendor.\n"
                                   "Normal unaccelerated operation can always be restored\n"
                                   "by turning this option back off.";

// "Show Night side" means nothing on an unlit globe, so it is cleared and greyed out.
void DisableNightSide(HWND dialog) {
    SetChecked(dialog, IDC_NIGHT_SIDE, false);
    EnableControl(dialog, IDC_NIGHT_SIDE, false);
}

void LoadControls(HWND dialog) {
    saverSettings.Load();
    const ConfigControls controls = ConfigControlsFromSettings(saverSettings);
    SetChecked(dialog, IDC_SHOW_DETAILS, controls.showDetails);
    SetChecked(dialog, IDC_INTERNET, controls.internet);
    SetChecked(dialog, IDC_NIGHT_SIDE, controls.nightSide);
    SetChecked(dialog, IDC_DISABLE_LIGHTING, controls.disableLighting);
    EnableControl(dialog, IDC_NIGHT_SIDE, controls.nightSideEnabled);
    SetChecked(dialog, IDC_USE_HARDWARE, controls.useHardware);
}

void ReadControls(HWND dialog) {
    ConfigControls controls = {};
    controls.showDetails = IsChecked(dialog, IDC_SHOW_DETAILS);
    controls.internet = IsChecked(dialog, IDC_INTERNET);
    controls.disableLighting = IsChecked(dialog, IDC_DISABLE_LIGHTING);
    controls.nightSide = IsChecked(dialog, IDC_NIGHT_SIDE);
    controls.useHardware = IsChecked(dialog, IDC_USE_HARDWARE);
    StoreConfigControls(controls, saverSettings);
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
        EnableControl(dialog, IDC_NIGHT_SIDE, true);
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

// A write that did not reach the store the saver reads first is told, and the dialog
// stays open with the user's choices.
void OnOk(HWND dialog) {
    ReadControls(dialog);
    if (!saverSettings.Save()) {
        ::MessageBoxA(dialog, kNotSavedNotice, kNoticeCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    ::EndDialog(dialog, kDialogResult);
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
        ShowAdvancedDialog(DialogInstance(dialog), dialog);
        return;
    case IDOK:
        OnOk(dialog);
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
