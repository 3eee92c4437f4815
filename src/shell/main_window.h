#pragma once
#include <windows.h>

// The application's procedure behind the saver window: layout, feed thread, globe window
// and banner. Every message it does not handle goes on to SaverDefaultProc.
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
