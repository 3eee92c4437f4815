// The globe's Win32 and OpenGL layer inside this test program, on real windows with real
// rendering contexts (run under Wine inside Xvfb by the test command): pixel formats,
// textures from the bitmap resources (linked into this program as into the saver), the
// scene's lists, the markers' pixels, and the globe window's procedure with its frame.
#include "../support/sun_estimate.h"
#include <windows.h>
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "globe/globe_window.h"
#include "globe/luminance.h"
#include "globe/marker_geometry.h"
#include "globe/markers.h"
#include "globe/pixel_format.h"
#include "globe/scene.h"
#include "globe/textures.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "storms/storm_table.h"
#include "support/screen.h"
#include "support/wait.h"

// Every C++ allocation of this program is counted, so that a test can see whether the
// globe's frame allocates.
namespace {
std::atomic<long> allocations{0};
}

void* operator new(size_t size) {
    ++allocations;
    if (void* p = ::HeapAlloc(::GetProcessHeap(), 0, size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    ::HeapFree(::GetProcessHeap(), 0, p);
}
void operator delete(void* p, size_t) noexcept {
    ::HeapFree(::GetProcessHeap(), 0, p);
}

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSide = 256;
constexpr char kTestClass[] = "ZarvaneGlTestWindow";

struct Window {
    HWND hwnd = nullptr;
    HDC dc = nullptr;

    explicit Window(int side = kSide) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kTestClass;
        ::RegisterClassA(&windowClass); // fails harmlessly once registered
        hwnd = ::CreateWindowExA(0, kTestClass, "gl test", WS_POPUP | WS_VISIBLE, 0, 0, side, side,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        dc = ::GetDC(hwnd);
    }
    ~Window() {
        ::ReleaseDC(hwnd, dc);
        ::DestroyWindow(hwnd);
    }
};

PIXELFORMATDESCRIPTOR Describe(HDC dc, int index) {
    PIXELFORMATDESCRIPTOR format = {};
    ::DescribePixelFormat(dc, index, sizeof(format), &format);
    return format;
}

// A rendering context on its own window, current on this thread while it lives: with the
// driver's format for the globe's request, or the format the globe sets for a
// "UseHardware" value.
struct Context {
    Window window;
    HGLRC context = nullptr;

    Context() {
        ::SetPixelFormat(window.dc, ::ChoosePixelFormat(window.dc, &kRequestedPixelFormat),
                         &kRequestedPixelFormat);
        MakeCurrent();
    }
    explicit Context(bool useHardware) {
        SetGlobePixelFormat(window.dc, useHardware);
        MakeCurrent();
    }
    void MakeCurrent() {
        context = ::wglCreateContext(window.dc);
        ::wglMakeCurrent(window.dc, context);
    }
    ~Context() {
        ::wglMakeCurrent(nullptr, nullptr);
        ::wglDeleteContext(context);
    }
};

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bgr; // bottom row first, 3 bytes a pixel
};

// A bitmap resource of this program through GDI (LoadBitmapA, then GetDIBits at 24 bits):
// a path independent of LoadBitmapPixels.
Bitmap BitmapThroughGdi(int id) {
    Bitmap result;
    HBITMAP bitmap = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    BITMAP description = {};
    ::GetObjectA(bitmap, sizeof(description), &description);
    result.width = description.bmWidth;
    result.height = description.bmHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = result.width;
    info.bmiHeader.biHeight = result.height; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    result.bgr.resize(size_t(result.width) * result.height * 3);
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, bitmap, 0, result.height, result.bgr.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(bitmap);
    return result;
}

GLint LevelWidth(int level) {
    GLint width = -1;
    ::glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    return width;
}

GLint Parameter(GLenum name) {
    GLint value = 0;
    ::glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

std::vector<unsigned char> TextureImage(GLenum format, int bytes) {
    std::vector<unsigned char> image(bytes);
    ::glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ::glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, image.data());
    return image;
}

// RGBA pixels of the colour buffer that is read (rows bottom to top).
std::vector<unsigned char> ReadPixels(int x, int y, int width, int height) {
    std::vector<unsigned char> pixels(size_t(width) * height * 4);
    ::glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ::glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void ResetStormTable() {
    stormTable.count = 0;
    stormTable.fetchDone = 0;
    stormTable.fetchFailed = 0;
}

} // namespace

TEST(PixelFormat, TheRequestIsDoubleBufferedRgbaWith24ColourAnd16DepthBits) {
    const PIXELFORMATDESCRIPTOR& r = kRequestedPixelFormat;
    EXPECT_EQ(r.nSize, 40);
    EXPECT_EQ(r.nVersion, 1);
    EXPECT_EQ(r.dwFlags, DWORD(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER |
                               PFD_DEPTH_DONTCARE));
    EXPECT_EQ(r.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(r.cColorBits, 24);
    EXPECT_EQ(r.cDepthBits, 16);
    EXPECT_EQ(r.cAlphaBits + r.cAccumBits + r.cStencilBits + r.cAuxBuffers, 0);
    EXPECT_EQ(r.iLayerType, PFD_MAIN_PLANE);
}

// The first format, counting from 1 and stopping before the highest, that is RGBA,
// double-buffered, generic, not generic-accelerated and has a 16-bit depth buffer; or
// none, and then no format is set. (Wine's generic formats are all single-buffered.)
TEST(PixelFormat, SoftwareSearchSetsTheFirstQualifyingFormatBelowTheHighest) {
    Window window;
    const int highest = ::DescribePixelFormat(window.dc, 1, 0, nullptr);
    int expected = 0;
    for (int index = 1; index < highest && expected == 0; ++index) {
        const PIXELFORMATDESCRIPTOR f = Describe(window.dc, index);
        const bool generic =
            (f.dwFlags & PFD_GENERIC_FORMAT) && !(f.dwFlags & PFD_GENERIC_ACCELERATED);
        if (f.iPixelType == PFD_TYPE_RGBA && (f.dwFlags & PFD_DOUBLEBUFFER) && f.cDepthBits == 16 &&
            generic) {
            expected = index;
        }
    }
    EXPECT_EQ(ChooseSoftwarePixelFormat(window.dc), expected);
    EXPECT_EQ(::GetPixelFormat(window.dc), expected);
}

TEST(PixelFormat, WithoutHardwareTheGlobeStillGetsAFormatItCanDrawWith) {
    Window probe;
    const bool softwareExists = ChooseSoftwarePixelFormat(probe.dc) != 0;
    Window window;
    SetGlobePixelFormat(window.dc, false);
    const int format = ::GetPixelFormat(window.dc);
    ASSERT_NE(format, 0);
    if (!softwareExists) {
        EXPECT_EQ(format, ::ChoosePixelFormat(window.dc, &kRequestedPixelFormat));
    }
    const PIXELFORMATDESCRIPTOR f = Describe(window.dc, format);
    EXPECT_TRUE(f.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_TRUE(f.dwFlags & PFD_DOUBLEBUFFER);
    HGLRC context = ::wglCreateContext(window.dc);
    EXPECT_NE(context, nullptr);
    ::wglDeleteContext(context);
}

TEST(PixelFormat, WithHardwareItIsTheDriversChoice) {
    Window window;
    SetGlobePixelFormat(window.dc, true);
    EXPECT_EQ(::GetPixelFormat(window.dc), ::ChoosePixelFormat(window.dc, &kRequestedPixelFormat));
}

TEST(PixelFormat, AcceleratedIsAskedOfTheCurrentContextsFormat) {
    ::wglMakeCurrent(nullptr, nullptr);
    bool fullDriver = true;
    EXPECT_FALSE(IsAcceleratedPixelFormat(&fullDriver));
    EXPECT_FALSE(fullDriver);

    Context context;
    const PIXELFORMATDESCRIPTOR f =
        Describe(context.window.dc, ::GetPixelFormat(context.window.dc));
    const bool generic = (f.dwFlags & PFD_GENERIC_FORMAT) != 0;
    fullDriver = !generic; // the opposite of what must come out
    EXPECT_EQ(IsAcceleratedPixelFormat(&fullDriver),
              !generic || (f.dwFlags & PFD_GENERIC_ACCELERATED) != 0);
    EXPECT_EQ(fullDriver, !generic);
    EXPECT_EQ(IsAcceleratedPixelFormat(nullptr), !generic || (f.dwFlags & PFD_GENERIC_ACCELERATED));
    // Wine's OpenGL formats come from the X server's driver, not the generic ones.
    if (::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
        EXPECT_FALSE(generic);
    }
}

TEST(PixelFormat, NoPaletteForAFormatThatNeedsNone) {
    Context context;
    const PIXELFORMATDESCRIPTOR f =
        Describe(context.window.dc, ::GetPixelFormat(context.window.dc));
    ASSERT_FALSE(f.dwFlags & PFD_NEED_PALETTE);
    EXPECT_EQ(CreateFormatPalette(context.window.dc), nullptr);
}

TEST(LoadBitmapPixels, GivesTheResourcesPixelArrayAndSize) {
    for (int id : {IDB_DAY_MAP, IDB_NIGHT_MAP, IDB_DEPRESSION, IDB_STORM, IDB_HURRICANE}) {
        const Bitmap expected = BitmapThroughGdi(id);
        int width = -7, height = -7;
        const unsigned char* pixels = LoadBitmapPixels(id, width, height);
        ASSERT_NE(pixels, nullptr) << id;
        EXPECT_EQ(width, expected.width) << id;
        EXPECT_EQ(height, expected.height) << id;
        EXPECT_TRUE(std::equal(expected.bgr.begin(), expected.bgr.end(), pixels)) << id;
    }
    int width = -7, height = -7;
    EXPECT_EQ(LoadBitmapPixels(4242, width, height), nullptr);
    EXPECT_EQ(width, -7);
    EXPECT_EQ(height, -7);
}

class Textures : public ::testing::Test {
  protected:
    void Load(bool accelerated, bool nightSide) {
        ::glGenTextures(kGlobeTextureCount, names_);
        ::glEnable(GL_TEXTURE_2D);
        LoadGlobeTextures(names_, accelerated, nightSide);
    }
    void TearDown() override { ::glDeleteTextures(kGlobeTextureCount, names_); }
    void Bind(int index) { ::glBindTexture(GL_TEXTURE_2D, names_[index]); }

    void ExpectRepeats() {
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    }
    // The map's first texture row (t = 0) is the bitmap's bottom row: the image is the
    // resource's pixel array as it lies.
    void ExpectMapImage(int id) {
        const Bitmap map = BitmapThroughGdi(id);
        EXPECT_EQ(TextureImage(GL_BGR_EXT, int(map.bgr.size())), map.bgr) << id;
    }
    // The icon's image is its luminance-and-alpha conversion.
    void ExpectIconImage(int id) {
        Bitmap icon = BitmapThroughGdi(id);
        ToLuminanceAlpha(icon.bgr.data(), icon.width, icon.height);
        icon.bgr.resize(size_t(icon.width) * icon.height * 2);
        EXPECT_EQ(TextureImage(GL_LUMINANCE_ALPHA, int(icon.bgr.size())), icon.bgr) << id;
    }

    Context context_;
    GLuint names_[kGlobeTextureCount] = {};
};

TEST_F(Textures, HardwareDrawnMapsHaveEveryMipmapLevelAndIconsFilterLinearly) {
    Load(true, true);
    for (int map : {kDayMapTexture, kNightMapTexture}) {
        Bind(map);
        for (int level = 0; level <= 10; ++level) {
            EXPECT_EQ(LevelWidth(level), 1024 >> level) << "level " << level;
        }
        EXPECT_EQ(LevelWidth(11), 0);
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        ExpectRepeats();
        ExpectMapImage(map == kDayMapTexture ? IDB_DAY_MAP : IDB_NIGHT_MAP);
    }
    const int icons[][2] = {{2, IDB_DEPRESSION}, {3, IDB_STORM}, {4, IDB_HURRICANE}};
    for (const auto& icon : icons) {
        Bind(icon[0]);
        EXPECT_EQ(LevelWidth(0), 128);
        EXPECT_EQ(LevelWidth(1), 0);
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        ExpectRepeats();
        ExpectIconImage(icon[1]);
    }
}

TEST_F(Textures, SoftwareMapsHaveOneLevelIconsFilterNearestAndNoNightMapWithoutNightSide) {
    Load(false, false);
    Bind(kDayMapTexture);
    EXPECT_EQ(LevelWidth(0), 1024);
    EXPECT_EQ(LevelWidth(1), 0);
    EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    ExpectRepeats();
    ExpectMapImage(IDB_DAY_MAP);
    Bind(kNightMapTexture);
    EXPECT_EQ(LevelWidth(0), 0);
    for (int icon : {2, 3, 4}) {
        Bind(icon);
        EXPECT_EQ(LevelWidth(0), 128);
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
        ExpectRepeats();
    }
}

class Scene : public ::testing::Test {
  protected:
    void SetUp() override {
        saverSettings = {};
        ::glViewport(0, 0, kSide, kSide);
    }
    void TearDown() override {
        if (globeScene.sphere) {
            DestroyGlobeScene();
        }
    }
    Context context_;
};

TEST_F(Scene, BuildsThreeListsAndFiveTexturesAndDestroysThem) {
    saverSettings.nightSide = 1;
    BuildGlobeScene();
    ASSERT_NE(globeScene.sphere, nullptr);
    const GLuint base = globeScene.listBase;
    for (GLuint list : {kPlainList, kHeadlightList, kNightSideList}) {
        EXPECT_TRUE(::glIsList(base + list)) << list;
    }
    for (GLuint name : globeScene.textureNames) {
        EXPECT_TRUE(::glIsTexture(name)) << name;
    }
    EXPECT_FALSE(::glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(::glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(::glIsEnabled(GL_TEXTURE_2D));
    GLfloat clear[4] = {};
    ::glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
    EXPECT_EQ(clear[3], 1.0f);

    const GLuint textures[kGlobeTextureCount] = {
        globeScene.textureNames[0], globeScene.textureNames[1], globeScene.textureNames[2],
        globeScene.textureNames[3], globeScene.textureNames[4]};
    DestroyGlobeScene();
    EXPECT_EQ(globeScene.sphere, nullptr);
    for (GLuint list : {kPlainList, kHeadlightList, kNightSideList}) {
        EXPECT_FALSE(::glIsList(base + list)) << list;
    }
    for (GLuint name : textures) {
        EXPECT_FALSE(::glIsTexture(name)) << name;
    }
}

// Where no software format exists (Wine), "UseHardware" 0 gets the driver's hardware-drawn
// format, and its textures still take the software path.
TEST_F(Scene, TexturesTakeTheSoftwarePathWithUseHardwareOffEvenOnAHardwareFormat) {
    const struct {
        int useHardware;
        GLint dayLevelOneWidth, dayMinFilter, iconFilter;
    } cases[] = {{0, 0, GL_LINEAR, GL_NEAREST}, {1, 512, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.useHardware);
        saverSettings.useHardware = c.useHardware;
        Context context(c.useHardware != 0);
        ASSERT_TRUE(IsAcceleratedPixelFormat(nullptr)) << "a software format exists here";
        BuildGlobeScene();
        ::glBindTexture(GL_TEXTURE_2D, globeScene.textureNames[kDayMapTexture]);
        EXPECT_EQ(LevelWidth(0), 1024);
        EXPECT_EQ(LevelWidth(1), c.dayLevelOneWidth);
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), c.dayMinFilter);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        ::glBindTexture(GL_TEXTURE_2D, globeScene.textureNames[kDepressionIcon]);
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), c.iconFilter);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), c.iconFilter);
        DestroyGlobeScene();
    }
}

