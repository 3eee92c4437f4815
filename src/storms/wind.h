#pragma once
// The wind conversions applied while parsing a storm line. Pure functions; any thread.

// Miles per hour shown for a whole number of knots: knots x 1.15 (the single-precision
// value, 1.149999976158142) rounded half up in double precision, then replaced by the
// multiple of 5 that the saver has always shown for the common storm categories.
// Results beyond the 32-bit range saturate.
int KnotsToMph(int knots);

// Kilometres per hour for knots as read by atof: knots x 1.8503499243497856 + 0.5,
// truncated toward zero. Fractions of a knot count here, unlike in KnotsToMph.
// Results beyond the 32-bit range saturate; nan gives 0.
int KnotsToKph(double knots);
