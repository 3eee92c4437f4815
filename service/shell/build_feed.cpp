#include "shell/build_feed.h"

#include <future>

#include "core/make_feed.h"
#include "core/readers.h"
#include "core/sources.h"

namespace {

struct Outcome {
    SourceRead read;
    SourceOutcome outcome;
};

Outcome FetchAndRead(const SourceSpec& source, const FetchLimits& limits) {
    Outcome result{{SourceLabel(source.kind), {}}, {SourceLabel(source.kind), false, {}}};
    if (!IsSourceKind(source.kind)) {
        result.read.result.error = "unknown source kind '" + source.kind + "'";
    } else {
        const Fetched fetched = Fetch(source.location, limits);
        if (fetched.ok) {
            result.read.result = ReadSource(source.kind, fetched.body);
        } else {
            result.read.result.error = fetched.error;
        }
    }
    result.outcome.ok = result.read.result.error.empty();
    if (!result.outcome.ok) {
        result.outcome.error = source.location + ": " + result.read.result.error;
    }
    return result;
}

} // namespace

std::vector<SourceSpec> OfficialSources() {
    std::vector<SourceSpec> sources;
    for (const SourceDescriptor& source : Sources()) {
        for (std::string& location : source.officialLocations()) {
            sources.push_back({std::string(source.kind), std::move(location)});
        }
    }
    return sources;
}

FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours) {
    return BuildFeed(sources, now, maxAgeHours, FetchLimits{});
}

FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours,
                    const FetchLimits& limits) {
    // Every source at once: one that stalls costs its timeout once, not once per source.
    std::vector<std::future<Outcome>> pending;
    pending.reserve(sources.size());
    for (const SourceSpec& source : sources) {
        pending.push_back(std::async(std::launch::async, FetchAndRead, source, limits));
    }
    FeedBuild build{false, {}, {}, {}};
    std::vector<SourceRead> reads;
    for (std::future<Outcome>& future : pending) {
        Outcome outcome = future.get();
        for (const std::string& skipped : outcome.read.result.skipped) {
            build.warnings.push_back(skipped);
        }
        build.sources.push_back(outcome.outcome);
        reads.push_back(std::move(outcome.read));
    }
    const MadeFeed made = MakeFeed(reads, now, maxAgeHours);
    build.ok = made.ok;
    build.feed = made.feed;
    build.stormCount = made.stormCount;
    return build;
}
