#include "core/storm_outputs.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "core/utc_time.h"
#include "core/sources.h"
#include "core/text.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr double kHundredths = 100.0;
constexpr double kHalfCircle = 180.0;

// Positions to a hundredth of a degree: the agencies give tenths, and a cut line's
// meridian point should not print seventeen digits.
double Rounded(double degrees) {
    return std::round(degrees * kHundredths) / kHundredths;
}

// Longitudes of the JSON in (-180, 180]: rounding may not make 180 W of 179.999 W.
double RoundedLongitude(double degrees) {
    const double rounded = Rounded(degrees);
    return rounded <= -kHalfCircle ? kHalfCircle : rounded;
}

std::string LabelOf(SourceKind kind) {
    for (const SourceDescriptor& source : Sources()) {
        if (source.source == kind) {
            return std::string(source.label);
        }
    }
    return "?";
}

const char* ClassName(StormClass stormClass) {
    switch (stormClass) {
    case StormClass::Depression:
        return "depression";
    case StormClass::Severe:
        return "severe";
    default:
        return "storm";
    }
}

Json OrNull(int value, int none) {
    return value == none ? Json(nullptr) : Json(value);
}

Json MotionJson(const Motion& motion) {
    if (motion.from == MotionFrom::None) {
        return nullptr;
    }
    return {{"degrees", motion.degrees},
            {"knots", motion.knots},
            {"from", motion.from == MotionFrom::Agency ? "agency" : "track"}};
}

// The storm's own properties, the same in both outputs.
Json StormProperties(const Storm& storm) {
    const Fix& shown = storm.shown;
    Json sources = Json::array();
    for (const SourceKind kind : storm.sources) {
        sources.push_back(LabelOf(kind));
    }
    return {{"id", storm.id},
            {"name", Utf8OfWindows1252(StormName(shown, storm.stormClass))},
            {"basin", GroupName(shown.basin)},
            {"class", ClassName(storm.stormClass)},
            {"status", Utf8OfWindows1252(shown.status)},
            {"windKnots", shown.windKnots},
            {"pressureHpa", OrNull(shown.pressureHpa, 0)},
            {"latitude", Rounded(shown.latitude)},
            {"longitude", RoundedLongitude(shown.longitude)},
            {"time", IsoTime(shown.time)},
            {"source", LabelOf(shown.source)},
            {"agency", std::string(AgencyOf(shown.basin))},
            {"sources", sources},
            {"motion", MotionJson(storm.motion)}};
}

Json TrackJson(const std::vector<TrackPoint>& track) {
    Json points = Json::array();
    for (const TrackPoint& point : track) {
        points.push_back({{"time", IsoTime(point.time)},
                          {"latitude", Rounded(point.latitude)},
                          {"longitude", RoundedLongitude(point.longitude)},
                          {"windKnots", point.windKnots},
                          {"pressureHpa", OrNull(point.pressureHpa, 0)},
                          {"source", LabelOf(point.source)}});
    }
    return points;
}

bool Usable(const ForecastPoint& point) {
    return std::isfinite(point.latitude) && std::isfinite(point.longitude) &&
           std::fabs(point.latitude) <= kHalfCircle / 2;
}

Json ForecastJson(const Storm& storm) {
    if (storm.forecast.empty()) {
        return nullptr;
    }
    Json points = Json::array();
    for (const ForecastPoint& point : storm.forecast) {
        if (Usable(point)) {
            points.push_back({{"time", IsoTime(point.validTime)},
                              {"latitude", Rounded(point.latitude)},
                              {"longitude", RoundedLongitude(WrapLongitude(point.longitude))},
                              {"windKnots", OrNull(point.windKnots, 0)},
                              {"kind", point.outlook ? "outlook" : "forecast"}});
        }
    }
    return {{"issued", IsoTime(storm.forecastBase.time)},
            {"source", LabelOf(storm.forecastBase.source)},
            {"points", points}};
}

