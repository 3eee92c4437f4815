#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the tests of the URL path: fixed replies by
// path, and replies that stall until the server stops. Every thread it starts ends when
// it is destroyed.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

struct LoopbackReply {
    int status;
    std::string body;
    bool stall; // accept the request, then never answer
};

class LoopbackServer {
  public:
    explicit LoopbackServer(std::map<std::string, LoopbackReply> replies)
        : replies_(std::move(replies)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 16) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~LoopbackServer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        released_.notify_all();
        acceptor_.join();
        for (std::thread& connection : connections_) {
            connection.join();
        }
        ::close(listener_);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    std::vector<std::string> UserAgents() {
        std::lock_guard<std::mutex> lock(mutex_);
        return userAgents_;
    }

    // From now on `path` is sent with this ETag and a Last-Modified date, and a request
    // that names the ETag in If-None-Match gets 304 Not Modified.
    void SetEtag(const std::string& path, const std::string& etag) {
        std::lock_guard<std::mutex> lock(mutex_);
        etags_[path] = etag;
    }
    int NotModifiedCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        return notModified_;
    }

  private:
    bool Stopping() {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    }

    void AcceptLoop() {
        while (!Stopping()) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 50) == 1) {
                const int connection = ::accept(listener_, nullptr, nullptr);
                if (connection >= 0) {
                    connections_.emplace_back([this, connection] { Serve(connection); });
                }
            }
        }
    }

    // The request head, read until its blank line (bounded in size and time).
    static std::string ReadHead(int connection) {
        std::string head;
        char chunk[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            pollfd waiting{connection, POLLIN, 0};
            if (::poll(&waiting, 1, 5000) != 1) {
                break;
            }
            const ssize_t got = ::recv(connection, chunk, sizeof chunk, 0);
            if (got <= 0) {
                break;
            }
            head.append(chunk, static_cast<size_t>(got));
        }
        return head;
    }

    void Serve(int connection) {
        const std::string head = ReadHead(connection);
        const size_t pathStart = head.find(' ') + 1;
        const std::string path = head.substr(pathStart, head.find(' ', pathStart) - pathStart);
        const size_t agent = head.find("User-Agent: ");
        {
            std::lock_guard<std::mutex> lock(mutex_);
            userAgents_.push_back(
                agent == std::string::npos
                    ? ""
                    : head.substr(agent + 12, head.find("\r\n", agent) - agent - 12));
        }
        const auto found = replies_.find(path);
        LoopbackReply reply =
            found != replies_.end() ? found->second : LoopbackReply{404, "<html>no</html>", false};
        const std::string validators = Validators(path, head, reply);
        if (reply.stall) {
            std::unique_lock<std::mutex> lock(mutex_);
            released_.wait(lock, [this] { return stopping_; });
        } else {
            const std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " Reply\r\n" +
                                         validators +
                                         "Content-Length: " + std::to_string(reply.body.size()) +
                                         "\r\nConnection: close\r\n\r\n" + reply.body;
            ::send(connection, response.data(), response.size(), MSG_NOSIGNAL);
        }
        ::close(connection);
    }

    // The ETag and Last-Modified lines of `path`, turning `reply` into a 304 when the
    // request asks If-None-Match with that ETag.
    std::string Validators(const std::string& path, const std::string& head, LoopbackReply& reply) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = etags_.find(path);
        if (found == etags_.end()) {
            return {};
        }
        if (head.find("If-None-Match: " + found->second + "\r\n") != std::string::npos &&
            head.find("If-Modified-Since: Mon, 07 Dec 2026 12:00:00 GMT\r\n") !=
                std::string::npos) {
            reply = {304, "", false};
            ++notModified_;
        }
        return "ETag: " + found->second + "\r\nLast-Modified: Mon, 07 Dec 2026 12:00:00 GMT\r\n";
    }

    std::map<std::string, LoopbackReply> replies_;
    std::map<std::string, std::string> etags_;
    int notModified_ = 0;
    int listener_ = -1;
    int port_ = 0;
    std::thread acceptor_;
    std::vector<std::thread> connections_; // touched by the acceptor only, then joined
    std::mutex mutex_;
    std::condition_variable released_;
    bool stopping_ = false;
    std::vector<std::string> userAgents_;
};