TEST_F(Scene, ListIsChosenByNightSideThenLighting) {
    BuildGlobeScene();
    const struct {
        int lighting, nightSide;
        GLuint list;
    } cases[] = {{0, 0, kPlainList},
                 {1, 0, kHeadlightList},
                 {1, 1, kNightSideList},
                 {0, 1, kNightSideList},
                 {7, 0, kHeadlightList}};
    for (const auto& c : cases) {
        saverSettings.lighting = c.lighting;
        saverSettings.nightSide = c.nightSide;
        EXPECT_EQ(GlobeListForSettings(), globeScene.listBase + c.list)
            << c.lighting << ", " << c.nightSide;
    }
}

TEST_F(Scene, WithLightingTheSunIsRaisedByTodaysZAndClipsTheNightSide) {
    saverSettings.lighting = 1;
    BuildGlobeScene();
    const double z = ApproximateSunNorthComponentToday();
    EXPECT_EQ(globeScene.sunVector[0], 1.0f);
    EXPECT_NEAR(globeScene.sunVector[1], z, 0.03);
    EXPECT_EQ(globeScene.sunVector[2], 0.0f);
    EXPECT_EQ(globeScene.nightVector[0], -1.0f);
    EXPECT_EQ(globeScene.nightVector[1], -globeScene.sunVector[1]);
    EXPECT_EQ(globeScene.nightVector[2], 0.0f);
    GLdouble plane[4] = {};
    ::glGetClipPlane(GL_CLIP_PLANE0, plane);
    EXPECT_EQ(plane[0], -1.0);
    EXPECT_NEAR(plane[1], -z, 0.03);
    EXPECT_EQ(plane[2], 0.0);
    EXPECT_EQ(plane[3], double(0.2f));
    EXPECT_FALSE(::glIsEnabled(GL_CLIP_PLANE0)); // only the night pass enables it
}

