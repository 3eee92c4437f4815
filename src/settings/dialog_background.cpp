#include "settings/dialog_background.h"

#include "settings/dialog_controls.h"
#include "win32/bitmap_blit.h"

void PaintDialogPicture(HWND dialog, HDC dc, int bitmapId, SIZE source, bool stretch) {
    const RECT picture = {0, 0, source.cx, source.cy};
    RECT target = picture;
    if (stretch) {
        ::GetClientRect(dialog, &target);
    }
    BlitBitmapResource(dc, DialogInstance(dialog), bitmapId, target, picture);
}

INT_PTR TransparentControlColours(HDC dc) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
}
