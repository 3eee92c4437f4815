#pragma once
// Making the storm feed in memory: fetch every source, read it, apply the rules and write
// the feed. The one entry point that both `zarvane-feed build` and the server use.
//
// Thread-safe: the one global is the process-wide SourceMemory, behind its lock; libcurl
// initialises itself on first use (thread-safe since curl 7.84). Callable from any worker
// thread.
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/make_feed.h"

#include "shell/fetch.h"

struct SourceSpec {
    std::string kind;     // nhc | atcf | jtwc | ibtracs | tcvitals
    std::string location; // http:// or https:// URL, or a local file path
};

// The built-in official set, from the table of sources: NHC CurrentStorms.json, JTWC's
// twenty relay slots (western North Pacific, South Pacific, North Indian Ocean, South
// Indian Ocean), NCEP TCVitals, IBTrACS ACTIVE.
std::vector<SourceSpec> OfficialSources();

// What the last rebuild got from each URL: the server's validators and the reading of
// its answer. The next rebuild asks with them, and a source that answers 304 Not Modified
// keeps that reading. Any thread; one instance may be shared by builds at once.
class SourceMemory {
  public:
    struct Remembered {
        Validators validators;
        ReadResult read;
        std::string body;     // the answer's bytes, when the memory keeps them
        bool answered = true; // in this process; false when loaded from a state folder
    };
    // `keepsBodies`: for a build that writes its memory out (--state-dir).
    explicit SourceMemory(bool keepsBodies = false) : keepsBodies_(keepsBodies) {}
    bool KeepsBodies() const { return keepsBodies_; }
    // The last answer from `location` when it came with validators to ask about it.
    [[nodiscard]] std::optional<Remembered> Recall(const std::string& location) const;
    void Keep(const std::string& location, Remembered remembered);
    // The full answers this process got, by location.
    std::map<std::string, Remembered> Answered() const;

  private:
    const bool keepsBodies_;
    mutable std::mutex mutex_;
    std::map<std::string, Remembered> byLocation_;
};

// Fetches and reads every source (FeedBuild::sources: one per SourceSpec, in its order),
// then keeps the storms active at `now` (UTC) whose latest fix is at most `maxAgeHours`
// old. Failed sources are named in the status line.
// Sources are fetched at once, each on a thread of its own, within FetchLimits{}. The first
// form remembers answers process-wide (every 15 minutes the server asks only for changes);
// the second remembers nothing; the third remembers in `memory`.
FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours);
FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours,
                    const FetchLimits& limits);
FeedBuild BuildFeed(const std::vector<SourceSpec>& sources, std::time_t now, int maxAgeHours,
                    const FetchLimits& limits, SourceMemory* memory);
