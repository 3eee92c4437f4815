// The HTTP answers of `zarvane-feed serve` over loopback, with raw requests on real
// sockets: the saver's own HTTP/1.0 request, HEAD, errors, and the limits against abuse.
#include "shell/serve_http.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

using namespace feed;

namespace {

constexpr int kReceiveBoundSeconds = 30; // catches a hang; never reached when all is well
const std::string kFeed = "Loopback test feed\n-Atlantic\nSample,14.2,45.5,30\n";

int Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
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
            store.state = std::make_shared<const ServeState>(
                RecordBuild({}, true, kFeed, {{"NHC", true, ""}}, std::time(nullptr)));
        }
        server = StartHttp("127.0.0.1", 0, limits, store);
    }
    ~Served() {
        if (server) {
            StopHttp(*server, 1);
        }
    }
    int Port() const { return BoundPort(*server); }
    FeedStore store;
    std::unique_ptr<HttpServer> server;
};

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
    limits.idleTimeoutSeconds = 1;
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

TEST(ServeHttp, ConnectionsBeyondThePerAddressLimitAreClosed) {
    HttpLimits limits;
    limits.maxPerAddress = 2;
    Served served(true, limits);
    ASSERT_TRUE(served.server);
    const int first = Connect(served.Port());
    const int second = Connect(served.Port());
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    // Connected by the kernel, then dropped by the server without a word.
    EXPECT_EQ(Exchange(served.Port(), "GET /RirozIrid/ssaver.dat HTTP/1.0\r\n\r\n"), "");
    close(first);
    close(second);
}