// At the solstices the sun stands far north (June) or south (December) of the equator,
// which tells a flipped sign apart where today's date may not.
CalendarTime solstice = {};

TEST_F(Scene, AtTheSolsticesTheSunIsRaisedNorthInJuneAndSouthInDecember) {
    saverSettings.lighting = 1;
    sceneClock = [](CalendarTime& time, ClockSource) {
        time = solstice;
        return true;
    };
    for (const int month : {6, 12}) {
        SCOPED_TRACE(month);
        solstice = {2026, uint16_t(month), 21, 12, 0, 0, 0};
        const double z = month == 6 ? 0.404 : -0.391; // R sin(declination), sun/solar.h
        BuildGlobeScene();
        EXPECT_NEAR(globeScene.sunVector[1], z, 0.005);
        EXPECT_EQ(globeScene.nightVector[1], -globeScene.sunVector[1]);
        GLdouble plane[4] = {};
        ::glGetClipPlane(GL_CLIP_PLANE0, plane);
        EXPECT_NEAR(plane[1], -z, 0.005);
        DestroyGlobeScene();
    }
    sceneClock = ReadClock;
}

TEST_F(Scene, WithoutLightingTheSunStandsOnTheRightAndNothingIsClipped) {
    saverSettings.lighting = 1;
    BuildGlobeScene();
    DestroyGlobeScene();
    saverSettings.lighting = 0;
    Context fresh; // a new context, with OpenGL's initial clip plane
    BuildGlobeScene();
    EXPECT_EQ(globeScene.sunVector, (Vec3f{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(globeScene.nightVector, (Vec3f{-1.0f, 0.0f, 0.0f}));
    GLdouble plane[4] = {1, 1, 1, 1};
    ::glGetClipPlane(GL_CLIP_PLANE0, plane);
    EXPECT_EQ(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2] + plane[3] * plane[3],
              0.0);
    DestroyGlobeScene();
}

// Markers drawn alone over a plain background, as the frame draws them over the globe.
class Markers : public ::testing::Test {
  protected:
    void SetUp() override {
        saverSettings = {};
        saverSettings.useHardware = 1; // the icons filter as the context's format has them
        BuildGlobeScene();
        ResetStormTable();
        accelerated_ = IsAcceleratedPixelFormat(nullptr);
    }
    void TearDown() override {
        DestroyGlobeScene();
        ResetStormTable();
    }
    void AddStorm(double latitude, double longitude, int knots) {
        StormRecord& r = stormTable.records[stormTable.count++];
        r = {};
        r.latitude = latitude;
        r.longitude = longitude;
        r.windKnots = knots;
    }
    // The view of the globe window: the unit sphere in [-1.05, 1.05]; or a close-up of
    // half-side h around (0, centreY).
    void View(double h = 1.05, double centreY = 0.0) {
        ::glViewport(0, 0, kSide, kSide);
        ::glMatrixMode(GL_PROJECTION);
        ::glLoadIdentity();
        ::glOrtho(-h, h, centreY - h, centreY + h, -1.1, 1.1);
        ::glMatrixMode(GL_MODELVIEW);
    }
    std::vector<unsigned char> Draw(GLfloat background) {
        ::glClearColor(background, background, background, 1.0f);
        ::glClear(GL_COLOR_BUFFER_BIT);
        DrawStormMarkers();
        ::glFinish();
        return ReadPixels(0, 0, kSide, kSide);
    }

    Context context_;
    bool accelerated_ = false;
};

// The icon's luminance and alpha at (s, t), bilinearly, from the resource through GDI.
struct IconImage {
    explicit IconImage(int id) : bitmap(BitmapThroughGdi(id)) {
        ToLuminanceAlpha(bitmap.bgr.data(), bitmap.width, bitmap.height);
    }
    void Sample(double s, double t, double& l, double& a) const {
        const double u = std::clamp(s * bitmap.width - 0.5, 0.0, bitmap.width - 1.0);
        const double v = std::clamp(t * bitmap.height - 0.5, 0.0, bitmap.height - 1.0);
        const int i = std::min(int(u), bitmap.width - 2), j = std::min(int(v), bitmap.height - 2);
        const double fu = u - i, fv = v - j;
        auto at = [&](int di, int dj, int channel) {
            return double(bitmap.bgr[((j + dj) * bitmap.width + i + di) * 2 + channel]);
        };
        auto mix = [&](int channel) {
            return (at(0, 0, channel) * (1 - fu) + at(1, 0, channel) * fu) * (1 - fv) +
                   (at(0, 1, channel) * (1 - fu) + at(1, 1, channel) * fu) * fv;
        };
        l = mix(0);
        a = mix(1);
    }
    Bitmap bitmap;
};

// Mean difference per channel between the drawn close-up of a marker at the given
// latitude (on the central meridian) and the icon, upright or mirrored, tinted red and
// blended over a background of 128.
double IconError(const std::vector<unsigned char>& drawn, double h, double latitude,
                 const IconImage& icon, bool mirrored) {
    const double lat = latitude * kPi / 180.0;
    double sum = 0.0;
    int count = 0;
    for (int py = 0; py < kSide; ++py) {
        for (int px = 0; px < kSide; ++px) {
            const double x = ((px + 0.5) / kSide * 2.0 - 1.0) * h;
            const double y = ((py + 0.5) / kSide * 2.0 - 1.0) * h + std::sin(lat);
            const double s = (x + 0.05) / 0.1;
            double t = ((y - std::sin(lat)) / std::cos(lat) + 0.05) / 0.1;
            t = mirrored ? 1.0 - t : t;
            double l = 0.0, a = 0.0;
            if (s >= 0 && s <= 1 && t >= 0 && t <= 1) {
                icon.Sample(s, t, l, a);
            }
            const double background = 128.0 * (255.0 - a) / 255.0;
            const unsigned char* p = &drawn[(py * kSide + px) * 4];
            sum += std::fabs(p[0] - (a * l / 255.0 + background)) + std::fabs(p[1] - background) +
                   std::fabs(p[2] - background);
            count += 3;
        }
    }
    return sum / count;
}

// Close-ups of single markers: the icon chosen by the wind, upright or (southern storms of
// 35 knots and more) upside down, red, and blended through its alpha.
TEST_F(Markers, ShowTheIconOfTheWindUprightOrMirroredTintedRedAndBlended) {
    const IconImage icons[] = {IconImage(IDB_DEPRESSION), IconImage(IDB_STORM),
                               IconImage(IDB_HURRICANE)};
    const struct {
        double latitude;
        int knots;
        int icon; // index into icons
        bool mirrored;
    } cases[] = {{0.0, 33, 0, false},   {0.0, 34, 1, false},   {12.0, 63, 1, false},
                 {0.0, 64, 2, false},   {-10.0, 34, 1, false}, {-10.0, 35, 1, true},
                 {-15.0, 120, 2, true}, {0.0, 120, 2, false}};
    const double h = 0.06;
    const double tolerance = accelerated_ ? 6.0 : 15.0; // nearest filtering is coarser
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << " deg, " << c.knots << " knots");
        ResetStormTable();
        AddStorm(c.latitude, 0.0, c.knots);
        globeWindowState.turn = 0.25f; // longitude 0 faces the viewer
        View(h, std::sin(c.latitude * kPi / 180.0));
        const std::vector<unsigned char> drawn = Draw(128.0f / 255.0f);
        const double error = IconError(drawn, h, c.latitude, icons[c.icon], c.mirrored);
        EXPECT_LT(error, tolerance);
        for (int other = 0; other < 3; ++other) {
            for (bool mirrored : {false, true}) {
                if ((other != c.icon || mirrored != c.mirrored) && !(other == 0 && c.icon == 0)) {
                    EXPECT_GT(IconError(drawn, h, c.latitude, icons[other], mirrored), 2 * error)
                        << "icon " << other << (mirrored ? " mirrored" : " upright");
                }
            }
        }
    }
}

