#pragma once
// Control helpers shared by the two configuration dialogs.
#include <windows.h>

// The module the dialog was created from: the one that holds its template and pictures.
HINSTANCE DialogInstance(HWND dialog);

bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool on);
void EnableControl(HWND dialog, int id, bool on);
// Text of an edit control, at most `size` bytes with the terminating zero.
void SetControlText(HWND dialog, int id, const char* text);
void ReadControlText(HWND dialog, int id, char* text, int size);
