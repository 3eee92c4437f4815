#include "sun/solar.h"

#include <cmath>

#include "common/angles.h"

namespace {

constexpr double kTurnsPerDegree = 0.002777777777777778;     // 1/360
constexpr double kCenturiesPerDay = 0.000027378507871321012; // 1/36525
constexpr double kJ2000 = 2451545.0; // 2000 January 1.5, the epoch of the polynomials

double SinDegrees(double degrees) {
    return std::sin(degrees * kRadiansPerDegree);
}
double CosDegrees(double degrees) {
    return std::cos(degrees * kRadiansPerDegree);
}

double EquationOfCentre(double t, double meanAnomaly) {
    return (1.9146 - 0.004817 * t - 0.000014 * t * t) * SinDegrees(meanAnomaly) +
           (0.019993 - 0.000101 * t) * SinDegrees(2.0 * meanAnomaly) +
           0.00029 * SinDegrees(3.0 * meanAnomaly);
}

} // namespace

double ReduceDegrees(double x) {
    return x - 360.0 * std::floor(x * kTurnsPerDegree);
}

double MeanAnomaly(double t) {
    return 357.5291 + 35999.0503 * t - 0.0001559 * t * t - 0.00000048 * t * t * t;
}

double MeanObliquity(double t) {
    // 23 deg 26' 21.448" - 46.815" t - 0.00059" t^2 + 0.001813" t^3
    return 23.439291 - 0.013004166666666666 * t - 0.0000001638888888888889 * t * t +
           0.0000005036111111111111 * t * t * t;
}

SolarCoordinates ComputeSolarCoordinates(const JulianDay& day) {
    const double t = (day.dayCount - kJ2000 + day.fraction) * kCenturiesPerDay;
    SolarCoordinates sun{};
    sun.meanLongitude = ReduceDegrees(280.46645 + 36000.76983 * t + 0.0003032 * t * t);
    sun.meanAnomaly = ReduceDegrees(MeanAnomaly(t));
    sun.eccentricity = 0.016708617 - 0.000042037 * t - 0.0000001236 * t * t;
    sun.meanObliquity = MeanObliquity(t);
    const double centre = EquationOfCentre(t, sun.meanAnomaly);
    sun.trueLongitude = sun.meanLongitude + centre;
    sun.trueAnomaly = sun.meanAnomaly + centre;
    const double e = sun.eccentricity;
    sun.distance = 1.000001018 * (1.0 - e * e) / (1.0 + e * CosDegrees(sun.trueAnomaly));
    sun.latitude = 0.0;
    // Aberration, and nutation in longitude from its main term (the moon's node).
    const double node = 125.04 - 1934.136 * t;
    sun.longitude = sun.trueLongitude - 0.00569 - 0.00478 * SinDegrees(node);
    return sun;
}

SunVector SunEquatorialVector(const SolarCoordinates& sun) {
    const double r = sun.distance;
    const double sinLongitude = SinDegrees(sun.longitude);
    return {r * CosDegrees(sun.longitude), r * CosDegrees(sun.meanObliquity) * sinLongitude,
            r * SinDegrees(sun.meanObliquity) * sinLongitude};
}

double SunNorthComponent(const CalendarTime& utc) {
    const JulianDay day = ToJulianDay(utc, CalendarRule::ByDate);
    return SunEquatorialVector(ComputeSolarCoordinates(day)).z;
}
