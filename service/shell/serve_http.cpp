#include "shell/serve_http.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <unistd.h>

#include <array>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <thread>

namespace feed {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

class Connection;

struct HttpServer {
    FeedStore* store = nullptr;
    HttpLimits limits;
    std::mutex mutex; // guards the counts and the registry
    unsigned open = 0;
    std::map<net::ip::address, unsigned> perAddress;
    std::map<Connection*, std::weak_ptr<Connection>> connections;
    std::atomic<bool> stopping{false};
    // One event loop per thread, as nginx has one per worker: a connection lives on one
    // loop, so its handlers never run at once and the loops share no lock.
    std::vector<std::unique_ptr<net::io_context>> loops;
    std::vector<net::executor_work_guard<net::io_context::executor_type>> keepRunning;
    size_t nextLoop = 0; // the loop of the next accepted connection (the acceptors' loop only)
    std::vector<std::unique_ptr<tcp::acceptor>> acceptors;
    std::vector<std::thread> threads;
};

namespace {

constexpr auto kLingerTime = std::chrono::seconds(2); // reading what a refused client still sends
constexpr size_t kReadChunk = 4096;
constexpr auto kStopPoll = std::chrono::milliseconds(20);
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
constexpr const char* kHeadEnd = "\r\n\r\n";

// The reason phrase of RFC 9110 (Beast still has the older name of 413).
std::string_view ReasonOf(int status) {
    if (status == 413) {
        return "Content Too Large";
    }
    const auto reason = http::obsolete_reason(http::int_to_status(static_cast<unsigned>(status)));
    return {reason.data(), reason.size()};
}

// The clock's second as `Format` writes it (the Date header, the log's time), made once a
// second per thread.
template <std::string (*Format)(std::time_t)> const std::string& NowAs() {
    thread_local std::time_t cachedSecond = 0;
    thread_local std::string cached;
    const std::time_t now = std::time(nullptr);
    if (now != cachedSecond) {
        cachedSecond = now;
        cached = Format(now);
    }
    return cached;
}

// The raw head's framing, beyond what Beast refuses: a CR or LF alone, NUL, and obs-fold
// (a line that continues the previous one) make a request whose meaning proxies disagree on.
bool HeadFramingIsSound(std::string_view head) {
    for (size_t i = 0; i < head.size(); ++i) {
        const char c = head[i];
        if (c == '\0' || (c == '\r' && (i + 1 == head.size() || head[i + 1] != '\n')) ||
            (c == '\n' && (i == 0 || head[i - 1] != '\r'))) {
            return false;
        }
        if (c == '\n' && i + 1 < head.size() && (head[i + 1] == ' ' || head[i + 1] == '\t')) {
            return false;
        }
    }
    return true;
}

// The path with its %XX escapes decoded; nothing for a bad escape or a NUL.
std::optional<std::string> DecodedPath(std::string_view target) {
    target = target.substr(0, target.find('?'));
    std::string path;
    for (size_t i = 0; i < target.size(); ++i) {
        if (target[i] != '%') {
            path += target[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= target.size() || !std::isxdigit(static_cast<unsigned char>(target[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(target[i + 2])) ||
            std::from_chars(target.data() + i + 1, target.data() + i + 3, value, 16).ec !=
                std::errc() ||
            value == 0) {
            return std::nullopt;
        }
        path += static_cast<char>(value);
        i += 2;
    }
    return path;
}

size_t CountOf(const http::fields& fields, http::field name) {
    const auto range = fields.equal_range(name);
    return static_cast<size_t>(std::distance(range.first, range.second));
}

// 0 when the parsed head may be answered, else the status that refuses it.
int HeadProblem(const http::request_parser<http::string_body>& parser, const HttpLimits& limits) {
    const auto& request = parser.get();
    if (request.version() != 10 && request.version() != 11) {
        return 505;
    }
    const bool hasLength = CountOf(request, http::field::content_length) > 0;
    const bool hasCoding = CountOf(request, http::field::transfer_encoding) > 0;
    if (CountOf(request, http::field::content_length) > 1 || (hasLength && hasCoding) ||
        (hasCoding && (request.version() == 10 || !parser.chunked())) ||
        CountOf(request, http::field::host) > 1 ||
        (request.version() == 11 && CountOf(request, http::field::host) == 0) ||
        request.target().empty() || request.target().front() != '/' ||
        !DecodedPath(request.target())) {
        return 400;
    }
    if (parser.content_length() && *parser.content_length() > limits.maxBodyBytes) {
        return 413;
    }
    return 0;
}

} // namespace

// One client connection: heads read under a deadline, answered in order (pipelining),
// kept alive while the client asks for it.
class Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(tcp::socket socket, HttpServer& server, const net::ip::address& client)
        : stream_(std::move(socket)), server_(server), client_(client),
          clientText_(client.to_string()) {}

    ~Connection() {
        std::lock_guard<std::mutex> lock(server_.mutex);
        --server_.open;
        if (--server_.perAddress[client_] == 0) {
            server_.perAddress.erase(client_);
        }
        server_.connections.erase(this);
    }

    void Start() { WaitForHead(server_.limits.headTimeout); }
    net::any_io_executor Executor() { return stream_.get_executor(); }

    // Stopping: a connection that waits for a request it has not begun is closed now.
    void StopIfIdle() {
        if (waiting_ && buffer_.size() == 0) {
            beast::error_code ignored;
            stream_.socket().close(ignored);
        }
    }

  private:
    void WaitForHead(std::chrono::milliseconds timeout) {
        // One deadline for the whole head: reads that trickle in do not extend it.
        stream_.expires_after(timeout);
        waiting_ = true;
        ReadHead();
    }

    void ReadHead() {
        const std::string_view data(static_cast<const char*>(buffer_.data().data()),
                                    buffer_.size());
        const size_t lineEnd = data.find("\r\n");
        if ((lineEnd == std::string_view::npos ? data.size() : lineEnd) >
            server_.limits.maxRequestLine) {
            return Refuse(414, data);
        }
        const size_t end = data.find(kHeadEnd);
        if (end != std::string_view::npos && end + 4 <= server_.limits.maxHeadBytes) {
            waiting_ = false;
            return OnHead(data.substr(0, end + 4));
        }
        if (data.size() >= server_.limits.maxHeadBytes) {
            return Refuse(431, data);
        }
        stream_.async_read_some(buffer_.prepare(kReadChunk),
                                [self = shared_from_this()](beast::error_code ec, size_t bytes) {
                                    self->buffer_.commit(bytes);
                                    if (ec) {
                                        return self->OnHeadReadFailed(ec);
                                    }
                                    self->ReadHead();
                                });
    }

    // A client that closes between requests, or whose head missed its deadline: the
    // deadline is logged (408, as nginx does) and the connection closed unanswered.
    void OnHeadReadFailed(beast::error_code ec) {
        if (ec == beast::error::timeout && buffer_.size() > 0) {
            Log(RequestLineOf(buffer_), 408, 0);
        }
        beast::error_code ignored;
        stream_.socket().close(ignored);
    }

    static std::string_view RequestLineOf(const beast::flat_buffer& buffer) {
        const std::string_view data(static_cast<const char*>(buffer.data().data()), buffer.size());
        return data.substr(0, std::min(data.find("\r\n"), size_t{256}));
    }

    void OnHead(std::string_view head) {
        if (!HeadFramingIsSound(head)) {
            return Refuse(400, head);
        }
        parser_.emplace();
        parser_->header_limit(static_cast<uint32_t>(server_.limits.maxHeadBytes));
        parser_->body_limit(server_.limits.maxBodyBytes);
        parser_->eager(false);
        beast::error_code ec;
        const size_t used = parser_->put(net::buffer(head.data(), head.size()), ec);
        if (ec == http::error::body_limit) {
            return Refuse(413, head);
        }
        if (ec == http::error::bad_version) {
            return Refuse(505, head);
        }
        if (ec || !parser_->is_header_done() || used != head.size()) {
            return Refuse(400, head);
        }
        buffer_.consume(used);
        if (const int problem = HeadProblem(*parser_, server_.limits)) {
            return Refuse(problem, head.substr(0, head.find("\r\n")));
        }
        if (!parser_->is_done()) {
            return ReadBody();
        }
        Respond(true);
    }

    // A body (which nothing here needs) is read within its cap and the connection then
    // closed after the answer, so that no byte of it can be taken for a request.
    void ReadBody() {
        stream_.expires_after(server_.limits.transferTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, size_t) {
                             if (ec == http::error::body_limit) {
                                 return self->Refuse(413, self->RequestLine());
                             }
                             if (ec) {
                                 return self->Refuse(400, self->RequestLine());
                             }
                             self->Respond(false);
                         });
    }

    std::string RequestLine() const {
        const auto& request = parser_->get();
        return std::string(request.method_string()) + " " + std::string(request.target()) +
               (request.version() == 10 ? " HTTP/1.0" : " HTTP/1.1");
    }

    void Respond(bool mayKeepAlive) {
        const auto& request = parser_->get();
        const auto state = CurrentState(*server_.store);
        const std::string path = *DecodedPath(request.target());
        const feed::Answer answer = AnswerRequest(
            Request{request.method_string(), path, request[http::field::if_none_match],
                    request[http::field::if_modified_since]},
            *state, std::time(nullptr), server_.store->maxAgeHours);
        const bool keepAlive = mayKeepAlive && request.keep_alive() && request.version() == 11 &&
                               ++served_ < server_.limits.maxRequestsPerConnection &&
                               !server_.stopping;
        const bool withBody = request.method() != http::verb::head && answer.status != 304;
        Send(answer.status, answer.headers, withBody ? answer.body : nullptr, answer.body->size(),
             keepAlive, RequestLine());
    }

    void Refuse(int status, std::string_view request) {
        const std::string body = std::string(ReasonOf(status)) + ".\n";
        Send(status, {{"Content-Type", "text/plain; charset=us-ascii"}},
             std::make_shared<const std::string>(body), body.size(), false,
             std::string(request.substr(0, std::min(request.find("\r\n"), size_t{256}))));
    }

    void Send(int status, const std::vector<std::pair<std::string, std::string>>& headers,
              const std::shared_ptr<const std::string>& body, size_t length, bool keepAlive,
              std::string requestLine) {
        waiting_ = false;
        head_.assign("HTTP/1.1 ").append(std::to_string(status)).append(" ");
        head_.append(ReasonOf(status)).append("\r\nServer: zarvane-feed\r\nDate: ");
        head_.append(NowAs<HttpDate>()).append("\r\n");
        for (const auto& [name, value] : headers) {
            head_.append(name).append(": ").append(value).append("\r\n");
        }
        if (status != 304) { // a 304 has no body, and no length of one
            head_ += "Content-Length: " + std::to_string(length) + "\r\n";
        }
        head_ += keepAlive ? "\r\n" : "Connection: close\r\n\r\n";
        const size_t sent = body ? body->size() : 0;
        const std::array<net::const_buffer, 2> buffers{
            net::buffer(head_), body ? net::buffer(*body) : net::const_buffer()};
        stream_.expires_after(server_.limits.transferTimeout);
        net::async_write(stream_, buffers,
                         [self = shared_from_this(), body, keepAlive, status, sent,
                          line = std::move(requestLine)](beast::error_code ec, size_t) {
                             self->Log(line, status, sent);
                             if (ec) {
                                 return;
                             }
                             if (keepAlive) {
                                 return self->WaitForHead(self->server_.limits.idleTimeout);
                             }
                             self->Linger();
                         });
    }

    // Closing at once would reset the connection while the client still sends (a
    // pipelined rest), and the reset may discard the answer before the client reads it.
    void Linger() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(kLingerTime);
        buffer_.clear();
        stream_.async_read_some(buffer_.prepare(kReadChunk),
                                [self = shared_from_this()](beast::error_code ec, size_t) {
                                    if (!ec) {
                                        self->Linger();
                                    }
                                });
    }