std::string Dump(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

Json FailedJson(const StormReport& report) {
    Json failed = Json::array();
    for (const std::string& label : report.failed) {
        failed.push_back(label);
    }
    return failed;
}

// A line through the positions, cut at 180 degrees; null with fewer than two positions.
Json LineGeometry(const std::vector<LonLat>& line) {
    if (line.size() < 2) {
        return nullptr;
    }
    const std::vector<std::vector<LonLat>> pieces = SplitAtAntimeridian(line);
    Json lines = Json::array();
    for (const std::vector<LonLat>& piece : pieces) {
        Json positions = Json::array();
        for (const auto& [longitude, latitude] : piece) {
            positions.push_back({Rounded(longitude), Rounded(latitude)});
        }
        lines.push_back(positions);
    }
    if (lines.size() == 1) {
        return {{"type", "LineString"}, {"coordinates", lines[0]}};
    }
    return {{"type", "MultiLineString"}, {"coordinates", lines}};
}

Json LineFeature(const Storm& storm, const char* kind, const Json& geometry) {
    return {{"type", "Feature"},
            {"id", storm.id + "-" + kind},
            {"geometry", geometry},
            {"properties",
             {{"feature", kind},
              {"id", storm.id},
              {"name", Utf8OfWindows1252(StormName(storm.shown, storm.stormClass))}}}};
}

void AddStormFeatures(const Storm& storm, Json& features) {
    Json properties = StormProperties(storm);
    properties["feature"] = "position";
    features.push_back(
        {{"type", "Feature"},
         {"id", storm.id},
         {"geometry",
          {{"type", "Point"},
           {"coordinates",
            {RoundedLongitude(storm.shown.longitude), Rounded(storm.shown.latitude)}}}},
         {"properties", properties}});
    std::vector<LonLat> track;
    for (const TrackPoint& point : storm.track) {
        track.emplace_back(point.longitude, point.latitude);
    }
    if (Json line = LineGeometry(track); !line.is_null()) {
        features.push_back(LineFeature(storm, "track", line));
    }
    std::vector<LonLat> forecast;
    if (!storm.forecast.empty()) {
        forecast.emplace_back(storm.forecastBase.longitude, storm.forecastBase.latitude);
    }
    for (const ForecastPoint& point : storm.forecast) {
        if (Usable(point)) {
            forecast.emplace_back(WrapLongitude(point.longitude), point.latitude);
        }
    }
    if (Json line = LineGeometry(forecast); !line.is_null()) {
        features.push_back(LineFeature(storm, "forecast", line));
    }
}

} // namespace

std::string StormsJson(const StormReport& report) {
    Json storms = Json::array();
    for (const Storm& storm : report.storms) {
        Json object = StormProperties(storm);
        object["track"] = TrackJson(storm.track);
        object["forecast"] = ForecastJson(storm);
        storms.push_back(std::move(object));
    }
    const Json json = {{"generated", IsoTime(report.time)},
                       {"status", Utf8OfWindows1252(report.status)},
                       {"sourcesFailed", FailedJson(report)},
                       {"stormCount", report.storms.size()},
                       {"storms", storms}};
    return Dump(json);
}

std::string StormsGeoJson(const StormReport& report) {
    Json features = Json::array();
    for (const Storm& storm : report.storms) {
        AddStormFeatures(storm, features);
    }
    // RFC 7946 allows foreign members: the feed's status beside the features.
    const Json json = {{"type", "FeatureCollection"},
                       {"generated", IsoTime(report.time)},
                       {"status", Utf8OfWindows1252(report.status)},
                       {"sourcesFailed", FailedJson(report)},
                       {"features", features}};
    return Dump(json);
}

std::vector<std::vector<LonLat>> SplitAtAntimeridian(const std::vector<LonLat>& line) {
    std::vector<std::vector<LonLat>> pieces(1);
    for (size_t i = 0; i < line.size(); ++i) {
        if (i > 0 && std::fabs(line[i].first - line[i - 1].first) > kHalfCircle) {
            const auto [fromLon, fromLat] = line[i - 1];
            const auto [toLon, toLat] = line[i];
            // Eastward when the longitude jumps down (170 to -170), westward otherwise.
            const double side = toLon < fromLon ? kHalfCircle : -kHalfCircle;
            const double unwrapped = toLon + 2 * side;
            const double share = (side - fromLon) / (unwrapped - fromLon);
            const double latitude = fromLat + share * (toLat - fromLat);
            pieces.back().emplace_back(side, latitude);
            pieces.push_back({{-side, latitude}});
        }
        pieces.back().push_back(line[i]);
    }
    return pieces;
}
