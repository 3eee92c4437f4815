#pragma once
#include "shell/layout.h"

#include <windows.h>

// The application's procedure behind the saver window: layout, feed thread, globe window
// and banner. Every message it does not handle goes on to SaverDefaultProc.
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Set when the saver window is created; read while painting, also by the storm panel.
extern ScreenLayout screenLayout;

// The one font description of the banner and the panel: face "Ariel", weight 700. Only
// its height changes between uses; set it, then create the font, on the UI thread.
extern LOGFONTA layoutFont;

// A bold font of the layout's face at the given cell height; the caller deletes it.
HFONT CreateLayoutFont(int height);
