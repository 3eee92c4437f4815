#pragma once
// The configuration dialog (resource IDD_CONFIG): the five main options as check boxes
// over a painted picture, "&Advanced" for the advanced options dialog, and OK writing all
// of SaverSettings back to WIN.INI. Run modally by the shell; it ends
// with 1 however it is closed.
#include <windows.h>

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
