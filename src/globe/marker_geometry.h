#pragma once
// Storm markers on the globe: which icon, which way up, the quad's corners, and where the
// rotations that place it carry it. Platform-free; the OpenGL drawing issues exactly these
// corners and glRotatef angles.
//
// Storm positions are in degrees: latitude positive north, longitude positive WEST of
// Greenwich (as the storm feed gives them). Space is the sphere mesh's (sphere_mesh.h):
// unit sphere, y toward the north pole, the viewer on +z looking along -z.
#include <array>

// Indices into the globe's array of five texture names.
constexpr int kDepressionIcon = 2; // winds up to 33 knots (and 0 or negative)
constexpr int kStormIcon = 3;      // 34 to 63 knots
constexpr int kHurricaneIcon = 4;  // 64 knots and more

int MarkerIconIndex(int windKnots);

// Southern storms of 35 knots or more show their icon upside down along the meridian.
// Latitude 0 counts as northern; a southern storm of exactly 34 knots stays upright.
bool IsMarkerMirrored(double latitude, int windKnots);

constexpr float kMarkerHalfSize = 0.05f; // a twentieth of the globe's diameter per side

struct MarkerCorner {
    float s;
    float t;
    float x;
    float y;
    float z;
};

// The quad in the plane z = 1, touching the unit sphere at (0, 0, 1), its top (+y) toward
// the north after rotation. Corners in drawing order, counter-clockwise seen from outside
// the sphere; each with the texture coordinate to give before it.
using MarkerQuad = std::array<MarkerCorner, 4>;
const MarkerQuad& MarkerCorners(bool mirrored);

// The rotations that put the quad on a storm, in degrees as glRotatef takes them, to be
// applied in this order to an identity model-view matrix: about +y by turnAngle
// (turn * 360), about +y by longitudeAngle (-(longitude + 90)), about +x by latitudeAngle
// (-latitude).
struct MarkerRotation {
    float turnAngle;
    float longitudeAngle;
    float latitudeAngle;
};

MarkerRotation MarkerRotationFor(double latitude, double longitude, float turn);

struct MarkerPoint {
    double x;
    double y;
    double z;
};

// Where the model-view matrix Ry(turnAngle) * Ry(longitudeAngle) * Rx(latitudeAngle)
// carries a point of the quad's space.
MarkerPoint RotateMarkerPoint(const MarkerRotation& rotation, const MarkerPoint& point);

struct MarkerPlacement {
    MarkerPoint centre; // on the unit sphere: latitude as given, mesh longitude
                        // 360 * turn - longitude - 180
    bool facesViewer;   // the quad's front is toward the viewer (otherwise it is culled)
};

MarkerPlacement PlaceMarker(double latitude, double longitude, float turn);
