#pragma once
#include <windows.h>

constexpr char kGlobeWindowClass[] = "ZRVSAVER";

// Procedure of the square child window in which the earth turns. Input over it is handed
// to the saver window's default handling, so it ends the run as it does elsewhere.
LRESULT CALLBACK GlobeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
