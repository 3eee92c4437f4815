#include "globe/marker_geometry.h"

#include <cmath>

#include "common/angles.h"
#include "globe/sphere_mesh.h"

namespace {

constexpr int kStormAboveKnots = 33;
constexpr int kHurricaneAboveKnots = 63;
constexpr int kMirroredFromKnots = 35;
constexpr float kHalf = kMarkerHalfSize;

const MarkerQuad kUpright{{
    {1.0f, 0.0f, kHalf, -kHalf, 1.0f},
    {1.0f, 1.0f, kHalf, kHalf, 1.0f},
    {0.0f, 1.0f, -kHalf, kHalf, 1.0f},
    {0.0f, 0.0f, -kHalf, -kHalf, 1.0f},
}};

const MarkerQuad kMirrored{{
    {1.0f, 1.0f, kHalf, -kHalf, 1.0f},
    {1.0f, 0.0f, kHalf, kHalf, 1.0f},
    {0.0f, 0.0f, -kHalf, kHalf, 1.0f},
    {0.0f, 1.0f, -kHalf, -kHalf, 1.0f},
}};

// Right-handed rotations, as glRotatef builds them.
MarkerPoint RotateAboutY(double degrees, const MarkerPoint& p) {
    const double c = std::cos(degrees * kRadiansPerDegree);
    const double s = std::sin(degrees * kRadiansPerDegree);
    return {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
}

MarkerPoint RotateAboutX(double degrees, const MarkerPoint& p) {
    const double c = std::cos(degrees * kRadiansPerDegree);
    const double s = std::sin(degrees * kRadiansPerDegree);
    return {p.x, c * p.y - s * p.z, s * p.y + c * p.z};
}

} // namespace

int MarkerIconIndex(int windKnots) {
    if (windKnots > kHurricaneAboveKnots) {
        return kHurricaneIcon;
    }
    if (windKnots > kStormAboveKnots) {
        return kStormIcon;
    }
    return kDepressionIcon;
}

bool IsMarkerMirrored(double latitude, int windKnots) {
    return latitude < 0.0 && windKnots >= kMirroredFromKnots;
}

const MarkerQuad& MarkerCorners(bool mirrored) {
    return mirrored ? kMirrored : kUpright;
}

MarkerRotation MarkerRotationFor(double latitude, double longitude, float turn) {
    return {turn * 360.0f, static_cast<float>(-(longitude + 90.0)), static_cast<float>(-latitude)};
}

MarkerPoint RotateMarkerPoint(const MarkerRotation& rotation, const MarkerPoint& point) {
    // The last rotation given to OpenGL is the first applied to the vertex.
    const MarkerPoint tilted = RotateAboutX(rotation.latitudeAngle, point);
    const MarkerPoint placed = RotateAboutY(rotation.longitudeAngle, tilted);
    return RotateAboutY(rotation.turnAngle, placed);
}

MarkerPlacement PlaceMarker(double latitude, double longitude, float turn) {
    const MarkerRotation rotation = MarkerRotationFor(latitude, longitude, turn);
    // The quad's normal is +z, like its centre's position, and rotations keep that so;
    // with an orthographic view along -z it is front-facing when the normal's z is > 0.
    const MarkerPoint centre = RotateMarkerPoint(rotation, {0.0, 0.0, 1.0});
    return {centre, centre.z > 0.0};
}
