// The OpenGL sink of SphereMesh: one immediate-mode call per element of the stream.
#include <windows.h>
#include <GL/gl.h>

#include "globe/sphere_gl.h"

namespace {

void BeginStrip(void*) {
    ::glBegin(GL_TRIANGLE_STRIP);
}
void TexCoord(void*, float s, float t) {
    ::glTexCoord2f(s, t);
}
void Color(void*, float grey) {
    ::glColor3f(grey, grey, grey);
}
void Normal(void*, const Vec3f& unitNormal) {
    ::glNormal3fv(unitNormal.data());
}
void Vertex(void*, const Vec3f& position) {
    ::glVertex3fv(position.data());
}
void EndStrip(void*) {
    ::glEnd();
}

const MeshSink kGlMeshSink{nullptr, BeginStrip, TexCoord, Color, Normal, Vertex, EndStrip};

} // namespace

const MeshSink& GlMeshSink() {
    return kGlMeshSink;
}
