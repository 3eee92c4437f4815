#include "globe/sphere_mesh.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "mesh_recorder.h"

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr int kRings = 41;
constexpr int kSlices = 83;
constexpr int kBands = kRings + 1;
const Vec3f kHeadlight{0.0f, 0.0f, 1.0f};

MeshRecording DrawGlobe(const Vec3f* light, float gain, float floor, float radius = 1.0f) {
    MeshRecording recording;
    const MeshSink sink = RecordingSink(recording);
    SphereMesh(kRings, kSlices, radius).Draw(light, gain, floor, sink);
    return recording;
}

double Length(const Vec3f& v) {
    return std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
}

bool IsPole(const Vec3f& v) {
    return v[0] == 0.0f && v[2] == 0.0f;
}

// Longitude in [0, 360) from a point's position, by the frame's definition
// x = cos(lon) cos(lat), z = -sin(lon) cos(lat).
double LongitudeOf(const Vec3f& v) {
    const double degrees = std::atan2(-double(v[2]), double(v[0])) * kDegreesPerRadian;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

double LatitudeOf(const Vec3f& v) {
    return std::asin(v[1] / Length(v)) * kDegreesPerRadian;
}

// Twice the signed area of the triangle a, b, c projected on the screen (x right, y up):
// positive when it winds counter-clockwise as the viewer, on +z, sees it.
double ScreenArea(const Vec3f& a, const Vec3f& b, const Vec3f& c) {
    return (double(b[0]) - a[0]) * (double(c[1]) - a[1]) -
           (double(b[1]) - a[1]) * (double(c[0]) - a[0]);
}

TEST(SphereMesh, Emits42StripsOf88Vertices) {
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.08f);
    EXPECT_EQ(r.protocolErrors, 0);
    EXPECT_FALSE(r.inStrip);
    ASSERT_EQ(r.strips.size(), 42u);
    for (const auto& strip : r.strips) {
        EXPECT_EQ(strip.size(), 88u);
    }
}

TEST(SphereMesh, StripsRunFromNorthToSouthInEqualBands) {
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.08f);
    ASSERT_EQ(r.strips.size(), size_t(kBands));
    for (int band = 0; band < kBands; ++band) {
        const auto& strip = r.strips[band];
        for (size_t k = 0; k < strip.size(); ++k) {
            const int edge = band + int(k % 2); // even vertices on the top edge of the band
            EXPECT_NEAR(strip[k].t, 1.0 - double(edge) / kBands, 1e-6) << band << " " << k;
            if (!IsPole(strip[k].position)) {
                EXPECT_NEAR(LatitudeOf(strip[k].position), 90.0 - edge * 180.0 / kBands, 1e-4);
            }
        }
    }
    EXPECT_EQ(r.strips.front()[0].position, (Vec3f{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(r.strips.back()[1].position, (Vec3f{0.0f, -1.0f, 0.0f}));
}

TEST(SphereMesh, StripsOpenOnThe180MeridianAndCloseOnTheZeroMeridian) {
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.08f);
    for (const auto& strip : r.strips) {
        for (size_t k : {size_t(0), size_t(1)}) {
            EXPECT_EQ(strip[k].s, 0.5f);
            if (!IsPole(strip[k].position)) {
                EXPECT_NEAR(LongitudeOf(strip[k].position), 180.0, 1e-4);
            }
        }
        for (size_t k : {strip.size() - 2, strip.size() - 1}) {
            EXPECT_EQ(strip[k].s, 1.0f);
            if (!IsPole(strip[k].position)) {
                const double longitude = LongitudeOf(strip[k].position);
                EXPECT_TRUE(longitude < 1e-4 || longitude > 360.0 - 1e-4) << longitude;
            }
        }
    }
}

// Columns are 360/83 deg apart; the first is column 41 at 41 * 360 / 83 = 177.83 deg, the
// last column 82 at 355.66 deg.
TEST(SphereMesh, CoversLongitudesFromColumn41To360Only) {
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.08f);
    const double firstColumn = 41 * 360.0 / kSlices;
    for (const auto& strip : r.strips) {
        for (size_t k = 0; k < strip.size(); ++k) {
            const Vec3f& p = strip[k].position;
            if (IsPole(p)) {
                continue;
            }
            const double longitude = LongitudeOf(p);
            const bool onZeroMeridian = longitude < 1e-4 || longitude > 360.0 - 1e-4;
            EXPECT_TRUE(onZeroMeridian || longitude > firstColumn - 1e-4) << longitude;
            if (k == 2 || k == 3) {
                EXPECT_NEAR(longitude, firstColumn, 1e-4);
            }
            if (k == strip.size() - 4 || k == strip.size() - 3) {
                EXPECT_NEAR(longitude, 82 * 360.0 / kSlices, 1e-4);
            }
        }
    }
}