// Where the marker stands: at (sin a cos lat, sin lat) on the disc, a = 360 turn -
// longitude - 90 (west-positive longitude); on the far half it is culled.
TEST_F(Markers, StandWhereTheTurnCarriesTheStorm) {
    const struct {
        double latitude, longitude;
        float turn;
    } cases[] = {{30.0, 75.0, 0.5f}, {-20.0, -100.0, 0.1f}, {0.0, 0.0, 0.25f}, {45.0, 170.0, 0.9f}};
    View();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude << " at " << c.turn);
        ResetStormTable();
        AddStorm(c.latitude, c.longitude, 100);
        globeWindowState.turn = c.turn;
        const std::vector<unsigned char> drawn = Draw(0.0f);
        double sx = 0, sy = 0, weight = 0;
        for (int py = 0; py < kSide; ++py) {
            for (int px = 0; px < kSide; ++px) {
                const double red = drawn[(py * kSide + px) * 4];
                sx += red * px;
                sy += red * py;
                weight += red;
            }
        }
        ASSERT_GT(weight, 0.0);
        const double a = (360.0 * c.turn - c.longitude - 90.0) * kPi / 180.0;
        const double lat = c.latitude * kPi / 180.0;
        const double x = std::sin(a) * std::cos(lat), y = std::sin(lat);
        EXPECT_NEAR(sx / weight, (x / 1.05 + 1.0) / 2.0 * kSide - 0.5, 2.0);
        EXPECT_NEAR(sy / weight, (y / 1.05 + 1.0) / 2.0 * kSide - 0.5, 2.0);
    }
    for (float farSide : {0.75f, 0.6f, 0.9f}) {
        ResetStormTable();
        AddStorm(0.0, 0.0, 100);
        globeWindowState.turn = farSide;
        const std::vector<unsigned char> drawn = Draw(0.0f);
        EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 0), long(drawn.size()) - kSide * kSide)
            << "drawn on the far side at turn " << farSide; // only alpha bytes are not 0
    }
}

