#include "http_server.h"

#include <ws2tcpip.h>

#include <fstream>
#include <sstream>

#include "harness.h"

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
    const std::string length =
        reply_.manner == ReplyManner::NoLength
            ? ""
            : "Content-Length: " + std::to_string(reply_.body.size()) + "\r\n";
    const std::string header = "HTTP/1.0 " + std::to_string(reply_.status) + " " +
                               StatusReason(reply_.status) + "\r\nContent-Type: text/plain\r\n" +
                               length + reply_.extraHeaders + "\r\n";
    switch (reply_.manner) {
    case ReplyManner::Prompt:
    case ReplyManner::NoLength:
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
    case ReplyManner::CloseMidBody:
        SendAll(connection, header + reply_.body.substr(0, reply_.body.size() / 2));
        break;
    case ReplyManner::CloseAtOnce:
        break;
    }
    ::shutdown(connection, SD_SEND);
    ::closesocket(connection);
}

} // namespace e2e

namespace e2e {

// The Windows name of a Unix path under Wine's drive Z:.
std::string OnDriveZ(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

// Starts a Unix shell command; Wine gives no handle for a Unix process.
bool RunUnixShell(const std::string& script) {
    const std::string program = OnDriveZ("/bin/sh");
    std::string commandLine = "sh -c \"" + script + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info)) {
        return false;
    }
    if (info.hProcess != nullptr) {
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    return true;
}

namespace {

constexpr char kTinyproxy[] = "/usr/bin/tinyproxy";
constexpr DWORD kProxyStartMs = 10000;

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
}

std::string ProxyConfig(int port, const std::string& folder) {
    std::ostringstream config;
    config << "Port " << port << "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 60\n"
           << "MaxClients 20\nLogLevel Warning\nLogFile \"" << folder << "/tinyproxy.log\"\n";
    return config.str();
}

} // namespace

int FreeLoopbackPort() {
    static WinsockSession session;
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(probe);
    return ntohs(address.sin_port);
}

bool LoopbackPortAccepts(int port) {
    static WinsockSession session;
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    const bool accepted =
        ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::closesocket(probe);
    return accepted;
}

TestProxy::TestProxy() {
    if (!RunningUnderWine() ||
        ::GetFileAttributesA(OnDriveZ(kTinyproxy).c_str()) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    static int instances = 0;
    folder_ = "/tmp/zarvane-e2e-proxy-" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(++instances);
    ::CreateDirectoryA(OnDriveZ(folder_).c_str(), nullptr);
    port_ = FreeLoopbackPort();
    WriteTextFile(OnDriveZ(folder_ + "/tinyproxy.conf"), ProxyConfig(port_, folder_));
    // The shell records its own process id and then becomes the proxy (-d: foreground).
    const std::string script = "echo $$ > " + folder_ + "/pid; exec " + kTinyproxy + " -d -c " +
                               folder_ + "/tinyproxy.conf";
    started_ = RunUnixShell(script) &&
               WaitUntil([this] { return LoopbackPortAccepts(port_); }, kProxyStartMs);
}

TestProxy::~TestProxy() {
    if (folder_.empty()) {
        return;
    }
    RunUnixShell("kill $(cat " + folder_ + "/pid)");
    WaitUntil([this] { return !LoopbackPortAccepts(port_); }, kExitTimeoutMs);
    RunUnixShell("rm -rf " + folder_);
}

std::string TestProxy::HostText() const {
    return "127.0.0.1:" + std::to_string(port_);
}

} // namespace e2e
