// The feed writer against the saver's parser on arbitrary storms: the bytes give a status
// text and storms (group, name, latitude, longitude, wind). The feed must read back as the
// same cleaned texts, the positions to 0.05 degrees and the same winds; any crash or
// sanitizer report is a failure too.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "storms/feed_parser.h"
#include "feed_format/feed_writer.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

struct Bytes {
    const uint8_t* data;
    size_t size;

    std::string Text() { // a length byte, then that many bytes
        const size_t length = size == 0 ? 0 : data[0] % 64u;
        Skip(1);
        const std::string text(reinterpret_cast<const char*>(data), length < size ? length : size);
        Skip(text.size());
        return text;
    }
    template <typename T> T Value() {
        T value{};
        std::memcpy(&value, data, sizeof value < size ? sizeof value : size);
        Skip(sizeof value);
        return value;
    }
    void Skip(size_t count) {
        count = count < size ? count : size;
        data += count;
        size -= count;
    }
};

bool Near(double got, double written) {
    const double expected = std::isfinite(written) ? written : 0.0;
    return std::fabs(got - expected) <= 0.05 + 1e-9 + 1e-12 * std::fabs(expected);
}

StormTable& Table() {
    static StormTable table;
    static bool initialised = false;
    if (!initialised) {
        InitStormLock(table.lock);
        initialised = true;
    }
    table.count = 0;
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes bytes{data, size};
    const std::string status = bytes.Text();
    std::vector<FeedStorm> storms;
    while (bytes.size > 0 && storms.size() < 30) {
        FeedStorm storm{bytes.Text(), bytes.Text(), 0.0, 0.0, 0};
        storm.latitude = bytes.Value<double>();
        storm.longitude = bytes.Value<double>();
        storm.windKnots = bytes.Value<int>();
        storms.push_back(storm);
    }
    const std::string feed = WriteFeed(status, storms);
    StormTable& table = Table();
    FeedParser parser;
    BeginFeed(parser);
    FeedBytes(parser, table, feed.data(), feed.size());
    EndFeed(parser, table);
    Check(std::strcmp(table.statusText, FeedStatusText(status).c_str()) == 0);
    Check(static_cast<size_t>(table.count) == (storms.size() < 20 ? storms.size() : 20));
    for (int i = 0; i < table.count; ++i) {
        const StormRecord& record = table.records[i];
        Check(FeedGroupText(storms[i].group) == record.group);
        Check(FeedNameText(storms[i].name) == record.name);
        Check(Near(record.latitude, storms[i].latitude));
        Check(Near(record.longitude, storms[i].longitude));
        Check(record.windKnots == storms[i].windKnots);
    }
    return 0;
}