TEST_F(Markers, LeaveBlendingOffWhiteAndTheIdentityBehind) {
    View();
    for (int storms : {0, 2}) {
        ResetStormTable();
        for (int i = 0; i < storms; ++i) {
            AddStorm(10.0 * i, 20.0 * i, 50);
        }
        ::glColor3ub(1, 2, 3);
        ::glMatrixMode(GL_MODELVIEW);
        ::glLoadIdentity();
        ::glTranslatef(0.3f, 0.1f, 0.0f);
        const std::vector<unsigned char> drawn = Draw(0.0f);
        EXPECT_FALSE(::glIsEnabled(GL_BLEND));
        GLfloat colour[4] = {};
        ::glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
        GLfloat matrix[16] = {};
        ::glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(matrix[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
        }
        if (storms == 0) {
            EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 0),
                      long(drawn.size()) - kSide * kSide);
        }
    }
}

namespace {

// What reached the stand-in for the saver window of the messages a test sends.
struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<ReceivedMessage> received;

LRESULT CALLBACK SaverStandIn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({message, wParam, lParam});
    return ::DefWindowProcA(window, message, wParam, lParam);
}

int TimesReceived(UINT message, WPARAM wParam, LPARAM lParam) {
    return static_cast<int>(std::count_if(received.begin(), received.end(), [&](const auto& r) {
        return r.message == message && r.wParam == wParam && r.lParam == lParam;
    }));
}

