#include "shell/build_feed.h"

#include <algorithm>
#include <future>

#include "core/make_feed.h"
#include "core/readers.h"
#include "core/sources.h"

namespace {

// A source of nothing but bad records must not flood the log.
constexpr size_t kMostWarningsPerSource = 20;

struct Outcome {
    SourceRead read;
    SourceOutcome outcome;
};

// The source's bytes read, or its last reading when the server says nothing changed.
ReadResult FetchAndReadBody(const SourceSpec& source, const FetchLimits& limits,
                            SourceMemory* memory) {
    const auto last = memory ? memory->Recall(source.location) : std::nullopt;
    Conditional conditional{last ? last->validators : Validators{}, {}, false};
    FetchLimits capped = limits;
    capped.maxBytes = std::min(limits.maxBytes, SourceSizeCap(source.kind));
    const Fetched fetched = Fetch(source.location, capped, &conditional);
    if (!fetched) {
        return unexpected(fetched.error());
    }
    if (conditional.notModified) {
        return last ? last->read : unexpected("304 Not Modified to an unconditional request");
    }
    ReadResult read = ReadSource(source.kind, *fetched);
    if (memory) { // a full answer replaces the last, even one that did not read
        memory->Keep(source.location, {conditional.answered, read,
                                       memory->KeepsBodies() ? *fetched : std::string(), true});
    }
    return read;
}

Outcome FetchAndRead(const SourceSpec& source, const FetchLimits& limits, SourceMemory* memory) {
    Outcome result{{SourceLabel(source.kind), {}}, {SourceLabel(source.kind), {}}};
    result.read.result = IsSourceKind(source.kind)
                             ? FetchAndReadBody(source, limits, memory)
                             : unexpected("unknown source kind '" + source.kind + "'");
    if (!result.read.result) {
        result.outcome.result = unexpected(source.location + ": " + result.read.result.error());
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

std::optional<SourceMemory::Remembered> SourceMemory::Recall(const std::string& location) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = byLocation_.find(location);
    const bool askable =
        found != byLocation_.end() &&
        (!found->second.validators.etag.empty() || !found->second.validators.lastModified.empty());
    if (!askable) {
        return std::nullopt; // without validators the server cannot be asked about that version
    }
    return found->second;
}

void SourceMemory::Keep(const std::string& location, Remembered remembered) {
    const std::lock_guard<std::mutex> lock(mutex_);
    byLocation_[location] = std::move(remembered);
}

std::map<std::string, SourceMemory::Remembered> SourceMemory::Answered() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, Remembered> answered;
    for (const auto& [location, remembered] : byLocation_) {
        if (remembered.answered) {
            answered.emplace(location, remembered);
        }
    }
    return answered;
}

FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours) {
    static SourceMemory processMemory;
    return BuildFeed(sources, now, maxAgeHours, FetchLimits{}, &processMemory);
}

FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours,
                    const FetchLimits& limits) {
    return BuildFeed(sources, now, maxAgeHours, limits, nullptr);
}

FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours,
                    const FetchLimits& limits, SourceMemory* memory) {
    // Every source at once: one that stalls costs its timeout once, not once per source.
    std::vector<std::future<Outcome>> pending;
    pending.reserve(sources.size());
    for (const SourceSpec& source : sources) {
        pending.push_back(std::async(std::launch::async, FetchAndRead, source, limits, memory));
    }
    FeedBuild build;
    std::vector<SourceRead> reads;
    for (std::future<Outcome>& future : pending) {
        Outcome outcome = future.get();
        static const std::vector<std::string> kNone;
        const auto& skipped = outcome.read.result ? outcome.read.result->skipped : kNone;
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
    build.made = MakeFeed(reads, now, maxAgeHours);
    return build;
}
