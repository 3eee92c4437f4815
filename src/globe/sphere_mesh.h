#pragma once
// The globe's geometry: the half of a sphere that faces the viewer, emitted vertex by
// vertex as triangle strips with texture coordinates and a per-vertex grey level computed
// here (OpenGL lighting is never used). Platform-free: the stream goes to a MeshSink;
// sphere_gl.h has the sink that issues it to OpenGL.
//
// Object space: y is the polar axis (north pole at +y), the viewer looks along -z. A
// point at longitude L and latitude P (degrees) is radius * (cos L cos P, sin P,
// -sin L cos P): longitude 180 is the disc's left edge, 270 its centre, 360 (= 0) its
// right edge. The mesh covers longitudes 177.83 to 360 (with 83 slices); texture s is
// longitude / 360 and t = (latitude + 90) / 180, 0 at the south pole.
#include <array>

#include "common/angles.h"

using Vec3f = std::array<float, 3>;

// Receives the vertex stream: per strip, beginStrip, then per vertex texCoord, then
// color (with a light) or normal (without), then vertex; endStrip. context is passed back
// unchanged to every call.
struct MeshSink {
    void* context;
    void (*beginStrip)(void* context);
    void (*texCoord)(void* context, float s, float t);
    void (*color)(void* context, float grey); // red = green = blue = grey
    void (*normal)(void* context, const Vec3f& unitNormal);
    void (*vertex)(void* context, const Vec3f& position);
    void (*endStrip)(void* context);
};

class SphereMesh {
  public:
    // rings + 1 latitude bands from pole to pole and slices longitude columns in a whole
    // turn; rings >= 1 and slices >= 2. The globe uses (41, 83, 1.0).
    SphereMesh(int rings, int slices, float radius);

    // The point at a longitude and latitude in degrees, computed in double precision.
    Vec3f PointAt(float longitude, float latitude) const;

    // Emits the whole mesh, north to south, one strip per band. With a light, each vertex
    // gets a grey level from its normal and the light direction (see EmitShadedVertex);
    // with light null, each gets its unit normal and no colour. Allocates nothing.
    void Draw(const Vec3f* light, float gain, float floor, const MeshSink& sink) const;

  private:
    struct Row;  // one edge of a band: a latitude or a pole, with its texture t
    struct Pass; // the light, sink and column steps of one draw

    void DrawStrip(const Pass& pass, const Row& top, const Row& bottom) const;
    Vec3f RowPoint(const Row& row, float longitude) const;

    int slices_;
    int bands_;
    float radius_;
};

// Scales v to length 1 in place; a zero vector stays zero.
void NormalizeVector(Vec3f& v);

// Emits one vertex at position (object space). With a light: grey = gain * dot(unit
// normal, light), the light used as given (not normalised), clamped first to at most 1
// and then to at least floor (so a floor above 1 wins). Without a light: the unit normal.
void EmitShadedVertex(const Vec3f& position, const Vec3f* light, float gain, float floor,
                      const MeshSink& sink);