    // One write per line, straight to the descriptor: the loops never wait on each other
    // for stdio's lock, and a line is never split between two writers.
    void Log(std::string_view requestLine, int status, size_t bytes) {
        thread_local std::string line;
        line.assign(clientText_).append(" - - [").append(NowAs<LogTime>()).append("] \"");
        line.append(LogEscaped(requestLine)).append("\" ").append(std::to_string(status));
        line.append(" ").append(std::to_string(bytes)).append("\n");
        while (::write(STDERR_FILENO, line.data(), line.size()) < 0 && errno == EINTR) {
        }
    }

    beast::tcp_stream stream_;
    HttpServer& server_;
    net::ip::address client_;
    std::string clientText_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::string head_;
    unsigned served_ = 0;
    bool waiting_ = false;
};

namespace {

// The client's address as counted and logged: an IPv4 client of an IPv6 socket as IPv4.
net::ip::address ClientOf(const tcp::socket& socket) {
    beast::error_code ec;
    auto address = socket.remote_endpoint(ec).address();
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        return net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6());
    }
    return address;
}

// Admits the connection under the limits; false when it is to be closed unanswered.
bool Admit(HttpServer& server, const net::ip::address& client) {
    std::lock_guard<std::mutex> lock(server.mutex);
    unsigned& fromClient = server.perAddress[client];
    if (server.stopping || server.open >= server.limits.maxConnections ||
        fromClient >= server.limits.maxPerAddress) {
        if (fromClient == 0) {
            server.perAddress.erase(client);
        }
        return false;
    }
    ++server.open;
    ++fromClient;
    return true;
}

