#include "shell/build_feed.h"

#include <algorithm>
#include <future>

#include "core/make_feed.h"
#include "core/readers.h"

namespace {

constexpr const char* kNhc = "https://www.nhc.noaa.gov/CurrentStorms.json";
// JTWC's warnings as the NWS relays them, one slot per storm under warning: WTPN3x for the
// western North Pacific, WTIO3x for the North Indian Ocean, WTXS3x for the southern
// hemisphere.
constexpr const char* kJtwcSlots[] = {"wtpn31", "wtpn32", "wtpn33", "wtpn34", "wtpn35",
                                      "wtio31", "wtio32", "wtxs31", "wtxs32", "wtxs33"};
constexpr const char* kJtwcRelay = "https://tgftp.nws.noaa.gov/data/raw/wt/";
constexpr const char* kTcvitals = "https://ftp.nhc.noaa.gov/atcf/com/tcvitals";
constexpr const char* kIbtracs =
    "https://www.ncei.noaa.gov/data/international-best-track-archive-for-climate-stewardship-"
    "ibtracs/v04r01/access/csv/ibtracs.ACTIVE.list.v04r01.csv";

// A source of nothing but bad records must not flood the log.
constexpr size_t kMostWarningsPerSource = 20;

struct Outcome {
    SourceRead read;
    SourceOutcome outcome;
};

Outcome FetchAndRead(const SourceSpec& source, const FetchLimits& limits) {
    Outcome result{{SourceLabel(source.kind), {}}, {SourceLabel(source.kind), false, {}}};
    if (!IsSourceKind(source.kind)) {
        result.read.result.error = "unknown source kind '" + source.kind + "'";
    } else {
        FetchLimits capped = limits;
        capped.maxBytes = std::min(limits.maxBytes, SourceSizeCap(source.kind));
        const Fetched fetched = Fetch(source.location, capped);
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
    std::vector<SourceSpec> sources{{"nhc", kNhc}};
    for (const char* slot : kJtwcSlots) {
        sources.push_back({"jtwc", std::string(kJtwcRelay) + slot + ".pgtw..txt"});
    }
    sources.push_back({"tcvitals", kTcvitals});
    sources.push_back({"ibtracs", kIbtracs});
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
        const auto& skipped = outcome.read.result.skipped;
        for (size_t i = 0; i < std::min(skipped.size(), kMostWarningsPerSource); ++i) {
            build.warnings.push_back(skipped[i]);
        }
        if (skipped.size() > kMostWarningsPerSource) {
            build.warnings.push_back(outcome.outcome.label + ": " +
                                     std::to_string(skipped.size() - kMostWarningsPerSource) +
                                     " more records");
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
