#include "globe/markers.h"

#include <windows.h>
#include <GL/gl.h>

#include "globe/globe_window.h"
#include "globe/marker_geometry.h"
#include "globe/scene.h"

namespace {

// The pass relies on texturing and culling (a marker on the far half faces away), on an
// identity texture matrix and on no clip plane; the blend and the tint are its own.
void SetMarkerState() {
    ::glMatrixMode(GL_MODELVIEW);
    ::glLoadIdentity();
    ::glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    ::glColor3ub(255, 0, 0);
    ::glEnable(GL_BLEND);
    ::glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void DrawQuad(const MarkerQuad& quad) {
    ::glBegin(GL_QUADS);
    for (const MarkerCorner& corner : quad) {
        ::glTexCoord2f(corner.s, corner.t);
        ::glVertex3f(corner.x, corner.y, corner.z);
    }
    ::glEnd();
}

} // namespace

// One storm's marker, placed with the globe turn of the frame.
static void DrawStormMarker(const StormRecord& record);

void DrawStormMarkers() {
    SetMarkerState();
    for (int i = 0; i < stormTable.count && i < kStormCapacity; ++i) {
        DrawStormMarker(stormTable.records[i]);
    }
    ::glDisable(GL_BLEND);
    ::glColor3ub(255, 255, 255); // the plain list of the next frame relies on white
}

static void DrawStormMarker(const StormRecord& record) {
    const MarkerRotation rotation =
        MarkerRotationFor(record.latitude, record.longitude, globeWindowState.turn);
    ::glPushMatrix();
    ::glLoadIdentity();
    ::glRotatef(rotation.turnAngle, 0.0f, 1.0f, 0.0f);
    ::glRotatef(rotation.longitudeAngle, 0.0f, 1.0f, 0.0f);
    ::glRotatef(rotation.latitudeAngle, 1.0f, 0.0f, 0.0f);
    ::glBindTexture(GL_TEXTURE_2D, globeScene.textureNames[MarkerIconIndex(record.windKnots)]);
    DrawQuad(MarkerCorners(IsMarkerMirrored(record.latitude, record.windKnots)));
    ::glPopMatrix();
}
