// The turning globe seen from outside, in screen pixels: a disc of radius S / 2.1 centred
// in the globe window, black around it, showing the day map where the globe's geometry
// puts it; the map turning eastward by the frame; the three shading modes; and input over
// the globe ending the run.
//
// How a screen pixel is predicted: the window shows the unit sphere under an orthographic
// view of [-1.05, 1.05] on both axes, north up, the viewer on +z. The pixel's point
// (x, y, z) of the sphere has mesh longitude L = atan2(-z, x) (180 to 360 degrees across
// the visible half, left to right) and latitude asin(y); the map is sampled at
// s = L / 360 - turn (wrapping), t = (latitude + 90) / 180, t = 0 at the bottom row of
// the bitmap. The turn is not observable directly, so each capture is matched against the
// map over all turns; the best match must be clearly the only good one.
#include "../support/sun_estimate.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace e2e;

namespace {

constexpr int kDayMapId = 103;
constexpr int kNightMapId = 109;
constexpr int kMapWidth = 1024;
constexpr int kMapHeight = 512;
constexpr double kViewHalfSide = 1.05;   // the sphere's radius is 1/1.05 of the half side
constexpr double kTurnPerFrame = 0.0005; // one revolution every 2000 frames
constexpr double kInitialTurn = 0.5;
// Upper bound of the frame rate: a 25 ms timer gives 40 a second; Wine's timers run a
// little fast at times.
constexpr double kMostFramesPerSecond = 45.0;
constexpr double kPi = 3.14159265358979323846;
// Mean absolute difference per channel (of 255) within which a capture matches the map:
// it allows for filtering and the mesh's facets, while a wrong turn, a mirrored or
// colour-swapped map, or a wrong shade is off by far more.
constexpr double kMatchError = 4.0;
constexpr double kDegreesPerRadian = 180.0 / kPi;

struct Rgb {
    double r, g, b;
};

double Luminance(const Rgb& c) {
    return (c.r + c.g + c.b) / 3.0;
}

Rgb RgbOf(uint32_t p) {
    return {double(Red(p)), double(Green(p)), double(Blue(p))};
}

// A map of the saver under test, sampled bilinearly as OpenGL's GL_LINEAR does, repeating
// in s.
class MapImage {
  public:
    explicit MapImage(int resourceId) {
        const Capture image = RenderOffscreen(kMapWidth, kMapHeight, [&](HDC dc) {
            HBITMAP bitmap = LoadSaverBitmap(resourceId);
            HDC memory = ::CreateCompatibleDC(dc);
            HGDIOBJ previous = ::SelectObject(memory, bitmap);
            ::BitBlt(dc, 0, 0, kMapWidth, kMapHeight, memory, 0, 0, SRCCOPY);
            ::SelectObject(memory, previous);
            ::DeleteObject(bitmap);
            ::DeleteDC(memory);
        });
        // Texel row j counts from the bottom of the picture: t = (j + 0.5) / height.
        texels_.resize(image.pixels.size());
        for (int row = 0; row < kMapHeight; ++row) {
            for (int column = 0; column < kMapWidth; ++column) {
                texels_[(kMapHeight - 1 - row) * kMapWidth + column] =
                    RgbOf(image.pixels[row * kMapWidth + column]);
            }
        }
    }

    Rgb Sample(double s, double t) const {
        const double u = (s - std::floor(s)) * kMapWidth - 0.5;
        const double v = std::clamp(t * kMapHeight - 0.5, 0.0, kMapHeight - 1.0);
        const int i0 = int(std::floor(u));
        const int j0 = int(std::floor(v));
        const double fu = u - i0;
        const double fv = v - j0;
        const int j1 = std::min(j0 + 1, kMapHeight - 1);
        const Rgb a = Texel(i0, j0), b = Texel(i0 + 1, j0), c = Texel(i0, j1),
                  d = Texel(i0 + 1, j1);
        auto mix = [&](double pa, double pb, double pc, double pd) {
            return (pa * (1 - fu) + pb * fu) * (1 - fv) + (pc * (1 - fu) + pd * fu) * fv;
        };
        return {mix(a.r, b.r, c.r, d.r), mix(a.g, b.g, c.g, d.g), mix(a.b, b.b, c.b, d.b)};
    }