constexpr DWORD kHangMs = 10000;     // a bound that only catches a hang
constexpr int kMarkerTolerance = 20; // a marker differs this much in some channel

// Pixels of the globe's frame, not the black around the disc: more than half of them.
bool Lit(const support::Capture& shown) {
    return std::count_if(shown.pixels.begin(), shown.pixels.end(),
                         [](uint32_t p) { return p != 0; }) > long(shown.pixels.size() / 2);
}

void PumpMessages() {
    support::Pause(0);
}

} // namespace

// The real globe window procedure on a child of a stand-in for the saver window, as the
// main window creates it.
class GlobeWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        saverSettings = {};
        ResetStormTable();
        InitStormLock(stormTable.lock);
        WNDCLASSA saverClass = {};
        saverClass.lpfnWndProc = SaverStandIn;
        saverClass.hInstance = ::GetModuleHandleA(nullptr);
        saverClass.lpszClassName = "ZarvaneTestSaver";
        ::RegisterClassA(&saverClass);
        saver_ = ::CreateWindowExA(0, saverClass.lpszClassName, "saver",
                                   WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kSide + 40,
                                   kSide + 40, nullptr, nullptr, saverClass.hInstance, nullptr);
        WNDCLASSA globeClass = {};
        globeClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        globeClass.lpfnWndProc = GlobeWindowProc;
        globeClass.hInstance = saverClass.hInstance;
        globeClass.lpszClassName = kGlobeWindowClass;
        ::RegisterClassA(&globeClass);
        globe_ =
            ::CreateWindowExA(0, kGlobeWindowClass, "Globe",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 20, 20,
                              kSide, kSide, saver_, nullptr, saverClass.hInstance, nullptr);
    }
    void TearDown() override {
        if (::IsWindow(globe_)) {
            ::DestroyWindow(globe_);
        }
        ::DestroyWindow(saver_);
        PumpMessages();
        DeleteStormLock(stormTable.lock);
        ResetStormTable();
    }
    // Frames at turn 0.5 until one on the screen satisfies `shown` (the swap reaches the X
    // screen on a connection of its own, so a capture may still see the frame before);
    // the last one read.
    template <typename Shown> support::Capture FrameWhere(Shown shown, int dx = 0) {
        support::Capture pixels;
        support::WaitUntil([&] { return shown(pixels = Frame(dx)); }, kHangMs);
        return pixels;
    }
    // One frame at turn 0.5, as it reaches the screen around the disc's centre, or dx
    // pixels right of it. The frame is the child window's, so it is read from the
    // screen, as the user sees it.
    support::Capture Frame(int dx = 0) {
        globeWindowState.turn = 0.5f;
        ::SendMessageA(globe_, WM_PAINT, 0, 0);
        ::glFinish();
        RECT rect = {};
        ::GetWindowRect(globe_, &rect);
        const int side = 40;
        const int left = rect.left + kSide / 2 - side / 2 + dx;
        const int top = rect.top + kSide / 2 - side / 2;
        return support::CaptureScreen({left, top, left + side, top + side});
    }

    HWND saver_ = nullptr;
    HWND globe_ = nullptr;
};