// The map's s runs with longitude (s = lon / 360, the closing meridian counted as 360)
// and t with latitude from the south pole (t = (lat + 90) / 180).
TEST(SphereMesh, TextureCoordinatesFollowLongitudeAndLatitude) {
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.08f);
    for (const auto& strip : r.strips) {
        for (const RecordedVertex& v : strip) {
            if (IsPole(v.position)) {
                EXPECT_EQ(v.t, v.position[1] > 0.0f ? 1.0f : 0.0f);
                continue;
            }
            double longitude = LongitudeOf(v.position);
            if (longitude < 1e-4) {
                longitude += 360.0;
            }
            EXPECT_NEAR(v.s, longitude / 360.0, 1e-6);
            EXPECT_NEAR(v.t, (LatitudeOf(v.position) + 90.0) / 180.0, 1e-6);
        }
    }
}

// A triangle strip's triangle k is (k, k+1, k+2) for even k and (k+1, k, k+2) for odd k.
// Triangles with (nearly) no area on the screen are the degenerate ones: two pole vertices
// in a cap, or the first column, whose points at 177.83 deg lie straight behind those of
// 182.17 deg.
TEST(SphereMesh, EveryVisibleTriangleWindsCounterClockwiseOnScreen) {
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.08f);
    int windingOnScreen = 0;
    for (const auto& strip : r.strips) {
        for (size_t k = 0; k + 2 < strip.size(); ++k) {
            const Vec3f& a = strip[k % 2 == 0 ? k : k + 1].position;
            const Vec3f& b = strip[k % 2 == 0 ? k + 1 : k].position;
            const double area = ScreenArea(a, b, strip[k + 2].position);
            if (std::fabs(area) < 1e-7) {
                continue;
            }
            EXPECT_GT(area, 0.0) << "triangle " << k;
            ++windingOnScreen;
        }
    }
    // Per strip: 86 triangles, of which the two around the 180 deg edge of the first
    // column are flat, and in a cap half the triangles have two pole vertices.
    EXPECT_GT(windingOnScreen, 40 * 84);
}

TEST(SphereMeshPointAt, PlacesLongitudeAroundTheDisc) {
    const SphereMesh unit(kRings, kSlices, 1.0f);
    const struct {
        float longitude, latitude;
        Vec3f point;
    } cases[] = {
        {270.0f, 0.0f, {0.0f, 0.0f, 1.0f}},  // centre of the disc, facing the viewer
        {180.0f, 0.0f, {-1.0f, 0.0f, 0.0f}}, // left edge
        {0.0f, 0.0f, {1.0f, 0.0f, 0.0f}},    // right edge
        {360.0f, 0.0f, {1.0f, 0.0f, 0.0f}},
        {90.0f, 0.0f, {0.0f, 0.0f, -1.0f}},  // far side
        {123.0f, 90.0f, {0.0f, 1.0f, 0.0f}}, // north pole
        {270.0f, -90.0f, {0.0f, -1.0f, 0.0f}},
        {270.0f, 30.0f, {0.0f, 0.5f, 0.8660254f}},
        {225.0f, 0.0f, {-0.70710678f, 0.0f, 0.70710678f}},
    };
    for (const auto& c : cases) {
        const Vec3f p = unit.PointAt(c.longitude, c.latitude);
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(p[axis], c.point[axis], 1e-6) << c.longitude << ", " << c.latitude;
        }
    }
}

TEST(SphereMeshPointAt, ScalesByTheRadius) {
    const Vec3f p = SphereMesh(kRings, kSlices, 2.5f).PointAt(270.0f, 30.0f);
    EXPECT_NEAR(p[0], 0.0, 1e-6);
    EXPECT_NEAR(p[1], 1.25, 1e-6);
    EXPECT_NEAR(p[2], 2.5 * 0.8660254, 1e-6);
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.0f, 2.5f);
    for (const auto& strip : r.strips) {
        for (const RecordedVertex& v : strip) {
            EXPECT_NEAR(Length(v.position), 2.5, 1e-5);
            EXPECT_NEAR(Length(v.normal), 1.0, 1e-6);
        }
    }
}

TEST(SphereMeshShading, WithoutLightEmitsUnitNormalsAndNoColour) {
    const MeshRecording r = DrawGlobe(nullptr, 1.0f, 0.08f, 2.0f);
    for (const auto& strip : r.strips) {
        for (const RecordedVertex& v : strip) {
            EXPECT_EQ(v.colorCalls, 0);
            ASSERT_EQ(v.normalCalls, 1);
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR(v.normal[axis], v.position[axis] / 2.0, 1e-6);
            }
        }
    }
}

