#pragma once
// The painted backgrounds of the two configuration dialogs, and the colours that let the
// picture show through their static texts, group boxes, check boxes and radio buttons.
#include <windows.h>

// Paints the top-left `source` pixels of the dialog module's bitmap resource `bitmapId` into the
// dialog's device context: stretched over the whole client area when `stretch` is set, otherwise
// unscaled at the top-left corner, cut off by the client area. A bitmap that cannot be
// loaded leaves the background unpainted. Every GDI object is released before it returns.
void PaintDialogPicture(HWND dialog, HDC dc, int bitmapId, SIZE source, bool stretch);

// Answer to WM_CTLCOLORSTATIC: text in the window-text colour on a transparent background,
// and the stock null brush, so the control paints no background of its own.
INT_PTR TransparentControlColours(HDC dc);
