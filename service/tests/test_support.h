#pragma once
// What the service's tests share: a forecast point as the tables write it, and the check
// of a fix's forecast track against them.
#include <gtest/gtest.h>

#include <vector>

#include "core/fix.h"
#include "core/utc_time.h"

struct ExpectedPoint {
    const char* validTime; // YYYY-MM-DDTHH:MMZ
    double latitude, longitude;
    int windKnots;
    bool outlook;
};

inline void ExpectForecast(const std::vector<ForecastPoint>& got,
                           const std::vector<ExpectedPoint>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].validTime);
        EXPECT_EQ(got[i].validTime, *ParseIsoMinute(want[i].validTime));
        EXPECT_DOUBLE_EQ(got[i].latitude, want[i].latitude);
        EXPECT_DOUBLE_EQ(got[i].longitude, want[i].longitude);
        EXPECT_EQ(got[i].windKnots, want[i].windKnots);
        EXPECT_EQ(got[i].outlook, want[i].outlook);
    }
}
