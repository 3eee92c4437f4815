#include "globe/globe_window.h"

#include <GL/gl.h>

#include "globe/globe_turn.h"
#include "globe/markers.h"
#include "globe/pixel_format.h"
#include "globe/scene.h"
#include "settings/settings.h"
#include "storms/storm_table.h"
#include "win32/wine_child_drawable.h"

GlobeWindowState globeWindowState = {nullptr, nullptr, nullptr, kInitialGlobeTurn};

namespace {

// The unit sphere fills the square window with a margin of 0.05 of its radius; the depth
// range holds it whole.
constexpr GLdouble kViewHalfSide = 1.05f;
constexpr GLdouble kViewDepth = 1.1f;

void OnCreate(HWND window) {
    GlobeWindowState& state = globeWindowState;
    state.dc = ::GetDC(window);
    SetGlobePixelFormat(state.dc, saverSettings.useHardware != 0);
    state.palette = CreateFormatPalette(state.dc);
    state.context = ::wglCreateContext(state.dc);
    ::wglMakeCurrent(state.dc, state.context);
    state.turn = kInitialGlobeTurn;
    BuildGlobeScene();
    ::SetTimer(window, kFrameTimerId, kFramePeriodMs, nullptr);
}

// No aspect correction: the window is square.
void OnSize(LPARAM lParam) {
    const GLsizei width = LOWORD(lParam);
    const GLsizei height = HIWORD(lParam) == 0 ? 1 : HIWORD(lParam);
    ::glViewport(0, 0, width, height);
    ::glMatrixMode(GL_PROJECTION);
    ::glLoadIdentity();
    ::glOrtho(-kViewHalfSide, kViewHalfSide, -kViewHalfSide, kViewHalfSide, -kViewDepth,
              kViewDepth);
    ::glMatrixMode(GL_MODELVIEW);
    ::glLoadIdentity();
}

// The map slides over the fixed half-sphere: its s is shifted by -turn and wraps. The
// lists rely on texturing and the modulating environment (set once with the scene) and,
// the plain one, on white; they leave blending and clipping off, and the markers restore
// white and blending off after their pass, so no frame needs to set them again.
void DrawGlobe() {
    ::glMatrixMode(GL_TEXTURE);
    ::glLoadIdentity();
    ::glTranslatef(-globeWindowState.turn, 0.0f, 0.0f);
    ::glCallList(GlobeListForSettings());
    ::glLoadIdentity();
    ::glMatrixMode(GL_MODELVIEW);
}

// Painting draws without BeginPaint: the frame covers the whole window.
void DrawFrame(HWND window) {
    ::glClear(GL_COLOR_BUFFER_BIT);
    DrawGlobe();
    globeWindowState.turn = AdvanceGlobeTurn(globeWindowState.turn);
    if (ReadFetchState(stormTable).done == 1) {
        DrawStormMarkers();
    }
    // Made once, the repair holds while Wine keeps the DC's drawable; checking it is one
    // driver escape, so it runs before every swap rather than relying on that.
    RepairChildDrawable(window, globeWindowState.dc);
    ::SwapBuffers(globeWindowState.dc);
    ::ValidateRect(window, nullptr);
}

LRESULT OnQueryNewPalette() {
    const GlobeWindowState& state = globeWindowState;
    if (state.palette == nullptr) {
        return 0;
    }
    ::SelectPalette(state.dc, state.palette, FALSE);
    return ::RealizePalette(state.dc);
}

void OnDestroy(HWND window) {
    GlobeWindowState& state = globeWindowState;
    ::KillTimer(window, kFrameTimerId);
    if (state.palette != nullptr) {
        // A palette still selected into the DC would not be freed.
        ::SelectPalette(state.dc, static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
        ::DeleteObject(state.palette);
        state.palette = nullptr;
    }
    DestroyGlobeScene();
    ::wglMakeCurrent(state.dc, nullptr);
    ::wglDeleteContext(state.context);
    state.context = nullptr;
    ::ReleaseDC(window, state.dc);
    state.dc = nullptr;
}

} // namespace

LRESULT CALLBACK GlobeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        OnSize(lParam);
        return 0;
    case WM_PAINT:
        DrawFrame(window);
        return 0;
    case WM_TIMER:
        ::InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1; // every frame covers the whole window
    case WM_QUERYNEWPALETTE:
        return OnQueryNewPalette();
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
    case WM_SETCURSOR:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCOMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // Input over the globe ends the run just as it does over the banner: the saver
        // window, the globe's parent, decides.
        return ::SendMessageA(::GetParent(window), message, wParam, lParam);
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}
