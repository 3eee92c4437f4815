// ReadClock on Win32: the system clock in UTC or local time.
#include <windows.h>

#include "sun/calendar.h"

bool ReadClock(CalendarTime& time, ClockSource source) {
    SYSTEMTIME now;
    switch (source) {
    case ClockSource::Utc:
        ::GetSystemTime(&now);
        break;
    case ClockSource::Local:
        ::GetLocalTime(&now);
        break;
    default:
        return false;
    }
    time.year = static_cast<int16_t>(now.wYear);
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.tenths = 0;
    return true;
}
