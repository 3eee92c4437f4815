#pragma once
// An estimate of today's Z, the sun's northward component (astronomical units, about the
// sine of the declination), from the common approximation of the declination
// -23.44 deg * cos(360 deg / 365.24 * (days since January 1 + 10)), good to about 0.03.
// Written independently of the saver's solar routines, so tests can check them with it.
#include <windows.h>

#include <cmath>

inline double ApproximateSunNorthComponentToday() {
    constexpr double kPi = 3.14159265358979323846;
    SYSTEMTIME now = {};
    ::GetSystemTime(&now);
    SYSTEMTIME newYear = {};
    newYear.wYear = now.wYear;
    newYear.wMonth = 1;
    newYear.wDay = 1;
    FILETIME a, b;
    ::SystemTimeToFileTime(&now, &a);
    ::SystemTimeToFileTime(&newYear, &b);
    const double days = (ULARGE_INTEGER{{a.dwLowDateTime, a.dwHighDateTime}}.QuadPart -
                         ULARGE_INTEGER{{b.dwLowDateTime, b.dwHighDateTime}}.QuadPart) /
                        864e9;
    return std::sin(-23.44 * kPi / 180.0 * std::cos(2.0 * kPi / 365.24 * (days + 10.0)));
}
