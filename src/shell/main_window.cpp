// The saver's screen: the globe window above, the banner strip below, and the feed thread
// that the banner and panel report on. On a desk of several monitors all of it stands on
// the primary monitor; the window covers the others in black.
#include "shell/main_window.h"

#include "globe/globe_window.h"
#include "panel/info_panel.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "shell/banner_text.h"
#include "shell/layout.h"
#include "shell/password_9x.h"
#include "shell/shell.h"
#include "storms/feed_thread.h"
#include "storms/storm_table.h"
#include "win32/bitmap_blit.h"
#include "win32/wine_child_drawable.h"

namespace {

constexpr int kPreviewBitmapWidth = 152;
constexpr int kPreviewBitmapHeight = 112;
constexpr int kTextLeft = 5;
constexpr int kTitleTop = 90;      // rows above the bottom of the screen
constexpr int kLineTightening = 2; // the title lines overlap their cells by this much
constexpr COLORREF kTitleColour = RGB(0, 0, 0);
constexpr COLORREF kStatusColour = RGB(255, 0, 0);
constexpr DWORD kGlobeClassStyle = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
constexpr DWORD kGlobeWindowStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kFeedThreadEndWaitMs = 250; // the longest the run's end waits for it

HWND globeWindow = nullptr;
HANDLE feedThread = nullptr;
RECT clientRect = {};
// Set when the saver window is created and when the monitors change; read while painting.
ScreenLayout screenLayout = {};
// The one font description of the banner and the panel; only its height changes.
LOGFONTA layoutFont = {.lfHeight = 0,
                       .lfWidth = 0,
                       .lfEscapement = 0,
                       .lfOrientation = 0,
                       .lfWeight = FW_BOLD,
                       .lfItalic = FALSE,
                       .lfUnderline = FALSE,
                       .lfStrikeOut = FALSE,
                       .lfCharSet = ANSI_CHARSET,
                       .lfOutPrecision = OUT_DEFAULT_PRECIS,
                       .lfClipPrecision = CLIP_DEFAULT_PRECIS,
                       .lfQuality = DEFAULT_QUALITY,
                       .lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE,
                       .lfFaceName = "Ariel"};

// A bold font of the layout's face at the given cell height; the caller deletes it.
HFONT CreateLayoutFont(int height) {
    layoutFont.lfHeight = height;
    return ::CreateFontIndirectA(&layoutFont);
}

void RegisterGlobeClass() {
    WNDCLASSA windowClass = {};
    windowClass.style = kGlobeClassStyle;
    windowClass.lpfnWndProc = GlobeWindowProc;
    windowClass.hInstance = shellState.instance;
    windowClass.lpszClassName = kGlobeWindowClass;
    ::RegisterClassA(&windowClass);
}

// The primary monitor in screen coordinates; empty if the system names none.
PixelBox PrimaryMonitorBox() {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    HMONITOR primary = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (primary == nullptr || !::GetMonitorInfoA(primary, &info)) {
        return {0, 0, 0, 0};
    }
    const RECT& r = info.rcMonitor;
    return {r.left, r.top, r.right, r.bottom};
}

// The layout for the window as it now stands over the monitors.
ScreenLayout LayOutScreen(HWND window) {
    RECT client = {};
    ::GetClientRect(window, &client);
    POINT corner = {0, 0};
    ::ClientToScreen(window, &corner);
    const PixelBox windowBox = {corner.x, corner.y, corner.x + client.right,
                                corner.y + client.bottom};
    const PixelBox content = PlaceContent(windowBox, PrimaryMonitorBox());
    return ComputeLayout(content, saverSettings.showDetails != 0);
}

void OnCreate(HWND window) {
    ::GetClientRect(window, &clientRect);
    saverSettings.Load();
    if (shellState.preview) {
        return;
    }
    InitStormLock(stormTable.lock);
    if (saverSettings.internet) {
        feedThread = StartFeedThread(window);
    }
    RegisterGlobeClass();
    screenLayout = LayOutScreen(window);
    globeWindow =
        ::CreateWindowExA(0, kGlobeWindowClass, "Globe", kGlobeWindowStyle, screenLayout.globeX,
                          screenLayout.globeY, screenLayout.globeSide, screenLayout.globeSide,
                          window, nullptr, shellState.instance, nullptr);
}

// The saver window already covers the new box (SaverWindowProc moved it): the picture
// follows the primary monitor, and everything is painted again.
void OnDisplayChange(HWND window) {
    if (shellState.preview) {
        return;
    }
    screenLayout = LayOutScreen(window);
    ::MoveWindow(globeWindow, screenLayout.globeX, screenLayout.globeY, screenLayout.globeSide,
                 screenLayout.globeSide, TRUE);
    ::InvalidateRect(window, nullptr, TRUE);
}

// The feed thread is only signalled; it closes its own internet handles and ends. One
// that has not ended within the wait is never killed alone: a thread killed while WinINet
// or the heap holds a lock could block this thread, or the DLL detach code of an orderly
// exit, for ever. The whole process ends at once instead; the windows are already hidden.
// The table's lock goes only once the thread is gone.
void StopFeedThread() {
    if (feedThread == nullptr) {
        return;
    }
    if (!AskFeedThreadToEnd(feedThread, kFeedThreadEndWaitMs)) {
        SetSaverRunning(false);
        ::TerminateProcess(::GetCurrentProcess(), 0);
    }
    DeleteStormLock(stormTable.lock);
    ::CloseHandle(feedThread);
    feedThread = nullptr;
}

// The windows go first, so that the user has the desktop back whatever the thread does.
void OnDestroy(HWND window) {
    ::ShowWindow(globeWindow, SW_HIDE);
    ::ShowWindow(window, SW_HIDE);
    StopFeedThread();
    ::DestroyWindow(globeWindow);
    globeWindow = nullptr;
}

void PaintPreview(HWND window, HDC dc) {
    RepairChildDrawable(window, dc);
    const RECT picture = {0, 0, kPreviewBitmapWidth, kPreviewBitmapHeight};
    BlitBitmapResource(dc, shellState.instance, IDB_PREVIEW, clientRect, picture);
}

void PaintBannerStrip(HDC dc) {
    const int width = screenLayout.width;
    const int bottom = screenLayout.top + screenLayout.height;
    const RECT strip = {screenLayout.left, bottom - kBannerHeight, screenLayout.left + width,
                        bottom};
    const BannerPiece piece = ChooseBannerPiece(width);
    const RECT picture = piece.stretched
                             ? RECT{0, 0, kBannerBitmapWidth, kBannerHeight}
                             : RECT{piece.sourceX, 0, piece.sourceX + width, kBannerHeight};
    BlitBitmapResource(dc, shellState.instance, IDB_BANNER, strip, picture);
}

void DrawBannerLine(HDC dc, int y, const char* text) {
    ::TextOutA(dc, screenLayout.left + kTextLeft, y, text, lstrlenA(text));
}

void PaintTitles(HDC dc) {
    HFONT font = CreateLayoutFont(TitleFontHeight(screenLayout));
    HGDIOBJ previous = ::SelectObject(dc, font);
    SIZE extent = {};
    ::GetTextExtentPointA(dc, kBannerTitle, lstrlenA(kBannerTitle), &extent);
    const int h = extent.cy;
    const int bottom = screenLayout.top + screenLayout.height;
    const int top = bottom - kTitleTop;
    ::SetTextColor(dc, kTitleColour);
    DrawBannerLine(dc, top, kBannerTitle);
    DrawBannerLine(dc, top - kLineTightening + h, kBannerCopyright);
    DrawBannerLine(dc, top - 2 * kLineTightening + 2 * h, kBannerWebAddress);

    char status[kStatusTextSize];
    CopyStatusText(stormTable, status);
    ::SetTextColor(dc, kStatusColour);
    DrawBannerLine(dc, bottom - h, status);
    ::SelectObject(dc, previous);
    ::DeleteObject(font);
}

void PaintPanel(HDC dc) {
    HFONT headingFont = CreateLayoutFont(screenLayout.titleSize);
    HFONT listFont = CreateLayoutFont(screenLayout.listSize);
    HGDIOBJ previous = ::SelectObject(dc, headingFont);
    const PanelPlace place = {.left = screenLayout.left + screenLayout.globeSide,
                              .top = screenLayout.top,
                              .bottom = screenLayout.top + screenLayout.height,
                              .legend = !IsNarrowScreen(screenLayout.width),
                              .listFont = listFont};
    DrawInfoPanel(dc, place);
    ::SelectObject(dc, previous);
    ::DeleteObject(listFont);
    ::DeleteObject(headingFont);
}

// Nothing is drawn outside the primary monitor: a long line of the panel stops at its edge.
void PaintScreen(HDC dc) {
    ::IntersectClipRect(dc, screenLayout.left, screenLayout.top,
                        screenLayout.left + screenLayout.width,
                        screenLayout.top + screenLayout.height);
    ::SetBkMode(dc, TRANSPARENT);
    PaintBannerStrip(dc);
    PaintTitles(dc);
    if (saverSettings.internet && saverSettings.showDetails) {
        PaintPanel(dc);
    }
}

void OnPaint(HWND window) {
    PAINTSTRUCT paint = {};
    HDC dc = ::BeginPaint(window, &paint);
    if (shellState.preview) {
        PaintPreview(window, dc);
    } else {
        PaintScreen(dc);
    }
    ::EndPaint(window, &paint);
}

} // namespace

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_DISPLAYCHANGE:
        OnDisplayChange(window);
        return SaverDefaultProc(window, message, wParam, lParam);
    default:
        return SaverDefaultProc(window, message, wParam, lParam);
    }
}
