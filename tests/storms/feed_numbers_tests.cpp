// The feed's number rules: what atoi and atof give for ordinary fields, and defined
// results where those functions would overflow or read something that is not finite.
#include "storms/feed_numbers.h"

#include <climits>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace {

struct IntCase {
    const char* text;
    int expected;
};

const IntCase kIntCases[] = {
    {"35", 35},
    {"0", 0},
    {"-12", -12},
    {"+7", 7},
    {"  42", 42},
    {"\t\v\f\r\n 9", 9},
    {"64.6", 64},
    {"120kt", 120},
    {"", 0},
    {"abc", 0},
    {"- 5", 0},
    {"+-5", 0},
    {"0x1A", 0},
    {"1e5", 1},
    {"00000000000000000000000000000000000000042", 42},
    {"2147483647", INT_MAX},
    {"-2147483648", INT_MIN},
    {"2147483648", INT_MAX},
    {"-2147483649", INT_MIN},
    {"99999999999", INT_MAX},
    {"-99999999999999999999999999999999", INT_MIN},
    {"18446744073709551617", INT_MAX}, // 2^64 + 1: no wrap-around
};

TEST(ReadFeedInt, ReadsLikeAtoiAndSaturates) {
    for (const IntCase& c : kIntCases) {
        EXPECT_EQ(ReadFeedInt(c.text), c.expected) << '"' << c.text << '"';
    }
}

struct DoubleCase {
    const char* text;
    double expected;
};

const DoubleCase kDoubleCases[] = {
    {"12.5", 12.5},   {"-33.25", -33.25}, {" 18.4", 18.4},
    {"\t-0.5", -0.5}, {"12.5N", 12.5},    {"+90", 90.0},
    {"5.", 5.0},      {".5", 0.5},        {"-.25", -0.25},
    {"1e3", 1000.0},  {"2.5E-1", 0.25},   {"1e+2x", 100.0},
    {"1e", 1.0},      {"1e+", 1.0},       {"7.5.3", 7.5},
    {"", 0.0},        {".", 0.0},         {"-", 0.0},
    {"e5", 0.0},      {"abc", 0.0},       {"0x10", 0.0},
    {"-0x1p3", 0.0},  {"inf", 0.0},       {"-INFINITY", 0.0},
    {"nan", 0.0},     {"NAN(123)", 0.0},  {"1e999", 0.0},
    {"-1e999", 0.0},  {"1e-999", 0.0},    {"1.7976931348623157e308", 1.7976931348623157e308},
};

TEST(ReadFeedDouble, ReadsLikeAtofWithFiniteResults) {
    for (const DoubleCase& c : kDoubleCases) {
        EXPECT_EQ(ReadFeedDouble(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(ReadFeedDouble, LongDigitStringsStayFinite) {
    // A field may hold up to a whole line of digits.
    const std::string huge = "1" + std::string(4000, '0');
    const std::string tiny = "0." + std::string(4000, '0') + "1";
    const std::string long_fraction = "12." + std::string(4000, '5');
    EXPECT_EQ(ReadFeedDouble(huge.c_str()), 0.0);
    EXPECT_EQ(ReadFeedDouble(tiny.c_str()), 0.0);
    EXPECT_NEAR(ReadFeedDouble(long_fraction.c_str()), 12.5555555555, 1e-9);
    EXPECT_EQ(ReadFeedInt(huge.c_str()), INT_MAX);
}

struct SaturateCase {
    double value;
    int expected;
};

const SaturateCase kSaturateCases[] = {
    {0.0, 0},
    {41.99, 41},
    {-41.99, -41},
    {2147483647.0, INT_MAX},
    {2147483647.9, INT_MAX},
    {2147483648.0, INT_MAX},
    {-2147483648.0, INT_MIN},
    {-2147483648.9, INT_MIN},
    {-2147483649.0, INT_MIN},
    {1e300, INT_MAX},
    {-1e300, INT_MIN},
    {HUGE_VAL, INT_MAX},
    {-HUGE_VAL, INT_MIN},
    {NAN, 0},
};

TEST(SaturateToInt, TruncatesTowardZeroWithinRange) {
    for (const SaturateCase& c : kSaturateCases) {
        EXPECT_EQ(SaturateToInt(c.value), c.expected) << c.value;
    }
}

} // namespace
