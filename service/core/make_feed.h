#pragma once
// The whole core in one call: what the sources gave, read, in; the feed out.
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fix.h"

struct SourceRead {
    std::string label; // "NHC", "JTWC", "ATCF", "TCVitals", "IBTrACS"
    ReadResult result; // an error marks the source as failed
};

struct MadeFeed {
    std::string feed; // the whole feed, LF line ends
    int stormCount = 0;
    std::string json{};    // /storms.json: every active storm
    std::string geojson{}; // /storms.geojson
};

// What one source did in one build: it gave data, or why not (one line).
struct SourceOutcome {
    std::string label; // "NHC"..., as in the status line and the health reports
    Expected<void, std::string> result;
};

// One build: the feed, or why there is none (no source, or every source failed); each
// source's outcome; the records skipped while reading, one line each.
struct FeedBuild {
    Expected<MadeFeed, std::string> made;
    std::vector<SourceOutcome> sources;
    std::vector<std::string> warnings;
};

// The label of a source kind ("nhc" -> "NHC"), for the status line and reports.
std::string SourceLabel(std::string_view kind);

// "Active tropical cyclones at 2023-08-29 15:00 UTC: 4", and when kinds had no source answer
// " (no data from JTWC, IBTrACS)", each label once, cut to the feed's 255 characters.
std::string StatusLine(std::time_t now, int count, const std::vector<std::string>& failed);

// The time a feed was made, read back from its status line; nothing if it has none.
std::optional<std::time_t> FeedTime(std::string_view feed);

// The feed and both API outputs, all from one set of storms, of what the sources read, or
// an error when no source gave data.
Expected<MadeFeed, std::string> MakeFeed(const std::vector<SourceRead>& reads, std::time_t now,
                                         int maxAgeHours);
