#include "globe/bitmap_pixels.h"

#include <windows.h>

const unsigned char* LoadBitmapPixels(int resourceId, int* width, int* height) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HBITMAP bitmap = ::LoadBitmapA(module, MAKEINTRESOURCEA(resourceId));
    if (bitmap == nullptr) {
        return nullptr;
    }
    BITMAP description = {};
    ::GetObjectA(bitmap, sizeof(description), &description);
    *width = description.bmWidth;
    *height = description.bmHeight;
    ::DeleteObject(bitmap);
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(resourceId), RT_BITMAP);
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    if (loaded == nullptr) {
        return nullptr;
    }
    // A packed DIB: the 40-byte header, then (at 24 bits) the pixels without a colour table.
    return static_cast<const unsigned char*>(::LockResource(loaded)) + sizeof(BITMAPINFOHEADER);
}
