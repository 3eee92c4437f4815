// `zarvane-feed serve`: builds the feed at start and every --refresh minutes on a worker
// thread, and serves the last good one over HTTP until SIGTERM or SIGINT.
#include "shell/commands.h"

#include "core/serve_options.h"
#include "core/serve_rules.h"
#include "shell/build_feed.h"
#include "shell/serve_http.h"

#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <thread>

namespace feed {
namespace {

constexpr int kStopGraceSeconds = 5; // requests under way may finish within this

struct Worker {
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
};

std::vector<SourceSpec> SourcesOf(const ServeOptions& options) {
    if (options.sources.empty()) {
        return OfficialSources();
    }
    std::vector<SourceSpec> sources;
    for (const std::string& text : options.sources) {
        const size_t equals = text.find('=');
        sources.push_back({text.substr(0, equals), text.substr(equals + 1)});
    }
    return sources;
}

// One line per rebuild: when, whether a feed came out, and each source's outcome.
void LogBuild(const FeedBuild& build, std::time_t now) {
    std::string line = "rebuild " + IsoTime(now) + (build.ok ? " ok" : " FAILED") + ":";
    for (const SourceOutcome& source : build.sources) {
        line += " " + source.label + (source.ok ? "=ok" : "=failed (" + source.error + ")");
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

void Rebuild(FeedStore& store, const std::vector<SourceSpec>& sources) {
    const std::time_t now = std::time(nullptr);
    const FeedBuild build = BuildFeed(sources, now, store.maxAgeHours);
    LogBuild(build, now);
    std::vector<SourceResult> results;
    for (const SourceOutcome& source : build.sources) {
        results.push_back({source.label, source.ok, source.error});
    }
    ReplaceState(store, std::make_shared<const ServeState>(
                            RecordBuild(*CurrentState(store), build.ok, build.feed, results, now)));
}

void RunWorker(Worker& worker, FeedStore& store, const ServeOptions& options) {
    const std::vector<SourceSpec> sources = SourcesOf(options);
    std::unique_lock<std::mutex> lock(worker.mutex);
    while (!worker.stopping) {
        lock.unlock();
        Rebuild(store, sources);
        lock.lock();
        worker.wake.wait_for(lock, std::chrono::minutes(options.refreshMinutes),
                             [&] { return worker.stopping; });
    }
}

HttpLimits LimitsOf(const ServeOptions& options) {
    HttpLimits limits;
    limits.maxConnections = options.maxConnections;
    limits.maxPerAddress = options.maxPerAddress;
    limits.idleTimeoutSeconds = options.idleTimeoutSeconds;
    limits.threads = std::max(2u, std::thread::hardware_concurrency());
    return limits;
}

// Every thread started after this inherits the blocked signals; only sigwait sees them.
sigset_t BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

} // namespace
} // namespace feed

using namespace feed;

int RunServe(const std::vector<std::string>& args) {
    const ServeOptionsResult parsed = ParseServeOptions(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "%s\n%s", parsed.error.c_str(), kServeUsage);
        return 2;
    }
    const ServeOptions& options = parsed.options;
    const sigset_t signals = BlockStopSignals();
    FeedStore store;
    store.maxAgeHours = options.maxAgeHours;
    auto server = StartHttp(options.address, options.port, LimitsOf(options), store);
    if (!server) {
        return 1;
    }
    std::fprintf(stderr, "listening on %s:%d\n", options.address.c_str(), BoundPort(*server));
    Worker worker;
    std::thread builder([&] { RunWorker(worker, store, options); });
    int received = 0;
    sigwait(&signals, &received);
    std::fprintf(stderr, "stopping on signal %d\n", received);
    {
        std::lock_guard<std::mutex> lock(worker.mutex);
        worker.stopping = true;
    }
    worker.wake.notify_all();
    StopHttp(*server, kStopGraceSeconds);
    builder.join();
    return 0;
}
