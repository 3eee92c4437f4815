// The HTTP answers of `zarvane-feed serve` over loopback, with raw requests on real
// sockets: the saver's own HTTP/1.0 request, HEAD, errors, keep-alive, hostile requests
// and the limits against abuse, slow clients included.
#include "shell/serve_http.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace feed;

namespace {

constexpr int kReceiveBoundSeconds = 30; // catches a hang; never reached when all is well
const std::string kFeed = "Loopback test feed\n-Atlantic\nSample,14.2,45.5,30\n";
const std::string kStormsJson = "{\"storms\":[]}\n";
const std::string kStormsGeoJson = "{\"type\":\"FeatureCollection\",\"features\":[]}\n";

// A connection to 127.0.0.1:port from `from` (another loopback address stands for another
// client, e.g. a whole office behind one NAT address).
int Connect(int port, const char* from = nullptr) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    if (from != nullptr) {
        inet_pton(AF_INET, from, &address.sin_addr);
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    }
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval bound = {kReceiveBoundSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof(bound));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<size_t>(n);
    }
}

// Everything the server sends until it closes the connection (or the bound passes).
std::string ReadToClose(int fd) {
    std::string reply;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = recv(fd, buffer, sizeof(buffer), 0)) > 0) {
        reply.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return reply;
}

std::string Exchange(int port, const std::string& request) {
    const int fd = Connect(port);
    if (fd < 0) {
        return "<no connection>";
    }
    SendAll(fd, request);
    return ReadToClose(fd);
}

// The status line without the version: the server may answer an HTTP/1.0 request as
// HTTP/1.1, closing the connection, as HTTP allows.
std::string Status(const std::string& reply) {
    const size_t space = reply.find(' ');
    return space == std::string::npos ? ""
                                      : reply.substr(space + 1, reply.find("\r\n") - space - 1);
}

std::string Body(const std::string& reply) {
    const size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? "" : reply.substr(end + 4);
}

bool HasHeader(const std::string& reply, const std::string& line) {
    return reply.substr(0, reply.find("\r\n\r\n") + 2).find("\r\n" + line + "\r\n") !=
           std::string::npos;
}

struct Served {
    explicit Served(bool holding, HttpLimits limits = {}) {
        if (holding) {
            store.state = std::make_shared<const ServeState>(RecordBuild(
                {}, {MadeFeed{kFeed, 0, kStormsJson, kStormsGeoJson}, {{"NHC", {}}}, {}},
                std::time(nullptr)));
        }
        server = StartHttp("127.0.0.1", 0, limits, store);
    }
    ~Served() {
        if (server) {
            StopHttp(*server, std::chrono::seconds(1));
        }
    }
    int Port() const { return BoundPort(*server); }
    FeedStore store;
    HttpServerPtr server;
};

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

TEST(ServeHttp, AnswersOverLoopback) {
    struct Case {
        bool holding;
        std::string request;
        const char* status;
        std::string body;
    };
    const std::string saver = "GET /RirozIrid/ssaver.dat HTTP/1.0\r\nUser-Agent: ZRVSAVER\r\n\r\n";
    const Case kCases[] = {
        {true, saver, "200 OK", kFeed},
        {true, "GET /mirror/RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n", "200 OK", kFeed},
        {true, "GET /RirozIrid/ssaver.dat HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n",
         "200 OK", kFeed},
        {true, "HEAD /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n", "200 OK", ""},
        {false, saver, "503 Service Unavailable", "No current storm feed; try again later.\n"},
        {true, "GET /elsewhere HTTP/1.0\r\n\r\n", "404 Not Found", "Not found.\n"},
        {true, "DELETE /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n", "405 Method Not Allowed",
         "Only GET and HEAD are allowed.\n"},
        {true, "GET /healthz HTTP/1.0\r\n\r\n", "200 OK", "ok\n"},
        {false, "GET /healthz HTTP/1.0\r\n\r\n", "503 Service Unavailable",
         "No current storm feed; try again later.\n"},
    };
    Served holding(true);
    Served empty(false);
    ASSERT_TRUE(holding.server && empty.server);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.request);
        const std::string reply = Exchange(c.holding ? holding.Port() : empty.Port(), c.request);
        EXPECT_EQ(Status(reply), c.status) << reply;
        if (c.request.find("HTTP/1.0") != std::string::npos) {
            EXPECT_TRUE(HasHeader(reply, "Connection: close")) << reply;
        }
        EXPECT_EQ(Body(reply), c.body);
    }
}

