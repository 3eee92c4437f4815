#pragma once

// The pixel array of a 24-bit bitmap resource of the executable: rows bottom-up, 3 bytes
// per pixel in blue, green, red order. Returns null when the bitmap cannot be loaded; the
// picture's size goes to width and height once it is known. The pointer points into the
// loaded resource: read-only, never freed, valid for the life of the process.
const unsigned char* LoadBitmapPixels(int resourceId, int* width, int* height);
