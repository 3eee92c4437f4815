// The shell over loopback HTTP and on local files: what each kind of reply makes of a
// source, the status line and messages, and the build command's files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/utc_time.h"
#include "loopback_server.h"
#include "shell/build_feed.h"
#include "shell/commands.h"

namespace {

const std::string kNhcBody =
    R"({"activeStorms":[{"id":"al052031","binNumber":"AT2","name":"QUILLON","classification":"HU",)"
    R"("intensity":"85","latitudeNumeric":25.5,"longitudeNumeric":-60.26,)"
    R"("lastUpdate":"2031-09-10T21:00:00.000Z"}]})";

TEST(Shell, SourcesOverLoopbackHttp) {
    LoopbackServer server(
        {{"/nhc.json", {200, kNhcBody, false}},
         {"/error.html", {200, "<!DOCTYPE html><p>Service unavailable</p>", false}},
         {"/stall", {200, "", true}},
         {"/big", {200, std::string(size_t{300} * 1024, 'x'), false}}});
    const struct {
        const char* kind;
        const char* path;
        const char* error; // what follows "URL: ", or "" for a good source
    } cases[] = {
        {"nhc", "/nhc.json", ""},
        {"jtwc", "/error.html", "an HTML page, not data"},
        {"tcvitals", "/stall", "timed out"},
        {"ibtracs", "/missing", "HTTP 404"},
        {"atcf", "/big", "larger than 102400 bytes"},
    };
    std::vector<SourceSpec> sources;
    for (const auto& c : cases) {
        sources.push_back({c.kind, server.Url(c.path)});
    }
    const FetchLimits limits{2, 3, size_t{100} * 1024};
    const FeedBuild build = BuildFeed(sources, *ParseIsoMinute("2031-09-10T22:00Z"), 12, limits);
    ASSERT_EQ(build.sources.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].path);
        const auto& result = build.sources[i].result;
        const std::string error =
            *cases[i].error ? server.Url(cases[i].path) + ": " + cases[i].error : "";
        EXPECT_EQ(result ? "" : result.error(), error);
    }
    ASSERT_TRUE(build.made);
    EXPECT_EQ(build.made->feed,
              "Active tropical cyclones at 2031-09-10 22:00 UTC: 1 (no data from JTWC, "
              "TCVitals, IBTrACS, ATCF)\n-Atlantic\nQuillon,25.5,60.3,85\n");
    for (const std::string& agent : server.UserAgents()) {
        EXPECT_EQ(agent, "zarvane-feed/" ZARVANE_FEED_VERSION);
    }
    const FeedBuild none = BuildFeed({sources[1], sources[3]}, 0, 12, limits);
    EXPECT_FALSE(none.made);
}

// A rebuild asks with the last answer's validators; a 304 keeps the last reading, and a
// source that changed is read again.
TEST(Shell, ConditionalRequestsKeepTheLastReading) {
    LoopbackServer server({{"/nhc.json", {200, kNhcBody, false}}});
    server.SetEtag("/nhc.json", "\"v1\"");
    SourceMemory memory;
    const std::vector<SourceSpec> sources{{"nhc", server.Url("/nhc.json")}};
    const std::time_t now = *ParseIsoMinute("2031-09-10T22:00Z");
    const FeedBuild first = BuildFeed(sources, now, 12, FetchLimits{}, &memory);
    const FeedBuild second = BuildFeed(sources, now, 12, FetchLimits{}, &memory);
    EXPECT_EQ(server.NotModifiedCount(), 1);
    ASSERT_TRUE(first.made && second.made);
    EXPECT_EQ(second.made->feed, first.made->feed);
    EXPECT_NE(second.made->feed.find("Quillon"), std::string::npos) << second.made->feed;
    server.SetEtag("/nhc.json", "\"v2\""); // a new version: the server answers in full
    EXPECT_NE(BuildFeed(sources, now, 12, FetchLimits{}, &memory).made->feed.find("Quillon"),
              std::string::npos);
    EXPECT_EQ(server.NotModifiedCount(), 1);
}

