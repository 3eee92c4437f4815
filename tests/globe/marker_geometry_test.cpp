#include "globe/marker_geometry.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "globe/sphere_mesh.h"

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kRadiansPerDegree = 1.0 / kDegreesPerRadian;

TEST(MarkerIcon, ChosenByWindAbove33AndAbove63) {
    const struct {
        int knots;
        int icon;
    } cases[] = {{-20, 2}, {0, 2},  {20, 2}, {33, 2},  {34, 3},
                 {35, 3},  {63, 3}, {64, 4}, {150, 4}, {2147483647, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(MarkerIconIndex(c.knots), c.icon) << c.knots;
    }
    EXPECT_EQ(kDepressionIcon, 2);
    EXPECT_EQ(kStormIcon, 3);
    EXPECT_EQ(kHurricaneIcon, 4);
}

TEST(MarkerIcon, MirroredForSouthernStormsFrom35Knots) {
    const struct {
        double latitude;
        int knots;
        bool mirrored;
    } cases[] = {
        {-10.0, 34, false}, {-10.0, 35, true},   {-10.0, 20, false}, {-10.0, 64, true},
        {0.0, 35, false},   {0.0, 100, false},   {10.0, 100, false}, {-0.1, 35, true},
        {-89.0, 200, true}, {-10.0, -50, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsMarkerMirrored(c.latitude, c.knots), c.mirrored)
            << c.latitude << ", " << c.knots;
    }
}

// Twice the signed area of a polygon projected on x, y: positive when counter-clockwise
// seen from +z.
double SignedArea(const MarkerQuad& quad) {
    double area = 0.0;
    for (size_t i = 0; i < quad.size(); ++i) {
        const MarkerCorner& a = quad[i];
        const MarkerCorner& b = quad[(i + 1) % quad.size()];
        area += double(a.x) * b.y - double(b.x) * a.y;
    }
    return area;
}

TEST(MarkerQuad, IsATenthWideSquareOnThePlaneZ1WindingCounterClockwise) {
    for (bool mirrored : {false, true}) {
        const MarkerQuad& quad = MarkerCorners(mirrored);
        std::set<std::pair<float, float>> corners;
        for (const MarkerCorner& c : quad) {
            EXPECT_EQ(c.z, 1.0f);
            EXPECT_EQ(std::fabs(c.x), 0.05f);
            EXPECT_EQ(std::fabs(c.y), 0.05f);
            corners.insert({c.x, c.y});
        }
        EXPECT_EQ(corners.size(), 4u);
        EXPECT_NEAR(SignedArea(quad), 2 * 0.1 * 0.1, 1e-7);
    }
}

// Upright: the picture's left column (s = 0) on the left, its top row (t = 1) on top.
// Mirrored: the same left and right, top and bottom exchanged.
TEST(MarkerQuad, TextureStandsUprightOrUpsideDown) {
    for (const MarkerCorner& c : MarkerCorners(false)) {
        EXPECT_EQ(c.s, c.x > 0 ? 1.0f : 0.0f);
        EXPECT_EQ(c.t, c.y > 0 ? 1.0f : 0.0f);
    }
    for (const MarkerCorner& c : MarkerCorners(true)) {
        EXPECT_EQ(c.s, c.x > 0 ? 1.0f : 0.0f);
        EXPECT_EQ(c.t, c.y > 0 ? 0.0f : 1.0f);
    }
}

TEST(MarkerRotation, AnglesAreThoseGivenToOpenGL) {
    const MarkerRotation r = MarkerRotationFor(-12.5, 75.0, 0.25f);
    EXPECT_EQ(r.turnAngle, 90.0f);
    EXPECT_EQ(r.longitudeAngle, -165.0f);
    EXPECT_EQ(r.latitudeAngle, 12.5f);
}

// Worked by hand: the rotations carry (0, 0, 1) to
// (sin(a) cos(lat), sin(lat), cos(a) cos(lat)) with a = 360 * turn - longitude - 90.
struct PlacementCase {
    const char* what;
    double latitude, longitude;
    float turn;
    double x, y, z;
    bool faces;
};

const PlacementCase kPlacements[] = {
    {"Greenwich at the centre", 0, 0, 0.25f, 0, 0, 1, true},
    {"Greenwich on the far side", 0, 0, 0.75f, 0, 0, -1, false},
    {"Greenwich on the left edge", 0, 0, 0.0f, -1, 0, 0, false},
    {"Greenwich on the right edge", 0, 0, 0.5f, 1, 0, 0, false},
    {"90 W at the centre at the start", 0, 90, 0.5f, 0, 0, 1, true},
    {"30 N at the centre", 30, 0, 0.25f, 0, 0.5, 0.8660254037844386, true},
    {"45 S, 180 W, far side", -45, 180, 0.25f, 0, -0.7071067811865476, -0.7071067811865476, false},
    {"east longitude, halfway to the right", 0, -45, 0.25f, 0.7071067811865476, 0,
     0.7071067811865476, true},
};

TEST(PlaceMarker, CarriesTheCentreToTheStormsPlaceOnTheTurningGlobe) {
    for (const PlacementCase& c : kPlacements) {
        const MarkerPlacement p = PlaceMarker(c.latitude, c.longitude, c.turn);
        EXPECT_NEAR(p.centre.x, c.x, 1e-6) << c.what;
        EXPECT_NEAR(p.centre.y, c.y, 1e-6) << c.what;
        EXPECT_NEAR(p.centre.z, c.z, 1e-6) << c.what;
        if (std::fabs(c.z) > 0.5) {
            EXPECT_EQ(p.facesViewer, c.faces) << c.what;
        }
    }
}

TEST(PlaceMarker, LatitudeSetsTheHeightWhateverTheTurn) {
    for (double latitude : {-60.0, -23.5, 0.0, 10.0, 45.0, 80.0}) {
        for (float turn : {0.0f, 0.1f, 0.25f, 0.5005f, 0.7f, 1.0f}) {
            for (double longitude : {-170.0, 0.0, 75.0, 140.0}) {
                const MarkerPlacement p = PlaceMarker(latitude, longitude, turn);
                EXPECT_NEAR(p.centre.y, std::sin(latitude * kRadiansPerDegree), 1e-6);
                const double r = std::sqrt(p.centre.x * p.centre.x + p.centre.y * p.centre.y +
                                           p.centre.z * p.centre.z);
                EXPECT_NEAR(r, 1.0, 1e-9);
                EXPECT_EQ(p.facesViewer, p.centre.z > 0.0);
            }
        }
    }
}

// The quad's corners, carried by the same rotations: counter-clockwise on screen when the
// marker faces the viewer (drawn), clockwise when it faces away (culled), and its top
// corner nearer the north pole than its centre.
TEST(PlaceMarker, FacingMarkersWindCounterClockwiseOnScreen) {
    for (float turn : {0.1f, 0.25f, 0.4f, 0.6f, 0.75f, 0.9f}) {
        const MarkerRotation rotation = MarkerRotationFor(20.0, 10.0, turn);
        const MarkerPlacement placement = PlaceMarker(20.0, 10.0, turn);
        double area = 0.0;
        const MarkerQuad& quad = MarkerCorners(false);
        for (size_t i = 0; i < quad.size(); ++i) {
            const MarkerCorner& a = quad[i];
            const MarkerCorner& b = quad[(i + 1) % quad.size()];
            const MarkerPoint pa = RotateMarkerPoint(rotation, {a.x, a.y, a.z});
            const MarkerPoint pb = RotateMarkerPoint(rotation, {b.x, b.y, b.z});
            area += pa.x * pb.y - pb.x * pa.y;
        }
        EXPECT_EQ(area > 0.0, placement.facesViewer) << turn;
        const MarkerPoint top = RotateMarkerPoint(rotation, {0.0, kMarkerHalfSize, 1.0});
        EXPECT_GT(top.y, placement.centre.y) << turn;
    }
}

double Fraction(double x) {
    return x - std::floor(x);
}

// Distance between two values taken modulo period.
double CircularDistance(double a, double b, double period) {
    const double d = Fraction((a - b) / period) * period;
    return std::min(d, period - d);
}

// The marker must sit where the scrolled map shows the storm. The mesh's texture s at
// mesh longitude m is m / 360 (sphere_mesh.h); the frame shifts s by -turn (texture
// matrix, wrapped by GL_REPEAT); the day map's left edge (s = 0) is the 180 deg meridian
// and s grows eastward by 1/360 per degree, so a storm at west longitude w is at map
// column s = (180 - w) / 360 modulo 1. The centre's mesh longitude 360 * turn - w - 180
// then gives (360 * turn - w - 180) / 360 - turn = (180 - w) / 360 - 1 == the storm's s.
TEST(PlaceMarker, LandsWhereTheScrolledMapShowsTheStorm) {
    const SphereMesh globe(41, 83, 1.0f);
    for (float turn : {0.0f, 0.125f, 0.25f, 0.5005f, 0.77f, 0.9995f, 1.0f}) {
        for (double west : {0.0, 75.0, -120.0, 179.0, -179.5, 150.25}) {
            for (double latitude : {0.0, 23.0, -40.0}) {
                const MarkerPoint c = PlaceMarker(latitude, west, turn).centre;
                const double meshLongitude = std::atan2(-c.z, c.x) * kDegreesPerRadian;
                EXPECT_LT(CircularDistance(meshLongitude, 360.0 * turn - west - 180.0, 360.0),
                          1e-4);
                const double mapS = Fraction(meshLongitude / 360.0 - turn);
                EXPECT_LT(CircularDistance(mapS, (180.0 - west) / 360.0, 1.0), 1e-6)
                    << turn << ", " << west;
                // The same point of the mesh itself.
                const Vec3f p =
                    globe.PointAt(static_cast<float>(meshLongitude), static_cast<float>(latitude));
                EXPECT_NEAR(p[0], c.x, 1e-5);
                EXPECT_NEAR(p[1], c.y, 1e-5);
                EXPECT_NEAR(p[2], c.z, 1e-5);
            }
        }
    }
}

} // namespace