    const std::vector<Rgb>& Texels() const { return texels_; }

  private:
    Rgb Texel(int i, int j) const {
        return texels_[j * kMapWidth + ((i % kMapWidth) + kMapWidth) % kMapWidth];
    }
    std::vector<Rgb> texels_;
};

// One pixel of the globe window with the point of the sphere it shows.
struct SpherePixel {
    int px, py; // in the window
    double x, y, z;
    double r;  // distance from the disc's centre, in sphere radii
    double s0; // map s before the turn: longitude / 360
    double t;
};

// The globe window on the screen.
struct GlobeView {
    RECT rect;
    int side;
    double centre; // of the disc, in window pixels on both axes
    double radius; // of the disc, in pixels: side / 2.1

    explicit GlobeView(HWND globe) : rect(WindowRectOf(globe)) {
        side = rect.right - rect.left;
        centre = side / 2.0;
        radius = side / (2.0 * kViewHalfSide);
    }

    // The point of the sphere at the centre of window pixel (px, py), if on the disc.
    bool PointAt(int px, int py, SpherePixel& out) const {
        const double x = ((px + 0.5) / side * 2.0 - 1.0) * kViewHalfSide;
        const double y = (1.0 - (py + 0.5) / side * 2.0) * kViewHalfSide;
        const double rr = x * x + y * y;
        if (rr >= 1.0) {
            return false;
        }
        const double z = std::sqrt(1.0 - rr);
        double longitude = std::atan2(-z, x) * kDegreesPerRadian;
        longitude += longitude < 0 ? 360.0 : 0.0;
        out = {px,
               py,
               x,
               y,
               z,
               std::sqrt(rr),
               longitude / 360.0,
               (std::asin(y) * kDegreesPerRadian + 90.0) / 180.0};
        return true;
    }

    // Every step-th pixel (both axes) whose point lies within maxRadius and passes keep.
    std::vector<SpherePixel> Pixels(int step, double maxRadius,
                                    const std::function<bool(const SpherePixel&)>& keep) const {
        std::vector<SpherePixel> pixels;
        SpherePixel p;
        for (int py = 0; py < side; py += step) {
            for (int px = 0; px < side; px += step) {
                if (PointAt(px, py, p) && p.r <= maxRadius && keep(p)) {
                    pixels.push_back(p);
                }
            }
        }
        return pixels;
    }
};

bool Everywhere(const SpherePixel&) {
    return true;
}

Rgb Shown(const Capture& shot, const SpherePixel& p) {
    return RgbOf(shot.At(shot.left + p.px, shot.top + p.py));
}

// The predicted colour of a pixel for a turn: the map's colour times the pixel's shade.
using Shade = std::function<double(const SpherePixel&)>;

double Unshaded(const SpherePixel&) {
    return 1.0;
}

double MeanError(const Capture& shot, const MapImage& map, const std::vector<SpherePixel>& pixels,
                 const std::vector<double>& shades, double turn) {
    double sum = 0.0;
    for (size_t k = 0; k < pixels.size(); ++k) {
        const SpherePixel& p = pixels[k];
        const Rgb expected = map.Sample(p.s0 - turn, p.t);
        const Rgb shown = Shown(shot, p);
        sum += std::fabs(shown.r - expected.r * shades[k]) +
               std::fabs(shown.g - expected.g * shades[k]) +
               std::fabs(shown.b - expected.b * shades[k]);
    }
    return sum / (3.0 * pixels.size());
}

double TurnDistance(double a, double b) {
    const double d = std::fabs(a - b) - std::floor(std::fabs(a - b));
    return std::min(d, 1.0 - d);
}

struct TurnMatch {
    double turn;       // in [0, 1)
    double error;      // mean absolute difference per channel at that turn
    double otherError; // the least error at any turn more than 0.02 away
};

// The turn at which the map, shaded, best explains the pixels: every texel column first,
// then a sixteenth of a texel around the best.
TurnMatch MatchTurn(const Capture& shot, const MapImage& map,
                    const std::vector<SpherePixel>& pixels, const Shade& shade) {
    std::vector<double> shades;
    for (const SpherePixel& p : pixels) {
        shades.push_back(shade(p));
    }
    std::vector<double> coarse(kMapWidth);
    for (int k = 0; k < kMapWidth; ++k) {
        coarse[k] = MeanError(shot, map, pixels, shades, double(k) / kMapWidth);
    }
    const int best = int(std::min_element(coarse.begin(), coarse.end()) - coarse.begin());
    TurnMatch match = {double(best) / kMapWidth, coarse[best], 1e9};
    for (int k = 0; k < kMapWidth; ++k) {
        if (TurnDistance(double(k) / kMapWidth, match.turn) > 0.02) {
            match.otherError = std::min(match.otherError, coarse[k]);
        }
    }
    const double centre = match.turn;
    for (int k = -32; k <= 32; ++k) {
        const double turn = centre + k / (16.0 * kMapWidth);
        const double error = MeanError(shot, map, pixels, shades, turn);
        if (error < match.error) {
            match.error = error;
            match.turn = turn - std::floor(turn);
        }
    }
    return match;
}

// A full-screen saver with the given shading, its globe window found, the globe drawing.
class GlobeRun {
  public:
    GlobeRun(int lighting, int nightSide, int useHardware = 1) {
        profile_.Set("Internet", 0);
        profile_.Set("ShowDetails", 0);
        profile_.Set("Lighting", lighting);
        profile_.Set("NightSide", nightSide);
        profile_.Set("UseHardware", useHardware);
        started_ = ::GetTickCount();
        saver_ = std::make_unique<SaverProcess>("/s");
        window_ = WaitForSaverWindow(*saver_);
        globe_ = window_ ? WaitForChild(window_, "ZRVSAVER") : nullptr;
        // Frames are drawn once the globe shows anything at its centre.
        if (globe_ != nullptr) {
            const RECT r = WindowRectOf(globe_);
            const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
            if (!WaitUntil(
                    [&] {
                        return CaptureScreen({cx - 2, cy - 2, cx + 2, cy + 2}).pixels !=
                               std::vector<uint32_t>(16, 0u);
                    },
                    kStartTimeoutMs)) {
                globe_ = nullptr; // no frame reached the screen: nothing to capture
            }
        }
    }
    ~GlobeRun() {
        if (saver_->Running()) {
            PressKey(VK_SPACE);
            saver_->WaitForExit();
        }
    }

