#pragma once
// The OpenGL side of SphereMesh (Win32 layer): issues its vertex stream in immediate mode.
#include "globe/sphere_mesh.h"

// Sends each strip as glBegin(GL_TRIANGLE_STRIP) ... glEnd with glTexCoord2f, glColor3f
// or glNormal3fv, and glVertex3fv. Binds nothing and changes no other state. Use on the
// thread whose rendering context is current (the globe only draws the mesh while
// compiling its display lists).
const MeshSink& GlMeshSink();