TEST(ServeHttp, TheSaversRequestGetsTheFeedHeaders) {
    Served served(true);
    ASSERT_TRUE(served.server);
    for (const char* method : {"GET", "HEAD"}) {
        SCOPED_TRACE(method);
        const std::string reply = Exchange(
            served.Port(), std::string(method) +
                               " /RirozIrid/ssaver.dat HTTP/1.0\r\nUser-Agent: ZRVSAVER\r\n\r\n");
        EXPECT_TRUE(HasHeader(reply, "Content-Type: text/plain; charset=windows-1252")) << reply;
        EXPECT_TRUE(HasHeader(reply, "Content-Length: " + std::to_string(kFeed.size()))) << reply;
        EXPECT_TRUE(HasHeader(reply, "Cache-Control: max-age=300")) << reply;
        EXPECT_NE(reply.find("\r\nLast-Modified: "), std::string::npos) << reply;
    }
}

// A client that never finishes its headers is closed by the idle timeout and holds up
// nobody meanwhile.
TEST(ServeHttp, ARequestThatNeverEndsItsHeadersIsClosedWithoutAFeed) {
    HttpLimits limits;
    limits.headTimeout = std::chrono::seconds(1);
    Served served(true, limits);
    ASSERT_TRUE(served.server);
    const int stalled = Connect(served.Port());
    ASSERT_GE(stalled, 0);
    SendAll(stalled, "GET /RirozIrid/ssaver.dat HTTP/1.0\r\nUser-Agent: ZRV");
    EXPECT_EQ(Body(Exchange(served.Port(), "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n")), kFeed);
    const std::string reply = ReadToClose(stalled);
    EXPECT_EQ(reply.find("200 OK"), std::string::npos) << reply;
    EXPECT_EQ(reply.find("Sample"), std::string::npos) << reply;
}

TEST(ServeHttp, OversizedHeadersAndBodiesAreRefused) {
    Served served(true);
    ASSERT_TRUE(served.server);
    const std::string hugeHeader = "X-Filler: " + std::string(size_t{64} * 1024, 'a') + "\r\n";
    const std::string headerReply =
        Exchange(served.Port(), "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n" + hugeHeader + "\r\n");
    EXPECT_EQ(headerReply.find("Sample"), std::string::npos);
    EXPECT_EQ(Status(headerReply).substr(0, 4), "431 ") << headerReply;
    const std::string body(4096, 'b');
    const std::string bodyReply = Exchange(
        served.Port(), "GET /RirozIrid/ssaver.dat HTTP/1.0\r\nContent-Length: 4096\r\n\r\n" + body);
    EXPECT_EQ(Status(bodyReply), "413 Content Too Large");
}

