// The calendar's formats of one time, from reference dates of RFC 9110 and the calendar.
#include "core/utc_time.h"

#include <gtest/gtest.h>

namespace {

TEST(UtcTime, Formats) {
    struct Case {
        std::time_t t;
        const char* http;
        const char* iso;
        const char* log;
    };
    const Case kCases[] = {
        {784111777, "Sun, 06 Nov 1994 08:49:37 GMT", "1994-11-06T08:49:37Z",
         "06/Nov/1994:08:49:37 +0000"},
        {0, "Thu, 01 Jan 1970 00:00:00 GMT", "", "01/Jan/1970:00:00:00 +0000"},
        {951782400, "Tue, 29 Feb 2000 00:00:00 GMT", "2000-02-29T00:00:00Z",
         "29/Feb/2000:00:00:00 +0000"},
        {1798761599, "Thu, 31 Dec 2026 23:59:59 GMT", "2026-12-31T23:59:59Z",
         "31/Dec/2026:23:59:59 +0000"},
        {-1, "Wed, 31 Dec 1969 23:59:59 GMT", "1969-12-31T23:59:59Z", "31/Dec/1969:23:59:59 +0000"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.http);
        EXPECT_EQ(HttpDate(c.t), c.http);
        EXPECT_EQ(IsoTime(c.t), c.iso);
        EXPECT_EQ(LogTime(c.t), c.log);
        EXPECT_EQ(ParseHttpDate(c.http), c.t);
    }
    for (const char* bad : {"Sun, 06 Nov 1994 08:49:37 UTC", "Sun, 31 Nov 1994 08:49:37 GMT",
                            "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
                            "Sun, 06 Nov 1994 24:49:37 GMT", "Sun, 06 Xyz 1994 08:49:37 GMT"}) {
        EXPECT_EQ(ParseHttpDate(bad), std::nullopt) << bad;
    }
}

} // namespace
