#include "win32/bitmap_blit.h"

void BlitBitmapResource(HDC dc, HINSTANCE instance, int bitmapId, const RECT& target,
                        const RECT& source) {
    HBITMAP bitmap = ::LoadBitmapA(instance, MAKEINTRESOURCEA(bitmapId));
    if (bitmap == nullptr) {
        return;
    }
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    const int sourceWidth = source.right - source.left;
    const int sourceHeight = source.bottom - source.top;
    if (width == sourceWidth && height == sourceHeight) {
        ::BitBlt(dc, target.left, target.top, width, height, memory, source.left, source.top,
                 SRCCOPY);
    } else {
        ::StretchBlt(dc, target.left, target.top, width, height, memory, source.left, source.top,
                     sourceWidth, sourceHeight, SRCCOPY);
    }
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
}
