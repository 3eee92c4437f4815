#pragma once
// A MeshSink that records the stream of a SphereMesh draw, for tests.
#include <vector>

#include "globe/sphere_mesh.h"

struct RecordedVertex {
    float s;
    float t;
    int colorCalls;
    float grey;
    int normalCalls;
    Vec3f normal;
    Vec3f position;
};

struct MeshRecording {
    std::vector<std::vector<RecordedVertex>> strips;
    RecordedVertex pending{};
    int texCoordCalls = 0; // since the last vertex
    bool inStrip = false;
    int protocolErrors = 0; // calls outside a strip, or a vertex without one texture coordinate
};

inline MeshSink RecordingSink(MeshRecording& recording) {
    MeshSink sink{};
    sink.context = &recording;
    sink.beginStrip = [](void* c) {
        auto& r = *static_cast<MeshRecording*>(c);
        r.protocolErrors += r.inStrip ? 1 : 0;
        r.inStrip = true;
        r.strips.emplace_back();
    };
    sink.texCoord = [](void* c, float s, float t) {
        auto& r = *static_cast<MeshRecording*>(c);
        r.pending.s = s;
        r.pending.t = t;
        ++r.texCoordCalls;
    };
    sink.color = [](void* c, float grey) {
        auto& r = *static_cast<MeshRecording*>(c);
        r.pending.grey = grey;
        ++r.pending.colorCalls;
    };
    sink.normal = [](void* c, const Vec3f& n) {
        auto& r = *static_cast<MeshRecording*>(c);
        r.pending.normal = n;
        ++r.pending.normalCalls;
    };
    sink.vertex = [](void* c, const Vec3f& v) {
        auto& r = *static_cast<MeshRecording*>(c);
        r.protocolErrors += (r.inStrip && r.texCoordCalls == 1) ? 0 : 1;
        r.pending.position = v;
        if (r.inStrip) {
            r.strips.back().push_back(r.pending);
        }
        r.pending = RecordedVertex{};
        r.texCoordCalls = 0;
    };
    sink.endStrip = [](void* c) {
        auto& r = *static_cast<MeshRecording*>(c);
        r.protocolErrors += r.inStrip ? 0 : 1;
        r.inStrip = false;
    };
    return sink;
}
