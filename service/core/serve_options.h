#pragma once
// The command line of `zarvane-feed serve`, read into a plain record (no I/O).
#include <string>
#include <vector>

namespace feed {

struct ServeOptions {
    std::string address = "0.0.0.0";
    int port = 8080;
    std::vector<std::string> sources; // "KIND=LOCATION" texts, as given; none: the official set
    int refreshMinutes = 15;
    int maxAgeHours = 12;
    unsigned maxPerAddress = 64;
    unsigned maxConnections = 4096;
    unsigned idleTimeoutSeconds = 10;
};

struct ServeOptionsResult {
    bool ok = false;
    ServeOptions options;
    std::string error; // when not ok: what is wrong, for standard error
};

// Reads the arguments after "serve".
ServeOptionsResult ParseServeOptions(const std::vector<std::string>& args);

inline constexpr const char* kServeUsage =
    "usage: zarvane-feed serve [--listen ADDR:PORT] [--source KIND=LOCATION]...\n"
    "                          [--refresh MINUTES] [--max-age HOURS]\n"
    "                          [--max-per-address N] [--max-connections N] [--idle-timeout S]\n";

} // namespace feed