    HWND Globe() const { return globe_; }
    SaverProcess& Saver() { return *saver_; }
    Capture Shot() const { return CaptureScreen(WindowRectOf(globe_)); }
    // Seconds since the saver was started.
    double Elapsed() const { return (::GetTickCount() - started_) / 1000.0; }

  private:
    ProfileSection profile_;
    DWORD started_ = 0;
    std::unique_ptr<SaverProcess> saver_;
    HWND window_ = nullptr;
    HWND globe_ = nullptr;
};

void RestMouseOutsideTheGlobe() {
    const RECT screen = ScreenRect();
    MoveMouseTo(2, screen.bottom - 2); // on the banner strip
    Pause(50);
}

// Sums of shown and predicted brightness over rings of the disc.
struct Ring {
    double from, to; // in sphere radii
};

double RingRatio(const Capture& shot, const MapImage& map, const GlobeView& view, double turn,
                 const Ring& ring) {
    double shown = 0.0, predicted = 0.0;
    for (const SpherePixel& p :
         view.Pixels(1, ring.to, [&](const SpherePixel& q) { return q.r >= ring.from; })) {
        shown += Luminance(Shown(shot, p));
        predicted += Luminance(map.Sample(p.s0 - turn, p.t));
    }
    return shown / predicted;
}

// The mean of max(normal z, 0.08) over a ring: the headlight's shade.
double MeanHeadlightShade(const GlobeView& view, const Ring& ring) {
    double sum = 0.0;
    int count = 0;
    for (const SpherePixel& p :
         view.Pixels(1, ring.to, [&](const SpherePixel& q) { return q.r >= ring.from; })) {
        sum += std::max(p.z, 0.08);
        ++count;
    }
    return sum / count;
}

// On the band of rows within 0.03 of a height, the x (sphere units) at which the shown
// brightness, relative to the map's, first falls below half when scanning leftward from
// x = 0.7 (clear of the rim, where the disc's edge darkens pixels anyway); -2 when it
// never does. Columns are summed in fives against the map's texture.
double HalfBrightX(const Capture& shot, const MapImage& map, const GlobeView& view, double turn,
                   double height) {
    std::vector<double> shown(view.side, 0.0), predicted(view.side, 0.0);
    SpherePixel p;
    for (int py = 0; py < view.side; ++py) {
        for (int px = 0; px < view.side; ++px) {
            if (view.PointAt(px, py, p) && std::fabs(p.y - height) <= 0.03) {
                shown[px] += Luminance(Shown(shot, p));
                predicted[px] += Luminance(map.Sample(p.s0 - turn, p.t));
            }
        }
    }
    const int start = int((0.7 / kViewHalfSide + 1.0) / 2.0 * view.side);
    for (int px = start; px >= 2; --px) {
        double a = 0.0, b = 0.0;
        for (int dx = -2; dx <= 2; ++dx) {
            a += shown[px + dx];
            b += predicted[px + dx];
        }
        if (b > 0.0 && a < 0.5 * b) {
            return ((px + 0.5) / view.side * 2.0 - 1.0) * kViewHalfSide;
        }
    }
    return -2.0;
}

} // namespace

