#include "shell/serve_http.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/intrusive/list.hpp>

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <numeric>
#include <optional>
#include <thread>

namespace feed {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

struct Loop;

struct HttpServer {
    FeedStore* store = nullptr;
    HttpLimits limits;
    std::mutex mutex; // guards the counts, taken once as a connection opens and once as it ends
    unsigned open = 0;
    std::map<net::ip::address, std::vector<unsigned>> perAddress; // open on each loop
    std::atomic<bool> stopping{false};
    // One event loop per thread, as nginx has one per worker: each accepts for itself on
    // every listening socket and keeps the connections it accepted, so their handlers never
    // run at once, a newcomer never waits for another thread to take it, and the loops
    // share no lock on a request's way.
    std::vector<std::unique_ptr<Loop>> loops;
    std::vector<std::thread> threads;
};

namespace {

constexpr auto kLingerTime = std::chrono::seconds(2); // reading what a refused client still sends
constexpr size_t kReadChunk = 4096;
constexpr auto kStopPoll = std::chrono::milliseconds(20);
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
// How often each loop closes what has passed its deadline: one timer per loop instead of
// one per connection, which would be armed and cancelled twice per request.
constexpr auto kSweepPeriod = std::chrono::milliseconds(100);
constexpr int kAdmitAttempts = 8;     // another loop may take the room made, between tries
constexpr unsigned kMostOverCap = 16; // newcomers let in while another loop makes room
constexpr size_t kMostLookedAt = 32;  // waiting connections a newcomer looks at, per list
constexpr unsigned kUnlimitedDescriptorsCap = 4096; // no RLIMIT_NOFILE to follow
constexpr const char* kHeadEnd = "\r\n\r\n";

// Where a connection stands; each but Closed has its deadline, and a list per loop.
enum Phase : size_t { kHead, kIdle, kTransfer, kLinger, kPhases, kClosed = kPhases };

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

// One write per line, straight to the descriptor: the loops never wait on each other
// for stdio's lock, and a line is never split between two writers.
void WriteLogLine(const std::string& line) {
    while (::write(STDERR_FILENO, line.data(), line.size()) < 0 && errno == EINTR) {
    }
}

// An answer as it goes out: one buffer, the head (up to its blank line) then the body.
struct Wire {
    std::shared_ptr<const std::string> bytes;
    size_t headLength = 0;
};

Wire Compose(const Answer& answer, bool close) {
    auto bytes = std::make_shared<std::string>();
    bytes->reserve(answer.head.size() + 64 + answer.body->size());
    bytes->append(answer.head).append("Date: ").append(NowAs<HttpDate>()).append("\r\n");
    bytes->append(close ? "Connection: close\r\n\r\n" : "\r\n");
    const size_t headLength = bytes->size();
    bytes->append(*answer.body);
    return {std::move(bytes), headLength};
}

// A prepared answer's bytes are made once a second per thread (its Date changes with the
// second); the kept answer pins its bytes, so a newer state can never be mistaken for it.
Wire WireOf(const std::shared_ptr<const Answer>& answer, bool close) {
    if (!answer->prepared) {
        return Compose(*answer, close);
    }
    struct Kept {
        std::shared_ptr<const Answer> answer;
        bool close;
        std::time_t second;
        Wire wire;
    };
    thread_local std::vector<Kept> kept;
    const std::time_t now = std::time(nullptr);
    for (const Kept& k : kept) {
        if (k.answer == answer && k.close == close && k.second == now) {
            return k.wire;
        }
    }
    std::erase_if(kept, [now](const Kept& k) { return k.second != now; });
    kept.push_back({answer, close, now, Compose(*answer, close)});
    return kept.back().wire;
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

class Connection;
using WaitHook =
    boost::intrusive::list_base_hook<boost::intrusive::link_mode<boost::intrusive::auto_unlink>>;
using WaitList = boost::intrusive::list<Connection, boost::intrusive::constant_time_size<false>>;

// One client connection: heads read under a deadline, answered in order (pipelining),
// kept alive while the client asks for it. It sits in its loop's list of its phase, so
// that the loop's sweep finds the expired ones at the lists' fronts and admission the
// longest waiting.
class Connection : public std::enable_shared_from_this<Connection>, public WaitHook {
  public:
    Connection(tcp::socket socket, HttpServer& server, Loop& loop, const net::ip::address& client)
        : socket_(std::move(socket)), server_(server), loop_(loop), client_(client),
          clientText_(client.to_string()) {}
    ~Connection();

    void Start() {
        beast::error_code ignored;
        socket_.non_blocking(true, ignored); // the reads after a wait never block the loop
        WaitForHead(kHead);
    }
    const net::ip::address& Client() const { return client_; }
    Clock::time_point Since() const { return since_; }
    Phase Where() const { return phase_; }
    size_t Buffered() const { return buffer_.size(); }
    bool HeadArrived();

    // Closes it now: its deadline passed, or its room goes to a newcomer (its counts are
    // then given up at once, since the newcomer takes them before this one is destroyed).
    void Close(bool expired, bool release);

  private:
    void Enter(Phase phase);
    void WaitForHead(Phase phase);
    void ReadHead();
    void OnReadable();
    void OnHeadReadFailed();
    static std::string_view RequestLineOf(const beast::flat_buffer& buffer);
    void OnHead(std::string_view head);
    void ReadBody();
    std::string RequestLine() const;
    void Respond(bool mayKeepAlive);
    void Refuse(int status, std::string_view request);
    void Send(const std::shared_ptr<const Answer>& answer, bool withBody, bool keepAlive,
              std::string requestLine);
    void Linger();
    void Log(std::string_view requestLine, int status, size_t bytes);

    tcp::socket socket_;
    HttpServer& server_;
    Loop& loop_;
    net::ip::address client_;
    std::string clientText_;
    beast::flat_buffer buffer_; // holds only what arrived: an idle connection holds none
    std::optional<http::request_parser<http::string_body>> parser_;
    Phase phase_ = kClosed;
    Clock::time_point since_;
    unsigned served_ = 0;
    bool expired_ = false;
    bool released_ = false;
};

struct Loop {
    Loop() : io(std::make_unique<net::io_context>(1)), sweep(*io) {}
    ~Loop() {
        acceptors.clear();
        sweep.reset();
        keepRunning.reset();
        io.reset(); // destroys the connections its handlers still hold, while the lists live
    }
    std::array<WaitList, kPhases> phases; // each oldest first: the first to expire in front
    std::array<std::chrono::milliseconds, kPhases> timeouts{};
    std::unique_ptr<net::io_context> io;
    std::optional<net::executor_work_guard<net::io_context::executor_type>> keepRunning;
    std::vector<std::unique_ptr<tcp::acceptor>> acceptors; // one per listening address
    std::optional<net::steady_timer> sweep;
    std::time_t evictionLogSecond = 0;
    unsigned evictionsUnlogged = 0;
    size_t index = 0;
    unsigned open = 0; // under the server's mutex
};

namespace {
// Closes a connection's socket: a handler under way ends with an error and lets go of it.
void CloseSocket(tcp::socket& socket) {
    beast::error_code ignored;
    socket.close(ignored);
}

unsigned Sum(const std::vector<unsigned>& counts) {
    return std::accumulate(counts.begin(), counts.end(), 0u);
}

void Release(HttpServer& server, Loop& loop, const net::ip::address& client) {
    std::lock_guard<std::mutex> lock(server.mutex);
    --server.open;
    --loop.open;
    std::vector<unsigned>& counts = server.perAddress[client];
    --counts[loop.index];
    if (Sum(counts) == 0) {
        server.perAddress.erase(client);
    }
}
} // namespace

Connection::~Connection() {
    if (!released_) {
        Release(server_, loop_, client_);
    }
}

// Whether a whole request head has arrived, read or still in the socket: such a client is
// about to be answered, however long it waited for the loop to read it.
bool Connection::HeadArrived() {
    thread_local std::array<char, kReadChunk> peeked;
    const ssize_t got =
        ::recv(socket_.native_handle(), peeked.data(), peeked.size(), MSG_PEEK | MSG_DONTWAIT);
    const std::string_view read(static_cast<const char*>(buffer_.data().data()), buffer_.size());
    std::string seen(read.substr(read.size() - std::min<size_t>(read.size(), 3)));
    seen.append(peeked.data(), got > 0 ? static_cast<size_t>(got) : 0);
    return seen.find(kHeadEnd) != std::string::npos;
}

void Connection::Enter(Phase phase) {
    unlink();
    phase_ = phase;
    if (phase != kClosed) {
        since_ = Clock::now();
        loop_.phases[phase].push_back(*this);
    }
}

void Connection::Close(bool expired, bool release) {
    expired_ = expired;
    if (release && !released_) {
        released_ = true;
        Release(server_, loop_, client_);
    }
    Enter(kClosed);
    CloseSocket(socket_);
}

void Connection::WaitForHead(Phase phase) {
    // One deadline for the whole head: reads that trickle in do not extend it.
    Enter(phase);
    ReadHead();
}

void Connection::ReadHead() {
    const std::string_view data(static_cast<const char*>(buffer_.data().data()), buffer_.size());
    const size_t lineEnd = data.find("\r\n");
    if ((lineEnd == std::string_view::npos ? data.size() : lineEnd) >
        server_.limits.maxRequestLine) {
        return Refuse(414, data);
    }
    const size_t end = data.find(kHeadEnd);
    if (end != std::string_view::npos && end + 4 <= server_.limits.maxHeadBytes) {
        return OnHead(data.substr(0, end + 4));
    }
    if (data.size() >= server_.limits.maxHeadBytes) {
        return Refuse(431, data);
    }
    // Waiting for the bytes, not reading into a buffer of its own: a connection that has
    // sent nothing holds no buffer.
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](beast::error_code ec) {
        if (ec) {
            return self->OnHeadReadFailed();
        }
        self->OnReadable();
    });
}

void Connection::OnReadable() {
    thread_local std::array<char, kReadChunk> scratch;
    beast::error_code ec;
    const size_t got = socket_.read_some(net::buffer(scratch), ec);
    if (ec == net::error::would_block || ec == net::error::try_again) {
        return ReadHead();
    }
    if (ec) {
        return OnHeadReadFailed();
    }
    net::buffer_copy(buffer_.prepare(got), net::buffer(scratch.data(), got));
    buffer_.commit(got);
    ReadHead();
}

// A client that closes between requests, or whose head missed its deadline: the
// deadline is logged (408, as nginx does) and the connection closed unanswered.
void Connection::OnHeadReadFailed() {
    if (expired_ && buffer_.size() > 0) {
        Log(RequestLineOf(buffer_), 408, 0);
    }
    Enter(kClosed);
    CloseSocket(socket_);
}

std::string_view Connection::RequestLineOf(const beast::flat_buffer& buffer) {
    const std::string_view data(static_cast<const char*>(buffer.data().data()), buffer.size());
    return data.substr(0, std::min(data.find("\r\n"), size_t{256}));
}

void Connection::OnHead(std::string_view head) {
    Enter(kTransfer);
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
void Connection::ReadBody() {
    http::async_read(socket_, buffer_, *parser_,
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

std::string Connection::RequestLine() const {
    const auto& request = parser_->get();
    return std::string(request.method_string()) + " " + std::string(request.target()) +
           (request.version() == 10 ? " HTTP/1.0" : " HTTP/1.1");
}

void Connection::Respond(bool mayKeepAlive) {
    const auto& request = parser_->get();
    const auto state = CurrentState(*server_.store);
    const std::string path = *DecodedPath(request.target());
    const auto answer =
        AnswerRequest(Request{request.method_string(), path, request[http::field::if_none_match],
                              request[http::field::if_modified_since]},
                      *state, std::time(nullptr), server_.store->maxAgeHours);
    const bool keepAlive = mayKeepAlive && request.keep_alive() && request.version() == 11 &&
                           ++served_ < server_.limits.maxRequestsPerConnection && !server_.stopping;
    Send(answer, request.method() != http::verb::head, keepAlive, RequestLine());
}

void Connection::Refuse(int status, std::string_view request) {
    const std::string line(request.substr(0, std::min(request.find("\r\n"), size_t{256})));
    const auto answer = std::make_shared<const Answer>(
        MakeAnswer(status, {{"Content-Type", "text/plain; charset=us-ascii"}},
                   std::make_shared<const std::string>(std::string(ReasonOf(status)) + ".\n")));
    Send(answer, true, false, line);
}

void Connection::Send(const std::shared_ptr<const Answer>& answer, bool withBody, bool keepAlive,
                      std::string requestLine) {
    Enter(kTransfer);
    Wire wire = WireOf(answer, !keepAlive);
    const size_t length = withBody ? wire.bytes->size() : wire.headLength;
    const size_t sent = length - wire.headLength;
    const int status = answer->status;
    const net::const_buffer out(wire.bytes->data(), length); // before the bytes move below
    net::async_write(socket_, out,
                     [self = shared_from_this(), bytes = std::move(wire.bytes), keepAlive, status,
                      sent, line = std::move(requestLine)](beast::error_code ec, size_t) {
                         self->Log(line, status, sent);
                         if (ec) {
                             return self->Enter(kClosed);
                         }
                         if (keepAlive) {
                             self->parser_.reset();
                             return self->WaitForHead(kIdle);
                         }
                         self->Linger();
                     });
}

// Closing at once would reset the connection while the client still sends (a
// pipelined rest), and the reset may discard the answer before the client reads it.
void Connection::Linger() {
    if (phase_ != kLinger) {
        beast::error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_send, ignored);
        buffer_.clear();
        Enter(kLinger);
    }
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](beast::error_code ec) {
        thread_local std::array<char, kReadChunk> discard;
        if (!ec && self->socket_.read_some(net::buffer(discard), ec) > 0 && !ec) {
            return self->Linger();
        }
        self->Enter(kClosed);
        CloseSocket(self->socket_);
    });
}

void Connection::Log(std::string_view requestLine, int status, size_t bytes) {
    thread_local std::string line;
    line.assign(clientText_).append(" - - [").append(NowAs<LogTime>()).append("] \"");
    line.append(LogEscaped(requestLine)).append("\" ").append(std::to_string(status));
    line.append(" ").append(std::to_string(bytes)).append("\n");
    WriteLogLine(line);
}

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

enum class Room { kGranted, kFull, kAddressFull, kStopping };

struct Admission {
    Room room = Room::kStopping;
    Loop* makesRoom = nullptr; // the loop to close a connection of, when not granted
};

// Counts the connection in on `loop` when the caps (plus `slack`) leave room for it; else
// names the loop that holds the room to take: the one with the most connections, of the
// client at its address's cap, or in all (this one, when as many).
Admission Admit(HttpServer& server, Loop& loop, const net::ip::address& client, unsigned slack) {
    std::lock_guard<std::mutex> lock(server.mutex);
    if (server.stopping) {
        return {};
    }
    auto found = server.perAddress.find(client); // no count kept for a client never let in
    if (found != server.perAddress.end() &&
        Sum(found->second) >= server.limits.maxPerAddress + slack) {
        const std::vector<unsigned>& counts = found->second;
        const size_t most = std::max_element(counts.begin(), counts.end()) - counts.begin();
        return {Room::kAddressFull, server.loops[most].get()};
    }
    if (server.open >= server.limits.maxConnections + slack) {
        Loop* most = &loop;
        for (const auto& other : server.loops) {
            most = other->open > most->open ? other.get() : most;
        }
        return {Room::kFull, most};
    }
    if (found == server.perAddress.end()) {
        found = server.perAddress.emplace(client, std::vector<unsigned>(server.loops.size())).first;
    }
    ++server.open;
    ++loop.open;
    ++found->second[loop.index];
    return {Room::kGranted, nullptr};
}

// The connection whose room a newcomer may take: of those that wait for a request head,
// new or kept alive, the one waiting longest (from `only` when given). One whose head has
// arrived, or that is being answered, is never taken: a client that sends its head in one
// piece never is, while a trickling one always is, being older.
Connection* Reclaimable(Loop& loop, const net::ip::address* only) {
    Connection* oldest = nullptr;
    for (const Phase phase : {kHead, kIdle}) {
        size_t looked = 0;
        for (Connection& connection : loop.phases[phase]) {
            if (only != nullptr && connection.Client() != *only) {
                continue;
            }
            if (++looked > kMostLookedAt) {
                break;
            }
            if (!connection.HeadArrived()) {
                if (oldest == nullptr || connection.Since() < oldest->Since()) {
                    oldest = &connection;
                }
                break;
            }
        }
    }
    return oldest;
}

// At most one line a second per loop, counting the evictions it does not show.
void LogEviction(Loop& loop, const Connection& evicted) {
    const std::time_t now = std::time(nullptr);
    if (now == loop.evictionLogSecond) {
        ++loop.evictionsUnlogged;
        return;
    }
    const double waited = std::chrono::duration<double>(Clock::now() - evicted.Since()).count();
    char line[200];
    std::snprintf(line, sizeof(line), "full: closed a connection of %s %s %.1f s, for a new one",
                  evicted.Client().to_string().c_str(),
                  evicted.Where() == kIdle ? "kept alive idle for" : "without a request head in",
                  waited);
    std::string text = line;
    if (loop.evictionsUnlogged > 0) {
        text += " (and " + std::to_string(loop.evictionsUnlogged) + " more since the last line)";
    }
    loop.evictionLogSecond = now;
    loop.evictionsUnlogged = 0;
    WriteLogLine(text + "\n");
}

// Closes the longest waiting connection of the loop (of `only` when given), if any.
bool MakeRoom(Loop& loop, const net::ip::address* only) {
    Connection* evicted = Reclaimable(loop, only);
    if (evicted == nullptr) {
        return false;
    }
    LogEviction(loop, *evicted);
    evicted->Close(false, true);
    return true;
}

// At a cap, the newcomer takes a waiting connection's room: at once on its own loop; from
// another loop, that loop closes one when it next runs, and the newcomer comes in over
// the cap meanwhile (by a few at most: the descriptors' reserve covers them).
void OnAccepted(HttpServer& server, Loop& loop, tcp::socket socket) {
    const net::ip::address client = ClientOf(socket);
    for (int attempt = 0; attempt < kAdmitAttempts; ++attempt) {
        const Admission admission = Admit(server, loop, client, 0);
        const net::ip::address* only = admission.room == Room::kAddressFull ? &client : nullptr;
        if (admission.room == Room::kStopping) {
            return;
        }
        bool granted = admission.room == Room::kGranted;
        if (!granted && admission.makesRoom != &loop) {
            Loop& other = *admission.makesRoom;
            net::post(*other.io, [&other, client, byAddress = only != nullptr] {
                MakeRoom(other, byAddress ? &client : nullptr);
            });
            granted = Admit(server, loop, client, kMostOverCap).room == Room::kGranted;
        }
        if (granted) {
            std::make_shared<Connection>(std::move(socket), server, loop, client)->Start();
            return;
        }
        if (!MakeRoom(loop, only)) {
            return; // closed unanswered: nothing here may make room for it
        }
    }
}

// Closes what has passed its deadline; each list's front expires first.
void Sweep(Loop& loop) {
    const auto now = Clock::now();
    for (size_t phase = 0; phase < kPhases; ++phase) {
        WaitList& list = loop.phases[phase];
        while (!list.empty() && list.front().Since() + loop.timeouts[phase] <= now) {
            list.front().Close(true, false);
        }
    }
    loop.sweep->expires_after(kSweepPeriod);
    loop.sweep->async_wait([&loop](beast::error_code ec) {
        if (!ec) {
            Sweep(loop);
        }
    });
}

void Accept(HttpServer& server, Loop& loop, tcp::acceptor& acceptor) {
    acceptor.async_accept([&server, &loop, &acceptor](beast::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted || !acceptor.is_open()) {
            return;
        }
        if (!ec) {
            OnAccepted(server, loop, std::move(socket));
        } else {
            // Out of descriptors or memory: try again shortly rather than spin.
            auto pause = std::make_shared<net::steady_timer>(*loop.io, kAcceptPause);
            return pause->async_wait([pause, &server, &loop, &acceptor](beast::error_code) {
                Accept(server, loop, acceptor);
            });
        }
        Accept(server, loop, acceptor);
    });
}

