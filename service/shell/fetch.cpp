#include "shell/fetch.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

namespace {

constexpr long kMaxRedirects = 5;
constexpr long kHttpErrorFrom = 400;
constexpr long kHttpNotModified = 304;
constexpr const char* kUserAgent = "zarvane-feed/" ZARVANE_FEED_VERSION;

struct Download {
    std::string body;
    std::size_t maxBytes;
    bool tooLarge;
};

std::size_t Append(char* data, std::size_t size, std::size_t count, void* user) {
    Download& download = *static_cast<Download*>(user);
    const std::size_t bytes = size * count;
    if (download.body.size() + bytes > download.maxBytes) {
        download.tooLarge = true;
        return 0; // makes libcurl stop with a write error
    }
    download.body.append(data, bytes);
    return bytes;
}

std::string TooLarge(std::size_t maxBytes) {
    return "larger than " + std::to_string(maxBytes) + " bytes";
}

// Called by libcurl at least once a second during a transfer; nonzero aborts it.
int CheckAbort(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* abort = static_cast<const std::atomic<bool>*>(flag);
    return abort != nullptr && abort->load() ? 1 : 0;
}

void SetOptions(CURL* curl, const std::string& url, const FetchLimits& limits, Download& download) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.totalSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // timeouts without signals: worker threads
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // any encoding curl can decode
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckAbort);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, limits.abort);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

using HeaderList = std::unique_ptr<curl_slist, void (*)(curl_slist*)>;

// If-None-Match and If-Modified-Since from the last answer, where it gave them.
HeaderList ConditionalHeaders(CURL* curl, const Conditional* conditional) {
    HeaderList headers(nullptr, curl_slist_free_all);
    const Validators previous = conditional ? conditional->previous : Validators{};
    const auto add = [&headers](const std::string& line) {
        // The list's head stays the same once it has one.
        curl_slist* head = curl_slist_append(headers.get(), line.c_str());
        if (head && !headers) {
            headers.reset(head);
        }
    };
    if (!previous.etag.empty()) {
        add("If-None-Match: " + previous.etag);
    }
    if (!previous.lastModified.empty()) {
        add("If-Modified-Since: " + previous.lastModified);
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    return headers;
}

std::string LastHeader(CURL* curl, const char* name) {
    curl_header* header = nullptr;
    const bool found = curl_easy_header(curl, name, 0, CURLH_HEADER, -1, &header) == CURLHE_OK;
    return found && header->value ? header->value : std::string();
}

Fetched FetchUrl(const std::string& url, const FetchLimits& limits, Conditional* conditional) {
    const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        return unexpected("could not start libcurl");
    }
    Download download{{}, limits.maxBytes, false};
    SetOptions(curl.get(), url, limits, download);
    const HeaderList headers = ConditionalHeaders(curl.get(), conditional);
    const CURLcode code = curl_easy_perform(curl.get());
    if (download.tooLarge) {
        return unexpected(TooLarge(limits.maxBytes));
    }
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        return unexpected("aborted");
    }
    if (code == CURLE_OPERATION_TIMEDOUT) {
        return unexpected("timed out");
    }
    if (code != CURLE_OK) {
        return unexpected(curl_easy_strerror(code));
    }
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status >= kHttpErrorFrom) {
        return unexpected("HTTP " + std::to_string(status));
    }
    if (conditional) {
        conditional->notModified = status == kHttpNotModified;
        conditional->answered = {LastHeader(curl.get(), "ETag"),
                                 LastHeader(curl.get(), "Last-Modified")};
    }
    return std::move(download.body);
}

Fetched ReadFile(const std::string& path, std::size_t maxBytes) {
    // A FIFO or a device would block or never end: only a regular file is read.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return unexpected("not a regular file");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return unexpected("cannot open the file");
    }
    std::string body;
    char chunk[1 << 16];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        body.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (body.size() > maxBytes) {
            return unexpected(TooLarge(maxBytes));
        }
    }
    if (file.bad()) {
        return unexpected("cannot read the file");
    }
    return body;
}

} // namespace

bool IsUrl(const std::string& location) {
    return location.rfind("http://", 0) == 0 || location.rfind("https://", 0) == 0;
}

Fetched Fetch(const std::string& location, const FetchLimits& limits, Conditional* conditional) {
    return IsUrl(location) ? FetchUrl(location, limits, conditional)
                           : ReadFile(location, limits.maxBytes);
}
