// ReadClock on Windows (run under Wine by tools/test.sh): UTC agrees with the C runtime's
// clock, local time with the system's time zone, and a bad source leaves the record alone.
#include <windows.h>

#include <ctime>

#include <gtest/gtest.h>

#include "sun/calendar.h"

namespace {

// Seconds since 1970 of a record taken as UTC.
long long SecondsOf(const CalendarTime& time) {
    std::tm fields{};
    fields.tm_year = time.year - 1900;
    fields.tm_mon = time.month - 1;
    fields.tm_mday = time.day;
    fields.tm_hour = time.hour;
    fields.tm_min = time.minute;
    fields.tm_sec = time.second;
    return static_cast<long long>(::_mkgmtime(&fields));
}

// Seconds since 1970 of the C runtime's broken-down time, taken as UTC.
long long SecondsOf(std::tm fields) {
    return static_cast<long long>(::_mkgmtime(&fields));
}

TEST(ReadClock, UtcAgreesWithTheRuntimesUtc) {
    const std::time_t now = std::time(nullptr);
    CalendarTime utc{};
    ASSERT_TRUE(ReadClock(utc, ClockSource::Utc));
    EXPECT_EQ(utc.tenths, 0);
    EXPECT_LE(std::abs(SecondsOf(utc) - SecondsOf(*std::gmtime(&now))), 2);
}

// Local time is UTC carried through the system's own time-zone conversion (away from a
// daylight-saving change, which this test does not expect to meet).
TEST(ReadClock, LocalIsUtcInTheSystemsTimeZone) {
    CalendarTime utc{};
    CalendarTime local{};
    ASSERT_TRUE(ReadClock(utc, ClockSource::Utc));
    ASSERT_TRUE(ReadClock(local, ClockSource::Local));
    EXPECT_EQ(local.tenths, 0);
    SYSTEMTIME utcTime{};
    utcTime.wYear = static_cast<WORD>(utc.year);
    utcTime.wMonth = utc.month;
    utcTime.wDay = utc.day;
    utcTime.wHour = utc.hour;
    utcTime.wMinute = utc.minute;
    utcTime.wSecond = utc.second;
    SYSTEMTIME expected{};
    ASSERT_TRUE(::SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &expected));
    const CalendarTime expectedLocal{static_cast<int16_t>(expected.wYear),
                                     expected.wMonth,
                                     expected.wDay,
                                     expected.wHour,
                                     expected.wMinute,
                                     expected.wSecond,
                                     0};
    EXPECT_LE(std::abs(SecondsOf(local) - SecondsOf(expectedLocal)), 2);
}

TEST(ReadClock, AnUnknownSourceFillsNothing) {
    CalendarTime time{1234, 5, 6, 7, 8, 9, 3};
    EXPECT_FALSE(ReadClock(time, static_cast<ClockSource>(5)));
    EXPECT_EQ(time.year, 1234);
    EXPECT_EQ(time.month, 5);
    EXPECT_EQ(time.day, 6);
    EXPECT_EQ(time.hour, 7);
    EXPECT_EQ(time.minute, 8);
    EXPECT_EQ(time.second, 9);
    EXPECT_EQ(time.tenths, 3);
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
