#pragma once
#include <windows.h>

// Procedure of the configuration dialog (resource IDD_CONFIG), run modally by the shell.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
