#include "http_server.h"

#include <ws2tcpip.h>

namespace e2e {

namespace {

constexpr int kPollMs = 20;

struct WinsockSession {
    WinsockSession() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
};

std::string ReadRequestHead(SOCKET connection) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const int received = ::recv(connection, buffer, sizeof(buffer), 0);
        if (received <= 0) {
            break;
        }
        head.append(buffer, received);
    }
    return head;
}

bool SendAll(SOCKET connection, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n =
            ::send(connection, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += n;
    }
    return true;
}

void ResetConnection(SOCKET connection) {
    linger abortive = {1, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof(abortive));
    ::closesocket(connection);
}

} // namespace

std::string StatusReason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

TestHttpServer::TestHttpServer(HttpReply reply) : reply_(std::move(reply)) {
    static WinsockSession session;
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(listener_, 16);
    int length = sizeof(address);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    ::closesocket(listener_);
    acceptor_.join();
    for (std::thread& connection : connections_) {
        connection.join();
    }
}

std::string TestHttpServer::HostText() const {
    return "127.0.0.1:" + std::to_string(port_);
}

int TestHttpServer::RequestCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int>(requests_.size());
}

std::vector<std::string> TestHttpServer::Requests() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_;
}

void TestHttpServer::Serve() {
    for (;;) {
        SOCKET connection = ::accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) {
            return; // the listener was closed
        }
        connections_.emplace_back([this, connection] { Answer(connection); });
    }
}

bool TestHttpServer::SendSlowly(SOCKET connection, const std::string& bytes) {
    for (char byte : bytes) {
        if (stopping_ || !SendAll(connection, std::string(1, byte))) {
            return false;
        }
        ::Sleep(reply_.dripMs);
    }
    return true;
}

void TestHttpServer::Answer(SOCKET connection) {
    const std::string head = ReadRequestHead(connection);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        requests_.push_back(head);
    }
    const std::string header =
        "HTTP/1.0 " + std::to_string(reply_.status) + " " + StatusReason(reply_.status) +
        "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(reply_.body.size()) +
        "\r\n\r\n";
    switch (reply_.manner) {
    case ReplyManner::Prompt:
        SendAll(connection, header + reply_.body);
        break;
    case ReplyManner::Never:
        while (!stopping_) {
            ::Sleep(kPollMs);
        }
        break;
    case ReplyManner::Drip:
        if (SendAll(connection, header)) {
            SendSlowly(connection, reply_.body);
        }
        break;
    case ReplyManner::ResetMidBody:
        SendAll(connection, header + reply_.body.substr(0, reply_.body.size() / 2));
        ::Sleep(200);
        ResetConnection(connection);
        return;
    case ReplyManner::CloseAtOnce:
        break;
    }
    ::shutdown(connection, SD_SEND);
    ::closesocket(connection);
}

} // namespace e2e
