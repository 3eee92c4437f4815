#include "settings/dialog_background.h"

#include "shell/shell.h"

void PaintDialogPicture(HWND dialog, HDC dc, int bitmapId, SIZE source, bool stretch) {
    HBITMAP picture = ::LoadBitmapA(shellState.instance, MAKEINTRESOURCEA(bitmapId));
    if (picture == nullptr) {
        return;
    }
    RECT client = {};
    ::GetClientRect(dialog, &client);
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ previous = ::SelectObject(memory, picture);
    if (stretch) {
        ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, source.cx, source.cy,
                     SRCCOPY);
    } else {
        ::BitBlt(dc, 0, 0, source.cx, source.cy, memory, 0, 0, SRCCOPY);
    }
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::DeleteObject(picture);
}

INT_PTR TransparentControlColours(HDC dc) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
}