void Accept(HttpServer& server, tcp::acceptor& acceptor) {
    net::io_context& loop = *server.loops[server.nextLoop++ % server.loops.size()];
    acceptor.async_accept(loop, [&server, &acceptor](beast::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted || !acceptor.is_open()) {
            return;
        }
        if (!ec) {
            const net::ip::address client = ClientOf(socket);
            if (Admit(server, client)) {
                auto connection = std::make_shared<Connection>(std::move(socket), server, client);
                {
                    std::lock_guard<std::mutex> lock(server.mutex);
                    server.connections[connection.get()] = connection;
                }
                net::post(connection->Executor(), [connection] { connection->Start(); });
            }
        } else {
            // Out of descriptors or memory: try again shortly rather than spin.
            auto pause = std::make_shared<net::steady_timer>(acceptor.get_executor(), kAcceptPause);
            return pause->async_wait(
                [pause, &server, &acceptor](beast::error_code) { Accept(server, acceptor); });
        }
        Accept(server, acceptor);
    });
}

std::unique_ptr<tcp::acceptor> Listen(HttpServer& server, const ListenAddress& where) {
    beast::error_code ec;
    const net::ip::address address = net::ip::make_address(where.address, ec);
    if (ec) {
        std::fprintf(stderr, "serve: not an IP address: %s\n", where.address.c_str());
        return nullptr;
    }
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(where.port));
    auto acceptor = std::make_unique<tcp::acceptor>(*server.loops.front());
    acceptor->open(endpoint.protocol(), ec);
    if (!ec && address.is_v6()) {
        acceptor->set_option(net::ip::v6_only(true), ec); // [::] beside 0.0.0.0 on one port
    }
    if (!ec) {
        acceptor->set_option(net::socket_base::reuse_address(true), ec);
    }
    if (!ec) {
        acceptor->bind(endpoint, ec);
    }
    if (!ec) {
        acceptor->listen(net::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        std::fprintf(stderr, "serve: cannot listen on %s port %d: %s\n", where.address.c_str(),
                     where.port, ec.message().c_str());
        return nullptr;
    }
    return acceptor;
}

} // namespace

