#pragma once
// The sun's geocentric position by the low-accuracy method of J. Meeus, Astronomical
// Algorithms (1991), "Solar Coordinates": good to about 0.01 degree, which is far more than
// the tilt of a terminator on a 600-pixel globe needs. Platform-free, pure functions.
// Angles are in degrees; time is a Julian Day (dynamical time taken as UTC).
#include "sun/calendar.h"

struct SolarCoordinates {
    double meanLongitude; // L0, geometric mean longitude, [0, 360)
    double trueLongitude; // L0 + equation of centre, not reduced
    double longitude;     // apparent longitude (aberration and nutation), not reduced
    double latitude;      // ecliptic latitude, always 0 in this method
    double meanAnomaly;   // M, [0, 360)
    double trueAnomaly;   // M + equation of centre, not reduced
    double eccentricity;  // of the earth's orbit, a pure number
    double meanObliquity; // of the ecliptic, without nutation
    double distance;      // R, earth to sun, astronomical units
};

// Geocentric equatorial rectangular coordinates in astronomical units, referred to the
// mean equator and equinox of date: x toward the March equinox, z toward the north
// celestial pole, y completing a right-handed frame.
struct SunVector {
    double x;
    double y;
    double z;
};

// x reduced to [0, 360).
double ReduceDegrees(double x);

// The sun's mean anomaly, not reduced, for t Julian centuries since 2000 January 1.5.
double MeanAnomaly(double t);

// The mean obliquity of the ecliptic (IAU 1980), for t Julian centuries since 2000
// January 1.5.
double MeanObliquity(double t);

SolarCoordinates ComputeSolarCoordinates(const JulianDay& day);

// Uses the apparent longitude with the mean obliquity (no nutation in obliquity).
SunVector SunEquatorialVector(const SolarCoordinates& sun);

// The sun's northward component z (astronomical units, R times the sine of the
// declination: about +0.404 at the June solstice, -0.391 at the December one) at a UTC
// date, Gregorian or Julian by the date itself. This is what tilts the lit side of the
// globe.
double SunNorthComponent(const CalendarTime& utc);