TEST_F(GlobeWindow, CreatesItsContextAndTurnsFromHalf) {
    ASSERT_NE(globe_, nullptr);
    EXPECT_NE(globeWindowState.context, nullptr);
    EXPECT_EQ(::wglGetCurrentContext(), globeWindowState.context);
    EXPECT_EQ(::wglGetCurrentDC(), globeWindowState.dc);
    EXPECT_EQ(globeWindowState.turn, 0.5f);
    ::SendMessageA(globe_, WM_PAINT, 0, 0);
    EXPECT_EQ(globeWindowState.turn, 0.5005f);
    EXPECT_EQ(::SendMessageA(globe_, WM_ERASEBKGND, WPARAM(globeWindowState.dc), 0), 1);
    EXPECT_EQ(::SendMessageA(globe_, WM_QUERYNEWPALETTE, 0, 0), 0);
}

TEST_F(GlobeWindow, ASizeOfHeightZeroGivesAViewportOfHeightOne) {
    ::SendMessageA(globe_, WM_SIZE, 0, MAKELPARAM(100, 0));
    GLint viewport[4] = {};
    ::glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 1);
    ::SendMessageA(globe_, WM_SIZE, 0, MAKELPARAM(kSide, kSide));
    ::glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], kSide);
}

TEST_F(GlobeWindow, TheTimerRepaintsTheGlobe) {
    // A loaded machine may draw few frames a second: wait for a few, however long they
    // take, and check only that the 25 ms timer paced them.
    const float before = globeWindowState.turn;
    const DWORD start = ::GetTickCount();
    const auto frames = [&] { return (globeWindowState.turn - before) / 0.0005; };
    ASSERT_TRUE(support::WaitUntil([&] { return frames() >= 3.0; }, kHangMs)) << "no frames";
    const double seconds = (::GetTickCount() - start) / 1000.0;
    EXPECT_LE(frames(), seconds * 45 + 2) << "over " << seconds << " s";
}

