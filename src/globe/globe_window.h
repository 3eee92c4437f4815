#pragma once
// The globe window: the square child of the saver window in which the earth turns
// (Win32 and OpenGL; user-interface thread). Its class is registered by the main window.
#include <windows.h>

constexpr char kGlobeWindowClass[] = "ZRVSAVER";
constexpr UINT_PTR kFrameTimerId = 901;
constexpr UINT kFramePeriodMs = 25; // at most 40 frames a second

// One globe window per process.
struct GlobeWindowState {
    HDC dc;           // the window's own DC (class style CS_OWNDC), held for its life
    HGLRC context;    // current on the user-interface thread for the window's life
    HPALETTE palette; // only for a pixel format that needs one
    // The globe turn (globe_turn.h) of the next frame: the map is scrolled by it, then it
    // advances; the markers are placed with the advanced value.
    float turn;
};

extern GlobeWindowState globeWindowState;

// Procedure of the globe window: sets up OpenGL and the scene on creation, draws one
// frame per timer tick, and hands input over it unchanged to its parent, the saver window,
// so that it ends the run as it does elsewhere.
LRESULT CALLBACK GlobeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