std::unique_ptr<tcp::acceptor> Listen(net::io_context& io, const ListenAddress& where) {
    beast::error_code ec;
    const net::ip::address address = net::ip::make_address(where.address, ec);
    if (ec) {
        std::fprintf(stderr, "serve: not an IP address: %s\n", where.address.c_str());
        return nullptr;
    }
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(where.port));
    auto acceptor = std::make_unique<tcp::acceptor>(io);
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

// The same listening socket for another loop (a descriptor of its own, so that each
// loop's reactor waits on it): whichever loop is free first takes the next connection.
std::unique_ptr<tcp::acceptor> ShareListener(net::io_context& io, tcp::acceptor& listener) {
    auto acceptor = std::make_unique<tcp::acceptor>(io);
    const int fd = ::dup(listener.native_handle());
    beast::error_code ec;
    if (fd < 0 || acceptor->assign(listener.local_endpoint().protocol(), fd, ec)) {
        if (fd >= 0) {
            ::close(fd);
        }
        std::fprintf(stderr, "serve: cannot share a listening socket: %s\n",
                     fd < 0 ? std::strerror(errno) : ec.message().c_str());
        return nullptr;
    }
    return acceptor;
}

// Every loop's connections in a phase, where stopping closes them.
void CloseWaiting(Loop& loop) {
    for (const Phase phase : {kHead, kIdle}) {
        WaitList& list = loop.phases[phase];
        for (auto it = list.begin(); it != list.end();) {
            Connection& connection = *it++;
            if (phase == kIdle || connection.Buffered() == 0) {
                connection.Close(false, false);
            }
        }
    }
}

} // namespace

