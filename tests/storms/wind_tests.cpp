// Wind conversions. Expected figures are worked out by hand from the saver's rules:
// mph = knots x 1.15 rounded half up, except that knots x 1.15 ending in exactly .5
// rounds down (1.15 is the single-precision 1.149999976..., just under 1.15), then the
// shown-value replacements 23->25, 29->30, 34->35, 46->45, 52->50, 57->60, 63->65,
// 69->70, 86->85, 92->90, 98->100, 103->105, 109->110, 121->120, 126->125, 132->130,
// 138->140, 144->145; km/h = knots x 1.85035 rounded half up.
#include "storms/wind.h"

#include <climits>

#include <gtest/gtest.h>

namespace {

struct WindCase {
    int knots;
    int mph;
    int kph;
};

// Every multiple of 5 knots from 0 to 200.
const WindCase kMultiplesOfFive[] = {
    {0, 0, 0},       {5, 6, 9},       {10, 11, 19},    {15, 17, 28},    {20, 25, 37},
    {25, 30, 46},    {30, 35, 56},    {35, 40, 65},    {40, 45, 74},    {45, 50, 83},
    {50, 60, 93},    {55, 65, 102},   {60, 70, 111},   {65, 75, 120},   {70, 80, 130},
    {75, 85, 139},   {80, 90, 148},   {85, 100, 157},  {90, 105, 167},  {95, 110, 176},
    {100, 115, 185}, {105, 120, 194}, {110, 125, 204}, {115, 130, 213}, {120, 140, 222},
    {125, 145, 231}, {130, 149, 241}, {135, 155, 250}, {140, 161, 259}, {145, 167, 268},
    {150, 172, 278}, {155, 178, 287}, {160, 184, 296}, {165, 190, 305}, {170, 195, 315},
    {175, 201, 324}, {180, 207, 333}, {185, 213, 342}, {190, 218, 352}, {195, 224, 361},
    {200, 230, 370},
};

TEST(Wind, MultiplesOfFiveKnots) {
    ASSERT_EQ(sizeof kMultiplesOfFive / sizeof kMultiplesOfFive[0], 41u);
    for (const WindCase& c : kMultiplesOfFive) {
        EXPECT_EQ(KnotsToMph(c.knots), c.mph) << c.knots << " knots";
        EXPECT_EQ(KnotsToKph(c.knots), c.kph) << c.knots << " knots";
    }
}

struct MphCase {
    int knots;
    int mph;
};

// The published worked values, and whole knots on either side of a replaced figure.
const MphCase kWorkedMph[] = {
    {0, 0},     {10, 11},   {20, 25},   {50, 60},   {64, 74},   {70, 80},
    {125, 145}, {130, 149}, {1, 1},     {19, 22},   {21, 24},   {34, 39},
    {49, 56},   {63, 72},   {124, 143}, {126, 145}, {-10, -11}, {-20, -23},
};

TEST(Wind, KnotsToMphWorkedValues) {
    for (const MphCase& c : kWorkedMph) {
        EXPECT_EQ(KnotsToMph(c.knots), c.mph) << c.knots << " knots";
    }
}

struct KphCase {
    double knots;
    int kph;
};

const KphCase kKph[] = {
    {64.6, 120},                      // a fractional wind counts in km/h
    {64.0, 118},  {0.2, 0}, {0.3, 1}, // 0.555 + 0.5 truncates to 1
    {-10.0, -18},                     // -18.0035 truncates toward zero
    {-0.2, 0},
};

TEST(Wind, KnotsToKphFromFractionalKnots) {
    for (const KphCase& c : kKph) {
        EXPECT_EQ(KnotsToKph(c.knots), c.kph) << c.knots << " knots";
    }
}

TEST(Wind, ConversionsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(KnotsToMph(INT_MAX), INT_MAX);
    EXPECT_EQ(KnotsToMph(INT_MIN), INT_MIN);
    EXPECT_EQ(KnotsToMph(1900000000), INT_MAX); // 2.185e9 mph
    EXPECT_EQ(KnotsToMph(-1900000000), INT_MIN);
    EXPECT_EQ(KnotsToMph(1000000000), 1149999976); // 1149999976.158142 + 0.5, floored
    EXPECT_EQ(KnotsToKph(1e300), INT_MAX);
    EXPECT_EQ(KnotsToKph(-1e300), INT_MIN);
    EXPECT_EQ(KnotsToKph(1.7976931348623157e308), INT_MAX); // the product is infinite
    EXPECT_EQ(KnotsToKph(2147483647.0), INT_MAX);
}

} // namespace