// A client at its address's cap: its newest connection takes the room of its connection
// that has waited longest for a request head, which is closed without a word.
TEST(ServeHttp, ConnectionsBeyondThePerAddressLimitTakeTheRoomOfTheLongestWaiting) {
    HttpLimits limits;
    limits.maxPerAddress = 2;
    limits.threads = 1; // which is longest waiting is exact within a loop
    Served served(true, limits);
    ASSERT_TRUE(served.server);
    const int first = Connect(served.Port());
    ASSERT_GE(first, 0);
    SendAll(first, "GET /RirozIrid/ssaver.dat HTTP/1.1\r\n"); // of a head, sent first
    const int second = Connect(served.Port());
    ASSERT_GE(second, 0);
    EXPECT_EQ(Body(Exchange(served.Port(), "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n")), kFeed);
    EXPECT_EQ(ReadToClose(first), "");
    SendAll(second, "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(ReadToClose(second)), kFeed);
}

// The connection cap follows the descriptors the process may open, less a reserve.
TEST(ServeHttp, TheConnectionCapFollowsTheDescriptorLimit) {
    rlimit saved = {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = std::min<rlim_t>(saved.rlim_max, 1024);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const unsigned usable = static_cast<unsigned>(lowered.rlim_cur) - kDescriptorReserve;
    EXPECT_EQ(DescriptorCap(0), usable);
    EXPECT_EQ(DescriptorCap(100), 100u);
    EXPECT_EQ(DescriptorCap(usable + 1), usable);
    setrlimit(RLIMIT_NOFILE, &saved);
}

// Requests as an attacker writes them. Each gets exactly one answer, with the status
// nginx's strictness calls for, and a request smuggled after or inside another is never
// answered; the saver's own HTTP/1.0 request still gets the feed.
TEST(ServeHttp, HostileRequests) {
    struct Case {
        const char* what;
        std::string request;
        const char* status;
    };
    const std::string feed = "/RirozIrid/ssaver.dat";
    const std::string hidden = "GET " + feed + " HTTP/1.1\r\nHost: a\r\n\r\n";
    const Case kCases[] = {
        {"the saver's request", "GET " + feed + " HTTP/1.0\r\nUser-Agent: ZRVSAVER\r\n\r\n",
         "200 OK"},
        {"two Content-Length",
         "GET " + feed + " HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\nContent-Length: 40\r\n\r\n" +
             hidden,
         "400 Bad Request"},
        {"space before the colon",
         "GET " + feed + " HTTP/1.1\r\nHost: a\r\nContent-Length : 40\r\n\r\n" + hidden,
         "400 Bad Request"},
        {"Transfer-Encoding and Content-Length",
         "GET " + feed +
             " HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\nTransfer-Encoding: "
             "chunked\r\n\r\n0\r\n\r\n" +
             hidden,
         "400 Bad Request"},
        {"Transfer-Encoding not chunked",
         "GET " + feed + " HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: gzip\r\n\r\n" + hidden,
         "400 Bad Request"},
        {"Transfer-Encoding in HTTP/1.0",
         "GET " + feed + " HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
         "400 Bad Request"},
        {"bare CR in a header", "GET " + feed + " HTTP/1.1\r\nHost: a\rX: b\r\n\r\n",
         "400 Bad Request"},
        {"bare LF ending a header", "GET " + feed + " HTTP/1.1\r\nHost: a\nX: b\r\n\r\n",
         "400 Bad Request"},
        {"obs-fold", "GET " + feed + " HTTP/1.1\r\nHost: a\r\nX-A: b\r\n c\r\n\r\n",
         "400 Bad Request"},
        {"NUL in the path", std::string("GET /Riroz\0Irid/ssaver.dat HTTP/1.0\r\n\r\n", 39),
         "400 Bad Request"},
        {"encoded NUL in the path", "GET /RirozIrid%00/ssaver.dat HTTP/1.0\r\n\r\n",
         "400 Bad Request"},
        {"bad escape in the path", "GET /RirozIrid/ssaver.dat%zz HTTP/1.0\r\n\r\n",
         "400 Bad Request"},
        {"HTTP/1.1 without Host", "GET " + feed + " HTTP/1.1\r\n\r\n", "400 Bad Request"},
        {"two Host", "GET " + feed + " HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n", "400 Bad Request"},
        {"bad Content-Length", "GET " + feed + " HTTP/1.1\r\nHost: a\r\nContent-Length: 1x\r\n\r\n",
         "400 Bad Request"},
        {"negative Content-Length",
         "GET " + feed + " HTTP/1.1\r\nHost: a\r\nContent-Length: -1\r\n\r\n", "400 Bad Request"},
        {"not a path", "GET RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n", "400 Bad Request"},
        {"two spaces", "GET  " + feed + " HTTP/1.0\r\n\r\n", "400 Bad Request"},
        {"HTTP/2.0 in text", "GET " + feed + " HTTP/2.0\r\n\r\n", "505 HTTP Version Not Supported"},
        {"TLS hello", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 15),
         "400 Bad Request"},
        {"request line too long", "GET /" + std::string(5000, 'a') + " HTTP/1.0\r\n\r\n",
         "414 URI Too Long"},
        {"head too large",
         "GET " + feed + " HTTP/1.0\r\n" + std::string(200, 'X') + ": " + std::string(9000, 'a') +
             "\r\n\r\n",
         "431 Request Header Fields Too Large"},
        {"body too large", "GET " + feed + " HTTP/1.1\r\nHost: a\r\nContent-Length: 1025\r\n\r\n",
         "413 Content Too Large"},
        {"chunked body too large",
         "GET " + feed + " HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n800\r\n" +
             std::string(2048, 'b') + "\r\n0\r\n\r\n",
         "413 Content Too Large"},
        // A well-framed body is only a body: the request inside it is never answered.
        {"request inside a body",
         "GET /healthz HTTP/1.1\r\nHost: a\r\nContent-Length: " + std::to_string(hidden.size()) +
             "\r\n\r\n" + hidden,
         "200 OK"},
    };
    Served served(true);
    ASSERT_TRUE(served.server);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const std::string reply = Exchange(served.Port(), c.request);
        EXPECT_EQ(Status(reply), c.status) << reply.substr(0, 200);
        EXPECT_EQ(CountOf(reply, "HTTP/1.1 "), 1u) << reply.substr(0, 400);
        EXPECT_EQ(reply.find("Sample") != std::string::npos,
                  std::string(c.what) == "the saver's request");
    }
}

