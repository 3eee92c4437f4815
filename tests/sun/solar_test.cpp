#include "sun/solar.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kFourDecimals = 0.00005; // half a unit of the fourth decimal

CalendarTime Date(int year, int month, int day, int hour = 0, int minute = 0) {
    return {static_cast<int16_t>(year),
            static_cast<uint16_t>(month),
            static_cast<uint16_t>(day),
            static_cast<uint16_t>(hour),
            static_cast<uint16_t>(minute),
            0,
            0};
}

double Degrees(int degrees, int minutes, double seconds) {
    return degrees + minutes / 60.0 + seconds / 3600.0;
}

SolarCoordinates SunAt(const CalendarTime& utc) {
    return ComputeSolarCoordinates(ToJulianDay(utc, CalendarRule::ByDate));
}

TEST(ReduceDegrees, FoldsIntoOneTurn) {
    const struct {
        double in;
        double out;
    } cases[] = {{-10.0, 350.0}, {720.0, 0.0},      {0.0, 0.0},         {360.0, 0.0},
                 {359.5, 359.5}, {-720.25, 359.75}, {1000000.0, 280.0}, {-0.5, 359.5}};
    for (const auto& c : cases) {
        EXPECT_NEAR(ReduceDegrees(c.in), c.out, 1e-9) << c.in;
    }
}

// The IAU 1980 expression in arcseconds: 84381.448" - 46.8150" T - 0.00059" T^2
// + 0.001813" T^3 (the constant term is carried as 23.439291 degrees, 0.0004" less).
TEST(MeanObliquity, FollowsTheIau1980Polynomial) {
    const double tolerance = 2e-7;
    EXPECT_NEAR(MeanObliquity(0.0), 84381.448 / 3600.0, tolerance);
    EXPECT_NEAR(MeanObliquity(1.0), (84381.448 - 46.815 - 0.00059 + 0.001813) / 3600.0, tolerance);
    EXPECT_NEAR(MeanObliquity(-2.0), (84381.448 + 2 * 46.815 - 4 * 0.00059 - 8 * 0.001813) / 3600.0,
                tolerance);
}

TEST(SolarCoordinates, AtTheJ2000EpochTheSeriesGiveTheirConstantTerms) {
    const JulianDay epoch = ToJulianDay(Date(2000, 1, 1, 12), CalendarRule::ByDate);
    const SolarCoordinates sun = ComputeSolarCoordinates(epoch);
    EXPECT_DOUBLE_EQ(sun.meanLongitude, 280.46645);
    EXPECT_DOUBLE_EQ(sun.meanAnomaly, 357.5291);
    EXPECT_DOUBLE_EQ(sun.meanObliquity, 23.439291);
    EXPECT_DOUBLE_EQ(sun.eccentricity, 0.016708617);
    EXPECT_DOUBLE_EQ(MeanAnomaly(0.0), 357.5291);
    EXPECT_EQ(sun.latitude, 0.0);
    EXPECT_NEAR(SunEquatorialVector(sun).z, -0.3847, kFourDecimals);
}

