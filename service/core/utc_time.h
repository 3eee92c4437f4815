#pragma once
// UTC calendar times as seconds since 1970, computed without the C library's time zone
// (no TZ, no locale): pure functions, any thread.
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// Seconds since 1970-01-01 00:00 UTC for a proleptic Gregorian date and time. Returns
// nothing when a field is out of its range (month 1-12, day within the month, hour 0-23,
// minute 0-59).
std::optional<std::time_t> UtcTime(int year, int month, int day, int hour, int minute);

// "YYYY-MM-DDTHH:MMZ", the form of --now.
std::optional<std::time_t> ParseIsoMinute(std::string_view text);

// "YYYYMMDDHH" (ATCF, IBTrACS without separators) or "YYYYMMDD" + "HHMM" joined.
std::optional<std::time_t> ParseDigitsTime(std::string_view digits);

// "YYYY-MM-DD HH:MM" as written in the status line.
std::string FormatUtcMinute(std::time_t time);

// The time of day-of-month `day` at hour:minute nearest to `reference`, in its month or
// the one before or after: the products give only day and time ("29/1500Z", "061200Z").
// Nothing when no such month has that day or the fields are out of range.
std::optional<std::time_t> NearestDayTime(std::time_t reference, int day, int hour, int minute);

// The month of an upper-case English abbreviation ("JAN" -> 1, "DEC" -> 12), or 0.
int MonthOfAbbreviation(std::string_view abbreviation);

struct CivilTime {
    int year, month, day, hour, minute, second;
    int weekday; // 0 Sunday to 6 Saturday
};
CivilTime ToCivil(std::time_t time);

// An HTTP date (RFC 9110 IMF-fixdate), e.g. "Mon, 07 Dec 2026 10:15:00 GMT".
std::string HttpDate(std::time_t time);
// The time of an IMF-fixdate, the only HTTP date form senders may generate; nothing for
// any other text.
std::optional<std::time_t> ParseHttpDate(std::string_view text);
// An ISO 8601 UTC time, "2026-12-07T10:15:00Z"; "" for 0 (never).
std::string IsoTime(std::time_t time);
// A time as the Common Log Format writes it, "07/Dec/2026:10:15:00 +0000".
std::string LogTime(std::time_t time);

// "YYYY-MM-DDTHH:MM" or "YYYY-MM-DD HH:MM", optionally followed by seconds, fractions and
// "Z" ("2023-08-29T15:00:00.000Z", IBTrACS' "2025-09-10 12:00:00"); UTC.
std::optional<std::time_t> ParseIsoTimestamp(std::string_view text);
