#pragma once
#include <windows.h>

// Copies the `source` rectangle of bitmap resource `bitmapId` of `instance` onto `dc` at
// `target`: unscaled when the two are the same size, else stretched with the DC's current
// stretch mode. A bitmap that cannot be loaded draws nothing. Every GDI object it creates
// is released before it returns.
void BlitBitmapResource(HDC dc, HINSTANCE instance, int bitmapId, const RECT& target,
                        const RECT& source);