// J. Meeus, Astronomical Algorithms, Example 25.a (2nd edition, 1998, p. 165; Example
// 24.a, p. 153, in the 1991 first edition): the sun on 1992 October 13.0 TD,
// JDE 2448908.5. The two editions print L0, M and the true longitude 0.00001 apart
// (201.80720/201.80719 ...), so those are tested to four decimals. The eccentricity is
// the first edition's 0.016711651: its coefficients are ours (the second edition's
// revised ones give 0.016711668).
TEST(SolarCoordinates, MatchMeeusExample25a) {
    const JulianDay jde = ToJulianDay(Date(1992, 10, 13), CalendarRule::ByDate);
    ASSERT_EQ(jde.dayCount, 2448908u);
    ASSERT_EQ(jde.fraction, 0.5);
    const SolarCoordinates sun = ComputeSolarCoordinates(jde);
    const double t = -0.072183436;
    EXPECT_NEAR(MeanAnomaly(t), -2241.00603, kFourDecimals); // printed before reduction
    EXPECT_NEAR(sun.meanLongitude, 201.80720, kFourDecimals);
    EXPECT_NEAR(sun.meanAnomaly, 278.99397, kFourDecimals);
    EXPECT_NEAR(sun.eccentricity, 0.016711651, 1e-9);
    EXPECT_NEAR(sun.trueLongitude - sun.meanLongitude, -1.89732, 0.000005); // C
    EXPECT_NEAR(sun.trueLongitude, 199.90988, kFourDecimals);
    EXPECT_NEAR(sun.trueAnomaly, 278.99397 - 1.89732, kFourDecimals);
    EXPECT_NEAR(sun.distance, 0.99766, 0.000005);
    EXPECT_NEAR(sun.longitude, 199.90895, kFourDecimals);
    // Mean obliquity 23 deg 26' 24.83" (equation 22.2), printed to 0.01".
    EXPECT_NEAR(sun.meanObliquity, Degrees(23, 26, 24.83), 0.01 / 3600.0);
    EXPECT_EQ(sun.latitude, 0.0);
}

// The book goes on to the apparent right ascension and declination with the true
// obliquity (23.43999 deg): 198.38083 and -7.78507. With the mean obliquity that this
// method keeps, the same formulas on the book's lambda = 199.90895 and
// eps0 = 23 deg 26' 24.83" give, worked by hand:
//   sin(delta) = sin(eps0) sin(lambda)           -> delta = -7.78515 deg
//   tan(alpha) = cos(eps0) sin(lambda) / cos(lambda) -> alpha = 198.38080 deg
// Tolerance: four decimals, which also covers the book's rounding of lambda and eps0.
TEST(SunEquatorialVector, MatchesTheDeclinationAndRightAscensionOfExample25a) {
    const SolarCoordinates sun = SunAt(Date(1992, 10, 13));
    const SunVector v = SunEquatorialVector(sun);
    const double r = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    EXPECT_NEAR(r, 0.99766, 0.000005);
    EXPECT_NEAR(std::asin(v.z / r) * kDegreesPerRadian, -7.78515, kFourDecimals);
    EXPECT_NEAR(std::atan2(v.y, v.x) * kDegreesPerRadian + 360.0, 198.38080, kFourDecimals);
}

struct SeasonCase {
    const char* what;
    CalendarTime utc;
    double z;
    double distance;
};

// Solstices of 2002 (the sun's declination near +-23.4 deg; R near aphelion and
// perihelion).
const SeasonCase kSeasonCases[] = {
    {"June solstice", Date(2002, 6, 21, 12), 0.4042, 1.0163},
    {"December solstice", Date(2002, 12, 21, 0), -0.3912, 0.9838},
};

TEST(SunNorthComponent, AtTheSolsticesOf2002) {
    for (const SeasonCase& c : kSeasonCases) {
        const SolarCoordinates sun = SunAt(c.utc);
        EXPECT_NEAR(sun.distance, c.distance, kFourDecimals) << c.what;
        EXPECT_NEAR(SunEquatorialVector(sun).z, c.z, kFourDecimals) << c.what;
        EXPECT_NEAR(SunNorthComponent(c.utc), c.z, kFourDecimals) << c.what;
    }
}

// The March equinox of 2002 fell on March 20 at 19:16 UTC: the sun crosses the equator
// northward there, so z changes sign, and at that minute it is zero to within the
// method's 0.01 deg (0.4 * sin 0.01 deg = 7e-5 AU).
TEST(SunNorthComponent, CrossesZeroNorthwardAtTheMarchEquinox) {
    EXPECT_LT(SunNorthComponent(Date(2002, 3, 19, 19, 16)), -0.006);
    EXPECT_NEAR(SunNorthComponent(Date(2002, 3, 20, 19, 16)), 0.0, 0.0001);
    EXPECT_GT(SunNorthComponent(Date(2002, 3, 21, 19, 16)), 0.006);
}

} // namespace