TEST(Shell, OfficialSourcesAreKnownKindsOverHttps) {
    std::set<std::string> jtwcSlots;
    for (const SourceSpec& source : OfficialSources()) {
        EXPECT_EQ(source.location.rfind("https://", 0), 0u) << source.location;
        EXPECT_TRUE(source.kind == "nhc" || source.kind == "nhc-rss" || source.kind == "jtwc" ||
                    source.kind == "tcvitals" || source.kind == "ibtracs")
            << source.kind;
        if (source.kind == "jtwc") {
            jtwcSlots.insert(source.location);
        }
    }
    // JTWC's four relay families of five slots, the South Pacific's among them.
    EXPECT_EQ(jtwcSlots.size(), 20u);
    for (const char* slot : {"wtpn31", "wtpn35", "wtps31", "wtps35", "wtio35", "wtxs35"}) {
        EXPECT_EQ(jtwcSlots.count("https://tgftp.nws.noaa.gov/data/raw/wt/" + std::string(slot) +
                                  ".pgtw..txt"),
                  1u)
            << slot;
    }
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(Shell, BuildWritesAtomicallyAndNeverTurnsNoDataIntoNoStorms) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("zarvane-feed-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string source = (folder / "CurrentStorms.json").string();
    const std::string output = (folder / "ssaver.dat").string();
    std::ofstream(source) << kNhcBody;
    const std::string good = "nhc=" + source, missing = "nhc=" + (folder / "none.json").string();
    const struct {
        std::vector<std::string> args;
        int exit;
        bool feedAfter; // the output file exists afterwards
    } steps[] = {
        {{"--source", good, "--now", "2031-09-10T22:00Z", "--output", output}, 0, true},
        {{"--source", missing, "--now", "2031-09-11T09:00Z", "--output", output}, 1, true},
        {{"--source", missing, "--now", "2031-09-11T10:01Z", "--output", output}, 1, false},
        {{"--source", missing, "--output", output}, 1, false},
        {{"--source", "nhc"}, 2, false},
        {{"--source", "nhc=", "--output", output}, 2, false},
        {{"--source", "noaa=" + source, "--output", output}, 2, false},
        {{"--now", "2031-09-10 22:00"}, 2, false},
        {{"--max-age", "0"}, 2, false},
        {{"--output"}, 2, false},
        {{"--colour", "blue"}, 2, false},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(RunBuild(step.args), step.exit) << step.args.at(1);
        EXPECT_EQ(std::filesystem::exists(output), step.feedAfter) << step.args.at(1);
        if (step.exit == 0) {
            EXPECT_EQ(
                ReadAll(output).rfind("Active tropical cyclones at 2031-09-10 22:00 UTC: 1\n", 0),
                0u);
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1); // no temporaries
    std::filesystem::remove_all(folder);
}

// build --state-dir: a run asks with the validators the last one kept (If-None-Match and
// If-Modified-Since, both of which the test server needs for its 304) and writes the same
// feed from the kept bytes; a changed source comes whole and is kept; a garbled state file
// and a missing folder are reported, and the build goes on asking in full.
TEST(Shell, BuildKeepsTheSourcesLastAnswersInItsStateFolder) {
    LoopbackServer server({{"/nhc.json", {200, kNhcBody, false}}});
    server.SetEtag("/nhc.json", "\"v1\"");
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("zarvane-feed-state-" + std::to_string(::getpid()));
    const std::filesystem::path state = folder / "state", output = folder / "ssaver.dat";
    std::filesystem::create_directories(state);
    const struct {
        std::string etag; // the server's version
        bool garbled;     // the state files garbled before the run
        std::string stateDir;
        int notModified; // 304s so far
        const char* reported;
    } steps[] = {
        {"\"v1\"", false, state, 0, ""},
        {"\"v1\"", false, state, 1, ""},
        {"\"v2\"", false, state, 1, ""},
        {"\"v2\"", false, state, 2, ""},
        {"\"v2\"", true, state, 2, "ignored"},
        {"\"v2\"", false, state, 3, ""},
        {"\"v2\"", false, folder / "none", 3, "state folder"},
    };
    for (const auto& step : steps) {
        server.SetEtag("/nhc.json", step.etag);
        for (const auto& file : std::filesystem::directory_iterator(state)) {
            if (step.garbled) {
                std::ofstream(file.path()) << "zarvane-feed source state 1\nlocation http://x\n";
            }
        }
        testing::internal::CaptureStderr();
        const int exit =
            RunBuild({"--source", "nhc=" + server.Url("/nhc.json"), "--now", "2031-09-10T22:00Z",
                      "--output", output.string(), "--state-dir", step.stateDir});
        const std::string reported = testing::internal::GetCapturedStderr();
        EXPECT_EQ(exit, 0) << reported;
        EXPECT_EQ(server.NotModifiedCount(), step.notModified) << step.etag;
        EXPECT_NE(reported.find(step.reported), std::string::npos) << reported;
        EXPECT_NE(ReadAll(output).find("Quillon"), std::string::npos);
    }
    std::filesystem::remove_all(folder);
}

// --output replaces a regular file or makes a new one, readable by the web server whatever
// the umask; anything else there is left as it is (exit 2). A feed dated well ahead of the
// clock is not kept as fresh, and a FIFO as a source fails at once instead of blocking.
TEST(Shell, BuildOutputIsARegularFileOrNothing) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("zarvane-feed-output-" + std::to_string(::getpid()));
    fs::create_directories(folder / "a-folder");
    const std::string source = (folder / "CurrentStorms.json").string();
    std::ofstream(source) << kNhcBody;
    ASSERT_EQ(::mkfifo((folder / "a-fifo").c_str(), 0600), 0);
    fs::create_symlink(folder / "elsewhere", folder / "a-link");
    const mode_t umask = ::umask(077);
    for (const char* target : {"a-folder", "a-fifo", "a-link"}) {
        const auto before = fs::symlink_status(folder / target).type();
        EXPECT_EQ(RunBuild({"--source", "nhc=" + source, "--now", "2031-09-10T22:00Z", "--output",
                            (folder / target).string()}),
                  2)
            << target;
        EXPECT_EQ(fs::symlink_status(folder / target).type(), before) << target;
    }
    const std::string output = (folder / "ssaver.dat").string();
    EXPECT_EQ(
        RunBuild({"--source", "nhc=" + source, "--now", "2031-09-10T22:00Z", "--output", output}),
        0);
    ::umask(umask);
    EXPECT_EQ(fs::status(output).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                    fs::perms::group_read | fs::perms::others_read);
    std::ofstream(output) << "Active tropical cyclones at 2031-09-11 00:00 UTC: 0\n";
    const FeedBuild fifo = BuildFeed({{"nhc", (folder / "a-fifo").string()}}, 0, 12);
    EXPECT_EQ(fifo.sources.at(0).result.error(),
              (folder / "a-fifo").string() + ": not a regular file");
    EXPECT_EQ(RunBuild({"--source", "nhc=" + (folder / "a-fifo").string(), "--now",
                        "2031-09-10T22:00Z", "--output", output}),
              1);
    EXPECT_FALSE(fs::exists(output)) << "a feed dated two hours ahead was kept";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 4); // no temporaries
    fs::remove_all(folder);
}

