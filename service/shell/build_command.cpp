// zarvane-feed build: makes the feed once and writes it to a file or standard output.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "core/make_feed.h"
#include "core/text.h"
#include "core/utc_time.h"
#include "shell/build_feed.h"
#include "shell/commands.h"

namespace {

constexpr int kDefaultMaxAgeHours = 12;
constexpr int kLongestMaxAgeHours = 24 * 366;
constexpr int kExitWritten = 0, kExitNoFeed = 1, kExitUsage = 2;
constexpr const char* kStandardOutput = "-";

struct BuildOptions {
    std::vector<SourceSpec> sources;
    std::time_t now;
    int maxAgeHours = kDefaultMaxAgeHours;
    std::string output = kStandardOutput;
};

// Fills `options` from the arguments; returns the problem, or nothing when they are good.
std::optional<std::string> ParseOptions(const std::vector<std::string>& args,
                                        BuildOptions& options) {
    options.now = std::time(nullptr);
    for (size_t i = 0; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 == args.size()) {
            return option + " needs a value";
        }
        const std::string& value = args[i + 1];
        if (option == "--source") {
            const size_t equals = value.find('=');
            if (equals == std::string::npos || equals + 1 == value.size()) {
                return "--source takes KIND=LOCATION, not '" + value + "'";
            }
            options.sources.push_back({value.substr(0, equals), value.substr(equals + 1)});
        } else if (option == "--now") {
            const auto now = ParseIsoMinute(value);
            if (!now) {
                return "--now takes YYYY-MM-DDTHH:MMZ, not '" + value + "'";
            }
            options.now = *now;
        } else if (option == "--max-age") {
            if (!ParseInt(value, options.maxAgeHours) || options.maxAgeHours < 1 ||
                options.maxAgeHours > kLongestMaxAgeHours) {
                return "--max-age takes a whole number of hours, not '" + value + "'";
            }
        } else if (option == "--output") {
            options.output = value;
        } else {
            return "unknown option '" + option + "'";
        }
    }
    if (options.sources.empty()) {
        options.sources = OfficialSources();
    }
    return std::nullopt;
}

// Replaces `path` atomically: the feed goes to a file beside it, which is then renamed.
bool WriteAtomically(const std::string& path, const std::string& feed, std::string& error) {
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << feed;
        file.flush();
        if (!file) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

// The age of the feed at `path` at `now`: from its status line, else from the file's time.
std::optional<std::time_t> FeedAge(const std::string& path, std::time_t now) {
    std::ifstream file(path, std::ios::binary);
    std::string status;
    if (!file || !std::getline(file, status)) {
        return std::nullopt;
    }
    if (const auto made = FeedTime(status)) {
        return now - *made;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? std::optional<std::time_t>(now - info.st_mtime)
                                            : std::nullopt;
}

// No source gave data: keep the last feed while it is young enough, else remove it, so
// that "no data" never reads as "no storms".
void KeepOrRemove(const BuildOptions& options) {
    const std::string& path = options.output;
    if (path == kStandardOutput) {
        return;
    }
    const auto age = FeedAge(path, options.now);
    if (!age) {
        return;
    }
    const long hours = static_cast<long>(*age / 3600);
    if (*age <= static_cast<std::time_t>(options.maxAgeHours) * 3600) {
        std::fprintf(stderr, "zarvane-feed: kept the last feed in %s (%ld h old)\n", path.c_str(),
                     hours);
    } else if (std::remove(path.c_str()) == 0) {
        std::fprintf(stderr, "zarvane-feed: removed %s: the last feed is %ld h old\n", path.c_str(),
                     hours);
    }
}

void Report(const FeedBuild& build) {
    for (const std::string& warning : build.warnings) {
        std::fprintf(stderr, "zarvane-feed: skipped %s\n", warning.c_str());
    }
    for (const SourceOutcome& source : build.sources) {
        if (!source.ok) {
            std::fprintf(stderr, "zarvane-feed: %s failed: %s\n", source.label.c_str(),
                         source.error.c_str());
        }
    }
}

} // namespace

int RunBuild(const std::vector<std::string>& args) {
    BuildOptions options;
    if (const auto problem = ParseOptions(args, options)) {
        std::fprintf(stderr, "zarvane-feed build: %s\n", problem->c_str());
        return kExitUsage;
    }
    const FeedBuild build = BuildFeed(options.sources, options.now, options.maxAgeHours);
    Report(build);
    if (!build.ok) {
        std::fprintf(stderr, "zarvane-feed: no source gave data; no feed written\n");
        KeepOrRemove(options);
        return kExitNoFeed;
    }
    if (options.output == kStandardOutput) {
        std::fwrite(build.feed.data(), 1, build.feed.size(), stdout);
        return std::fflush(stdout) == 0 ? kExitWritten : kExitNoFeed;
    }
    std::string error;
    if (!WriteAtomically(options.output, build.feed, error)) {
        std::fprintf(stderr, "zarvane-feed: %s\n", error.c_str());
        return kExitNoFeed;
    }
    return kExitWritten;
}
