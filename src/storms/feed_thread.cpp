// The feed thread's one fetch: sockets, one internet handle, one GET, the body parsed as
// it arrives, then the flags and a repaint request. WinINet runs in asynchronous mode and
// the thread waits for each call's completion or for the end of the run, whichever comes
// first, so ending the run never waits on the network. Every internet handle is opened,
// used and closed by this thread alone: WinINet allows closing a handle only while no
// call is made or will be made on it, which only the thread that makes the calls knows.
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
constexpr DWORD_PTR kRequestContext = 2; // nonzero: asynchronous calls report only then
constexpr DWORD kConnectionFlags = INTERNET_FLAG_KEEP_CONNECTION;
// Always a fresh copy from the server, never the cache's, and none left in the user's
// browser cache either.
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kReadChunkBytes = 4096;
// Buffers for the URL and its parts. The longest feed URL ("http://", a 79-character
// host text and the path) stays far below this even with every character escaped, so
// canonicalising never needs a larger buffer.
constexpr DWORD kUrlSize = 2084;
constexpr DWORD kFirstSuccessStatus = 200;
constexpr DWORD kLastSuccessStatus = 299;

// What the thread waits on. The user-interface thread only raises `stop` when the run
// ends. The events are never closed: WinINet may still report a cancelled call late.
struct FeedWait {
    HANDLE completed; // auto-reset: the pending asynchronous call has finished
    HANDLE stop;      // manual-reset: the run is ending
    DWORD_PTR result; // the finished call's result: nonzero is success
};

FeedWait feedWait = {};

// The chunk being read and its length. Not on the thread's stack: WinINet may still
// complete a read after the thread has stopped waiting for it.
char chunk[kReadChunkBytes];
DWORD chunkLength = 0;

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

void CALLBACK OnInternetStatus(HINTERNET, DWORD_PTR, DWORD status, LPVOID information, DWORD) {
    if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        const auto* outcome = static_cast<const INTERNET_ASYNC_RESULT*>(information);
        feedWait.result = outcome->dwResult;
        ::SetEvent(feedWait.completed);
    }
}

DWORD AccessType(InternetAccess access) {
    switch (access) {
    case InternetAccess::Proxy:
        return INTERNET_OPEN_TYPE_PROXY;
    case InternetAccess::Direct:
        return INTERNET_OPEN_TYPE_DIRECT;
    case InternetAccess::SystemSettings:
        break;
    }
    return INTERNET_OPEN_TYPE_PRECONFIG;
}

// One handle per run.
HINTERNET OpenInternet(const FeedRequestPlan& plan) {
    const char* proxy = plan.access == InternetAccess::Proxy ? plan.proxyName : nullptr;
    HINTERNET internet =
        ::InternetOpenA(kFeedAgent, AccessType(plan.access), proxy, nullptr, INTERNET_FLAG_ASYNC);
    if (internet != nullptr) {
        ::InternetSetStatusCallbackA(internet, OnInternetStatus);
    }
    return internet;
}

bool RunEnding() {
    return ::WaitForSingleObject(feedWait.stop, 0) == WAIT_OBJECT_0;
}

// The outcome of an asynchronous call that returned `returned`: at once, or once it has
// finished. False when the run ends first, also between calls that finish at once. The
// finished call's success is its dwResult: dwError is documented only as "usually"
// ERROR_SUCCESS then.
bool Completed(BOOL returned) {
    if (RunEnding()) {
        return false;
    }
    if (returned) {
        return true;
    }
    if (::GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    const HANDLE events[] = {feedWait.completed, feedWait.stop};
    if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
        return false;
    }
    return feedWait.result != 0;
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

// The body length that the reply's Content-Length promises, 0 when it names none. When
// the server closes the connection early, WinINet ends the body as if it were whole (a
// read that succeeds with 0 bytes), so only this length tells the two apart.
DWORD PromisedLength(HINTERNET request) {
    DWORD length = 0;
    DWORD size = sizeof(length);
    if (!::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length,
                          &size, nullptr)) {
        return 0;
    }
    return length;
}

// Parses the body as it arrives. Fails when a read breaks off, the body grows past
// kMaxFeedBodyBytes (it never asks for more than one byte beyond that) or ends before its
// promised length; the caller then discards the stored storms.
bool ReadFeedBody(HINTERNET request) {
    const DWORD promised = PromisedLength(request);
    FeedParser parser;
    BeginFeed(parser);
    long total = 0;
    for (;;) {
        const long room = kMaxFeedBodyBytes + 1 - total;
        const DWORD wanted = room < static_cast<long>(kReadChunkBytes) ? room : kReadChunkBytes;
        chunkLength = 0;
        if (!Completed(::InternetReadFile(request, chunk, wanted, &chunkLength))) {
            return false;
        }
        if (chunkLength == 0) {
            break;
        }
        total += static_cast<long>(chunkLength);
        if (total > kMaxFeedBodyBytes) {
            return false;
        }
        FeedBytes(parser, stormTable, chunk, chunkLength);
    }
    EndFeed(parser, stormTable);
    return static_cast<DWORD>(total) >= promised;
}

// Sends the GET and reads the answer; closes the request and then the connection it opens,
// also when the run ends (closing a handle cancels the call still pending on it).
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
                         Completed(::HttpSendRequestA(request, nullptr, 0, nullptr, 0)) &&
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
        DiscardStorms(stormTable);
        ReportFailure();
    }
    ::InternetCloseHandle(internet);
    RaiseFetchDone(stormTable);
    InvalidateSaverWindow();
}

unsigned __stdcall FeedThreadStart(void*) {
    FeedThread();
    return kFeedThreadOwnEnd;
}

} // namespace

HANDLE StartFeedThread(HWND notify) {
    notifyWindow = notify;
    feedWait.completed = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    feedWait.stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, FeedThreadStart, nullptr, 0, nullptr);
    return reinterpret_cast<HANDLE>(thread);
}

bool AskFeedThreadToEnd(HANDLE thread, DWORD waitMs) {
    ::SetEvent(feedWait.stop);
    return ::WaitForSingleObject(thread, waitMs) == WAIT_OBJECT_0;
}
