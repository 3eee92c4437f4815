// One source kind's reading (FUZZ_KIND, set by the build: its reader, then Normalise) on
// arbitrary bytes, and the rules and the writers (feed, JSON, GeoJSON) on whatever it reads.
// Every fix must be normalised (finite position in range, longitude in (-180, 180], wind
// 0-300 knots, pressure 0 or 850-1100 hPa, motion not given or in range, forecast points
// likewise); any crash or sanitizer report is a failure.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/make_feed.h"
#include "core/readers.h"
#include "core/rules.h"

#include <nlohmann/json.hpp>

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool InRange(double latitude, double longitude, int windKnots) {
    return std::isfinite(latitude) && std::fabs(latitude) <= 90.0 && std::isfinite(longitude) &&
           longitude > -180.0 && longitude <= 180.0 && windKnots >= 0 && windKnots <= kMaxWindKnots;
}

void CheckMotionAndForecast(const Fix& fix) {
    Check(fix.pressureHpa == 0 || (fix.pressureHpa >= 850 && fix.pressureHpa <= 1100));
    Check(fix.motionDegrees >= -1 && fix.motionDegrees < 360);
    Check(fix.motionKnots >= -1 && fix.motionKnots <= kMaxMotionKnots);
    for (const ForecastPoint& point : fix.forecast) {
        Check(InRange(point.latitude, point.longitude, point.windKnots));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const ReadResult result = ReadSource(FUZZ_KIND, body);
    if (!result) {
        return 0;
    }
    std::time_t latest = 0;
    for (const Fix& fix : result->fixes) {
        Check(InRange(fix.latitude, fix.longitude, fix.windKnots));
        CheckMotionAndForecast(fix);
        Check(fix.basin >= Basin::Atlantic && fix.basin <= Basin::Southern);
        latest = fix.time > latest ? fix.time : latest;
    }
    // The storm model, the feed and both API outputs, which must parse as JSON whatever
    // was read.
    const auto made = MakeFeed({{"FUZZ", result}}, latest, 12);
    Check(made && !made->feed.empty());
    Check(made->stormCount <= kStormCapacity);
    Check(nlohmann::json::accept(made->json) && nlohmann::json::accept(made->geojson));
    return 0;
}