namespace {
std::atomic<uint64_t> lastStoreVersion{0};
} // namespace

FeedStore::FeedStore() : version(++lastStoreVersion) {}

std::shared_ptr<const ServeState> CurrentState(FeedStore& store) {
    thread_local uint64_t cachedVersion = 0;
    thread_local std::shared_ptr<const ServeState> cached;
    if (store.version.load(std::memory_order_acquire) != cachedVersion) {
        std::lock_guard<std::mutex> lock(store.mutex);
        cached = store.state;
        cachedVersion = store.version.load(std::memory_order_relaxed);
    }
    return cached;
}

void ReplaceState(FeedStore& store, std::shared_ptr<const ServeState> state) {
    std::lock_guard<std::mutex> lock(store.mutex);
    store.state = std::move(state);
    store.version.store(++lastStoreVersion, std::memory_order_release);
}

void HttpServerDeleter::operator()(HttpServer* server) const {
    if (!server->threads.empty()) {
        StopHttp(*server, std::chrono::milliseconds(0));
    }
    delete server;
}

HttpServerPtr StartHttp(const std::vector<ListenAddress>& addresses, const HttpLimits& limits,
                        FeedStore& store) {
    HttpServerPtr server(new HttpServer);
    server->store = &store;
    server->limits = limits;
    for (unsigned i = 0; i < std::max(1u, limits.threads); ++i) {
        server->loops.push_back(std::make_unique<net::io_context>(1));
        server->keepRunning.push_back(net::make_work_guard(*server->loops.back()));
    }
    for (const ListenAddress& where : addresses) {
        auto acceptor = Listen(*server, where);
        if (!acceptor) {
            return nullptr;
        }
        server->acceptors.push_back(std::move(acceptor));
    }
    for (auto& acceptor : server->acceptors) {
        Accept(*server, *acceptor);
    }
    for (auto& loop : server->loops) {
        server->threads.emplace_back([io = loop.get()] { io->run(); });
    }
    return server;
}