// HTTP/1.1 keeps the connection and answers pipelined requests in order; a client that
// holds the feed gets 304; the connection ends with "Connection: close".
TEST(ServeHttp, KeepAlivePipeliningAndValidators) {
    Served served(true);
    ASSERT_TRUE(served.server);
    const std::string tag = served.store.state->etag;
    const int fd = Connect(served.Port());
    ASSERT_GE(fd, 0);
    const std::string get = "GET /RirozIrid/ssaver.dat HTTP/1.1\r\nHost: a\r\n";
    SendAll(fd, get + "\r\n" + get + "If-None-Match: " + tag + "\r\n\r\n" +
                    "HEAD /healthz HTTP/1.1\r\nHost: a\r\n\r\n" + get +
                    "Connection: close\r\n\r\n");
    const std::string reply = ReadToClose(fd);
    const size_t first = reply.find("HTTP/1.1 200 OK"), second = reply.find("HTTP/1.1 304 ");
    const size_t third = reply.find("HTTP/1.1 200 OK", second),
                 fourth = reply.find("HTTP/1.1 200 OK", third + 1);
    EXPECT_EQ(first, 0u) << reply;
    EXPECT_NE(second, std::string::npos) << reply;
    EXPECT_NE(fourth, std::string::npos) << reply;
    EXPECT_TRUE(first < second && second < third && third < fourth) << reply;
    EXPECT_EQ(CountOf(reply, "Sample"), 2u) << reply; // not in the 304, nor after HEAD
    EXPECT_EQ(CountOf(reply, "Connection: close"), 1u) << reply;
}

// The API's outputs over the wire: their types, any origin, and 304 to a client that
// sends their tag back (which answer carries which tag is the serve rules').
TEST(ServeHttp, StormOutputsGoToAnyOriginAndAnswerTheirTagsWith304) {
    Served served(true);
    ASSERT_TRUE(served.server);
    const ServeState& state = *served.store.state;
    const struct {
        const char* path;
        const char* type;
        const std::string& etag;
    } kOutputs[] = {
        {"/storms.json", "application/json", state.stormsJson.etag},
        {"/storms.geojson", "application/geo+json", state.stormsGeoJson.etag},
    };
    for (const auto& output : kOutputs) {
        SCOPED_TRACE(output.path);
        const std::string get = std::string("GET ") + output.path + " HTTP/1.0\r\n";
        const std::string full = Exchange(served.Port(), get + "\r\n");
        EXPECT_TRUE(HasHeader(full, std::string("Content-Type: ") + output.type)) << full;
        EXPECT_TRUE(HasHeader(full, "Access-Control-Allow-Origin: *")) << full;
        const std::string held =
            Exchange(served.Port(), get + "If-None-Match: " + output.etag + "\r\n\r\n");
        EXPECT_EQ(Status(held), "304 Not Modified") << held;
    }
}

// Listening on several addresses at once, IPv6 loopback among them.
TEST(ServeHttp, ListensOnIpv4AndIpv6) {
    FeedStore store;
    store.state = std::make_shared<const ServeState>(
        RecordBuild({}, {MadeFeed{kFeed}, {}, {}}, std::time(nullptr)));
    auto server = StartHttp({{"127.0.0.1", 0}, {"::1", 0}}, {}, store);
    if (!server) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    EXPECT_EQ(BoundAddress(*server, 0), "127.0.0.1:" + std::to_string(BoundPort(*server, 0)));
    EXPECT_EQ(BoundAddress(*server, 1), "[::1]:" + std::to_string(BoundPort(*server, 1)));
    const int fd = socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 address = {};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(static_cast<uint16_t>(BoundPort(*server, 1)));
    address.sin6_addr = in6addr_loopback;
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    SendAll(fd, "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Body(ReadToClose(fd)), kFeed);
    StopHttp(*server, std::chrono::seconds(1));
}

// The access log: one line per request, refused ones too, with nothing a client sends
// able to start a line of its own.
TEST(ServeHttp, TheLogHasALinePerRequestThatCannotBeForged) {
    const std::string path = ::testing::TempDir() + "serve-log-" + std::to_string(::getpid());
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int log = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(log, STDERR_FILENO);
    {
        Served served(true);
        Exchange(served.Port(), "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n");
        Exchange(served.Port(), "GET /a%0d%0a127.0.0.1%20-%20-%20x HTTP/1.0\r\n\r\n");
        Exchange(served.Port(), "GET /b\"\\ HTTP/1.1\r\n\r\n");
        Exchange(served.Port(), "GET /\x1b[2J\xff HTTP/1.0\r\n\r\n");
        Exchange(served.Port(),
                 "GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n");
    }
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(log);
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line.substr(line.find('"')));
    }
    std::remove(path.c_str());
    const std::vector<std::string> expected = {
        "\"GET /RirozIrid/ssaver.dat HTTP/1.0\" 200 " + std::to_string(kFeed.size()),
        "\"GET /a%0d%0a127.0.0.1%20-%20-%20x HTTP/1.0\" 404 11", // as sent, like nginx's $request
        "\"GET /b\\x22\\x5C HTTP/1.1\" 400 13",
        "\"GET /\\x1B[2J\\xFF HTTP/1.0\" 400 13",
        "\"GET / HTTP/1.1\" 400 13",
    };
    EXPECT_EQ(lines, expected);
}

