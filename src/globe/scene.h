#pragma once
// The globe scene: fixed OpenGL state, the sphere, the five textures, the sun's direction
// and three display lists that each draw the whole globe in one shading mode. Built once
// when the globe window is created and only replayed afterwards (Win32 and OpenGL; user-
// interface thread, with the globe's rendering context current).
#include <windows.h>
#include <GL/gl.h>

#include <memory>

#include "globe/sphere_mesh.h"
#include "globe/textures.h"
#include "sun/calendar.h"

// Offsets from the list base, one per shading mode.
constexpr GLuint kPlainList = 0;     // the day map at full brightness
constexpr GLuint kHeadlightList = 1; // lit from the viewer: max(normal z, 0.08)
constexpr GLuint kNightSideList = 2; // lit from the right, city lights on the dark side
constexpr GLsizei kGlobeListCount = 3;

struct GlobeScene {
    std::unique_ptr<SphereMesh> sphere;
    GLuint textureNames[kGlobeTextureCount]; // kDayMapTexture, kNightMapTexture, the icons
    // Object space of sphere_mesh.h. The sun stands beyond the disc's right edge, raised
    // toward the north by the sun's northward component Z (sun/solar.h) when "Lighting"
    // is on: sun (1, Z, 0), night side (-1, -Z, 0); neither is normalised.
    Vec3f sunVector;
    Vec3f nightVector;
    GLuint listBase;
};

extern GlobeScene globeScene;

// Where the scene reads the moment of the sun's place: the system clock (ReadClock);
// tests set a fixed date.
using SceneClockFunction = bool (*)(CalendarTime& time, ClockSource source);
extern SceneClockFunction sceneClock;

// Needs the settings loaded. Reads the UTC clock once, when "Lighting" is on: the
// terminator's tilt is that of the moment the scene was built. The textures take the
// hardware path only with "UseHardware" on and a hardware-drawn format.
void BuildGlobeScene();
void DestroyGlobeScene();

// The list that the settings' shading mode draws: night side, else headlight, else plain.
GLuint GlobeListForSettings();
