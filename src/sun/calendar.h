#pragma once
// Calendar dates and their Julian Day. Platform-free, except ReadClock (Win32, in
// clock_win.cpp). A date carries no time zone of its own: the caller says whether it is UTC
// or local time; the sun's position wants UTC.
#include <cstdint>

// A calendar date and time of day. When filled from the clock, tenths is 0 (the clock's
// milliseconds are dropped).
struct CalendarTime {
    int16_t year;    // astronomical numbering: year 0 is 1 BC
    uint16_t month;  // 1 to 12
    uint16_t day;    // day of the month, from 1
    uint16_t hour;   // 0 to 23
    uint16_t minute; // 0 to 59
    uint16_t second; // 0 to 59
    uint16_t tenths; // tenths of a second, 0 to 9
};

enum class ClockSource : int {
    Utc = 0,   // GetSystemTime
    Local = 1, // GetLocalTime
};

// Which calendar a date is written in. Any value other than Julian and ByDate counts as
// Gregorian.
enum class CalendarRule : int {
    Gregorian = 0,
    Julian = 1,
    ByDate = 2, // Julian up to and including 1582 October 4, Gregorian from October 5 on
};

// A Julian Day kept in two parts so that the time of day keeps full double precision:
// the day count is the floor of the Julian Day, the fraction counts from noon (0 is 12:00).
struct JulianDay {
    uint32_t dayCount;
    double fraction; // [0, 1)
};

// Win32: fills year, month, day, hour, minute and second from the chosen clock, sets
// tenths to 0 and returns true. Any other source returns false and leaves time untouched.
bool ReadClock(CalendarTime& time, ClockSource source);

// The day of the month with the time of day as its fraction (hours, minutes, seconds and
// tenths over 24, 1440, 86400 and 864000).
double DayWithFraction(const CalendarTime& time);

// The Julian Day at the given date and time (no range check; a date before Julian Day 0
// wraps the unsigned day count).
JulianDay ToJulianDay(const CalendarTime& time, CalendarRule rule);
