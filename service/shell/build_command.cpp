// zarvane-feed build: makes the feed once and writes it to a file or standard output.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <utility>

#include "core/make_feed.h"
#include "core/serve_options.h"
#include "core/text.h"
#include "core/utc_time.h"
#include "shell/build_feed.h"
#include "shell/commands.h"
#include "shell/source_state.h"
#include "shell/temporary_file.h"

namespace {

constexpr int kExitWritten = 0, kExitNoFeed = 1, kExitUsage = 2;
constexpr const char* kStandardOutput = "-";
constexpr std::time_t kClockSlack = 3600; // a feed dated further ahead is not believed

using feed::FeedOptions;

std::vector<SourceSpec> SourcesOf(const FeedOptions& options) {
    std::vector<SourceSpec> sources;
    for (const feed::SourceOption& source : options.sources) {
        sources.push_back({source.kind, source.location});
    }
    return sources.empty() ? OfficialSources() : sources;
}

// The age of the feed at `path` at `now`: from its status line, else from the file's time.
// A status line dated more than the clock's slack ahead gives no age: it is not fresh.
std::optional<std::time_t> FeedAge(const std::string& path, std::time_t now) {
    std::ifstream file(path, std::ios::binary);
    std::string status;
    if (!file || !std::getline(file, status)) {
        return std::nullopt;
    }
    if (const auto made = FeedTime(status)) {
        return *made - now > kClockSlack ? std::nullopt : std::optional<std::time_t>(now - *made);
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? std::optional<std::time_t>(now - info.st_mtime)
                                            : std::nullopt;
}

// No source gave data: keep the last feed while it is young enough, else remove it, so
// that "no data" never reads as "no storms". False when a stale feed could not be removed.
bool KeepOrRemove(const FeedOptions& options, std::time_t now) {
    const std::string& path = options.output;
    struct stat info {};
    if (path == kStandardOutput || ::lstat(path.c_str(), &info) != 0) {
        return true;
    }
    const auto age = FeedAge(path, now);
    const long hours = age ? static_cast<long>(*age / 3600) : -1;
    if (age && *age <= static_cast<std::time_t>(options.maxAgeHours) * 3600) {
        std::fprintf(stderr, "zarvane-feed: kept the last feed in %s (%ld h old)\n", path.c_str(),
                     hours);
        return true;
    }
    if (::unlink(path.c_str()) != 0) {
        std::fprintf(stderr, "zarvane-feed: cannot remove the stale feed %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::fprintf(stderr, "zarvane-feed: removed %s: the last feed is %s\n", path.c_str(),
                 age ? (std::to_string(hours) + " h old").c_str() : "not current");
    return true;
}

void Report(const FeedBuild& build) {
    for (const std::string& warning : build.warnings) {
        std::fprintf(stderr, "zarvane-feed: skipped %s\n", warning.c_str());
    }
    for (const SourceOutcome& source : build.sources) {
        if (!source.result) {
            std::fprintf(stderr, "zarvane-feed: %s failed: %s\n", source.label.c_str(),
                         source.result.error().c_str());
        }
    }
}

// With --state-dir, the sources' last answers are asked about and kept for the next run.
FeedBuild Build(const FeedOptions& options, std::time_t now) {
    const std::vector<SourceSpec> sources = SourcesOf(options);
    if (options.stateDir.empty()) {
        return BuildFeed(sources, now, options.maxAgeHours);
    }
    SourceMemory memory(true);
    const bool usable = LoadSourceState(options.stateDir, sources, memory);
    FeedBuild build =
        BuildFeed(sources, now, options.maxAgeHours, FetchLimits{}, usable ? &memory : nullptr);
    if (usable) {
        SaveSourceState(options.stateDir, memory);
    }
    return build;
}

} // namespace

int RunBuild(const std::vector<std::string>& args) {
    const feed::FeedOptionsResult parsed = feed::ParseFeedOptions("build", args);
    if (!parsed) {
        std::fprintf(stderr, "zarvane-feed build: %s\n%s", parsed.error().c_str(), feed::kUsage);
        return kExitUsage;
    }
    const FeedOptions& options = *parsed;
    // Never rename over a device, a folder or a link: `--output /dev/null` must stay one.
    if (options.output != kStandardOutput && !TemporaryFile::IsRegularOrAbsent(options.output)) {
        std::fprintf(stderr, "zarvane-feed build: %s exists and is not a regular file\n",
                     options.output.c_str());
        return kExitUsage;
    }
    const std::time_t now = options.now.value_or(std::time(nullptr));
    const FeedBuild build = Build(options, now);
    Report(build);
    if (!build.made) {
        std::fprintf(stderr, "zarvane-feed: no source gave data; no feed written\n");
        KeepOrRemove(options, now);
        return kExitNoFeed;
    }
    if (options.output == kStandardOutput) {
        std::fwrite(build.made->feed.data(), 1, build.made->feed.size(), stdout);
        return std::fflush(stdout) == 0 ? kExitWritten : kExitNoFeed;
    }
    TemporaryFile temporary(options.output);
    if (const auto committed = temporary.Commit(build.made->feed, options.output); !committed) {
        std::fprintf(stderr, "zarvane-feed: %s\n", committed.error().c_str());
        return kExitNoFeed;
    }
    return kExitWritten;
}
