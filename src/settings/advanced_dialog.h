#pragma once
// The advanced options dialog (resource IDD_ADVANCED): connection kind, alternate feed
// host and wind unit. OK changes SaverSettings in memory only; the configuration dialog's
// OK writes them to WIN.INI, its Cancel drops them.
#include <windows.h>

// Runs the dialog modally over `parent`, the configuration dialog, from the template and
// pictures of module `instance`.
void ShowAdvancedDialog(HINSTANCE instance, HWND parent);
