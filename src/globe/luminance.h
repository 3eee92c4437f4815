#pragma once
// Storm icons as luminance-and-alpha textures: dark parts stay dark and opaque, light
// parts become bright and see-through, pure white fully transparent.

// Rewrites width x height 3-byte pixels in place as width x height 2-byte (luminance,
// alpha) pixels at the start of the same buffer. For the byte average a of a pixel:
// luminance = 255 when a > 64, else a; alpha = 255 - a. The byte order of the pixels does
// not matter. Nothing is done when width or height is 0 or less.
void ToLuminanceAlpha(unsigned char* pixels, int width, int height);
