#pragma once
// Getting one source's bytes: an http:// or https:// URL through libcurl, or a local file.
// Any thread; no global state of its own.
#include <atomic>
#include <cstddef>
#include <string>

struct FetchLimits {
    long connectSeconds = 15; // to open the connection
    long totalSeconds = 60;   // for the whole transfer, redirects included
    std::size_t maxBytes = std::size_t{32} * 1024 * 1024; // a source larger than this is refused
    const std::atomic<bool>* abort = nullptr; // when set, transfers under way end within a second
};

struct Fetched {
    bool ok;
    std::string body;
    std::string error; // one line, when !ok
};

bool IsUrl(const std::string& location);

Fetched Fetch(const std::string& location, const FetchLimits& limits);
