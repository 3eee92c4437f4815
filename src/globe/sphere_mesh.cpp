#include "globe/sphere_mesh.h"

#include <cmath>

namespace {

// Every strip starts on the 180 deg meridian, the disc's left edge, and closes on the
// 0 deg meridian (the same as 360 deg, the right edge) with s = 1, so s runs on without a
// jump from the last column to the closing pair.
constexpr float kLeadingLongitude = 180.0f;
constexpr float kLeadingS = 0.5f;
constexpr float kClosingLongitude = 0.0f;
constexpr float kClosingS = 1.0f;

} // namespace

struct SphereMesh::Row {
    float latitude; // degrees; for a pole, +90 or -90
    float t;
    bool pole;
};

// What stays the same for every strip of one draw.
struct SphereMesh::Pass {
    const Vec3f* light;
    float gain;
    float floor;
    const MeshSink* sink;
    float ds;         // texture s per column
    float dLongitude; // degrees per column
};

SphereMesh::SphereMesh(int rings, int slices, float radius)
    : slices_(slices), bands_(rings + 1), radius_(radius) {}

Vec3f SphereMesh::PointAt(float longitude, float latitude) const {
    const double around = (longitude + 90.0) * kRadiansPerDegree;
    const double fromNorth = (90.0 - latitude) * kRadiansPerDegree;
    const double r = radius_;
    return {static_cast<float>(std::sin(around) * std::sin(fromNorth) * r),
            static_cast<float>(std::cos(fromNorth) * r),
            static_cast<float>(std::cos(around) * std::sin(fromNorth) * r)};
}

Vec3f SphereMesh::RowPoint(const Row& row, float longitude) const {
    if (row.pole) {
        return {0.0f, row.latitude > 0.0f ? radius_ : -radius_, 0.0f};
    }
    return PointAt(longitude, row.latitude);
}

void SphereMesh::Draw(const Vec3f* light, float gain, float floor, const MeshSink& sink) const {
    const float ds = 1.0f / static_cast<float>(slices_);
    const float dt = 1.0f / static_cast<float>(bands_);
    const Pass pass{light, gain, floor, &sink, ds, ds * 360.0f};
    const float dLatitude = dt * 180.0f;
    const Row northPole{90.0f, 1.0f, true};
    const Row southPole{-90.0f, 0.0f, true};

    DrawStrip(pass, northPole, Row{90.0f - dLatitude, 1.0f - dt, false});
    for (int h = 1; h < bands_ - 1; ++h) {
        const float topDrop = static_cast<float>(h) * dLatitude;
        const float bottomDrop = static_cast<float>(h + 1) * dLatitude;
        const float topT = static_cast<float>(h) * dt;
        const float bottomT = static_cast<float>(h + 1) * dt;
        DrawStrip(pass, Row{90.0f - topDrop, 1.0f - topT, false},
                  Row{90.0f - bottomDrop, 1.0f - bottomT, false});
    }
    DrawStrip(pass, Row{dLatitude - 90.0f, dt, false}, southPole);
}

void SphereMesh::DrawStrip(const Pass& pass, const Row& top, const Row& bottom) const {
    const MeshSink& sink = *pass.sink;
    auto emitPair = [&](float longitude, float s) {
        sink.texCoord(sink.context, s, top.t);
        EmitShadedVertex(RowPoint(top, longitude), pass.light, pass.gain, pass.floor, sink);
        sink.texCoord(sink.context, s, bottom.t);
        EmitShadedVertex(RowPoint(bottom, longitude), pass.light, pass.gain, pass.floor, sink);
    };

    sink.beginStrip(sink.context);
    emitPair(kLeadingLongitude, kLeadingS);
    for (int i = slices_ / 2; i < slices_; ++i) {
        const float column = static_cast<float>(i);
        emitPair(column * pass.dLongitude, column * pass.ds);
    }
    emitPair(kClosingLongitude, kClosingS);
    sink.endStrip(sink.context);
}

void NormalizeVector(Vec3f& v) {
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f) {
        length = 1.0f;
    }
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void EmitShadedVertex(const Vec3f& position, const Vec3f* light, float gain, float floor,
                      const MeshSink& sink) {
    Vec3f n = position;
    NormalizeVector(n);
    if (light != nullptr) {
        const Vec3f& l = *light;
        float grey = (n[2] * l[2] + n[1] * l[1] + n[0] * l[0]) * gain;
        if (grey > 1.0f) {
            grey = 1.0f;
        }
        if (grey < floor) {
            grey = floor;
        }
        sink.color(sink.context, grey);
    } else {
        sink.normal(sink.context, n);
    }
    sink.vertex(sink.context, position);
}