// The default map check, at every screen size of the test command and with both pixel
// format paths: "UseHardware" 0 finds no double-buffered generic format under Wine and
// must fall back to the driver's choice rather than stay black.
class GlobeDisc : public ::testing::TestWithParam<int> {};

TEST_P(GlobeDisc, IsTheDayMapOnADiscOfRadiusSOver2_1BlackAround) {
    RestMouseOutsideTheGlobe();
    GlobeRun run(0, 0, GetParam());
    ASSERT_NE(run.Globe(), nullptr);
    const Capture shot = run.Shot();
    const double elapsed = run.Elapsed();
    const GlobeView view(run.Globe());
    ASSERT_EQ(view.side, shot.height);

    int outsideLit = 0, outside = 0, insideBlack = 0, inside = 0;
    for (int py = 0; py < view.side; ++py) {
        for (int px = 0; px < view.side; ++px) {
            const double d = std::hypot(px + 0.5 - view.centre, py + 0.5 - view.centre);
            const uint32_t p = shot.At(shot.left + px, shot.top + py);
            if (d >= view.radius + 1.5) {
                ++outside;
                outsideLit += p != 0 ? 1 : 0;
            } else if (d <= view.radius - 2.0) {
                ++inside;
                insideBlack += p == 0 ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(outsideLit, 0) << "of " << outside << " pixels around the disc";
    EXPECT_LT(insideBlack, inside / 1000) << "black pixels on the disc";

    const MapImage day(kDayMapId);
    const auto pixels = view.Pixels(3, 0.8, Everywhere);
    const TurnMatch match = MatchTurn(shot, day, pixels, Unshaded);
    EXPECT_LT(match.error, kMatchError);
    EXPECT_GT(match.otherError, 3.0 * match.error) << "the map matches at other turns too";
    // The first frame shows the map turned by 0.5; then it advances by 0.0005 a frame.
    EXPECT_GE(match.turn, kInitialTurn - 0.0005);
    EXPECT_LE(match.turn, kInitialTurn + kTurnPerFrame * (kMostFramesPerSecond * elapsed + 2))
        << "after " << elapsed << " s";

    // Unshaded: every ring of the disc as bright as the map it shows.
    for (const Ring ring : {Ring{0.0, 0.3}, Ring{0.3, 0.6}, Ring{0.6, 0.85}, Ring{0.85, 0.97}}) {
        EXPECT_NEAR(RingRatio(shot, day, view, match.turn, ring), 1.0, 0.03)
            << "ring " << ring.from << " to " << ring.to;
    }
}

INSTANTIATE_TEST_SUITE_P(ScreenSize, GlobeDisc, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "UseHardware" + std::to_string(info.param);
                         });

// Two captures some frames apart: the map has moved eastward (to the right: the turn grew)
// by half a thousandth of a turn per frame, at no more frames than the 25 ms timer allows.
// A loaded machine may draw only a few frames a second, so the second capture waits for
// the map to have moved rather than for a fixed time.
TEST(Globe, TurnsEastwardByTheFrame) {
    RestMouseOutsideTheGlobe();
    GlobeRun run(0, 0);
    ASSERT_NE(run.Globe(), nullptr);
    const GlobeView view(run.Globe());
    const MapImage day(kDayMapId);
    const auto pixels = view.Pixels(3, 0.8, Everywhere);

    constexpr double kFramesToSee = 10.0;
    // The interval runs from before the first capture to after the second, so that it
    // holds every frame drawn between the two shown.
    const DWORD first = ::GetTickCount();
    const TurnMatch a = MatchTurn(run.Shot(), day, pixels, Unshaded);
    ASSERT_LT(a.error, kMatchError);
    TurnMatch b;
    double advance = 0.0;
    WaitUntil(
        [&] {
            b = MatchTurn(run.Shot(), day, pixels, Unshaded);
            advance = b.turn - a.turn;
            advance -= std::floor(advance + 0.5); // the shorter way round
            return std::fabs(advance) >= kFramesToSee * kTurnPerFrame;
        },
        kExitTimeoutMs);
    const double seconds = (::GetTickCount() - first) / 1000.0;
    ASSERT_LT(b.error, kMatchError);
    const double frames = advance / kTurnPerFrame;
    EXPECT_GE(frames, kFramesToSee) << "the map must move eastward, over " << seconds << " s";
    EXPECT_LE(frames, kMostFramesPerSecond * seconds + 2) << "over " << seconds << " s";
}

// Lit from the viewer: each pixel is the map times max(normal z, 0.08) — full at the
// centre, falling with the cosine toward the rim, never below 0.08.
TEST(Globe, HeadlightIsFullAtTheCentreAndDarkAtTheRim) {
    RestMouseOutsideTheGlobe();
    GlobeRun run(1, 0);
    ASSERT_NE(run.Globe(), nullptr);
    const Capture shot = run.Shot();
    const GlobeView view(run.Globe());
    const MapImage day(kDayMapId);
    const TurnMatch match = MatchTurn(shot, day, view.Pixels(3, 0.8, Everywhere),
                                      [](const SpherePixel& p) { return std::max(p.z, 0.08); });
    EXPECT_LT(match.error, kMatchError);
    EXPECT_GT(match.otherError, 3.0 * match.error);

    for (const Ring ring :
         {Ring{0.0, 0.2}, Ring{0.5, 0.7}, Ring{0.8, 0.9}, Ring{0.9, 0.95}, Ring{0.95, 0.985}}) {
        EXPECT_NEAR(RingRatio(shot, day, view, match.turn, ring), MeanHeadlightShade(view, ring),
                    0.03)
            << "ring " << ring.from << " to " << ring.to;
    }
    EXPECT_GT(RingRatio(shot, day, view, match.turn, {0.0, 0.2}), 0.95);
    const double rim = RingRatio(shot, day, view, match.turn, {0.985, 0.997});
    EXPECT_LT(rim, 0.2);
    EXPECT_GT(rim, 0.06); // the floor keeps the rim faintly lit
}

// Lit from the right: the day map in full where the sun is high, the city lights of the
// night map on the dark side, and a terminator whose tilt follows today's date. With the
// sun direction (1, Z, 0) the day pass is min(1.8 (x + Z y), 1) but at least 0.01, so on
// a row at height y it is half bright at x = 0.278 - Z y.
TEST(Globe, NightSideIsLitFromTheRightWithCityLightsOnTheLeft) {
    RestMouseOutsideTheGlobe();
    GlobeRun run(1, 1);
    ASSERT_NE(run.Globe(), nullptr);
    const Capture shot = run.Shot();
    const GlobeView view(run.Globe());
    const MapImage day(kDayMapId);
    const MapImage night(kNightMapId);
    const double z = ApproximateSunNorthComponentToday();
    auto sunDot = [z](const SpherePixel& p) { return p.x + z * p.y; };

    // The fully lit part shows the day map as it stands.
    const auto lit = view.Pixels(2, 0.85, [&](const SpherePixel& p) { return sunDot(p) >= 0.6; });
    ASSERT_GT(lit.size(), 500u);
    const TurnMatch match = MatchTurn(shot, day, lit, Unshaded);
    EXPECT_LT(match.error, kMatchError);
    EXPECT_GT(match.otherError, 2.0 * match.error);

    // Deep in the night: the night map (over a day map darkened to 0.01).
    const auto dark =
        view.Pixels(1, 0.85, [&](const SpherePixel& p) { return sunDot(p) <= -0.15; });
    ASSERT_GT(dark.size(), 500u);
    double litMean = 0.0, darkMean = 0.0, nightError = 0.0;
    int lights = 0, lightsShown = 0, unlit = 0, unlitShown = 0;
    for (const SpherePixel& p : lit) {
        litMean += Luminance(Shown(shot, p)) / lit.size();
    }
    for (const SpherePixel& p : dark) {
        const Rgb shown = Shown(shot, p);
        const Rgb expected = night.Sample(p.s0 - match.turn, p.t);
        darkMean += Luminance(shown) / dark.size();
        nightError += (std::fabs(shown.r - expected.r) + std::fabs(shown.g - expected.g) +
                       std::fabs(shown.b - expected.b)) /
                      (3.0 * dark.size());
        if (Luminance(expected) > 120) {
            ++lights;
            lightsShown += Luminance(shown) > 80 ? 1 : 0;
        } else if (Luminance(expected) < 15) {
            ++unlit;
            unlitShown += Luminance(shown) > 40 ? 1 : 0;
        }
    }
    EXPECT_LT(nightError, kMatchError) << "the dark side must show the night map";
    EXPECT_LT(darkMean, litMean / 3.0);
    EXPECT_GT(lights, 50) << "city lights in view";
    EXPECT_GE(lightsShown, lights * 8 / 10);
    EXPECT_LE(unlitShown, unlit / 20);

    // The terminator on the rows at heights +0.5 and -0.5: where, scanning from the right,
    // the day map's brightness first falls below half.
    auto halfBright = [&](double height) {
        return HalfBrightX(shot, day, view, match.turn, height);
    };
    const double north = halfBright(0.5), south = halfBright(-0.5);
    EXPECT_NEAR(north, 0.278 - z * 0.5, 0.04) << "Z today about " << z;
    EXPECT_NEAR(south, 0.278 + z * 0.5, 0.04) << "Z today about " << z;
    if (std::fabs(z) > 0.1) {
        // Northern winter (Z < 0): the boundary leans so that the north pole is dark.
        EXPECT_EQ(north > south, z < 0) << "north " << north << ", south " << south;
    }
}

// The globe window covers most of the screen; input over it ends the run just as it does
// over the banner. A move of 4 pixels (across plus down) is jitter there too; 5 ends it.
TEST(Globe, MouseMovesOverTheGlobeEndTheRun) {
    const RECT screen = ScreenRect();
    const POINT centre = {screen.right / 2, (screen.bottom - 100) / 2};
    MoveMouseTo(centre.x, centre.y);
    Pause(50);
    GlobeRun run(1, 0);
    ASSERT_NE(run.Globe(), nullptr);
    ASSERT_EQ(::WindowFromPoint(centre), run.Globe());
    MoveMouseTo(centre.x + 2, centre.y + 2);
    Pause(kSettleMs);
    EXPECT_TRUE(run.Saver().Running());
    MoveMouseTo(centre.x + 3, centre.y + 2);
    EXPECT_TRUE(run.Saver().WaitForExit());
    EXPECT_EQ(run.Saver().ExitCode(), 0);
}

TEST(Globe, ClicksOverTheGlobeEndTheRun) {
    const RECT screen = ScreenRect();
    const POINT centre = {screen.right / 2, (screen.bottom - 100) / 2};
    for (DWORD button : {DWORD(MOUSEEVENTF_LEFTDOWN), DWORD(MOUSEEVENTF_RIGHTDOWN),
                         DWORD(MOUSEEVENTF_MIDDLEDOWN)}) {
        MoveMouseTo(centre.x, centre.y);
        Pause(50);
        GlobeRun run(0, 0);
        ASSERT_NE(run.Globe(), nullptr);
        ASSERT_EQ(::WindowFromPoint(centre), run.Globe());
        ClickMouse(button, button << 1); // each button's up flag is the next bit
        EXPECT_TRUE(run.Saver().WaitForExit()) << "button flag " << button;
    }
}
