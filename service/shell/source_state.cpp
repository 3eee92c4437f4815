#include "shell/source_state.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "core/readers.h"
#include "core/sources.h"
#include "shell/temporary_file.h"

namespace {

constexpr std::string_view kMagic = "zarvane-feed source state 1\n";
constexpr size_t kHeadRoom = 4096; // the lines before the body, at most

// The file of a location: a hash of it, so that any URL makes a plain file name.
std::string StateFile(const std::string& dir, const std::string& location) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char byte : location) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof(name), "/%016llx.source", static_cast<unsigned long long>(hash));
    return dir + name;
}

// A header value goes back into a request: printable ASCII only, nothing to split a line.
bool IsPrintable(std::string_view value) {
    return std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// "NAME VALUE\n" at `at`; the value, and `at` moved past the line.
std::optional<std::string> Field(std::string_view text, size_t& at, std::string_view name) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos ||
        text.compare(at, name.size() + 1, std::string(name) + " ") != 0) {
        return std::nullopt;
    }
    const std::string_view value = text.substr(at + name.size() + 1, end - at - name.size() - 1);
    at = end + 1;
    return IsPrintable(value) ? std::optional<std::string>(value) : std::nullopt;
}

std::string Serialise(const std::string& location, const SourceMemory::Remembered& kept) {
    return std::string(kMagic) + "location " + location + "\netag " + kept.validators.etag +
           "\nlast-modified " + kept.validators.lastModified + "\nlength " +
           std::to_string(kept.body.size()) + "\n\n" + kept.body;
}

// The kept answer in `text`, when it is one of `source`'s.
std::optional<SourceMemory::Remembered> Parse(std::string_view text, const SourceSpec& source) {
    size_t at = kMagic.size();
    if (text.substr(0, at) != kMagic) {
        return std::nullopt;
    }
    const auto location = Field(text, at, "location");
    const auto etag = Field(text, at, "etag");
    const auto lastModified = Field(text, at, "last-modified");
    const auto length = Field(text, at, "length");
    if (!location || *location != source.location || !etag || !lastModified || !length ||
        (etag->empty() && lastModified->empty()) || text.substr(at, 1) != "\n" ||
        *length != std::to_string(text.size() - at - 1)) {
        return std::nullopt;
    }
    std::string body(text.substr(at + 1));
    ReadResult read = ReadSource(source.kind, body);
    if (!read) {
        return std::nullopt; // bytes that do not read were never kept
    }
    return SourceMemory::Remembered{
        {*etag, *lastModified}, std::move(read), std::move(body), false};
}

bool UsableFolder(const std::string& dir) {
    if (::access(dir.c_str(), W_OK | X_OK) == 0) {
        return true;
    }
    std::fprintf(stderr, "zarvane-feed: state folder %s: %s; asking every source in full\n",
                 dir.c_str(), std::strerror(errno));
    return false;
}

} // namespace

bool LoadSourceState(const std::string& dir, const std::vector<SourceSpec>& sources,
                     SourceMemory& memory) {
    if (!UsableFolder(dir)) {
        return false;
    }
    for (const SourceSpec& source : sources) {
        const std::string path = StateFile(dir, source.location);
        std::ifstream file(path, std::ios::binary);
        if (!file || !IsUrl(source.location)) {
            continue; // nothing kept: asked in full
        }
        std::string text(SourceSizeCap(source.kind) + kHeadRoom + 1, '\0');
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(file.gcount()));
        if (auto kept = Parse(text, source)) {
            memory.Keep(source.location, std::move(*kept));
        } else {
            std::fprintf(stderr, "zarvane-feed: ignored %s: not a kept answer of %s\n",
                         path.c_str(), source.location.c_str());
        }
    }
    return true;
}

void SaveSourceState(const std::string& dir, const SourceMemory& memory) {
    for (const auto& [location, kept] : memory.Answered()) {
        const std::string path = StateFile(dir, location);
        // Without validators, or bytes that did not read, there is nothing to ask about.
        if ((kept.validators.etag.empty() && kept.validators.lastModified.empty()) || !kept.read) {
            if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
                std::fprintf(stderr, "zarvane-feed: cannot remove %s: %s\n", path.c_str(),
                             std::strerror(errno));
            }
            continue;
        }
        TemporaryFile temporary(path);
        if (const auto committed = temporary.Commit(Serialise(location, kept), path); !committed) {
            std::fprintf(stderr, "zarvane-feed: %s\n", committed.error().c_str());
        }
    }
}
