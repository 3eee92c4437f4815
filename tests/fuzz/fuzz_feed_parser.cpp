// Feeds arbitrary bytes to the storm feed parser as a body, whole, one byte at a time and
// in chunks of varying size. Any crash or sanitizer report is a failure, and so is a
// table that breaks its invariants or depends on where the body was cut.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "storms/feed_parser.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

StormTable& FreshTable(int which) {
    static StormTable tables[3];
    static bool initialised = false;
    if (!initialised) {
        for (StormTable& table : tables) {
            InitStormLock(table.lock);
        }
        initialised = true;
    }
    StormTable& table = tables[which];
    std::memset(table.records, 0x5A, sizeof table.records);
    table.count = 0;
    std::memset(table.statusText, 0x5A, sizeof table.statusText);
    return table;
}

// Chunk sizes: 0 means the whole body, 1 a byte at a time; otherwise taken from the body
// itself so that the fuzzer also explores the cuts.
void Parse(StormTable& table, const char* body, size_t size, size_t chunkMode) {
    FeedParser parser;
    BeginFeed(parser);
    for (size_t start = 0; start < size;) {
        size_t chunk = chunkMode == 0   ? size
                       : chunkMode == 1 ? 1
                                        : 1 + static_cast<unsigned char>(body[start]) % 97u;
        chunk = chunk < size - start ? chunk : size - start;
        FeedBytes(parser, table, body + start, chunk);
        start += chunk;
    }
    EndFeed(parser, table);
}

bool Terminated(const char* text, size_t width) {
    return std::memchr(text, 0, width) != nullptr;
}

void CheckInvariants(const StormTable& table) {
    Check(table.count >= 0 && table.count <= kStormCapacity);
    Check(Terminated(table.statusText, sizeof table.statusText));
    for (int i = 0; i < table.count; ++i) {
        const StormRecord& r = table.records[i];
        Check(Terminated(r.group, sizeof r.group) && Terminated(r.name, sizeof r.name));
        Check(std::isfinite(r.latitude) && std::isfinite(r.longitude));
        Check(r.name[0] != '\0' && r.name[0] != '-' && r.name[0] != ',');
    }
}

// The status text worked out on its own: the bytes before the first LF, without CRs,
// up to a zero byte, at most 255.
void CheckStatus(const StormTable& table, const char* body, size_t size) {
    char expected[kStatusTextSize] = {};
    size_t length = 0;
    for (size_t i = 0; i < size && body[i] != '\n' && length < kStatusTextSize - 1; ++i) {
        if (body[i] != '\r') {
            expected[length++] = body[i];
        }
    }
    Check(std::strcmp(table.statusText, expected) == 0);
}

bool SameTable(const StormTable& a, const StormTable& b) {
    return a.count == b.count && std::strcmp(a.statusText, b.statusText) == 0 &&
           std::memcmp(a.records, b.records, sizeof(StormRecord) * a.count) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* body = reinterpret_cast<const char*>(data);
    StormTable& whole = FreshTable(0);
    Parse(whole, body, size, 0);
    CheckInvariants(whole);
    CheckStatus(whole, body, size);
    for (size_t mode = 1; mode <= 2; ++mode) {
        StormTable& cut = FreshTable(static_cast<int>(mode));
        Parse(cut, body, size, mode);
        Check(SameTable(whole, cut));
    }
    return 0;
}