HttpServerPtr StartHttp(const std::string& address, int port, const HttpLimits& limits,
                        FeedStore& store) {
    return StartHttp(std::vector<ListenAddress>{{address, port}}, limits, store);
}

int BoundPort(const HttpServer& server, size_t index) {
    beast::error_code ec;
    return server.acceptors.at(index)->local_endpoint(ec).port();
}

std::string BoundAddress(const HttpServer& server, size_t index) {
    beast::error_code ec;
    const tcp::endpoint endpoint = server.acceptors.at(index)->local_endpoint(ec);
    const std::string address = endpoint.address().to_string();
    return (endpoint.address().is_v6() ? "[" + address + "]" : address) + ":" +
           std::to_string(endpoint.port());
}

size_t ListenerCount(const HttpServer& server) {
    return server.acceptors.size();
}

void StopHttp(HttpServer& server, std::chrono::milliseconds grace) {
    server.stopping = true;
    for (auto& acceptor : server.acceptors) {
        net::post(acceptor->get_executor(), [&acceptor] {
            beast::error_code ignored;
            acceptor->close(ignored);
        });
    }
    std::vector<std::shared_ptr<Connection>> open;
    {
        std::lock_guard<std::mutex> lock(server.mutex);
        for (const auto& [raw, weak] : server.connections) {
            if (auto connection = weak.lock()) {
                open.push_back(std::move(connection));
            }
        }
    }
    for (auto& connection : open) {
        net::post(connection->Executor(), [connection] { connection->StopIfIdle(); });
    }
    open.clear(); // outside the lock: a last reference's destructor takes it
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard<std::mutex> lock(server.mutex);
            if (server.open == 0) {
                break;
            }
        }
        std::this_thread::sleep_for(kStopPoll);
    }
    for (auto& loop : server.loops) {
        loop->stop();
    }
    for (std::thread& thread : server.threads) {
        thread.join();
    }
    server.threads.clear();
    server.acceptors.clear();
    server.keepRunning.clear();
    server.loops.clear(); // destroys the connections still held by their handlers
}

} // namespace feed
