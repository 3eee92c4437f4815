// The feed thread seen from outside: the request that a real HTTP server on loopback
// receives, the proxy it goes through, the status line on the banner, and how the saver
// fares with servers that fail in every way listed below. The panel shows the outcome
// of each fetch: "Contacting" while it runs, "Unable to Reach" when it failed, the list
// once the feed was read.
#include "feed_screen.h"
#include "harness.h"
#include "http_server.h"
#include "storms/feed_thread.h"
#include "storms/storm_table.h"

#include <wininet.h>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>

using namespace e2e;

namespace {

constexpr char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

constexpr char kSampleStatus[] = "Storm feed for the tests, issued 06:00 UTC";
// 35 knots: 40 mph (a worked value of the wind conversion).
constexpr char kSampleFeed[] = "Storm feed for the tests, issued 06:00 UTC\n"
                               "-North Atlantic\n"
                               "Alpha,25.0,75.0,35\n";

std::string RequestLine(const std::string& head) {
    return head.substr(0, head.find("\r\n"));
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The value of a header line of a request head, "<absent>" when there is none.
std::string Header(const std::string& head, const std::string& name) {
    const std::string lowered = Lowered(head);
    const size_t start = lowered.find("\r\n" + Lowered(name) + ":");
    if (start == std::string::npos) {
        return "<absent>";
    }
    size_t value = start + 2 + name.size() + 1;
    while (value < head.size() && head[value] == ' ') {
        ++value;
    }
    return head.substr(value, head.find("\r\n", value) - value);
}

bool WaitForRequests(const TestHttpServer& server, int count) {
    return WaitUntil([&] { return server.RequestCount() >= count; }, kFeedTimeoutMs);
}

} // namespace

TEST(FeedRequest, OneGetPerRunWithTheFeedPathVersionAndAgent) {
    // A reply that a cache may keep for an hour: only a fresh request reaches the server.
    TestHttpServer server({200, kSampleFeed, ReplyManner::Prompt, 0,
                           "Cache-Control: public, max-age=3600\r\n"
                           "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n"});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText(), false);
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        RestMouseOverGlobe();
        SaverProcess saver("/s");
        ASSERT_NE(WaitForSaverWindow(saver), nullptr);
        ASSERT_TRUE(WaitForRequests(server, run));
        Pause(kSettleMs);                      // time for a second request that must not come
        ASSERT_EQ(server.RequestCount(), run); // each run asks anew: nothing is cached
        const std::string head = server.Requests().back();
        EXPECT_EQ(RequestLine(head), "GET /RirozIrid/ssaver.dat HTTP/1.0");
        EXPECT_EQ(Header(head, "User-Agent"), "ZRVSAVER");
        ExpectEndsOnAKey(saver);
    }
    // Nor is the feed copied into the user's browser cache, though the reply allows it.
    const std::string url = "http://" + server.HostText() + "/RirozIrid/ssaver.dat";
    DWORD size = 0;
    EXPECT_FALSE(::GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << url;
}

TEST(FeedRequest, PathInTheAlternateHostComesBeforeTheFeedPath) {
    TestHttpServer server({200, kSampleFeed});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText() + "/mirror/storms", false);
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    ASSERT_TRUE(WaitForRequests(server, 1));
    EXPECT_EQ(RequestLine(server.Requests()[0]),
              "GET /mirror/storms/RirozIrid/ssaver.dat HTTP/1.0");
    ExpectEndsOnAKey(saver);
}

// With "Alternate" off the feed comes from the maker's data server. The test server stands
// in as the named proxy, so the absolute URL it is asked for names that server and no name
// has to resolve.
TEST(FeedRequest, BuiltInServerWithoutAlternate) {
    TestHttpServer proxy({200, kSampleFeed});
    ProfileSection profile;
    UseFeedHost(profile, "", false);
    profile.Set("Alternate", 0);
    profile.Set("UseProxy", 1);
    profile.Set("ProxyName", proxy.HostText().c_str());
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    ASSERT_TRUE(WaitForRequests(proxy, 1));
    // An absolute URL, which may name the default port (Wine's WinINet does).
    const std::string line = RequestLine(proxy.Requests()[0]);
    EXPECT_TRUE(line == "GET http://data.quillmere.com/RirozIrid/ssaver.dat HTTP/1.0" ||
                line == "GET http://data.quillmere.com:80/RirozIrid/ssaver.dat HTTP/1.0")
        << line;
    EXPECT_EQ(Header(proxy.Requests()[0], "Host"), "data.quillmere.com");
    EXPECT_EQ(WaitForBanner(CurrentGeometry(false), kSampleStatus, kFeedTimeoutMs), 0);
    ExpectEndsOnAKey(saver);
}

