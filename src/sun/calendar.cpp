#include "sun/calendar.h"

#include <cmath>

namespace {

constexpr double kDaysPerHour = 0.041666666666666664;      // 1/24
constexpr double kDaysPerMinute = 0.0006944444444444445;   // 1/1440
constexpr double kDaysPerSecond = 0.000011574074074074073; // 1/86400
constexpr double kDaysPerTenth = 0.0000011574074074074074; // 1/864000

// The last day written in the Julian calendar; the next day, 1582 October 15, is the
// first Gregorian one. Dates from October 5 to 14 do not exist; they count as Gregorian.
constexpr int kReformYear = 1582;
constexpr int kReformMonth = 10;
constexpr int kLastJulianDayOfReformMonth = 4;

bool IsJulianDate(const CalendarTime& time) {
    if (time.year != kReformYear) {
        return time.year < kReformYear;
    }
    if (time.month != kReformMonth) {
        return time.month < kReformMonth;
    }
    return time.day <= kLastJulianDayOfReformMonth;
}

bool UsesJulianCalendar(const CalendarTime& time, CalendarRule rule) {
    switch (rule) {
    case CalendarRule::Julian:
        return true;
    case CalendarRule::ByDate:
        return IsJulianDate(time);
    default:
        return false;
    }
}

} // namespace

double DayWithFraction(const CalendarTime& time) {
    return time.day + time.hour * kDaysPerHour + time.minute * kDaysPerMinute +
           time.second * kDaysPerSecond + time.tenths * kDaysPerTenth;
}

JulianDay ToJulianDay(const CalendarTime& time, CalendarRule rule) {
    // January and February count as months 13 and 14 of the year before, so that the
    // leap day falls at the end of the counting year.
    int year = time.year;
    int month = time.month;
    if (month == 1 || month == 2) {
        year -= 1;
        month += 12;
    }
    double centuryCorrection = 0.0;
    if (!UsesJulianCalendar(time, rule)) {
        const double century = std::floor(year * 0.01);
        centuryCorrection = 2.0 - century + std::floor(century * 0.25);
    }
    const double day = DayWithFraction(time);
    const double wholeDay = std::floor(day);
    // The day count at the midnight that starts the date; the Julian Day is it minus 0.5.
    const int64_t midnightCount = static_cast<int64_t>(std::floor(365.25 * (year + 4716)) +
                                                       std::floor(30.6001 * (month + 1)) +
                                                       centuryCorrection - 1524.0 + wholeDay);
    const double sinceMidnight = day - wholeDay;
    if (sinceMidnight >= 0.5) {
        return {static_cast<uint32_t>(midnightCount), sinceMidnight - 0.5};
    }
    return {static_cast<uint32_t>(midnightCount - 1), sinceMidnight + 0.5};
}
