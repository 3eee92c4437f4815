#include "core/utc_time.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr long kSecondsPerDay = 86400;
constexpr int kThursday = 4; // 1970-01-01
constexpr const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";

// "Jan" of month 1.
std::string_view MonthName(int month) {
    return kMonths.substr(static_cast<size_t>(month - 1) * 3, 3);
}

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a civil date (Howard Hinnant's days_from_civil).
long DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Reads exactly `count` decimal digits starting at `at`; -1 when any is not a digit.
int Digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::optional<std::time_t> UtcTime(int year, int month, int day, int hour, int minute) {
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        return std::nullopt;
    }
    const long days = DaysFromCivil(year, month, day);
    return static_cast<std::time_t>(days * kSecondsPerDay + hour * 3600L + minute * 60L);
}

std::optional<std::time_t> ParseIsoMinute(std::string_view text) {
    if (text.size() != 17 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != 'Z') {
        return std::nullopt;
    }
    return UtcTime(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2), Digits(text, 11, 2),
                   Digits(text, 14, 2));
}

std::optional<std::time_t> ParseDigitsTime(std::string_view digits) {
    if (digits.size() != 10 && digits.size() != 12) {
        return std::nullopt;
    }
    const int minute = digits.size() == 12 ? Digits(digits, 10, 2) : 0;
    return UtcTime(Digits(digits, 0, 4), Digits(digits, 4, 2), Digits(digits, 6, 2),
                   Digits(digits, 8, 2), minute);
}

CivilTime ToCivil(std::time_t time) {
    long days = static_cast<long>(time / kSecondsPerDay);
    long seconds = static_cast<long>(time % kSecondsPerDay);
    if (seconds < 0) {
        seconds += kSecondsPerDay;
        --days;
    }
    // civil_from_days, the inverse of DaysFromCivil.
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
    const long sinceEpoch = days - 719468;
    return {year,
            month,
            day,
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds % 3600 / 60),
            static_cast<int>(seconds % 60),
            static_cast<int>((sinceEpoch % 7 + 7 + kThursday) % 7)};
}

std::string FormatUtcMinute(std::time_t time) {
    const CivilTime c = ToCivil(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute);
    return text;
}

std::optional<std::time_t> ParseIsoTimestamp(std::string_view text) {
    if (text.size() < 16 || (text[10] != 'T' && text[10] != ' ')) {
        return std::nullopt;
    }
    const std::string_view rest = text.substr(16);
    if (!rest.empty() && rest[0] != ':' && rest[0] != 'Z') {
        return std::nullopt;
    }
    std::string minute(text.substr(0, 16));
    minute[10] = 'T';
    return ParseIsoMinute(minute + "Z");
}

std::string HttpDate(std::time_t time) {
    const CivilTime c = ToCivil(time);
    const std::string month(MonthName(c.month));
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[c.weekday], c.day,
                  month.c_str(), c.year, c.hour, c.minute, c.second);
    return text;
}

std::optional<std::time_t> ParseHttpDate(std::string_view text) {
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed columns.
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT" ||
        text[7] != ' ' || text[11] != ' ' || text[16] != ' ' || text[19] != ':' ||
        text[22] != ':') {
        return std::nullopt;
    }
    const size_t month = kMonths.find(text.substr(8, 3));
    const int second = Digits(text, 23, 2);
    if (month == std::string_view::npos || month % 3 != 0 || second < 0 || second > 60) {
        return std::nullopt;
    }
    const auto start = UtcTime(Digits(text, 12, 4), static_cast<int>(month / 3) + 1,
                               Digits(text, 5, 2), Digits(text, 17, 2), Digits(text, 20, 2));
    return start ? std::optional<std::time_t>(*start + second) : std::nullopt;
}

std::string IsoTime(std::time_t time) {
    if (time == 0) {
        return "";
    }
    const CivilTime c = ToCivil(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", c.year, c.month, c.day,
                  c.hour, c.minute, c.second);
    return text;
}

std::string LogTime(std::time_t time) {
    const CivilTime c = ToCivil(time);
    const std::string month(MonthName(c.month));
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%s/%04d:%02d:%02d:%02d +0000", c.day, month.c_str(),
                  c.year, c.hour, c.minute, c.second);
    return text;
}

std::optional<std::time_t> NearestDayTime(std::time_t reference, int day, int hour, int minute) {
    const CivilTime civil = ToCivil(reference);
    std::optional<std::time_t> nearest;
    for (int offset = -1; offset <= 1; ++offset) {
        const int index = civil.year * 12 + civil.month - 1 + offset;
        const auto time = UtcTime(index / 12, index % 12 + 1, day, hour, minute);
        const auto distance = [&](std::time_t t) {
            return t > reference ? t - reference : reference - t;
        };
        if (time && (!nearest || distance(*time) < distance(*nearest))) {
            nearest = time;
        }
    }
    return nearest;
}

// kMonths' names in capitals, as the agencies' products write them; nothing else.
int MonthOfAbbreviation(std::string_view abbreviation) {
    const auto capital = [](char name, char given) {
        return (name >= 'a' && name <= 'z' ? name - 'a' + 'A' : name) == given;
    };
    for (int month = 1; month <= 12 && abbreviation.size() == 3; ++month) {
        const std::string_view name = MonthName(month);
        if (std::equal(name.begin(), name.end(), abbreviation.begin(), capital)) {
            return month;
        }
    }
    return 0;
}
