#include "globe/luminance.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

struct LuminanceCase {
    unsigned char pixel[3];
    unsigned char luminance;
    unsigned char alpha;
};

// Byte averages 0, 64, 65, 255 and 33 (100 / 3, the remainder dropped).
const LuminanceCase kCases[] = {
    {{0, 0, 0}, 0, 255},       {{64, 64, 64}, 64, 191}, {{65, 65, 65}, 255, 190},
    {{255, 255, 255}, 255, 0}, {{100, 0, 0}, 33, 222},  {{0, 0, 100}, 33, 222},
    {{255, 0, 0}, 255, 170},   {{63, 64, 65}, 64, 191}, {{64, 64, 66}, 64, 191},
    {{65, 65, 66}, 255, 190},
};

TEST(ToLuminanceAlpha, ConvertsEachPixelByItsByteAverage) {
    for (const LuminanceCase& c : kCases) {
        unsigned char buffer[3] = {c.pixel[0], c.pixel[1], c.pixel[2]};
        ToLuminanceAlpha(buffer, 1, 1);
        EXPECT_EQ(buffer[0], c.luminance) << int(c.pixel[0]) << "," << int(c.pixel[1]);
        EXPECT_EQ(buffer[1], c.alpha) << int(c.pixel[0]) << "," << int(c.pixel[1]);
        EXPECT_EQ(buffer[2], c.pixel[2]) << "the third byte is not the output's";
    }
}

TEST(ToLuminanceAlpha, WithNoPixelsTouchesNothing) {
    const struct {
        int width, height;
    } sizes[] = {{0, 0}, {0, 5}, {5, 0}, {-1, 3}, {3, -1}, {-2, -3}};
    for (const auto& size : sizes) {
        unsigned char buffer[18] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
        ToLuminanceAlpha(buffer, size.width, size.height);
        for (unsigned char b : buffer) {
            EXPECT_EQ(b, 7) << size.width << "x" << size.height;
        }
    }
}

// A whole icon-sized buffer in place: every pixel different from its neighbours, so that
// a pixel read after an earlier output had overwritten it would show.
TEST(ToLuminanceAlpha, ConvertsAWhole128x128IconInPlace) {
    const int side = 128;
    const size_t count = size_t(side) * side;
    std::vector<unsigned char> pixels(count * 3);
    for (size_t p = 0; p < count; ++p) {
        pixels[3 * p] = static_cast<unsigned char>(p * 7);
        pixels[3 * p + 1] = static_cast<unsigned char>(p * 13 + 5);
        pixels[3 * p + 2] = static_cast<unsigned char>(p / 64);
    }
    const std::vector<unsigned char> original = pixels;
    ToLuminanceAlpha(pixels.data(), side, side);
    for (size_t p = 0; p < count; ++p) {
        const int average = (original[3 * p] + original[3 * p + 1] + original[3 * p + 2]) / 3;
        ASSERT_EQ(pixels[2 * p], average > 64 ? 255 : average) << "pixel " << p;
        ASSERT_EQ(pixels[2 * p + 1], 255 - average) << "pixel " << p;
    }
    // The last third of the buffer is beyond the output and keeps the input bytes.
    for (size_t b = count * 2; b < count * 3; ++b) {
        ASSERT_EQ(pixels[b], original[b]) << "byte " << b;
    }
}

} // namespace
