#pragma once
// Pixel format, palette and renderer checks for the globe window's OpenGL context
// (Win32, user-interface thread).
#include <windows.h>

// What the globe asks for: RGBA, 24 colour bits, double-buffered, a 16-bit depth buffer
// that the driver may leave out (PFD_DEPTH_DONTCARE), no alpha, accumulation, stencil or
// auxiliary buffers.
extern const PIXELFORMATDESCRIPTOR kRequestedPixelFormat;

// Sets the first pure software format (generic, not generic-accelerated) that is RGBA,
// double-buffered and has exactly a 16-bit depth buffer, among the formats 1 to n - 1 of
// hdc (the highest-numbered format n is never examined). Returns its index, or 0 when
// none qualifies; then no format is set.
int ChooseSoftwarePixelFormat(HDC hdc);

// Sets the globe's pixel format on hdc: with useHardware, ChoosePixelFormat's choice for
// kRequestedPixelFormat; otherwise ChooseSoftwarePixelFormat, and when that finds nothing
// (Wine's generic formats, for one, are all single-buffered), ChoosePixelFormat's choice
// after all, so that the globe still draws.
void SetGlobePixelFormat(HDC hdc, bool useHardware);

// Whether the pixel format of the current OpenGL device context is drawn by hardware:
// true for a format of a full (installable client) driver, which is not generic, and for
// a generic format with hardware help (PFD_GENERIC_ACCELERATED). fullDriver, when given,
// is set only in the first case. False when no context is current.
bool IsAcceleratedPixelFormat(bool* fullDriver);

// For a pixel format that needs a palette (PFD_NEED_PALETTE): creates the palette of its
// colour fields, selects and realises it in hdc and returns it; the caller deletes it.
// Null for every other format.
HPALETTE CreateFormatPalette(HDC hdc);
