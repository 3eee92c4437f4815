#pragma once
// Angle units of the platform-free code (the sun's position, the sphere, the markers).

constexpr double kRadiansPerDegree = 0.017453292519943295; // pi / 180
