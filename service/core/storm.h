#pragma once
// One active storm as the API shows it: the merged fixes of every source behind one stable
// id, with the fix shown, its motion, the past track and the forecast track. The saver's
// feed is made from the same records (their shown fixes). Pure functions of plain values.
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/fix.h"
#include "core/rules.h"

// Where a storm's motion comes from: its shown fix's agency, or its own last two fixes.
enum class MotionFrom { None, Agency, Track };

struct Motion {
    int degrees = -1; // toward which it moves, clockwise from north
    int knots = -1;
    MotionFrom from = MotionFrom::None;
};

// A fix of the past track: one per time, the preferred source's at equal times.
struct TrackPoint {
    std::time_t time = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    int windKnots = 0;
    int pressureHpa = 0; // 0: not given
    SourceKind source = SourceKind::Nhc;
};

// The past track reaches this far back from the shown fix.
constexpr std::time_t kTrackSeconds = 5L * 24 * 3600;
// Fixes of one basin and number in two seasons are one storm when one continues the other
// within this.
constexpr std::time_t kSeasonJoinSeconds = 48L * 3600;
// The shortest span over which a motion is worked out from the track.
constexpr std::time_t kMotionSpanSeconds = 3L * 3600;

struct Storm {
    std::string id; // the ATCF id of its oldest fix that has one, else its source's key
    Fix shown;      // its newest fix, named by the newest real name among its fixes
    StormClass stormClass = StormClass::Storm;
    std::vector<SourceKind> sources; // every kind that gave a fix, by rank
    Motion motion;
    std::vector<TrackPoint> track;       // oldest first, the kTrackSeconds up to the shown fix
    std::vector<ForecastPoint> forecast; // of the newest fix that has one
    TrackPoint forecastBase;             // that fix, where the forecast starts from
};

// The storm made of one storm's fixes, newest first and at equal times the preferred source
// first; `fixes` is not empty.
Storm MakeStorm(const std::vector<const Fix*>& fixes);

// The storms ActiveStorms keeps, with their tracks, in the same order, in O(n log n).
std::vector<Storm> TrackedStorms(const std::vector<Fix>& fixes, std::time_t now, int maxAgeHours);

// Strongest first; equal winds by id, so that equal inputs give equal outputs.
std::vector<Storm> StrongestFirst(std::vector<Storm> storms);

// The US warning centre responsible for a fix's basin: "NHC", "CPHC" or "JTWC".
std::string_view AgencyOf(Basin basin);

// The motion from `from` to `to` along the great circle, in whole degrees and knots.
Motion MotionBetween(const TrackPoint& from, const TrackPoint& to);
