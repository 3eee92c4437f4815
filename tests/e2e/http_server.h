#pragma once
// A real HTTP server on 127.0.0.1 for the end-to-end tests: it serves one configured
// reply to every request, in one of several manners (promptly, never, one byte at a time,
// broken off by a reset or a clean close, or without a length), and records the requests
// it received.
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

enum class ReplyManner {
    Prompt,       // the whole reply at once, then close
    Never,        // accept and read the request, then answer nothing until stopped
    Drip,         // the header, then the body one byte every dripMs
    ResetMidBody, // the header and half the body, then a connection reset
    CloseMidBody, // the header and half the body, then a clean close
    NoLength,     // the whole reply without a Content-Length header, then close
    CloseAtOnce,  // accept and close without a word
};

struct HttpReply {
    int status = 200;
    std::string body;
    ReplyManner manner = ReplyManner::Prompt;
    int dripMs = 100;
    std::string extraHeaders = {}; // further header lines, each ending in CR LF
};

std::string StatusReason(int status);

class TestHttpServer {
  public:
    explicit TestHttpServer(HttpReply reply);
    ~TestHttpServer(); // stops serving, ends every connection and joins the threads
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return port_; }
    std::string HostText() const; // "127.0.0.1:port", as a user types it for a host
    int RequestCount() const;
    std::vector<std::string> Requests() const; // each request's head, as received

  private:
    void Serve();
    void Answer(SOCKET connection);
    bool SendSlowly(SOCKET connection, const std::string& bytes);

    HttpReply reply_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

} // namespace e2e

namespace e2e {

// A loopback port that nothing listens on at the moment of the call.
int FreeLoopbackPort();

// Debian's tinyproxy, a real HTTP proxy listening on 127.0.0.1, started for one test.
// Wine starts Unix programs through CreateProcessA; elsewhere (or without
// /usr/bin/tinyproxy) the proxy does not start and Started() is false. Forwarded requests
// carry tinyproxy's "Via:" header. Its files live in a folder of its own under /tmp.
class TestProxy {
  public:
    TestProxy();
    ~TestProxy(); // stops the proxy and waits until its port is closed
    TestProxy(const TestProxy&) = delete;
    TestProxy& operator=(const TestProxy&) = delete;

    bool Started() const { return started_; }
    std::string HostText() const; // "127.0.0.1:port", as a user names a proxy

  private:
    std::string folder_; // Unix path
    int port_ = 0;
    bool started_ = false;
};

// True while something accepts connections on the loopback port.
bool LoopbackPortAccepts(int port);

// The Windows name of a Unix path under Wine's drive Z:.
std::string OnDriveZ(const std::string& unixPath);
// Starts a Unix shell command under Wine (false elsewhere, or when it did not start);
// Wine gives no handle for a Unix process, so callers wait for what it does.
bool RunUnixShell(const std::string& script);

} // namespace e2e
