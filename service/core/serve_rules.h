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
#include "core/utc_time.h"
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

// The server's state between requests: the last good feed and the sources' record. A
// state is never changed once shared, so the bytes are served straight from it.
struct Answer;

// An output of a good build, answered as made: whole, and 304 to a client holding it.
struct PreparedOutput {
    std::string etag;                                 // quoted, from the bytes
    std::shared_ptr<const Answer> whole, notModified; // null until a good build
};

struct ServeState {
    bool hasFeed = false;
    std::shared_ptr<const std::string> feed = std::make_shared<const std::string>();
    std::string etag;          // the feed's entity tag, quoted, from its bytes
    std::string lastModified;  // builtAt as an HTTP date
    std::time_t builtAt = 0;   // when that feed was built (UTC seconds)
    std::time_t lastBuild = 0; // when a build was last tried, good or not
    std::vector<SourceHealth> sources;
    // The feed's answers, made once per good build: whole, and 304 to a client holding it.
    std::shared_ptr<const Answer> feedAnswer, feedNotModified;
    PreparedOutput stormsJson;    // of the same build as `feed`
    PreparedOutput stormsGeoJson; // of the same build as `feed`
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
    // The status line and every header as sent, but Date and Connection, which the shell
    // adds with the blank line: made once with the answer, so that an answer kept in the
    // state is sent without being written out again.
    std::string head;
    bool prepared = false; // made once per build and held by the state, not per request
};

// An answer with its head made.
Answer MakeAnswer(int status, std::vector<std::pair<std::string, std::string>> headers,
                  std::shared_ptr<const std::string> body);
// One made once per build for the state to hold (any number of them): the shell then
// sends its bytes as made, a single buffer, instead of writing them out per request.
std::shared_ptr<const Answer>
PrepareAnswer(int status, std::vector<std::pair<std::string, std::string>> headers,
              std::shared_ptr<const std::string> body);
// RFC 9110's reason phrase of a status this server sends.
std::string_view ReasonOf(int status);

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
std::shared_ptr<const Answer> AnswerRequest(const Request& request, const ServeState& state,
                                            std::time_t now, int maxAgeHours);
std::shared_ptr<const Answer> AnswerRequest(const std::string& method, const std::string& path,
                                            const ServeState& state, std::time_t now,
                                            int maxAgeHours);

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
