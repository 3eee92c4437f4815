#pragma once
// The globe's five textures, filled from the executable's bitmap resources (Win32 and
// OpenGL; user-interface thread, with the globe's rendering context current).
#include <windows.h>
#include <GL/gl.h>

// Indices into the array of texture names; the icons follow (marker_geometry.h).
constexpr int kDayMapTexture = 0;
constexpr int kNightMapTexture = 1;
constexpr int kGlobeTextureCount = 5;

// The pixel array of a 24-bit bitmap resource of the executable: rows bottom to top,
// 3 bytes (blue, green, red) a pixel. The pointer points into the loaded resource, which
// lives as long as the module; it is neither copied nor to be freed. Writes the picture's
// size when the bitmap loads; returns null (and may leave width and height alone) when it
// does not.
const unsigned char* LoadBitmapPixels(int resourceId, int& width, int& height);

// Fills the textures: the day map (and, with nightSide, the night map) as colour textures,
// with every mipmap level when the pixel format is hardware-drawn (accelerated), else one
// level; the three storm icons as luminance-and-alpha textures. Every texture repeats in
// s and t. Needs GL_TEXTURE_2D enabled. A bitmap that does not load leaves its texture
// without an image.
void LoadGlobeTextures(const GLuint (&names)[kGlobeTextureCount], bool accelerated, bool nightSide);
