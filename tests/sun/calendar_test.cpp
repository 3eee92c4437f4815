#include "sun/calendar.h"

#include <gtest/gtest.h>

namespace {

CalendarTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                  int tenths = 0) {
    return {static_cast<int16_t>(year),    static_cast<uint16_t>(month),
            static_cast<uint16_t>(day),    static_cast<uint16_t>(hour),
            static_cast<uint16_t>(minute), static_cast<uint16_t>(second),
            static_cast<uint16_t>(tenths)};
}

struct JulianDayCase {
    const char* what;
    CalendarTime time;
    CalendarRule rule;
    uint32_t dayCount;
    double fraction;
};

// Expected values: J. Meeus, Astronomical Algorithms, chapter "Julian Day" (examples 7.a
// and 7.b and the list of test dates after them); the rest worked by hand from the
// calendar reform (1582 October 4, Julian, was followed by October 15, Gregorian).
const JulianDayCase kJulianDayCases[] = {
    {"J2000 epoch", Date(2000, 1, 1, 12), CalendarRule::ByDate, 2451545, 0.0},
    {"Sputnik 1 launch", Date(1957, 10, 4, 19, 26, 24), CalendarRule::ByDate, 2436116, 0.31},
    {"333 Jan 27 noon, Julian", Date(333, 1, 27, 12), CalendarRule::ByDate, 1842713, 0.0},
    {"last Julian date", Date(1582, 10, 4), CalendarRule::ByDate, 2299159, 0.5},
    {"first Gregorian date", Date(1582, 10, 15), CalendarRule::ByDate, 2299160, 0.5},
    {"1582 Sep 30 is Julian", Date(1582, 9, 30), CalendarRule::ByDate, 2299155, 0.5},
    {"1582 Nov 1 is Gregorian", Date(1582, 11, 1), CalendarRule::ByDate, 2299177, 0.5},
    {"1999 Jan 1.0", Date(1999, 1, 1), CalendarRule::ByDate, 2451179, 0.5},
    {"1987 Jan 27.0", Date(1987, 1, 27), CalendarRule::ByDate, 2446822, 0.5},
    {"1987 Jun 19.5", Date(1987, 6, 19, 12), CalendarRule::ByDate, 2446966, 0.0},
    {"1988 Jan 27.0", Date(1988, 1, 27), CalendarRule::ByDate, 2447187, 0.5},
    {"1988 Jun 19.5", Date(1988, 6, 19, 12), CalendarRule::ByDate, 2447332, 0.0},
    {"1900 Jan 1.0", Date(1900, 1, 1), CalendarRule::ByDate, 2415020, 0.5},
    {"1600 Jan 1.0", Date(1600, 1, 1), CalendarRule::ByDate, 2305447, 0.5},
    {"1600 Dec 31.0", Date(1600, 12, 31), CalendarRule::ByDate, 2305812, 0.5},
    {"837 Apr 10.3", Date(837, 4, 10, 7, 12), CalendarRule::ByDate, 2026871, 0.8},
    {"-123 Dec 31.0", Date(-123, 12, 31), CalendarRule::ByDate, 1676496, 0.5},
    {"-122 Jan 1.0", Date(-122, 1, 1), CalendarRule::ByDate, 1676497, 0.5},
    {"-1000 Jul 12.5", Date(-1000, 7, 12, 12), CalendarRule::ByDate, 1356001, 0.0},
    {"-1000 Feb 29.0", Date(-1000, 2, 29), CalendarRule::ByDate, 1355866, 0.5},
    {"-1001 Aug 17.9", Date(-1001, 8, 17, 21, 36), CalendarRule::ByDate, 1355671, 0.4},
    {"-4712 Jan 1.5, day zero", Date(-4712, 1, 1, 12), CalendarRule::ByDate, 0, 0.0},
    {"Julian rule forced", Date(2000, 1, 1, 12), CalendarRule::Julian, 2451558, 0.0},
    {"Gregorian rule forced", Date(1582, 10, 4), CalendarRule::Gregorian, 2299149, 0.5},
    {"unknown rule is Gregorian", Date(1582, 10, 4), static_cast<CalendarRule>(7), 2299149, 0.5},
    {"midnight: fraction 0.5", Date(2002, 12, 21), CalendarRule::ByDate, 2452629, 0.5},
    {"noon: next day count", Date(2002, 12, 21, 12), CalendarRule::ByDate, 2452630, 0.0},
    {"one second before noon", Date(2002, 12, 21, 11, 59, 59), CalendarRule::ByDate, 2452629,
     1.0 - 1.0 / 86400.0},
    {"18:00", Date(2002, 12, 21, 18), CalendarRule::ByDate, 2452630, 0.25},
    {"06:00", Date(2002, 12, 21, 6), CalendarRule::ByDate, 2452629, 0.75},
    {"tenths count", Date(2002, 12, 21, 12, 0, 0, 5), CalendarRule::ByDate, 2452630, 0.5 / 86400.0},
};

class JulianDayTable : public testing::TestWithParam<JulianDayCase> {};

TEST_P(JulianDayTable, SplitsTheDayAtNoon) {
    const JulianDayCase& c = GetParam();
    const JulianDay jd = ToJulianDay(c.time, c.rule);
    EXPECT_EQ(jd.dayCount, c.dayCount) << c.what;
    EXPECT_NEAR(jd.fraction, c.fraction, 1e-9) << c.what;
    EXPECT_GE(jd.fraction, 0.0) << c.what;
    EXPECT_LT(jd.fraction, 1.0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Dates, JulianDayTable, testing::ValuesIn(kJulianDayCases));

TEST(JulianDay, ReformDatesAreConsecutiveDays) {
    const JulianDay last = ToJulianDay(Date(1582, 10, 4), CalendarRule::ByDate);
    const JulianDay first = ToJulianDay(Date(1582, 10, 15), CalendarRule::ByDate);
    EXPECT_EQ(first.dayCount, last.dayCount + 1);
    EXPECT_EQ(first.fraction, last.fraction);
}

TEST(JulianDay, FebruaryTwentyNinthOfALeapYearIsADay) {
    const JulianDay feb28 = ToJulianDay(Date(2000, 2, 28), CalendarRule::ByDate);
    const JulianDay feb29 = ToJulianDay(Date(2000, 2, 29), CalendarRule::ByDate);
    const JulianDay mar1 = ToJulianDay(Date(2000, 3, 1), CalendarRule::ByDate);
    EXPECT_EQ(feb29.dayCount, feb28.dayCount + 1);
    EXPECT_EQ(mar1.dayCount, feb29.dayCount + 1);
    // 1900 was no Gregorian leap year: February 28 is followed by March 1.
    const JulianDay feb28of1900 = ToJulianDay(Date(1900, 2, 28), CalendarRule::ByDate);
    const JulianDay mar1of1900 = ToJulianDay(Date(1900, 3, 1), CalendarRule::ByDate);
    EXPECT_EQ(mar1of1900.dayCount, feb28of1900.dayCount + 1);
}

TEST(DayWithFraction, AddsTheTimeOfDay) {
    EXPECT_DOUBLE_EQ(DayWithFraction(Date(1957, 10, 4, 19, 26, 24)), 4.81);
    EXPECT_DOUBLE_EQ(DayWithFraction(Date(2000, 1, 1, 12)), 1.5);
    EXPECT_DOUBLE_EQ(DayWithFraction(Date(2000, 1, 31)), 31.0);
    EXPECT_NEAR(DayWithFraction(Date(2000, 1, 1, 23, 59, 59, 9)), 2.0 - 0.1 / 86400.0, 1e-12);
}

} // namespace
