#pragma once
// The HTTP side of `zarvane-feed serve`: libmicrohttpd carrying the answers of
// core/serve_rules over a held state, with limits against abuse and one log line per
// request on standard error (common log format).
#include "core/serve_rules.h"

#include <cstddef>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

struct MHD_Daemon;

namespace feed {

struct HttpLimits {
    unsigned maxConnections = 4096;   // beyond it new connections are refused
    unsigned maxPerAddress = 64;      // open connections from one client address
    unsigned idleTimeoutSeconds = 10; // a connection silent this long is closed
    size_t connectionMemory = 16384;  // per connection; caps the request's headers
    size_t maxBodyBytes = 1024;       // a longer request body is answered 413
    unsigned threads = 2;             // polling threads
};

// The state the requests read and the rebuild worker replaces. Readers take the pointer
// under the mutex and read the state without it: a state is never changed once shared.
struct FeedStore {
    std::mutex mutex;
    std::shared_ptr<const ServeState> state = std::make_shared<ServeState>();
    int maxAgeHours = 12;
};

std::shared_ptr<const ServeState> CurrentState(FeedStore& store);
void ReplaceState(FeedStore& store, std::shared_ptr<const ServeState> state);

// A running server; its requests read `store`, which must outlive it.
struct HttpServer {
    FeedStore* store = nullptr;
    HttpLimits limits;
    MHD_Daemon* daemon = nullptr;
};

// Starts serving on address:port (an IPv4 address; port 0 picks a free one). Null, with
// a message on standard error, when it cannot.
std::unique_ptr<HttpServer> StartHttp(const std::string& address, int port,
                                      const HttpLimits& limits, FeedStore& store);
int BoundPort(const HttpServer& server);
// Stops accepting, lets the requests under way finish (at most graceSeconds), then stops.
void StopHttp(HttpServer& server, int graceSeconds);

} // namespace feed
