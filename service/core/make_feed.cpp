#include "core/make_feed.h"

#include <algorithm>

#include "core/rules.h"
#include "core/sources.h"
#include "core/storm_outputs.h"
#include "core/utc_time.h"
#include "feed_format/feed_writer.h"

namespace {

constexpr std::string_view kStatusStart = "Active tropical cyclones at ";

} // namespace

std::string SourceLabel(std::string_view kind) {
    const SourceDescriptor* source = FindSource(kind);
    return std::string(source ? source->label : kind);
}

std::string StatusLine(std::time_t now, int count, const std::vector<std::string>& failed) {
    std::string line =
        std::string(kStatusStart) + FormatUtcMinute(now) + " UTC: " + std::to_string(count);
    std::vector<std::string> named;
    for (const std::string& label : failed) {
        if (std::find(named.begin(), named.end(), label) == named.end()) {
            line += (named.empty() ? " (no data from " : ", ") + label;
            named.push_back(label);
        }
    }
    if (!named.empty()) {
        line += ")";
    }
    return FeedStatusText(line);
}

Expected<MadeFeed, std::string> MakeFeed(const std::vector<SourceRead>& reads, std::time_t now,
                                         int maxAgeHours) {
    std::vector<Fix> fixes;
    std::vector<std::string> answered;
    for (const SourceRead& read : reads) {
        if (read.result) {
            fixes.insert(fixes.end(), read.result->fixes.begin(), read.result->fixes.end());
            answered.push_back(read.label);
        }
    }
    if (answered.empty()) {
        return unexpected("no source gave data");
    }
    // A kind is missing only when none of its sources answered: JTWC's relay has a slot per
    // storm under warning, and an unused slot that is absent must not read as an outage.
    std::vector<std::string> failed;
    for (const SourceRead& read : reads) {
        if (std::find(answered.begin(), answered.end(), read.label) == answered.end() &&
            std::find(failed.begin(), failed.end(), read.label) == failed.end()) {
            failed.push_back(read.label);
        }
    }
    std::vector<Storm> tracked = TrackedStorms(fixes, now, maxAgeHours);
    std::vector<Fix> active;
    active.reserve(tracked.size());
    for (const Storm& storm : tracked) {
        active.push_back(storm.shown);
    }
    const std::vector<FeedStorm> storms = FeedStorms(active);
    const int count = static_cast<int>(storms.size());
    const std::string status = StatusLine(now, count, failed);
    const StormReport report{now, status, failed, StrongestFirst(std::move(tracked))};
    return MadeFeed{WriteFeed(status, storms), count, StormsJson(report), StormsGeoJson(report)};
}

std::optional<std::time_t> FeedTime(std::string_view feed) {
    if (feed.substr(0, kStatusStart.size()) != kStatusStart) {
        return std::nullopt;
    }
    // "YYYY-MM-DD HH:MM" follows the opening words.
    return ParseIsoTimestamp(feed.substr(kStatusStart.size(), 16));
}
