#pragma once
// The HTTP side of `zarvane-feed serve`: Boost.Beast's strict parser over Asio, carrying
// the answers of core/serve_rules over a held state, with nginx's defences against slow
// and malformed clients, and one log line per request on standard error (common log
// format; refused requests too).
#include "core/serve_options.h"
#include "core/serve_rules.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace feed {

struct HttpLimits {
    // Open connections in all, and from one client address. At either cap a newcomer takes
    // the room of the connection that has waited longest for a request head (new or kept
    // alive); it is closed unanswered only when every connection is being answered.
    unsigned maxConnections = 4096;
    unsigned maxPerAddress = 256;
    // A new connection must send its whole request head within this, however it trickles.
    std::chrono::milliseconds headTimeout = std::chrono::seconds(30);
    // A kept-alive connection must send its next whole request head within this.
    std::chrono::milliseconds idleTimeout = std::chrono::seconds(10);
    // Reading a request's body, and writing an answer.
    std::chrono::milliseconds transferTimeout = std::chrono::seconds(30);
    size_t maxRequestLine = 4096; // longer: 414
    size_t maxHeadBytes = 8192;   // the whole head; longer: 431
    size_t maxBodyBytes = 1024;   // longer: 413
    unsigned maxRequestsPerConnection = 1000;
    unsigned threads = 2;
};

// Descriptors kept for what is not a client: listening sockets, the event loops, the
// sources a rebuild fetches at once, name lookups, logs.
inline constexpr unsigned kDescriptorReserve = 128;
// Connections open at once for RLIMIT_NOFILE less the reserve; at most `asked`, or all
// the descriptors allow for 0.
unsigned DescriptorCap(unsigned asked);

// The state the requests read and the rebuild worker replaces (through ReplaceState only,
// once serving). A state is never changed once shared. Each serving thread keeps the
// state it last read and takes the lock only when `version` has moved on.
struct FeedStore {
    FeedStore();
    std::mutex mutex;
    std::shared_ptr<const ServeState> state = std::make_shared<ServeState>();
    std::atomic<uint64_t> version; // unique across stores, new with every state
    int maxAgeHours = 12;
};

std::shared_ptr<const ServeState> CurrentState(FeedStore& store);
void ReplaceState(FeedStore& store, std::shared_ptr<const ServeState> state);

// A running server (opaque); its requests read `store`, which must outlive it.
struct HttpServer;
struct HttpServerDeleter {
    void operator()(HttpServer* server) const;
};
using HttpServerPtr = std::unique_ptr<HttpServer, HttpServerDeleter>;

// Starts serving on every address (IPv4, or IPv6 without brackets; port 0 picks a free
// one). Null, with a message on standard error, when it cannot listen on one of them.
HttpServerPtr StartHttp(const std::vector<ListenAddress>& addresses, const HttpLimits& limits,
                        FeedStore& store);
HttpServerPtr StartHttp(const std::string& address, int port, const HttpLimits& limits,
                        FeedStore& store);
// The port of the index'th address, as bound.
int BoundPort(const HttpServer& server, size_t index = 0);
// The listening line of the index'th address: "127.0.0.1:8080", "[::1]:8080".
std::string BoundAddress(const HttpServer& server, size_t index);
size_t ListenerCount(const HttpServer& server);
// Stops accepting, closes idle connections, lets the requests under way finish (at most
// `grace`), then stops. Any thread but the server's own.
void StopHttp(HttpServer& server, std::chrono::milliseconds grace);

} // namespace feed