// Slowloris: connections from several addresses trickle a header line piece by piece and
// never end their heads. Under the caps, every one is closed by the head deadline, however
// it trickles; beyond them (twice the cap, reconnecting as they are closed) the longest
// waiting make room for newcomers. Either way a client from another address is served
// within a second throughout, and no trickler gets a feed.
TEST(ServeHttp, TricklingClientsAreClosedAndHoldUpNobody) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kTrickle = std::chrono::milliseconds(200);
    constexpr size_t kProbes = 15;
    const char* kAddresses[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};
    struct Case {
        std::chrono::seconds deadline;
        unsigned maxConnections;
        int perAddress; // tricklers
        bool reconnect;
    };
    for (const Case c : {Case{std::chrono::seconds(2), 4096, 40, false},
                         Case{std::chrono::seconds(30), 64, 32, true}}) {
        SCOPED_TRACE(c.maxConnections);
        HttpLimits limits;
        limits.headTimeout = c.deadline;
        limits.maxConnections = limits.maxPerAddress = c.maxConnections;
        Served served(true, limits);
        ASSERT_TRUE(served.server);
        struct Trickler {
            const char* from;
            int fd;
            Clock::time_point opened;
            Clock::duration closedAfter;
            std::string received;
        };
        const auto connect = [&](Trickler& t) {
            t.fd = Connect(served.Port(), t.from);
            fcntl(t.fd, F_SETFL, O_NONBLOCK);
            SendAll(t.fd, "GET /RirozIrid/ssaver.dat HTTP/1.1\r\nHost: a\r\n");
            t.opened = Clock::now();
        };
        std::vector<Trickler> tricklers;
        for (const char* from : kAddresses) {
            for (int i = 0; i < c.perAddress; ++i) {
                tricklers.push_back({from, -1, {}, Clock::duration::zero(), ""});
                connect(tricklers.back());
                ASSERT_GE(tricklers.back().fd, 0) << from;
            }
        }
        std::atomic<bool> trickling{true};
        std::vector<double> waits; // seconds per probe
        std::thread probe([&] {
            while (trickling) {
                const auto start = Clock::now();
                const std::string reply =
                    Exchange(served.Port(), "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n");
                waits.push_back(reply.find("200 OK") == std::string::npos
                                    ? 99.0
                                    : std::chrono::duration<double>(Clock::now() - start).count());
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        const auto end = Clock::now() + std::min(c.deadline, std::chrono::seconds(4)) +
                         std::chrono::seconds(kReceiveBoundSeconds);
        size_t open = tricklers.size();
        while ((c.reconnect ? waits.size() < kProbes : open > 0) && Clock::now() < end) {
            for (Trickler& t : tricklers) {
                if (t.fd < 0) {
                    continue;
                }
                char chunk[512];
                const ssize_t got = recv(t.fd, chunk, sizeof chunk, 0);
                if (got > 0) {
                    t.received.append(chunk, static_cast<size_t>(got));
                }
                if (got == 0 || (got < 0 && errno != EAGAIN) ||
                    send(t.fd, "X", 1, MSG_NOSIGNAL) < 0) {
                    t.closedAfter = Clock::now() - t.opened;
                    close(t.fd);
                    t.fd = -1;
                    --open;
                    EXPECT_TRUE(c.reconnect || t.closedAfter >= c.deadline - kTrickle);
                    if (c.reconnect) {
                        connect(t);
                    }
                }
            }
            std::this_thread::sleep_for(kTrickle);
        }
        trickling = false;
        probe.join();
        for (Trickler& t : tricklers) {
            EXPECT_TRUE(c.reconnect || t.fd < 0) << "a trickling connection outlived its deadline";
            EXPECT_EQ(t.received.find("Sample"), std::string::npos);
            if (t.fd >= 0) {
                close(t.fd);
            }
        }
        ASSERT_GE(waits.size(), 5u);
        for (const double seconds : waits) {
            EXPECT_LT(seconds, 1.0) << "the client from another address waited";
        }
    }
}
