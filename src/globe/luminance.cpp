#include "globe/luminance.h"

#include <cstddef>

namespace {

// Above this average a pixel counts as part of the light ground: full luminance, so that
// its colour comes from the marker's tint, with its darkness kept only in the alpha.
constexpr int kDarkLimit = 64;

} // namespace

void ToLuminanceAlpha(unsigned char* pixels, int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    // Output pixel p (bytes 2p, 2p+1) never lies past input pixel p (bytes 3p to 3p+2),
    // and each pixel is read whole before it is written.
    for (size_t p = 0; p < count; ++p) {
        const unsigned char* in = pixels + 3 * p;
        const int average = (in[0] + in[1] + in[2]) / 3;
        unsigned char* out = pixels + 2 * p;
        out[0] = static_cast<unsigned char>(average > kDarkLimit ? 255 : average);
        out[1] = static_cast<unsigned char>(255 - average);
    }
}
