#include "core/serve_rules.h"

#include "core/utc_time.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace feed {
namespace {

constexpr const char* kTextType = "text/plain; charset=us-ascii";
// The saver reads the feed as single-byte ANSI text.
constexpr const char* kFeedType = "text/plain; charset=windows-1252";
constexpr const char* kJsonType = "application/json";
constexpr const char* kGeoJsonType = "application/geo+json";
constexpr const char* kNoFeedBody = "No current storm feed; try again later.\n";
constexpr const char* kNotFoundBody = "Not found.\n";
constexpr const char* kNotAllowedBody = "Only GET and HEAD are allowed.\n";
constexpr const char* kHealthyBody = "ok\n";
constexpr int kSecondsPerHour = 3600;

Answer Text(int status, const std::string& body) {
    return {status,
            {{"Content-Type", kTextType}, {"Cache-Control", "no-store"}},
            std::make_shared<const std::string>(body)};
}

// A strong tag from the bytes alone (FNV-1a), so that equal feeds match across restarts
// and behind several servers.
std::string EntityTag(const std::string& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    char text[24];
    std::snprintf(text, sizeof(text), "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text;
}

// If-None-Match: "*" or a list of tags, compared weakly (a W/ prefix is ignored).
bool TagMatches(std::string_view list, const std::string& etag) {
    if (list.find_first_not_of(" \t") != std::string_view::npos &&
        list.substr(list.find_first_not_of(" \t")) == "*") {
        return true;
    }
    for (size_t at = list.find('"'); at != std::string_view::npos;) {
        const size_t end = list.find('"', at + 1);
        if (end == std::string_view::npos) {
            return false;
        }
        if (list.substr(at, end - at + 1) == etag) {
            return true;
        }
        at = list.find('"', end + 1);
    }
    return false;
}

bool ClientHolds(const Request& request, const ServeState& state, const std::string& etag) {
    if (!request.ifNoneMatch.empty()) {
        return TagMatches(request.ifNoneMatch, etag);
    }
    const auto since = ParseHttpDate(request.ifModifiedSince);
    return since && state.builtAt <= *since;
}

// The feed or an output of the last good build, while that build is current.
Answer PreparedAnswer(const Request& request, const ServeState& state, std::time_t now,
                      int maxAgeHours, const PreparedBody& body, const char* type) {
    if (!HasCurrentFeed(state, now, maxAgeHours) || body.bytes->empty()) {
        Answer answer = Text(503, kNoFeedBody);
        answer.headers.emplace_back("Retry-After", "60");
        return answer;
    }
    // A cache in front may compress; Vary keeps the saver, which decodes nothing, on the
    // plain bytes.
    Answer answer{200,
                  {{"Content-Type", type},
                   {"ETag", body.etag},
                   {"Last-Modified", state.lastModified},
                   {"Cache-Control", "max-age=" + std::to_string(kFeedCacheSeconds)},
                   {"Vary", "Accept-Encoding"}},
                  body.bytes};
    if (ClientHolds(request, state, body.etag)) {
        answer.status = 304;
        answer.body = std::make_shared<const std::string>();
    }
    return answer;
}

Answer OutputAnswer(const Request& request, const ServeState& state, std::time_t now,
                    int maxAgeHours, const PreparedBody& body, const char* type) {
    Answer answer = PreparedAnswer(request, state, now, maxAgeHours, body, type);
    answer.headers.emplace_back("Access-Control-Allow-Origin", "*");
    return answer;
}

PreparedBody Prepare(const std::string& bytes) {
    return {std::make_shared<const std::string>(bytes), EntityTag(bytes)};
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

ServeState RecordBuild(ServeState state, const FeedBuild& build, std::time_t now) {
    state.lastBuild = now;
    if (build.made) {
        state.hasFeed = true;
        const PreparedBody feed = Prepare(build.made->feed);
        state.feed = feed.bytes;
        state.etag = feed.etag;
        state.stormsJson = Prepare(build.made->json);
        state.stormsGeoJson = Prepare(build.made->geojson);
        state.lastModified = HttpDate(now);
        state.builtAt = now;
    }
    for (const SourceOutcome& source : build.sources) {
        SourceHealth& health = HealthOf(state.sources, source.label);
        if (source.result) {
            health.lastSuccess = now;
        } else {
            health.lastFailure = now;
            health.lastError = source.result.error();
        }
    }
    return state;
}

bool HasCurrentFeed(const ServeState& state, std::time_t now, int maxAgeHours) {
    return state.hasFeed &&
           now - state.builtAt <= static_cast<std::time_t>(maxAgeHours) * kSecondsPerHour;
}

Answer AnswerRequest(const Request& request, const ServeState& state, std::time_t now,
                     int maxAgeHours) {
    if (request.method != "GET" && request.method != "HEAD") {
        Answer answer = Text(405, kNotAllowedBody);
        answer.headers.emplace_back("Allow", "GET, HEAD");
        return answer;
    }
    const std::string_view path = request.path;
    if (path.size() >= std::strlen(kFeedPathSuffix) &&
        path.substr(path.size() - std::strlen(kFeedPathSuffix)) == kFeedPathSuffix) {
        return PreparedAnswer(request, state, now, maxAgeHours, {state.feed, state.etag},
                              kFeedType);
    }
    if (path == kStormsJsonPath) {
        return OutputAnswer(request, state, now, maxAgeHours, state.stormsJson, kJsonType);
    }
    if (path == kStormsGeoJsonPath) {
        return OutputAnswer(request, state, now, maxAgeHours, state.stormsGeoJson, kGeoJsonType);
    }
    if (path == kHealthPath) {
        return HealthAnswer(state, now, maxAgeHours);
    }
    if (path == kStatusPath) {
        return {200,
                {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                std::make_shared<const std::string>(StatusJson(state, now, maxAgeHours))};
    }
    return Text(404, kNotFoundBody);
}

Answer AnswerRequest(const std::string& method, const std::string& path, const ServeState& state,
                     std::time_t now, int maxAgeHours) {
    return AnswerRequest(Request{method, path, {}, {}}, state, now, maxAgeHours);
}

std::optional<std::time_t> ParseHttpDate(std::string_view text) {
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed columns.
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT") {
        return std::nullopt;
    }
    const size_t month = kMonths.find(text.substr(8, 3));
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    // Each field in plain digits at its column: "%2d %3s %4d %2d:%2d:%2d".
    const auto digits = [text](size_t at, size_t count, int& value) {
        const std::string_view field = text.substr(at, count);
        const auto [end, ec] = std::from_chars(field.data(), field.data() + count, value);
        return ec == std::errc() && end == field.data() + count &&
               field.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (month == std::string_view::npos || month % 3 != 0 || text.substr(7, 1) != " " ||
        text.substr(11, 1) != " " || text.substr(16, 1) != " " || text.substr(19, 1) != ":" ||
        text.substr(22, 1) != ":" || !digits(5, 2, day) || !digits(12, 4, year) ||
        !digits(17, 2, hour) || !digits(20, 2, minute) || !digits(23, 2, second) || second > 60) {
        return std::nullopt;
    }
    const auto start = UtcTime(year, static_cast<int>(month / 3) + 1, day, hour, minute);
    return start ? std::optional<std::time_t>(*start + second) : std::nullopt;
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
                                     {"lastError", WithoutSecrets(s.lastError)}};
        text += (i == 0 ? "\n" : ",\n") +
                line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    return text + "\n]}\n";
}

// One address: scheme "://" [userinfo "@"] host [":" port] [path] ["?" query] ["#" fragment].
std::string AddressShown(std::string_view address) {
    const size_t authority = address.find("://") + 3;
    const size_t pathAt = std::min(address.find_first_of("/?#", authority), address.size());
    std::string_view host = address.substr(authority, pathAt - authority);
    host = host.substr(host.rfind('@') == std::string_view::npos ? 0 : host.rfind('@') + 1);
    const size_t end = std::min(address.find_first_of("?#", pathAt), address.size());
    return std::string(address.substr(0, authority)) + std::string(host) +
           std::string(address.substr(pathAt, end - pathAt));
}

std::string WithoutSecrets(std::string_view text) {
    std::string shown;
    size_t at = 0;
    while (true) {
        const size_t http = text.find("http://", at), https = text.find("https://", at);
        const size_t start = std::min(http, https);
        if (start == std::string_view::npos) {
            return shown + std::string(text.substr(at));
        }
        size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
        if (end > start && text[end - 1] == ':') {
            --end; // the separator before the error's message
        }
        shown += std::string(text.substr(at, start - at)) +
                 AddressShown(text.substr(start, end - start));
        at = end;
    }
}

std::string LogEscaped(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof(hex), "\\x%02X", byte);
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace feed