TEST(FeedRequest, NothingIsFetchedWithInternetOff) {
    TestHttpServer server({200, kSampleFeed});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText(), true);
    profile.Set("Internet", 0);
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    Pause(2 * kSettleMs);
    EXPECT_EQ(server.RequestCount(), 0);
    EXPECT_EQ(WaitForBanner(CurrentGeometry(true), "", kStartTimeoutMs), 0);
    ExpectEndsOnAKey(saver);
}

// --- The three kinds of connection, against a real proxy -------------------------------

struct ConnectionCase {
    const char* name;
    int useProxy;
    int direct;
    bool systemProxy; // the system's Internet settings name the proxy too
    bool throughProxy;
    bool proxyNamed = true; // "ProxyName" names the proxy; else it is empty
};

void PrintTo(const ConnectionCase& c, std::ostream* out) {
    *out << c.name;
}

class FeedConnection : public ::testing::TestWithParam<ConnectionCase> {};

TEST_P(FeedConnection, ReachesTheServerTheChosenWay) {
    const ConnectionCase& c = GetParam();
    TestProxy proxy;
    if (!proxy.Started()) {
        GTEST_SKIP() << "needs Wine and Debian's /usr/bin/tinyproxy";
    }
    TestHttpServer server({200, kSampleFeed});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText(), false);
    profile.Set("UseProxy", c.useProxy);
    profile.Set("Direct", c.direct);
    profile.Set("ProxyName", c.proxyNamed ? proxy.HostText().c_str() : "");
    RegistryValue enable(kInternetSettingsKey, "ProxyEnable", c.systemProxy ? 1 : 0);
    RegistryText proxyServer(kInternetSettingsKey, "ProxyServer", proxy.HostText().c_str());
    ::SetEnvironmentVariableA("http_proxy", nullptr); // the registry alone is the system's

    RestMouseOverGlobe();
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    ASSERT_TRUE(WaitForRequests(server, 1));
    EXPECT_EQ(WaitForBanner(CurrentGeometry(false), kSampleStatus, kFeedTimeoutMs), 0);
    EXPECT_EQ(server.RequestCount(), 1);
    const std::string head = server.Requests()[0];
    EXPECT_EQ(RequestLine(head), "GET /RirozIrid/ssaver.dat HTTP/1.0");
    EXPECT_EQ(Header(head, "User-Agent"), "ZRVSAVER");
    EXPECT_EQ(Header(head, "Via").find("tinyproxy") != std::string::npos, c.throughProxy)
        << "Via: " << Header(head, "Via");
    ExpectEndsOnAKey(saver);
}

const ConnectionCase kConnectionCases[] = {
    {"NamedProxy", 1, 0, false, true},
    {"NamedProxyWinsOverDirect", 1, 1, false, true},
    {"Direct", 0, 1, false, false},
    {"DirectIgnoresTheSystemProxy", 0, 1, true, false},
    {"SystemSettingsWithoutProxy", 0, 0, false, false},
    {"SystemSettingsWithProxy", 0, 0, true, true},
    // WinINet takes no empty proxy name: the system's settings stand in for it.
    {"ProxyWithoutANameTakesTheSystemProxy", 1, 1, true, true, false},
    {"ProxyWithoutANameTakesTheSystemsDirectWay", 1, 0, false, false, false},
};

