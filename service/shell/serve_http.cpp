#include "shell/serve_http.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace feed {
namespace {

constexpr auto kStopPoll = std::chrono::milliseconds(50);
constexpr const char* kTooLargeBody = "Request body too large.\n";

// Per-request bookkeeping, from the first call of the handler to the completion notice.
struct RequestBody {
    size_t bytes = 0;
};

std::string ClientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    char text[INET6_ADDRSTRLEN] = "-";
    if (info != nullptr && info->client_addr != nullptr &&
        info->client_addr->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(info->client_addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
    }
    return text;
}

// One line in the common log format: host ident user [time] "request" status bytes.
void LogRequest(MHD_Connection* connection, const char* method, const char* url,
                const char* version, int status, size_t bytes) {
    char when[40];
    const std::time_t now = std::time(nullptr);
    std::tm utc = {};
    gmtime_r(&now, &utc);
    std::strftime(when, sizeof(when), "%d/%b/%Y:%H:%M:%S +0000", &utc);
    std::fprintf(stderr, "%s - - [%s] \"%s %s %s\" %d %zu\n", ClientAddress(connection).c_str(),
                 when, method, url, version, status, bytes);
}

MHD_Result Queue(MHD_Connection* connection, const Answer& answer, const char* method,
                 const char* url, const char* version) {
    MHD_Response* response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    for (const auto& [name, value] : answer.headers) {
        MHD_add_response_header(response, name.c_str(), value.c_str());
    }
    const MHD_Result queued = MHD_queue_response(connection, answer.status, response);
    MHD_destroy_response(response);
    const bool head = std::string(method) == MHD_HTTP_METHOD_HEAD;
    LogRequest(connection, method, url, version, answer.status, head ? 0 : answer.body.size());
    return queued;
}

bool DeclaresLongBody(MHD_Connection* connection, size_t limit) {
    const char* length =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    return length != nullptr && std::strtoull(length, nullptr, 10) > limit;
}

// Called once when a request's headers are in, again for each piece of its body, and a
// last time with no body left; the answer goes out on that last call. A body declared
// too long is refused at once; one that turns out too long (chunked) ends the connection.
MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                     const char* version, const char* /*upload*/, size_t* uploadSize,
                     void** requestContext) {
    auto* server = static_cast<HttpServer*>(cls);
    if (*requestContext == nullptr) {
        *requestContext = new RequestBody;
        if (DeclaresLongBody(connection, server->limits.maxBodyBytes)) {
            return Queue(connection, {413, {{"Content-Type", "text/plain"}}, kTooLargeBody}, method,
                         url, version);
        }
        return MHD_YES;
    }
    auto* body = static_cast<RequestBody*>(*requestContext);
    if (*uploadSize > 0) {
        body->bytes += *uploadSize;
        *uploadSize = 0;
        return body->bytes <= server->limits.maxBodyBytes ? MHD_YES : MHD_NO;
    }
    FeedStore& store = *server->store;
    const auto state = CurrentState(store);
    return Queue(connection,
                 AnswerRequest(method, url, *state, std::time(nullptr), store.maxAgeHours), method,
                 url, version);
}

void OnCompleted(void* /*cls*/, MHD_Connection* /*connection*/, void** requestContext,
                 MHD_RequestTerminationCode /*code*/) {
    delete static_cast<RequestBody*>(*requestContext);
    *requestContext = nullptr;
}

// libmicrohttpd's own complaints (refused connections, oversized headers) go to the log.
void OnLibraryMessage(void* /*cls*/, const char* format, va_list args) {
    std::fputs("http: ", stderr);
    std::vfprintf(stderr, format, args);
}

} // namespace

std::shared_ptr<const ServeState> CurrentState(FeedStore& store) {
    std::lock_guard<std::mutex> lock(store.mutex);
    return store.state;
}

void ReplaceState(FeedStore& store, std::shared_ptr<const ServeState> state) {
    std::lock_guard<std::mutex> lock(store.mutex);
    store.state = std::move(state);
}

std::unique_ptr<HttpServer> StartHttp(const std::string& address, int port,
                                      const HttpLimits& limits, FeedStore& store) {
    sockaddr_in bind = {};
    bind.sin_family = AF_INET;
    bind.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &bind.sin_addr) != 1) {
        std::fprintf(stderr, "serve: not an IPv4 address: %s\n", address.c_str());
        return nullptr;
    }
    auto server = std::make_unique<HttpServer>(HttpServer{&store, limits, nullptr});
    server->daemon = MHD_start_daemon(
        MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ITC | MHD_USE_ERROR_LOG, 0, nullptr, nullptr,
        &OnRequest, server.get(), MHD_OPTION_EXTERNAL_LOGGER, &OnLibraryMessage, nullptr,
        MHD_OPTION_SOCK_ADDR, &bind, MHD_OPTION_CONNECTION_LIMIT, limits.maxConnections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits.maxPerAddress, MHD_OPTION_CONNECTION_TIMEOUT,
        limits.idleTimeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.connectionMemory,
        MHD_OPTION_THREAD_POOL_SIZE, limits.threads, MHD_OPTION_NOTIFY_COMPLETED, &OnCompleted,
        nullptr, MHD_OPTION_END);
    if (server->daemon == nullptr) {
        std::fprintf(stderr, "serve: cannot listen on %s:%d\n", address.c_str(), port);
        return nullptr;
    }
    return server;
}

int BoundPort(const HttpServer& server) {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(server.daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

void StopHttp(HttpServer& server, int graceSeconds) {
    const MHD_socket listener = MHD_quiesce_daemon(server.daemon);
    if (listener != MHD_INVALID_SOCKET) {
        close(listener);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(graceSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        const MHD_DaemonInfo* info =
            MHD_get_daemon_info(server.daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
        if (info == nullptr || info->num_connections == 0) {
            break;
        }
        std::this_thread::sleep_for(kStopPoll);
    }
    MHD_stop_daemon(server.daemon);
    server.daemon = nullptr;
}

} // namespace feed
