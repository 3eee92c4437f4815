// The jitter rule: travel counts as |dx| + |dy| and must exceed four pixels.
#include "shell/mouse_travel.h"

#include <climits>

#include <gtest/gtest.h>

namespace {

struct TravelCase {
    int referenceX, referenceY, x, y;
    bool beyond;
};

TEST(IsMouseBeyondJitter, EndsTheRunOnlyPastFourPixelsOfTravel) {
    const TravelCase cases[] = {
        {100, 100, 100, 100, false},
        {100, 100, 104, 100, false},
        {100, 100, 105, 100, true},
        {100, 100, 96, 100, false},
        {100, 100, 95, 100, true},
        {100, 100, 100, 104, false},
        {100, 100, 100, 95, true},
        {100, 100, 102, 102, false},
        {100, 100, 103, 102, true},
        {100, 100, 98, 97, true},
        {0, 0, -2, 2, false},
        {0, 0, -3, -2, true},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, true}, // no overflow at the extremes
    };
    for (const TravelCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "(" << c.referenceX << "," << c.referenceY << ") to ("
                                          << c.x << "," << c.y << ")");
        EXPECT_EQ(IsMouseBeyondJitter(c.referenceX, c.referenceY, c.x, c.y), c.beyond);
    }
}

} // namespace