INSTANTIATE_TEST_SUITE_P(Kinds, FeedConnection, ::testing::ValuesIn(kConnectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The status line ---------------------------------------------------------------------

TEST(ScreenSizeStatusLine, EmptyWhileTheFeedIsOnItsWay) {
    TestHttpServer server({200, kSampleFeed, ReplyManner::Never});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText(), false);
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    ASSERT_TRUE(WaitForRequests(server, 1));
    Pause(kSettleMs); // the state to see is the waiting one: give it time to change
    EXPECT_EQ(WaitForBanner(CurrentGeometry(false), "", kFeedTimeoutMs), 0);
    ExpectEndsOnAKey(saver);
}

TEST(ScreenSizeStatusLine, FirstLineInRedOnceTheFeedHasArrived) {
    // CR LF line ends: the CR is no part of the line.
    TestHttpServer server(
        {200, "Status line: 2 storms, CR LF feed\r\n-Pacific\r\nBeta,1,2,50\r\n"});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText(), false);
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    EXPECT_EQ(
        WaitForBanner(CurrentGeometry(false), "Status line: 2 storms, CR LF feed", kFeedTimeoutMs),
        0);
    ExpectEndsOnAKey(saver);
}

// --- Faults --------------------------------------------------------------------------------

enum class Peer { Server, NothingListening, UnresolvableHost, EmptyHostText };

struct FaultCase {
    const char* name;
    Peer peer;
    HttpReply reply;
    std::string status;  // the status line to show
    ExpectedPanel panel; // the panel to show
};

std::string HtmlPage(const std::string& title) {
    // Its lines have four commas and more: read as a feed, they would list storms.
    return "<html><head><title>" + title + "</title></head>\n<body>\n<p>" + title +
           ",1,2,3,4</p>\nGamma,10,20,30\n</body></html>\n";
}

// A feed of the given size: a status line and then storms, well past the 20 kept.
std::string FeedOfSize(size_t size) {
    std::string body = "Oversized feed\n-Group\n";
    while (body.size() < size) {
        body += "Storm,10.0,20.0,35\n";
    }
    body.resize(size);
    return body;
}

// A feed of `size` bytes with an empty status line whose storms fill the table.
std::string FullTableOfSize(size_t size) {
    std::string body = "\n-Group\n";
    while (body.size() < size) {
        body += "Storm,10.0,20.0,35\n";
    }
    body.resize(size);
    return body;
}

std::string RepeatedText(size_t size) {
    const std::string pattern = "Long status line without end ";
    std::string text;
    while (text.size() < size) {
        text += pattern;
    }
    text.resize(size);
    return text;
}

// Bytes of every value but the comma (so that no line can be a storm), from a fixed seed.
std::string BinaryGarbage(size_t size) {
    std::mt19937 random(20240607);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        do {
            byte = static_cast<char>(random() & 0xFF);
        } while (byte == ',');
    }
    return bytes;
}

// The status line of a body by the feed's rules: the text before the first LF, CRs
// dropped, ending at a zero byte, at most 255 characters.
std::string StatusOf(const std::string& body) {
    std::string line;
    for (char c : body.substr(0, body.find('\n'))) {
        if (c == '\0') {
            break;
        }
        if (c != '\r') {
            line += c;
        }
    }
    return line.substr(0, 255);
}

const ExpectedPanel kUnreachable = {FeedState::Unreachable, {}};
const ExpectedPanel kNoStorms = {FeedState::Loaded, {}};
// FullTableOfSize's panel: the table's twenty storms, all under "Group".
const ExpectedPanel kFullTable = {
    FeedState::Loaded,
    std::vector<PanelLine>(kStormCapacity, {"Group", "Storm, Max Winds: 40 mph"})};

const std::string kOverlongStormLine = "Long storm line ahead\n-Group\nHuge" +
                                       std::string(100 * 1024, 'x') + ",10,20,35\nAfter,10,20,35\n";
