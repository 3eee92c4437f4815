#include "core/serve_rules.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>

namespace feed {
namespace {

constexpr const char* kTextType = "text/plain; charset=us-ascii";
// The saver reads the feed as single-byte ANSI text.
constexpr const char* kFeedType = "text/plain; charset=windows-1252";
constexpr const char* kNoFeedBody = "No current storm feed; try again later.\n";
constexpr const char* kNotFoundBody = "Not found.\n";
constexpr const char* kNotAllowedBody = "Only GET and HEAD are allowed.\n";
constexpr const char* kHealthyBody = "ok\n";
constexpr int kSecondsPerHour = 3600;

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

Answer Text(int status, const std::string& body) {
    return {status, {{"Content-Type", kTextType}, {"Cache-Control", "no-store"}}, body};
}

Answer FeedAnswer(const ServeState& state, std::time_t now, int maxAgeHours) {
    if (!HasCurrentFeed(state, now, maxAgeHours)) {
        Answer answer = Text(503, kNoFeedBody);
        answer.headers.emplace_back("Retry-After", "60");
        return answer;
    }
    return {200,
            {{"Content-Type", kFeedType},
             {"Last-Modified", HttpDate(state.builtAt)},
             {"Cache-Control", "max-age=" + std::to_string(kFeedCacheSeconds)}},
            state.feed};
}

Answer HealthAnswer(const ServeState& state, std::time_t now, int maxAgeHours) {
    return HasCurrentFeed(state, now, maxAgeHours) ? Text(200, kHealthyBody)
                                                   : Text(503, kNoFeedBody);
}

SourceHealth& HealthOf(std::vector<SourceHealth>& sources, const std::string& label) {
    auto found = std::find_if(sources.begin(), sources.end(),
                              [&](const SourceHealth& s) { return s.label == label; });
    if (found != sources.end()) {
        return *found;
    }
    sources.push_back({label, 0, 0, ""});
    return sources.back();
}

} // namespace

ServeState RecordBuild(ServeState state, bool ok, const std::string& feed,
                       const std::vector<SourceResult>& sources, std::time_t now) {
    state.lastBuild = now;
    if (ok) {
        state.hasFeed = true;
        state.feed = feed;
        state.builtAt = now;
    }
    for (const SourceResult& result : sources) {
        SourceHealth& health = HealthOf(state.sources, result.label);
        if (result.ok) {
            health.lastSuccess = now;
        } else {
            health.lastFailure = now;
            health.lastError = result.error;
        }
    }
    return state;
}

bool HasCurrentFeed(const ServeState& state, std::time_t now, int maxAgeHours) {
    return state.hasFeed &&
           now - state.builtAt <= static_cast<std::time_t>(maxAgeHours) * kSecondsPerHour;
}

Answer AnswerRequest(const std::string& method, const std::string& path, const ServeState& state,
                     std::time_t now, int maxAgeHours) {
    if (method != "GET" && method != "HEAD") {
        Answer answer = Text(405, kNotAllowedBody);
        answer.headers.emplace_back("Allow", "GET, HEAD");
        return answer;
    }
    if (EndsWith(path, kFeedPathSuffix)) {
        return FeedAnswer(state, now, maxAgeHours);
    }
    if (path == kHealthPath) {
        return HealthAnswer(state, now, maxAgeHours);
    }
    if (path == kStatusPath) {
        return {200,
                {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                StatusJson(state, now, maxAgeHours)};
    }
    return Text(404, kNotFoundBody);
}

std::string HttpDate(std::time_t t) {
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                         "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc = {};
    gmtime_r(&t, &utc);
    char text[40];
    std::snprintf(text, sizeof(text), "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday],
                  utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

std::string IsoTime(std::time_t t) {
    if (t == 0) {
        return "";
    }
    std::tm utc = {};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// One line per source, so that the page reads well in a terminal and greps by source.
std::string StatusJson(const ServeState& state, std::time_t now, int maxAgeHours) {
    const nlohmann::json head = {{"current", HasCurrentFeed(state, now, maxAgeHours)},
                                 {"feedBuilt", IsoTime(state.hasFeed ? state.builtAt : 0)},
                                 {"lastBuild", IsoTime(state.lastBuild)}};
    std::string text = head.dump();
    text.pop_back(); // reopen the object for the sources
    text += ",\"sources\":[";
    for (size_t i = 0; i < state.sources.size(); ++i) {
        const SourceHealth& s = state.sources[i];
        const nlohmann::json line = {{"source", s.label},
                                     {"lastSuccess", IsoTime(s.lastSuccess)},
                                     {"lastFailure", IsoTime(s.lastFailure)},
                                     {"lastError", s.lastError}};
        text += (i == 0 ? "\n" : ",\n") + line.dump();
    }
    return text + "\n]}\n";
}

} // namespace feed
