#include "globe/format_palette.h"

#include <set>
#include <tuple>

#include <gtest/gtest.h>

namespace {

// GDI's 8-bit "3-3-2" layout: red in bits 0-2, green in bits 3-5, blue in bits 6-7.
constexpr PaletteFormat k332{8, 3, 0, 3, 3, 2, 6};

// n * 255 / 7 and n * 255 / 3, truncated.
constexpr uint8_t kThreeBitSteps[8] = {0, 36, 72, 109, 145, 182, 218, 255};
constexpr uint8_t kTwoBitSteps[4] = {0, 85, 170, 255};

TEST(FormatPalette, The332FormatHas256Entries) {
    EXPECT_EQ(FormatPaletteSize(k332), 256);
}

TEST(FormatPalette, The332FormatStepsEachComponentEvenly) {
    for (int i = 0; i < 256; ++i) {
        const PaletteColor c = FormatPaletteEntry(k332, i);
        EXPECT_EQ(c.red, kThreeBitSteps[i % 8]) << i;
        EXPECT_EQ(c.green, kThreeBitSteps[(i / 8) % 8]) << i;
        EXPECT_EQ(c.blue, kTwoBitSteps[i / 64]) << i;
    }
}

TEST(FormatPalette, The332FormatGivesEveryColourOnce) {
    std::set<std::tuple<int, int, int>> colours;
    for (int i = 0; i < 256; ++i) {
        const PaletteColor c = FormatPaletteEntry(k332, i);
        colours.insert({c.red, c.green, c.blue});
    }
    EXPECT_EQ(colours.size(), 256u);
    const PaletteColor white = FormatPaletteEntry(k332, 255);
    EXPECT_EQ(white.red + white.green + white.blue, 3 * 255);
}

TEST(FormatPalette, SizeIsTwoToTheColourBitsUpTo8) {
    const struct {
        uint8_t colorBits;
        int size;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {0, 0}, {9, 0}, {16, 0}, {24, 0}, {255, 0}};
    for (const auto& c : cases) {
        PaletteFormat format = k332;
        format.colorBits = c.colorBits;
        EXPECT_EQ(FormatPaletteSize(format), c.size) << int(c.colorBits);
        EXPECT_LE(FormatPaletteSize(format), kMaxFormatPaletteEntries);
    }
}

TEST(FormatPalette, OddFieldsStayDefined) {
    // No green bits: a mask of 0 gives 0 instead of dividing by it.
    const PaletteFormat noGreen{8, 4, 0, 0, 4, 4, 4};
    EXPECT_EQ(FormatPaletteEntry(noGreen, 0xFF).green, 0);
    EXPECT_EQ(FormatPaletteEntry(noGreen, 0xFF).red, 255);
    // A field of 8 or more bits uses the 8-bit mask 255; a shift past the value leaves 0.
    const PaletteFormat wide{8, 8, 0, 12, 0, 3, 40};
    EXPECT_EQ(FormatPaletteEntry(wide, 200).red, 200);
    EXPECT_EQ(FormatPaletteEntry(wide, 200).green, 200);
    EXPECT_EQ(FormatPaletteEntry(wide, 200).blue, 0);
    // A 4-bit field steps by 17.
    EXPECT_EQ(FormatPaletteEntry(noGreen, 0x35).red, 5 * 17);
    EXPECT_EQ(FormatPaletteEntry(noGreen, 0x35).blue, 3 * 17);
}

} // namespace