const std::string kGarbage = BinaryGarbage(64 * 1024);
const std::string kDrippedFeed = "Dripped feed\n-Drip\nDrop,10,20,35\n";
const FaultCase kFaultCases[] = {
    {"NothingListens", Peer::NothingListening, {}, "", kUnreachable},
    {"HostDoesNotResolve", Peer::UnresolvableHost, {}, "", kUnreachable},
    {"EmptyHostText", Peer::EmptyHostText, {}, "", kUnreachable},
    {"NotFoundPage", Peer::Server, {404, HtmlPage("404 Not Found")}, "", kUnreachable},
    {"ServerErrorPage", Peer::Server, {500, HtmlPage("500 Internal Error")}, "", kUnreachable},
    {"EmptyBody", Peer::Server, {200, ""}, "", kNoStorms},
    {"ClosesWithoutAWord",
     Peer::Server,
     {200, kSampleFeed, ReplyManner::CloseAtOnce},
     "",
     kUnreachable},
    {"NeverAnswers", Peer::Server, {200, kSampleFeed, ReplyManner::Never}, "", {}},
    {"DripsOneByteEvery100Ms",
     Peer::Server,
     {200, kDrippedFeed, ReplyManner::Drip, 100},
     "Dripped feed",
     {FeedState::Loaded, {{"Drip", "Drop, Max Winds: 40 mph"}}}},
    // Broken off after 8 KiB: the status line and storms have been read by then, and the
    // status line stays. WinINet ends a body cut short by a clean close without an error.
    {"ResetMidBody",
     Peer::Server,
     {200, FeedOfSize(16 * 1024), ReplyManner::ResetMidBody},
     "Oversized feed",
     kUnreachable},
    {"ClosesMidBody",
     Peer::Server,
     {200, FeedOfSize(16 * 1024), ReplyManner::CloseMidBody},
     "Oversized feed",
     kUnreachable},
    {"NoContentLength",
     Peer::Server,
     {200, kSampleFeed, ReplyManner::NoLength},
     kSampleStatus,
     {FeedState::Loaded, {{"North Atlantic", "Alpha, Max Winds: 40 mph"}}}},
    {"TwoMebibyteBody", Peer::Server, {200, FeedOfSize(2 << 20)}, "Oversized feed", kUnreachable},
    // The bound is 1 MiB exactly. The status line is empty, so that the two cases differ
    // only in the bound.
    {"BodyOfExactlyOneMebibyte", Peer::Server, {200, FullTableOfSize(1 << 20)}, "", kFullTable},
    {"BodyOneByteOverOneMebibyte",
     Peer::Server,
     {200, FullTableOfSize((1 << 20) + 1)},
     "",
     kUnreachable},
    {"NoContentReply", Peer::Server, {204, ""}, "", kNoStorms},
    // A 301 without a Location header: WinINet cannot follow it, so it is the final reply.
    {"FinalMovedPermanently", Peer::Server, {301, HtmlPage("301 Moved")}, "", kUnreachable},
    {"SingleLineOf100KiB",
     Peer::Server,
     {200, RepeatedText(100 * 1024)},
     RepeatedText(100 * 1024).substr(0, 255),
     kNoStorms},
    {"StormLineOf100KiB",
     Peer::Server,
     {200, kOverlongStormLine},
     "Long storm line ahead",
     {FeedState::Loaded, {{"Group", "After, Max Winds: 40 mph"}}}},
    {"BinaryGarbage", Peer::Server, {200, kGarbage}, StatusOf(kGarbage), kNoStorms},
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.name;
}

class FeedFault : public ::testing::TestWithParam<FaultCase> {};

// Each case ends with the status line and the panel the case gives, the saver still
// serving its messages, and a prompt end on a key press.
TEST_P(FeedFault, EndsWithItsStatusAndPanelAndTheSaverCarriesOn) {
    const FaultCase& c = GetParam();
    TestHttpServer server(c.reply);
    std::string host = server.HostText();
    if (c.peer == Peer::NothingListening) {
        host = "127.0.0.1:" + std::to_string(FreeLoopbackPort());
    } else if (c.peer == Peer::UnresolvableHost) {
        host = "nonexistent.invalid"; // the .invalid domain never resolves
    } else if (c.peer == Peer::EmptyHostText) {
        host = "";
    }
    ProfileSection profile;
    UseFeedHost(profile, host, true);
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    HWND window = WaitForSaverWindow(saver);
    ASSERT_NE(window, nullptr);
    if (c.peer == Peer::Server) {
        ASSERT_TRUE(WaitForRequests(server, 1));
    }
    if (c.panel.state == FeedState::Contacting) {
        Pause(kSettleMs); // the state to see is the waiting one: give it time to change
    }
    const ScreenGeometry g = CurrentGeometry(true);
    EXPECT_EQ(WaitForPanel(g, c.panel, kFeedTimeoutMs), 0);
    EXPECT_EQ(WaitForBanner(g, c.status, kFeedTimeoutMs), 0);
    EXPECT_EQ(server.RequestCount(), c.peer == Peer::Server ? 1 : 0);
    EXPECT_TRUE(Answers(window));
    EXPECT_TRUE(Answers(WaitForChild(window, "ZRVSAVER")));
    ExpectEndsOnAKey(saver);
}