unsigned DescriptorCap(unsigned asked) {
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return asked == 0 ? kUnlimitedDescriptorsCap : asked;
    }
    const rlim_t usable =
        limit.rlim_cur > kDescriptorReserve ? limit.rlim_cur - kDescriptorReserve : 1;
    return asked == 0 ? static_cast<unsigned>(std::min<rlim_t>(usable, ~0u))
                      : static_cast<unsigned>(std::min<rlim_t>(usable, asked));
}

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
        auto loop = std::make_unique<Loop>();
        loop->index = i;
        loop->timeouts = {limits.headTimeout, limits.idleTimeout, limits.transferTimeout,
                          std::chrono::duration_cast<std::chrono::milliseconds>(kLingerTime)};
        loop->keepRunning.emplace(net::make_work_guard(*loop->io));
        server->loops.push_back(std::move(loop));
    }
    Loop& first = *server->loops.front();
    for (const ListenAddress& where : addresses) {
        auto listener = Listen(*first.io, where);
        if (!listener) {
            return nullptr;
        }
        for (size_t i = 1; i < server->loops.size(); ++i) {
            auto shared = ShareListener(*server->loops[i]->io, *listener);
            if (!shared) {
                return nullptr;
            }
            server->loops[i]->acceptors.push_back(std::move(shared));
        }
        first.acceptors.push_back(std::move(listener));
    }
    for (auto& loop : server->loops) {
        for (auto& acceptor : loop->acceptors) {
            Accept(*server, *loop, *acceptor);
        }
        Sweep(*loop);
        server->threads.emplace_back([io = loop->io.get()] { io->run(); });
    }
    return server;
}

