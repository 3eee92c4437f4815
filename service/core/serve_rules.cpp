#include "core/serve_rules.h"

#include "core/utc_time.h"

#include <nlohmann/json.hpp>

#include <algorithm>
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

using Headers = std::vector<std::pair<std::string, std::string>>;

Headers TextHeaders() {
    return {{"Content-Type", kTextType}, {"Cache-Control", "no-store"}};
}

std::shared_ptr<const Answer> Text(int status, const std::string& body, Headers more = {}) {
    Headers headers = TextHeaders();
    headers.insert(headers.end(), more.begin(), more.end());
    return std::make_shared<const Answer>(
        MakeAnswer(status, std::move(headers), std::make_shared<const std::string>(body)));
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
std::shared_ptr<const Answer> PreparedAnswer(const Request& request, const ServeState& state,
                                             std::time_t now, int maxAgeHours,
                                             const PreparedOutput& output) {
    if (!HasCurrentFeed(state, now, maxAgeHours) || !output.whole) {
        return Text(503, kNoFeedBody, {{"Retry-After", "60"}});
    }
    return ClientHolds(request, state, output.etag) ? output.notModified : output.whole;
}

// A cache in front may compress; Vary keeps the saver, which decodes nothing, on the
// plain bytes. `more` are the output's own headers.
PreparedOutput PrepareOutput(const std::string& bytes, const char* type,
                             const std::string& lastModified, const Headers& more = {}) {
    PreparedOutput output{EntityTag(bytes), nullptr, nullptr};
    Headers headers = {{"Content-Type", type},
                       {"ETag", output.etag},
                       {"Last-Modified", lastModified},
                       {"Cache-Control", "max-age=" + std::to_string(kFeedCacheSeconds)},
                       {"Vary", "Accept-Encoding"}};
    headers.insert(headers.end(), more.begin(), more.end());
    output.whole = PrepareAnswer(200, headers, std::make_shared<const std::string>(bytes));
    output.notModified = PrepareAnswer(304, headers, std::make_shared<const std::string>());
    return output;
}

// The two outputs may be read by a web page of any site.
const Headers kAnyOrigin = {{"Access-Control-Allow-Origin", "*"}};

void PrepareOutputs(ServeState& state, const MadeFeed& made) {
    const PreparedOutput feed = PrepareOutput(made.feed, kFeedType, state.lastModified);
    state.feed = feed.whole->body;
    state.etag = feed.etag;
    state.feedAnswer = feed.whole;
    state.feedNotModified = feed.notModified;
    state.stormsJson = PrepareOutput(made.json, kJsonType, state.lastModified, kAnyOrigin);
    state.stormsGeoJson = PrepareOutput(made.geojson, kGeoJsonType, state.lastModified, kAnyOrigin);
}

std::shared_ptr<const Answer> HealthAnswer(const ServeState& state, std::time_t now,
                                           int maxAgeHours) {
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
        state.lastModified = HttpDate(now);
        state.builtAt = now;
        PrepareOutputs(state, *build.made);
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

std::shared_ptr<const Answer> AnswerRequest(const Request& request, const ServeState& state,
                                            std::time_t now, int maxAgeHours) {
    if (request.method != "GET" && request.method != "HEAD") {
        return Text(405, kNotAllowedBody, {{"Allow", "GET, HEAD"}});
    }
    const std::string_view path = request.path;
    if (path.size() >= std::strlen(kFeedPathSuffix) &&
        path.substr(path.size() - std::strlen(kFeedPathSuffix)) == kFeedPathSuffix) {
        return PreparedAnswer(request, state, now, maxAgeHours,
                              {state.etag, state.feedAnswer, state.feedNotModified});
    }
    if (path == kStormsJsonPath) {
        return PreparedAnswer(request, state, now, maxAgeHours, state.stormsJson);
    }
    if (path == kStormsGeoJsonPath) {
        return PreparedAnswer(request, state, now, maxAgeHours, state.stormsGeoJson);
    }
    if (path == kHealthPath) {
        return HealthAnswer(state, now, maxAgeHours);
    }
    if (path == kStatusPath) {
        return std::make_shared<const Answer>(
            MakeAnswer(200, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                       std::make_shared<const std::string>(StatusJson(state, now, maxAgeHours))));
    }
    return Text(404, kNotFoundBody);
}

std::shared_ptr<const Answer> AnswerRequest(const std::string& method, const std::string& path,
                                            const ServeState& state, std::time_t now,
                                            int maxAgeHours) {
    return AnswerRequest(Request{method, path, {}, {}}, state, now, maxAgeHours);
}

std::string_view ReasonOf(int status) {
    static constexpr std::pair<int, std::string_view> kReasons[] = {
        {200, "OK"},
        {304, "Not Modified"},
        {400, "Bad Request"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {408, "Request Timeout"},
        {413, "Content Too Large"},
        {414, "URI Too Long"},
        {431, "Request Header Fields Too Large"},
        {503, "Service Unavailable"},
        {505, "HTTP Version Not Supported"}};
    for (const auto& [code, reason] : kReasons) {
        if (code == status) {
            return reason;
        }
    }
    return "Unknown";
}

Answer MakeAnswer(int status, std::vector<std::pair<std::string, std::string>> headers,
                  std::shared_ptr<const std::string> body) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " ";
    head.append(ReasonOf(status)).append("\r\nServer: zarvane-feed\r\n");
    for (const auto& [name, value] : headers) {
        head.append(name).append(": ").append(value).append("\r\n");
    }
    if (status != 304) { // a 304 has no body, and no length of one
        head += "Content-Length: " + std::to_string(body->size()) + "\r\n";
    }
    return {status, std::move(headers), std::move(body), std::move(head)};
}

std::shared_ptr<const Answer>
PrepareAnswer(int status, std::vector<std::pair<std::string, std::string>> headers,
              std::shared_ptr<const std::string> body) {
    Answer answer = MakeAnswer(status, std::move(headers), std::move(body));
    answer.prepared = true;
    return std::make_shared<const Answer>(std::move(answer));
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
