#pragma once
// What `zarvane-feed serve` answers, as a function of the request, the feed it holds and
// the time: no sockets, no clock, no globals. The HTTP shell only carries these answers.
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/make_feed.h"
#include "feed_format/feed_format.h"

namespace feed {

// The path every saver asks for, after whatever prefix its "AlternateHost" carries.
inline constexpr const char* kFeedPathSuffix = ::kFeedPath;
inline constexpr const char* kHealthPath = "/healthz";
inline constexpr const char* kStatusPath = "/status.json";
inline constexpr const char* kStormsJsonPath = "/storms.json";
inline constexpr const char* kStormsGeoJsonPath = "/storms.geojson";
inline constexpr int kFeedCacheSeconds = 300;

// What one source did in the builds so far. Times are UTC seconds; 0 means never.
struct SourceHealth {
    std::string label;
    std::time_t lastSuccess = 0;
    std::time_t lastFailure = 0;
    std::string lastError; // the latest failure's message; kept after a later success
};

// An answer made once per build and served as it is: its bytes and their entity tag.
struct PreparedBody {
    std::shared_ptr<const std::string> bytes = std::make_shared<const std::string>();
    std::string etag; // quoted, from the bytes
};

// The server's state between requests: the last good feed and the sources' record. A
// state is never changed once shared, so the bytes are served straight from it.
struct ServeState {
    bool hasFeed = false;
    std::shared_ptr<const std::string> feed = std::make_shared<const std::string>();
    std::string etag;          // the feed's entity tag, quoted, from its bytes
    std::string lastModified;  // builtAt as an HTTP date
    std::time_t builtAt = 0;   // when that feed was built (UTC seconds)
    std::time_t lastBuild = 0; // when a build was last tried, good or not
    std::vector<SourceHealth> sources;
    PreparedBody stormsJson;    // of the same build as `feed`
    PreparedBody stormsGeoJson; // of the same build as `feed`
};

// Folds one build into the state: a good build replaces the feed; a failed one keeps the
// last good feed (whether it is still current is decided per request by its age).
ServeState RecordBuild(ServeState state, const FeedBuild& build, std::time_t now);

// True while the state holds a feed built no more than maxAgeHours before `now`.
bool HasCurrentFeed(const ServeState& state, std::time_t now, int maxAgeHours);

struct Answer {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers; // besides Content-Length
    std::shared_ptr<const std::string> body; // never null; HEAD and 304: the shell sends none
};

// What the rules read of a request. `method` as sent ("GET", "HEAD", ...); `path`
// without the query string; the validators as sent, empty when absent.
struct Request {
    std::string_view method;
    std::string_view path;
    std::string_view ifNoneMatch;
    std::string_view ifModifiedSince;
};

// The answer to one request: a feed or output the client holds already (If-None-Match,
// else If-Modified-Since) is answered 304. The two outputs may be read by any web page
// (Access-Control-Allow-Origin: *).
Answer AnswerRequest(const Request& request, const ServeState& state, std::time_t now,
                     int maxAgeHours);
Answer AnswerRequest(const std::string& method, const std::string& path, const ServeState& state,
                     std::time_t now, int maxAgeHours);

// An HTTP date (RFC 9110 IMF-fixdate), e.g. "Mon, 07 Dec 2026 10:15:00 GMT".
std::string HttpDate(std::time_t t);
// The time of an IMF-fixdate, the only HTTP date form senders may generate; nothing for
// any other text.
std::optional<std::time_t> ParseHttpDate(std::string_view text);
// An ISO 8601 UTC time, "2026-12-07T10:15:00Z"; "" for 0 (never).
std::string IsoTime(std::time_t t);

// /status.json's body: the feed's time and currency and one object per source. Always
// valid UTF-8 (invalid bytes become U+FFFD); addresses in errors shown without their
// credentials, query and fragment.
std::string StatusJson(const ServeState& state, std::time_t now, int maxAgeHours);

// `text` with every http:// or https:// address cut to scheme, host, port and path.
std::string WithoutSecrets(std::string_view text);

// `text` fit for one field of a log line: control bytes, bytes from 0x7F, '"' and '\\'
// written as \xHH, so that a request can neither break the line nor forge another.
std::string LogEscaped(std::string_view text);

} // namespace feed
