// The feed thread's one fetch: sockets, one internet handle, one GET, the body parsed as
// it arrives, then the flags and a repaint request. Every buffer lives on this thread's
// stack, so a TerminateThread at any moment leaves nothing half-written that the user
// interface thread reads (it reads the records only once `fetchDone` is raised).
#include "storms/feed_thread.h"

#include <process.h>
#include <winsock2.h>
#include <wininet.h>

#include "settings/settings.h"
#include "storms/feed_parser.h"
#include "storms/feed_request.h"
#include "storms/storm_table.h"

namespace {

constexpr WORD kSocketsVersion = MAKEWORD(1, 1);
constexpr DWORD_PTR kConnectionContext = 1;
constexpr DWORD_PTR kRequestContext = 0;
constexpr DWORD kConnectionFlags = INTERNET_FLAG_KEEP_CONNECTION;
// Always a fresh copy from the server, never the cache's.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kReadChunkBytes = 4096;
// Buffers for the URL and its parts. The longest feed URL ("http://", a 79-character
// host text and the path) stays far below this even with every character escaped, so
// canonicalising never needs a larger buffer.
constexpr DWORD kUrlSize = 2084;
constexpr DWORD kFirstSuccessStatus = 200;
constexpr DWORD kLastSuccessStatus = 299;

struct FeedUrlParts {
    char host[kUrlSize];
    char path[kUrlSize];
    INTERNET_PORT port; // 80 for a URL without a port; 0 (the default) when unsplit
};

// The window that shows the feed's result; set before the thread starts.
HWND notifyWindow = nullptr;

void InvalidateSaverWindow() {
    ::InvalidateRect(notifyWindow, nullptr, TRUE);
}

void ReportFailure() {
    RaiseFetchFailed(stormTable);
    InvalidateSaverWindow();
}

// No system dialog may pop up over the saver on behalf of this thread's calls.
void SilenceCriticalErrors() {
    const UINT mode = ::SetErrorMode(0);
    ::SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

bool StartSockets() {
    WSADATA data = {};
    if (::WSAStartup(kSocketsVersion, &data) != 0) {
        return false;
    }
    if (data.wVersion != kSocketsVersion) {
        ::WSACleanup();
        return false;
    }
    return true;
}

// One handle per run.
HINTERNET OpenInternet(const FeedRequestPlan& plan) {
    switch (plan.access) {
    case InternetAccess::Proxy:
        return ::InternetOpenA(kFeedAgent, INTERNET_OPEN_TYPE_PROXY, plan.proxyName, nullptr, 0);
    case InternetAccess::Direct:
        return ::InternetOpenA(kFeedAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    case InternetAccess::SystemSettings:
        break;
    }
    return ::InternetOpenA(kFeedAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
}

// A URL that cannot be canonicalised or split leaves host and path empty, and the
// connection or the request then fails.
void SplitFeedUrl(const char* url, FeedUrlParts& parts) {
    parts.host[0] = parts.path[0] = '\0';
    parts.port = INTERNET_INVALID_PORT_NUMBER;
    char canonical[kUrlSize];
    DWORD length = kUrlSize;
    if (!::InternetCanonicalizeUrlA(url, canonical, &length, ICU_BROWSER_MODE)) {
        return;
    }
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = parts.host;
    components.dwHostNameLength = kUrlSize;
    components.lpszUrlPath = parts.path;
    components.dwUrlPathLength = kUrlSize;
    if (!::InternetCrackUrlA(canonical, 0, 0, &components)) {
        parts.host[0] = parts.path[0] = '\0';
        return;
    }
    parts.port = components.nPort;
}

// An error page is not the feed.
bool HasSuccessStatus(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr)) {
        return false;
    }
    return status >= kFirstSuccessStatus && status <= kLastSuccessStatus;
}

// Parses the body as it arrives. Fails when a read breaks off or the body grows past
// kMaxFeedBodyBytes (it never asks for more than one byte beyond that); the caller then
// discards what was stored.
bool ReadFeedBody(HINTERNET request) {
    FeedParser parser;
    BeginFeed(parser);
    char chunk[kReadChunkBytes];
    long total = 0;
    for (;;) {
        const long room = kMaxFeedBodyBytes + 1 - total;
        const DWORD wanted = room < static_cast<long>(kReadChunkBytes) ? room : kReadChunkBytes;
        DWORD read = 0;
        if (!::InternetReadFile(request, chunk, wanted, &read)) {
            return false;
        }
        if (read == 0) {
            break;
        }
        total += static_cast<long>(read);
        if (total > kMaxFeedBodyBytes) {
            return false;
        }
        FeedBytes(parser, stormTable, chunk, read);
    }
    EndFeed(parser, stormTable);
    return true;
}

// Sends the GET and reads the answer; closes the request and connection it opens.
bool FetchFeed(HINTERNET internet, const char* url) {
    FeedUrlParts parts;
    SplitFeedUrl(url, parts);
    HINTERNET connection =
        ::InternetConnectA(internet, parts.host, parts.port, nullptr, nullptr,
                           INTERNET_SERVICE_HTTP, kConnectionFlags, kConnectionContext);
    if (connection == nullptr) {
        return false;
    }
    HINTERNET request = ::HttpOpenRequestA(connection, "GET", parts.path, "HTTP/1.0", nullptr,
                                           nullptr, kRequestFlags, kRequestContext);
    const bool fetched = request != nullptr &&
                         ::HttpSendRequestA(request, nullptr, 0, nullptr, 0) &&
                         HasSuccessStatus(request) && ReadFeedBody(request);
    if (request != nullptr) {
        ::InternetCloseHandle(request);
    }
    ::InternetCloseHandle(connection);
    return fetched;
}

// The thread body. Without an internet handle only `fetchFailed` is raised; once one is
// open, `fetchDone` is raised at the end whatever happened, after `fetchFailed` when the
// feed was not obtained.
void FeedThread() {
    SilenceCriticalErrors();
    if (!StartSockets()) {
        ReportFailure();
        return;
    }
    const FeedRequestPlan plan = PlanFeedRequest(saverSettings);
    HINTERNET internet = OpenInternet(plan);
    if (internet == nullptr) {
        ReportFailure();
        return;
    }
    if (!FetchFeed(internet, plan.url)) {
        DiscardFeed(stormTable);
        ReportFailure();
    }
    ::InternetCloseHandle(internet);
    RaiseFetchDone(stormTable);
    InvalidateSaverWindow();
}

unsigned __stdcall FeedThreadStart(void*) {
    FeedThread();
    return 0;
}

} // namespace

HANDLE StartFeedThread(HWND notify) {
    notifyWindow = notify;
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, FeedThreadStart, nullptr, 0, nullptr);
    return reinterpret_cast<HANDLE>(thread);
}
