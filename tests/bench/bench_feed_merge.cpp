// The feed service's merging into storms with their tracks (TrackedStorms, which the feed's
// ActiveStorms is made from) over 5,000, 40,000 and 320,000 storms, the
// sizes of IBTrACS' recent years, its whole archive and eight times that. Each storm has
// two best-track fixes and a TCVitals fix under its id, and two IBTrACS fixes without an
// id that proximity must join to it; storms are spread over a span of time that grows
// with their number, as in the archive, so the work per storm should stay flat. Storms of
// one number are a season apart, more than the 48 hours that would join them.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/storm.h"

namespace {

constexpr std::time_t kSixHours = 6 * 3600;
constexpr std::time_t kSpanPerStorm = 2 * 3600; // 5,000 storms over about 14 months

std::vector<Fix> MakeFixes(int stormCount) {
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> latitude(-35.0, 35.0), longitude(-179.0, 179.0);
    std::uniform_int_distribution<std::time_t> start(0, kSpanPerStorm);
    std::vector<Fix> fixes;
    fixes.reserve(static_cast<size_t>(stormCount) * 5);
    for (int i = 0; i < stormCount; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "WP%02d%04d", i % 79 + 1, 1000 + i / 79);
        Fix fix{};
        fix.id = id;
        fix.name = "STORM";
        fix.status = "TS";
        fix.latitude = latitude(random);
        fix.longitude = longitude(random);
        fix.windKnots = 50;
        fix.time = i * kSpanPerStorm + start(random);
        fix.basin = Basin::WesternPacific;
        for (SourceKind source : {SourceKind::Atcf, SourceKind::Atcf, SourceKind::Tcvitals}) {
            fix.source = source;
            fixes.push_back(fix);
            fix.time += source == SourceKind::Atcf ? kSixHours : 0;
        }
        fix.id.clear();
        fix.key = std::to_string(i);
        fix.source = SourceKind::Ibtracs;
        for (int row = 0; row < 2; ++row) {
            fix.latitude += 0.3;
            fix.time -= kSixHours / 2;
            fixes.push_back(fix);
        }
    }
    return fixes;
}

void Merge(benchmark::State& state) {
    const int stormCount = static_cast<int>(state.range(0));
    const std::vector<Fix> fixes = MakeFixes(stormCount);
    const std::time_t now = static_cast<std::time_t>(stormCount) * kSpanPerStorm + 2 * kSixHours;
    size_t active = 0, points = 0;
    for (auto _ : state) {
        // Every storm counts as active: the age limit spans the whole set.
        const std::vector<Storm> storms = TrackedStorms(fixes, now, stormCount * 3);
        active = storms.size();
        points = 0;
        for (const Storm& storm : storms) {
            points += storm.track.size();
        }
        benchmark::DoNotOptimize(points);
    }
    state.counters["fixes"] = static_cast<double>(fixes.size());
    state.counters["storms"] = static_cast<double>(active);
    state.counters["track_points"] = static_cast<double>(points);
    state.counters["ns_per_fix"] = benchmark::Counter(
        static_cast<double>(fixes.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(Merge)->Arg(5000)->Arg(40000)->Arg(320000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
