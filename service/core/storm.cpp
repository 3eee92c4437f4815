#include "core/storm.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/sources.h"

namespace {

constexpr double kEarthRadiusNauticalMiles = 3440.065;
constexpr double kSecondsPerHour = 3600.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
constexpr int kFullCircleDegrees = 360;

TrackPoint PointOf(const Fix& fix) {
    return {fix.time, fix.latitude, fix.longitude, fix.windKnots, fix.pressureHpa, fix.source};
}

// One point per time, newest first, back to kTrackSeconds before the newest.
std::vector<TrackPoint> TrackNewestFirst(const std::vector<const Fix*>& fixes) {
    std::vector<TrackPoint> track;
    const std::time_t oldest = fixes.front()->time - kTrackSeconds;
    for (const Fix* fix : fixes) {
        if (fix->time < oldest) {
            break;
        }
        if (track.empty() || track.back().time != fix->time) {
            track.push_back(PointOf(*fix));
        }
    }
    return track;
}

// The agency's motion at the shown fix's time, else the one from the newest point and the
// newest one at least kMotionSpanSeconds before it.
Motion MotionOf(const std::vector<const Fix*>& fixes, const std::vector<TrackPoint>& newestFirst) {
    for (const Fix* fix : fixes) {
        if (fix->time != fixes.front()->time) {
            break;
        }
        if (fix->motionDegrees >= 0 && fix->motionKnots >= 0) {
            return {fix->motionDegrees, fix->motionKnots, MotionFrom::Agency};
        }
    }
    for (const TrackPoint& point : newestFirst) {
        if (newestFirst.front().time - point.time >= kMotionSpanSeconds) {
            return MotionBetween(point, newestFirst.front());
        }
    }
    return {};
}

// The id of the oldest fix that has one: a storm keeps the season it began in.
std::string StableId(const std::vector<const Fix*>& fixes) {
    for (auto it = fixes.rbegin(); it != fixes.rend(); ++it) {
        if (!(*it)->id.empty()) {
            return (*it)->id;
        }
    }
    return fixes.front()->key;
}

std::vector<SourceKind> SourcesOf(const std::vector<const Fix*>& fixes) {
    std::vector<SourceKind> kinds;
    for (const Fix* fix : fixes) {
        if (std::find(kinds.begin(), kinds.end(), fix->source) == kinds.end()) {
            kinds.push_back(fix->source);
        }
    }
    std::sort(kinds.begin(), kinds.end(),
              [](SourceKind a, SourceKind b) { return SourceRank(a) < SourceRank(b); });
    return kinds;
}

} // namespace

Storm MakeStorm(const std::vector<const Fix*>& fixes) {
    Storm storm;
    storm.id = StableId(fixes);
    storm.shown = *fixes.front();
    storm.shown.forecast.clear(); // the storm's forecast is kept once, below
    for (const Fix* fix : fixes) {
        if (!IsPlaceholderName(fix->name)) {
            storm.shown.name = fix->name;
            break;
        }
    }
    if (!storm.id.empty() && !fixes.front()->id.empty()) {
        storm.shown.id = storm.id;
    }
    storm.stormClass = Classify(storm.shown.status, storm.shown.windKnots);
    storm.sources = SourcesOf(fixes);
    std::vector<TrackPoint> track = TrackNewestFirst(fixes);
    storm.motion = MotionOf(fixes, track);
    std::reverse(track.begin(), track.end());
    storm.track = std::move(track);
    const auto forecaster = std::find_if(fixes.begin(), fixes.end(),
                                         [](const Fix* fix) { return !fix->forecast.empty(); });
    if (forecaster != fixes.end()) {
        storm.forecast = (*forecaster)->forecast;
        storm.forecastBase = PointOf(**forecaster);
    }
    return storm;
}

std::vector<Storm> StrongestFirst(std::vector<Storm> storms) {
    std::sort(storms.begin(), storms.end(), [](const Storm& a, const Storm& b) {
        return a.shown.windKnots != b.shown.windKnots ? a.shown.windKnots > b.shown.windKnots
                                                      : a.id < b.id;
    });
    return storms;
}

std::string_view AgencyOf(Basin basin) {
    switch (basin) {
    case Basin::Atlantic:
    case Basin::EasternPacific:
        return "NHC";
    case Basin::CentralPacific:
        return "CPHC";
    default:
        return "JTWC";
    }
}

Motion MotionBetween(const TrackPoint& from, const TrackPoint& to) {
    const double lat1 = from.latitude / kDegreesPerRadian, lat2 = to.latitude / kDegreesPerRadian;
    const double dLon = (to.longitude - from.longitude) / kDegreesPerRadian;
    const double dLat = lat2 - lat1;
    const double haversine =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    const double miles =
        2 * kEarthRadiusNauticalMiles * std::asin(std::sqrt(std::min(1.0, haversine)));
    const double hours = static_cast<double>(to.time - from.time) / kSecondsPerHour;
    const double bearing = std::atan2(std::sin(dLon) * std::cos(lat2),
                                      std::cos(lat1) * std::sin(lat2) -
                                          std::sin(lat1) * std::cos(lat2) * std::cos(dLon));
    const int degrees = static_cast<int>(std::lround(bearing * kDegreesPerRadian));
    return {(degrees % kFullCircleDegrees + kFullCircleDegrees) % kFullCircleDegrees,
            static_cast<int>(std::lround(miles / hours)), MotionFrom::Track};
}
