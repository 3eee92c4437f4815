#pragma once
// Getting one source's bytes: an http:// or https:// URL through libcurl, or a local file.
// Any thread; no global state of its own.
#include <atomic>
#include <cstddef>
#include <string>

#include "core/result.h"

struct FetchLimits {
    long connectSeconds = 15; // to open the connection
    long totalSeconds = 60;   // for the whole transfer, redirects included
    std::size_t maxBytes = std::size_t{32} * 1024 * 1024; // a source larger than this is refused
    const std::atomic<bool>* abort = nullptr; // when set, transfers under way end within a second
};

// The body fetched, or why not (one line).
using Fetched = Expected<std::string, std::string>;

// What a server said about the version it sent (its ETag and Last-Modified headers, as
// written), so that the next request asks only for a newer one. Empty when it gave none.
struct Validators {
    std::string etag;
    std::string lastModified;
};

// A conditional request: asked with `previous`, answered with the server's `answered`
// validators; `notModified` is its 304, which comes back as ok with an empty body.
struct Conditional {
    Validators previous;
    Validators answered;
    bool notModified = false;
};

bool IsUrl(const std::string& location);

// A URL is fetched with libcurl, with If-None-Match and If-Modified-Since from
// `conditional->previous` where given; a local file is read whole.
Fetched Fetch(const std::string& location, const FetchLimits& limits,
              Conditional* conditional = nullptr);