HttpServerPtr StartHttp(const std::string& address, int port, const HttpLimits& limits,
                        FeedStore& store) {
    return StartHttp(std::vector<ListenAddress>{{address, port}}, limits, store);
}

int BoundPort(const HttpServer& server, size_t index) {
    beast::error_code ec;
    return server.loops.front()->acceptors.at(index)->local_endpoint(ec).port();
}

std::string BoundAddress(const HttpServer& server, size_t index) {
    beast::error_code ec;
    const tcp::endpoint endpoint = server.loops.front()->acceptors.at(index)->local_endpoint(ec);
    const std::string address = endpoint.address().to_string();
    return (endpoint.address().is_v6() ? "[" + address + "]" : address) + ":" +
           std::to_string(endpoint.port());
}

size_t ListenerCount(const HttpServer& server) {
    return server.loops.front()->acceptors.size();
}

void StopHttp(HttpServer& server, std::chrono::milliseconds grace) {
    server.stopping = true;
    for (auto& loop : server.loops) {
        net::post(*loop->io, [&loop = *loop] {
            for (auto& acceptor : loop.acceptors) {
                beast::error_code ignored;
                acceptor->close(ignored);
            }
            CloseWaiting(loop);
        });
    }
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
        loop->io->stop();
    }
    for (std::thread& thread : server.threads) {
        thread.join();
    }
    server.threads.clear();
    server.loops.clear(); // destroys the connections still held by their handlers
}

} // namespace feed