// The saver window decides what input ends the run; the globe hands it the presses, as
// they came, and keeps key releases and characters to itself.
TEST_F(GlobeWindow, KeyAndButtonPressesGoToTheSaverWindowButKeyReleasesDoNot) {
    PumpMessages();
    const WPARAM wParam = 0x41;
    const LPARAM lParam = MAKELPARAM(7, 9);
    for (UINT message :
         {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        received.clear();
        ::SendMessageA(globe_, message, wParam, lParam);
        EXPECT_EQ(TimesReceived(message, wParam, lParam), 1) << "message " << message;
    }
    for (UINT message : {WM_KEYUP, WM_CHAR, WM_LBUTTONUP}) {
        received.clear();
        ::SendMessageA(globe_, message, wParam, lParam);
        EXPECT_EQ(TimesReceived(message, wParam, lParam), 0) << "message " << message;
    }
}

// A storm at 90 W stands at the disc's centre at turn 0.5. Frames show it only once the
// feed is done, and drawing frames allocates nothing.
TEST_F(GlobeWindow, MarkersAppearOnceTheFeedIsDoneAndFramesAllocateNothing) {
    StoreStormLine(stormTable, "", "Test", "0", "90", "100");
    const support::Capture first = FrameWhere(Lit);
    ASSERT_TRUE(Lit(first)) << "the globe does not reach the screen";
    EXPECT_EQ(FrameWhere([&](const auto& shown) { return shown.pixels == first.pixels; }).pixels,
              first.pixels)
        << "two frames at the same turn differ";
    const auto changed = [&](const support::Capture& shown) {
        return support::CountDifferences(first, shown, kMarkerTolerance);
    };
    RaiseFetchDone(stormTable);
    EXPECT_GT(changed(FrameWhere([&](const auto& shown) { return changed(shown) > 20; })), 20)
        << "no marker at the centre";

    const long before = allocations;
    for (int frame = 0; frame < 20; ++frame) {
        ::SendMessageA(globe_, WM_PAINT, 0, 0);
    }
    EXPECT_EQ(allocations - before, 0);
}

// Lit from the sun's side ("Lighting" 2 counts as on), storms 50 degrees east and west of
// the centre stand on the day and on the night side: the night list must leave the clip
// plane, which keeps only the night side, off for the markers.
TEST_F(GlobeWindow, MarkersShowOnTheDayAndTheNightSide) {
    DestroyGlobeScene();
    saverSettings.lighting = 2;
    saverSettings.nightSide = 1;
    BuildGlobeScene();
    StoreStormLine(stormTable, "", "Day", "0", "40", "100");
    StoreStormLine(stormTable, "", "Night", "0", "140", "100");
    constexpr int kOffset = 93; // sin(50 degrees) of the disc's radius, kSide / 2.1
    // Unmarked frames: once the lit day side is on the screen, every frame at turn 0.5
    // shows the same.
    FrameWhere(Lit, kOffset);
    const support::Capture unmarked[] = {Frame(kOffset), Frame(-kOffset)};
    RaiseFetchDone(stormTable);
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side == 0 ? "day side" : "night side");
        const auto marked = [&](const auto& shown) {
            return support::CountDifferences(unmarked[side], shown, kMarkerTolerance);
        };
        EXPECT_GT(marked(FrameWhere([&](const auto& shown) { return marked(shown) > 20; },
                                    side == 0 ? kOffset : -kOffset)),
                  20)
            << "no marker";
    }
}

// The run's loop ends with the saver window, which destroys the globe on its way out.
TEST_F(GlobeWindow, DestructionReleasesTheContextButLeavesTheLoopToTheSaverWindow) {
    ::DestroyWindow(globe_);
    EXPECT_EQ(::wglGetCurrentContext(), nullptr);
    EXPECT_EQ(globeWindowState.context, nullptr);
    EXPECT_EQ(globeScene.sphere, nullptr);
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
