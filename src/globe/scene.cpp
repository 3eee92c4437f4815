#include "globe/scene.h"

#include "globe/pixel_format.h"
#include "globe/sphere_gl.h"
#include "settings/settings.h"
#include "sun/calendar.h"
#include "sun/solar.h"

namespace {

// Without the sun computed, it stands exactly beyond the right edge.
constexpr Vec3f kSunWithoutTilt = {1.0f, 0.0f, 0.0f};
constexpr Vec3f kNightWithoutTilt = {-1.0f, 0.0f, 0.0f};

constexpr int kSphereRings = 41;
constexpr int kSphereSlices = 83;
constexpr float kSphereRadius = 1.0f;

// Grey levels: the floor keeps the headlit rim faintly visible; the day pass of the night
// side saturates early (gain 1.8) and keeps a trace of the map in the dark; the night
// pass rises to full strength within a tenth past the terminator (gain 10).
constexpr float kUnitGain = 1.0f;
constexpr float kHeadlightFloor = 0.08f;
constexpr float kDayGain = 1.8f;
constexpr float kDayFloor = 0.01f;
constexpr float kNightGain = 10.0f;
constexpr float kNightFloor = 0.0f;
constexpr Vec3f kViewerDirection = {0.0f, 0.0f, 1.0f};
// The night pass is clipped a little into the lit side, past where its shade reaches 0.
constexpr float kNightClipMargin = 0.2f;

void SetFixedState() {
    ::glDisable(GL_DEPTH_TEST); // the near half-sphere alone is drawn; culling does the rest
    ::glDepthMask(GL_FALSE);
    ::glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    ::glClear(GL_COLOR_BUFFER_BIT);
    ::glFrontFace(GL_CCW);
    ::glCullFace(GL_BACK);
    ::glEnable(GL_CULL_FACE);
    ::glColor3ub(255, 255, 255);
    ::glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
}

// The model-view matrix is still the identity, so the clip plane is in object space: it
// keeps the points with x + Z y <= margin, the side away from the sun.
void PlaceSun() {
    CalendarTime utc = {};
    sceneClock(utc, ClockSource::Utc);
    const double z = SunNorthComponent(utc);
    globeScene.sunVector = {1.0f, static_cast<float>(z), 0.0f};
    globeScene.nightVector = {-1.0f, static_cast<float>(-z), 0.0f};
    const GLdouble plane[4] = {-1.0, -z, 0.0, kNightClipMargin};
    ::glClipPlane(GL_CLIP_PLANE0, plane);
}

void DrawSphere(const Vec3f* light, float gain, float floor) {
    globeScene.sphere->Draw(light, gain, floor, GlMeshSink());
}

void BindTexture(int index) {
    ::glBindTexture(GL_TEXTURE_2D, globeScene.textureNames[index]);
}

// Day map darkened away from the sun, then the night map added where the day map is dark:
// result = night * (1 - day) + day never passes full brightness.
void CompileNightSide() {
    BindTexture(kDayMapTexture);
    DrawSphere(&globeScene.sunVector, kDayGain, kDayFloor);
    ::glEnable(GL_BLEND);
    ::glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE);
    ::glEnable(GL_CLIP_PLANE0);
    BindTexture(kNightMapTexture);
    DrawSphere(&globeScene.nightVector, kNightGain, kNightFloor);
    ::glDisable(GL_BLEND);
    ::glDisable(GL_CLIP_PLANE0);
}

void CompileLists() {
    globeScene.listBase = ::glGenLists(kGlobeListCount);
    ::glNewList(globeScene.listBase + kPlainList, GL_COMPILE);
    BindTexture(kDayMapTexture);
    DrawSphere(nullptr, kUnitGain, kHeadlightFloor);
    ::glEndList();
    ::glNewList(globeScene.listBase + kHeadlightList, GL_COMPILE);
    BindTexture(kDayMapTexture);
    DrawSphere(&kViewerDirection, kUnitGain, kHeadlightFloor);
    ::glEndList();
    ::glNewList(globeScene.listBase + kNightSideList, GL_COMPILE);
    CompileNightSide();
    ::glEndList();
}

} // namespace

GlobeScene globeScene = {nullptr, {}, kSunWithoutTilt, kNightWithoutTilt, 0};
SceneClockFunction sceneClock = ReadClock;

void BuildGlobeScene() {
    // "UseHardware" 0 asks for the software path. The format set for it is never
    // hardware-drawn unless no software format existed and the driver's choice stood in.
    const bool accelerated = saverSettings.useHardware != 0 && IsAcceleratedPixelFormat(nullptr);
    globeScene.sphere = std::make_unique<SphereMesh>(kSphereRings, kSphereSlices, kSphereRadius);
    SetFixedState();
    globeScene.sunVector = kSunWithoutTilt;
    globeScene.nightVector = kNightWithoutTilt;
    if (saverSettings.lighting != 0) {
        PlaceSun();
    }
    ::glGenTextures(kGlobeTextureCount, globeScene.textureNames);
    ::glEnable(GL_TEXTURE_2D);
    LoadGlobeTextures(globeScene.textureNames, accelerated, saverSettings.nightSide != 0);
    CompileLists();
}

void DestroyGlobeScene() {
    ::glDeleteLists(globeScene.listBase, kGlobeListCount);
    ::glDeleteTextures(kGlobeTextureCount, globeScene.textureNames);
    globeScene.sphere.reset();
}

GLuint GlobeListForSettings() {
    if (saverSettings.nightSide != 0) {
        return globeScene.listBase + kNightSideList;
    }
    if (saverSettings.lighting != 0) {
        return globeScene.listBase + kHeadlightList;
    }
    return globeScene.listBase + kPlainList;
}