// `zarvane-feed serve` as a process, its standard error in a file.
struct ServeProcess {
    explicit ServeProcess(const std::string& source) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const char* argv[] = {ZARVANE_FEED_PROGRAM, "serve",        "--listen", "127.0.0.1:0",
                              "--source",           source.c_str(), nullptr};
        posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ServeProcess() {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::filesystem::remove(log);
    }
    // Waits (at most 20 s, a bound that catches a hang) until the log holds `count` lines
    // containing `text`.
    bool LogShows(const std::string& text, size_t count = 1) const {
        for (int i = 0; i < 200; ++i) {
            const std::string all = ReadAll(log);
            size_t found = 0;
            for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
                ++found;
            }
            if (found >= count) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    bool Running() const { return waitpid(pid, nullptr, WNOHANG) == 0; }
    const std::string log = std::filesystem::temp_directory_path() /
                            ("zarvane-serve-" + std::to_string(::getpid()) + ".log");
    pid_t pid = -1;
};

// SIGHUP rebuilds at once; SIGPIPE and SIGUSR1 do not end the server; SIGTERM during a
// rebuild stalled on a source ends it with 0 within 5 s (its transfers aborted).
TEST(Shell, ServeSignals) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zarvane-signals-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "nhc.json") << kNhcBody;
    {
        ServeProcess serve("nhc=" + (folder / "nhc.json").string());
        ASSERT_TRUE(serve.LogShows("rebuild "));
        for (const int signal : {SIGHUP, SIGPIPE, SIGUSR1}) {
            ::kill(serve.pid, signal);
        }
        EXPECT_TRUE(serve.LogShows("rebuild ", 2)) << ReadAll(serve.log);
        EXPECT_TRUE(serve.Running());
        ::kill(serve.pid, SIGTERM);
        int status = -1;
        waitpid(serve.pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    LoopbackServer stalled({{"/stall", {200, "", true}}});
    ServeProcess serve("nhc=" + stalled.Url("/stall"));
    ASSERT_TRUE(serve.LogShows("listening on "));
    for (int i = 0; i < 200 && stalled.UserAgents().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(stalled.UserAgents().empty()) << "the rebuild never asked for the source";
    const auto start = std::chrono::steady_clock::now();
    ::kill(serve.pid, SIGTERM);
    int status = -1;
    while (waitpid(serve.pid, &status, WNOHANG) == 0 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::filesystem::remove_all(folder);
}

} // namespace