// The headlight shades by the normal's z: full at the centre of the disc, 0.08 from
// z = 0.08 down to the edge. No vertex sits exactly at the centre (columns 62 and 63 are at
// 269.0 and 273.3 deg), so none reaches 1.
TEST(SphereMeshShading, HeadlightGreyIsTheNormalsZAboveTheFloor) {
    const MeshRecording r = DrawGlobe(&kHeadlight, 1.0f, 0.08f);
    float brightest = 0.0f;
    for (const auto& strip : r.strips) {
        for (const RecordedVertex& v : strip) {
            EXPECT_EQ(v.normalCalls, 0);
            ASSERT_EQ(v.colorCalls, 1);
            const double z = v.position[2] / Length(v.position);
            if (z <= 0.08) {
                EXPECT_EQ(v.grey, 0.08f) << z;
            } else {
                EXPECT_NEAR(v.grey, z, 1e-6);
            }
            brightest = std::max(brightest, v.grey);
        }
        EXPECT_EQ(strip[0].grey, 0.08f);
        EXPECT_EQ(strip[1].grey, 0.08f);
    }
    EXPECT_LT(brightest, 1.0f);
    EXPECT_GT(brightest, 0.99f);
}

// The night pass: light (-1, -Z, 0), gain 10, floor 0. Full strength once the normal
// points away from the sun by a dot product of 0.1, nothing on the sun's side.
TEST(SphereMeshShading, NightPassRisesToFullWithinATenthPastTheBoundary) {
    const float z = 0.4042f;
    const Vec3f night{-1.0f, -z, 0.0f};
    const MeshRecording r = DrawGlobe(&night, 10.0f, 0.0f);
    int full = 0, dark = 0;
    for (const auto& strip : r.strips) {
        for (const RecordedVertex& v : strip) {
            const double n = Length(v.position);
            const double dot = (-v.position[0] - z * v.position[1]) / n;
            if (dot >= 0.1 + 1e-6) {
                EXPECT_EQ(v.grey, 1.0f) << dot;
                ++full;
            } else if (dot <= 0.0) {
                EXPECT_EQ(v.grey, 0.0f) << dot;
                ++dark;
            } else {
                EXPECT_NEAR(v.grey, 10.0 * dot, 1e-5);
            }
        }
    }
    EXPECT_GT(full, 100);
    EXPECT_GT(dark, 100);
}

RecordedVertex EmitOne(const Vec3f& position, const Vec3f* light, float gain, float floor) {
    MeshRecording r;
    const MeshSink sink = RecordingSink(r);
    sink.beginStrip(sink.context);
    sink.texCoord(sink.context, 0.0f, 0.0f);
    EmitShadedVertex(position, light, gain, floor, sink);
    sink.endStrip(sink.context);
    EXPECT_EQ(r.protocolErrors, 0);
    return r.strips.at(0).at(0);
}

TEST(EmitShadedVertex, ClampsAtOneFirstAndThenAtTheFloor) {
    const Vec3f facing{0.0f, 0.0f, 3.0f}; // normal (0, 0, 1)
    const Vec3f sideways{0.6f, 0.0f, 0.8f};
    const struct {
        const char* what;
        Vec3f position;
        float gain, floor, grey;
    } cases[] = {
        {"in range", sideways, 1.0f, 0.08f, 0.8f},
        {"saturates at 1", facing, 5.0f, 0.08f, 1.0f},
        {"day pass gain saturates at dot 1/1.8", sideways, 1.8f, 0.01f, 1.0f},
        {"below saturation", Vec3f{0.0f, 12.0f, 5.0f}, 1.8f, 0.01f, 1.8f * 5.0f / 13.0f},
        {"raised to the floor", sideways, -1.0f, 0.2f, 0.2f},
        {"a floor above 1 wins over the clamp", facing, 5.0f, 1.5f, 1.5f},
        {"zero floor lets 0 through", Vec3f{1.0f, 0.0f, 0.0f}, 10.0f, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        const RecordedVertex v = EmitOne(c.position, &kHeadlight, c.gain, c.floor);
        EXPECT_EQ(v.colorCalls, 1) << c.what;
        EXPECT_EQ(v.normalCalls, 0) << c.what;
        EXPECT_NEAR(v.grey, c.grey, 1e-6) << c.what;
        EXPECT_EQ(v.position, c.position) << c.what;
    }
}

// The sun vector (1, Z, 0) is longer than 1 and is used as it stands.
TEST(EmitShadedVertex, UsesTheLightWithoutNormalisingIt) {
    const Vec3f longLight{0.0f, 0.0f, 2.0f};
    EXPECT_NEAR(EmitOne(Vec3f{0.0f, 0.0f, 4.0f}, &longLight, 0.25f, 0.0f).grey, 0.5, 1e-6);
    const Vec3f sun{1.0f, 0.4f, 0.0f};
    EXPECT_NEAR(EmitOne(Vec3f{0.0f, 1.0f, 0.0f}, &sun, 1.0f, 0.0f).grey, 0.4, 1e-6);
}

TEST(NormalizeVector, ScalesToUnitLengthAndLeavesZeroAlone) {
    const struct {
        Vec3f in, out;
    } cases[] = {
        {{3.0f, 4.0f, 0.0f}, {0.6f, 0.8f, 0.0f}},
        {{0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, -1.0f}},
        {{1.0f, 1.0f, 1.0f}, {0.57735027f, 0.57735027f, 0.57735027f}},
        {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        Vec3f v = c.in;
        NormalizeVector(v);
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(v[axis], c.out[axis], 1e-7);
        }
    }
}

} // namespace
