#pragma once
#include <windows.h>

// Debian's Wine 8.0 build gives the device context of a child window X drawable 0, so
// what is drawn there never reaches the screen when Wine cannot use the top-level's own
// surface: OpenGL frames of the globe window, and the preview inside another process's
// window. Call this on a child window's DC just before drawing reaches the screen (before
// SwapBuffers; after BeginPaint). Only when the drawable really is 0, the DC is pointed at
// the top-level window's X window, clipped to the child's place in it. It does nothing on
// Windows, on Wine builds without the fault, and on Wine drivers other than X11.
void RepairChildDrawable(HWND child, HDC dc);
