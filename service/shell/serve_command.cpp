// `zarvane-feed serve`: builds the feed at start, every --refresh minutes and on SIGHUP on
// a worker thread, and serves the last good one over HTTP until SIGTERM or SIGINT.
#include "shell/commands.h"

#include "core/serve_options.h"
#include "core/serve_rules.h"
#include "shell/build_feed.h"
#include "shell/serve_http.h"

#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <thread>

namespace feed {
namespace {

// Stopping takes at most this in all: transfers abort within a second, then the requests
// under way may finish.
constexpr auto kStopGrace = std::chrono::seconds(3);

struct Worker {
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool rebuildNow = false;
    std::atomic<bool> abort{false}; // ends the transfers of a rebuild under way
};

std::vector<SourceSpec> SourcesOf(const ServeOptions& options) {
    std::vector<SourceSpec> sources;
    for (const SourceOption& source : options.sources) {
        sources.push_back({source.kind, source.location});
    }
    return sources.empty() ? OfficialSources() : sources;
}

// One line per rebuild: when, whether a feed came out, and each source's outcome.
void LogBuild(const FeedBuild& build, std::time_t now) {
    std::string line = "rebuild " + IsoTime(now) + (build.made ? " ok" : " FAILED") + ":";
    for (const SourceOutcome& source : build.sources) {
        line += " " + source.label +
                (source.result ? "=ok" : "=failed (" + source.result.error() + ")");
    }
    std::fprintf(stderr, "%s\n", LogEscaped(WithoutSecrets(line)).c_str());
}

void Rebuild(FeedStore& store, const std::vector<SourceSpec>& sources, Worker& worker) {
    const std::time_t now = std::time(nullptr);
    FetchLimits limits;
    limits.abort = &worker.abort;
    const FeedBuild build = BuildFeed(sources, now, store.maxAgeHours, limits);
    if (worker.abort) {
        return; // stopping: the sources did not fail, they were cut off
    }
    LogBuild(build, now);
    ReplaceState(store,
                 std::make_shared<const ServeState>(RecordBuild(*CurrentState(store), build, now)));
}

void RunWorker(Worker& worker, FeedStore& store, const ServeOptions& options) {
    const std::vector<SourceSpec> sources = SourcesOf(options);
    std::unique_lock<std::mutex> lock(worker.mutex);
    while (!worker.stopping) {
        worker.rebuildNow = false;
        lock.unlock();
        Rebuild(store, sources, worker);
        lock.lock();
        worker.wake.wait_for(lock, std::chrono::minutes(options.refreshMinutes),
                             [&] { return worker.stopping || worker.rebuildNow; });
    }
}

HttpLimits LimitsOf(const ServeOptions& options) {
    HttpLimits limits;
    limits.maxConnections = DescriptorCap(options.maxConnections);
    limits.maxPerAddress = options.maxPerAddress;
    limits.headTimeout = std::chrono::seconds(options.headTimeoutSeconds);
    limits.idleTimeout = std::chrono::seconds(options.idleTimeoutSeconds);
    limits.threads = std::max(2u, std::thread::hardware_concurrency());
    return limits;
}

// Every thread started after this inherits the blocked signals; only sigwait sees them.
// SIGPIPE is ignored: a client that goes away is the socket's error, not the process's end.
sigset_t BlockSignals() {
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2}) {
        sigaddset(&signals, signal);
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

// Waits for the signals: SIGHUP rebuilds now, SIGUSR1/2 are noted, SIGTERM/SIGINT return.
int WaitForStop(const sigset_t& signals, Worker& worker) {
    while (true) {
        int received = 0;
        sigwait(&signals, &received);
        if (received == SIGTERM || received == SIGINT) {
            return received;
        }
        std::fprintf(stderr, "signal %d: %s\n", received,
                     received == SIGHUP ? "rebuilding now" : "ignored");
        if (received == SIGHUP) {
            std::lock_guard<std::mutex> lock(worker.mutex);
            worker.rebuildNow = true;
            worker.wake.notify_all();
        }
    }
}

} // namespace
} // namespace feed

using namespace feed;

int RunServe(const std::vector<std::string>& args) {
    const ServeOptionsResult parsed = ParseServeOptions(args);
    if (!parsed) {
        std::fprintf(stderr, "zarvane-feed serve: %s\n%s", parsed.error().c_str(), kUsage);
        return 2;
    }
    const ServeOptions& options = *parsed;
    const sigset_t signals = BlockSignals();
    FeedStore store;
    store.maxAgeHours = options.maxAgeHours;
    auto server = StartHttp(options.listen, LimitsOf(options), store);
    if (!server) {
        return 1;
    }
    for (size_t i = 0; i < ListenerCount(*server); ++i) {
        std::fprintf(stderr, "listening on %s\n", BoundAddress(*server, i).c_str());
    }
    Worker worker;
    std::thread builder([&] { RunWorker(worker, store, options); });
    std::fprintf(stderr, "stopping on signal %d\n", WaitForStop(signals, worker));
    {
        std::lock_guard<std::mutex> lock(worker.mutex);
        worker.stopping = true;
        worker.abort = true;
    }
    worker.wake.notify_all();
    StopHttp(*server, kStopGrace);
    builder.join();
    return 0;
}