INSTANTIATE_TEST_SUITE_P(Matrix, FeedFault, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Ending the saver while the thread still waits -------------------------------------

namespace e2e {
void PrintTo(ReplyManner manner, std::ostream* out) {
    *out << (manner == ReplyManner::Never ? "never answers" : "drips");
}
} // namespace e2e

// Every thread of a process, opened when made: their exit codes stay readable after the
// process has ended.
class ProcessThreads {
  public:
    explicit ProcessThreads(DWORD processId) {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Thread32First(snapshot, &entry); more;
             more = ::Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID == processId) {
                threads_.push_back(
                    ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
            }
        }
        ::CloseHandle(snapshot);
    }
    ~ProcessThreads() {
        for (HANDLE thread : threads_) {
            ::CloseHandle(thread);
        }
    }
    int CountEndedWith(DWORD exitCode) const {
        return static_cast<int>(std::count_if(threads_.begin(), threads_.end(), [&](HANDLE t) {
            DWORD code = STILL_ACTIVE;
            return ::GetExitCodeThread(t, &code) && code == exitCode;
        }));
    }

  private:
    std::vector<HANDLE> threads_;
};

class FeedShutdown : public ::testing::TestWithParam<ReplyManner> {};

// The feed thread ends by its own path, which leaves its own exit code; killed, it would
// leave 0, as every thread still running when the process ends does.
TEST_P(FeedShutdown, EndsPromptlyWhileTheFeedThreadWaits) {
    // A long body: the dripping server is still sending when the key is pressed.
    TestHttpServer server({200, FeedOfSize(4096), GetParam(), 100});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText(), true);
    RestMouseOverGlobe();
    SaverProcess saver("/s");
    ASSERT_NE(WaitForSaverWindow(saver), nullptr);
    ASSERT_TRUE(WaitForRequests(server, 1));
    Pause(kSettleMs);
    ASSERT_EQ(WaitForPanel(CurrentGeometry(true), {}, kFeedTimeoutMs), 0)
        << "the fetch should still run";
    const ProcessThreads threads(saver.Id());
    ExpectEndsOnAKey(saver);
    EXPECT_EQ(threads.CountEndedWith(kFeedThreadOwnEnd), 1);
}

INSTANTIATE_TEST_SUITE_P(Manners, FeedShutdown,
                         ::testing::Values(ReplyManner::Never, ReplyManner::Drip),
                         [](const auto& info) {
                             return std::string(info.param == ReplyManner::Never ? "ServerSilent"
                                                                                 : "BodyDripping");
                         });

// The thread is killed wherever it happens to be: in a read, in the parser, between the
// two. No moment of a fetch may keep the saver from ending.
TEST(FeedShutdownAnyMoment, EndsPromptlyWhereverTheFetchStands) {
    constexpr int kRuns = 12;
    TestHttpServer server({200, FeedOfSize(1 << 20)});
    ProfileSection profile;
    UseFeedHost(profile, server.HostText(), true);
    std::mt19937 random(7);
    for (int run = 1; run <= kRuns; ++run) {
        const DWORD delayMs = random() % 120;
        SCOPED_TRACE("run " + std::to_string(run) + ", key " + std::to_string(delayMs) +
                     " ms after the request");
        RestMouseOverGlobe();
        SaverProcess saver("/s");
        ASSERT_NE(WaitForSaverWindow(saver), nullptr);
        ASSERT_TRUE(WaitForRequests(server, run));
        Pause(delayMs);
        ExpectEndsOnAKey(saver);
    }
}
