#include "storms/wind.h"

#include <cmath>

#include "storms/feed_numbers.h"

namespace {

// The factors are single-precision constants widened to double, which is what gives the
// saver's figures (10 knots shows 11 mph, not 12).
constexpr double kMphPerKnot = static_cast<double>(1.15f);
constexpr double kKphPerKnot = static_cast<double>(1.15f) * static_cast<double>(1.609f);
static_assert(kMphPerKnot == 1.149999976158142, "1.15 must be the single-precision value");
static_assert(kKphPerKnot == 1.8503499243497856, "knots to km/h factor");

struct ShownMph {
    int computed;
    int shown;
};

// Computed miles per hour of the usual advisory wind speeds (20 to 125 knots in steps
// of 5) and the rounded figure shown for each. No shown value is also a computed one,
// so a single lookup is enough.
constexpr ShownMph kShownMph[] = {
    {23, 25},   {29, 30},   {34, 35},   {46, 45},   {52, 50},   {57, 60},
    {63, 65},   {69, 70},   {86, 85},   {92, 90},   {98, 100},  {103, 105},
    {109, 110}, {121, 120}, {126, 125}, {132, 130}, {138, 140}, {144, 145},
};

} // namespace

int KnotsToMph(int knots) {
    const int computed = SaturateToInt(std::floor(knots * kMphPerKnot + 0.5));
    for (const ShownMph& entry : kShownMph) {
        if (entry.computed == computed) {
            return entry.shown;
        }
    }
    return computed;
}

int KnotsToKph(double knots) {
    return SaturateToInt(knots * kKphPerKnot + 0.5);
}
