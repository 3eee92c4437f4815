// Throughput of the storm feed parser, fed 4096-byte chunks as the feed thread reads
// them: an ordinary feed of about 2 KB, and hostile feeds of 256 KiB to 4 MiB (overlong
// lines, runs of commas, huge numbers, floods of tiny lines and CRs) whose bytes per
// second must not fall as they grow. The feed thread stops reading at 1 MiB; the larger
// size is there to show the trend.
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "storms/feed_parser.h"

namespace {

constexpr size_t kReadChunk = 4096;

struct Storm {
    const char* group;
    const char* name;
    double latitude, longitude;
    int knots;
};

const Storm kStorms[] = {
    {"Atlantic", "Francine", 29.2, 90.8, 90},
    {"Atlantic", "Gordon", 18.4, 44.1, 30},
    {"Atlantic", "Helene", 24.9, 86.3, 120},
    {"Atlantic", "Isaac", 41.5, 33.0, 65},
    {"Atlantic", "Joyce", 20.2, 48.6, 40},
    {"Eastern Pacific", "Ileana", 23.0, 108.9, 35},
    {"Eastern Pacific", "John", 16.1, 99.4, 105},
    {"Eastern Pacific", "Kristy", 14.8, 118.2, 140},
    {"Central Pacific", "Hone", 19.0, 161.7, 45},
    {"Western Pacific", "Bebinca", 28.1, -129.7, 70},
    {"Western Pacific", "Pulasan", 19.6, -139.2, 40},
    {"Western Pacific", "Soulik", 16.9, -109.8, 35},
    {"Western Pacific", "Krathon", 20.7, -122.4, 125},
    {"North Indian", "Dana", 19.4, -88.1, 60},
    {"South Indian", "Chido", -12.6, -49.5, 115},
    {"South Indian", "Dikeledi", -16.3, -43.9, 75},
    {"Australian Region", "Alfred", -25.1, -155.6, 85},
    {"Australian Region", "Zelia", -19.8, -118.7, 110},
    {"South Pacific", "Rae", -17.4, 178.9, 55},
    {"South Pacific", "Pita", -20.1, 160.2, 35},
};

// About 2 KB: a status line, twenty storms under their groups, each with the further
// fields (pressure, motion, advisory) that the parser skips. CR LF line ends.
std::string RealisticFeed() {
    std::string body = "Active tropical cyclones as of 26 Sep 2024 1500 UTC, source advisories\r\n";
    const char* group = "";
    for (const Storm& s : kStorms) {
        if (std::string(group) != s.group) {
            group = s.group;
            body += std::string("-") + group + "\r\n";
        }
        char line[200];
        std::snprintf(line, sizeof line,
                      "%s,%.1f,%.1f,%d,%d mb,moving NNW at %d kt,advisory %d,"
                      "issued 26/1500Z,next 26/2100Z\r\n",
                      s.name, s.latitude, s.longitude, s.knots, 1010 - s.knots / 2,
                      5 + s.knots % 13, s.knots / 5);
        body += line;
    }
    return body;
}

// One block of a hostile feed, about 80 KB, repeated to the size wanted.
std::string HostileBlock() {
    std::string block = std::string(20000, 'L') + "\n"; // an overlong line
    block += std::string(20000, ',') + "\r\n";          // nothing but commas
    for (int i = 0; i < 2000; ++i) {
        block += ",,,x"; // runs of commas, 1-byte fields
    }
    block += "\n-" + std::string(6000, 'G') + ",more,fields\n"; // overlong group
    const std::string huge = std::string(1200, '9');
    for (int i = 0; i < 8; ++i) {
        block += "Huge," + huge + ",1e99999,-0." + std::string(1000, '0') + "1," + huge + "\n";
    }
    for (int i = 0; i < 2000; ++i) {
        block += i % 2 ? "\n" : ",\r\n"; // floods of tiny lines
    }
    for (int i = 0; i < 500; ++i) {
        block += "A\r,\r1\r,\r2\r,\r3\r\n"; // CRs everywhere
    }
    return block;
}

std::string HostileFeed(size_t size) {
    const std::string block = HostileBlock();
    std::string body = std::string(5000, 'S') + "\n";
    while (body.size() < size) {
        body += block;
    }
    body.resize(size);
    return body;
}

StormTable& BenchTable() {
    static StormTable table;
    static bool initialised = false;
    if (!initialised) {
        InitStormLock(table.lock);
        initialised = true;
    }
    return table;
}

void ParseFeed(benchmark::State& state, const std::string& body) {
    StormTable& table = BenchTable();
    FeedParser parser;
    for (auto _ : state) {
        table.count = 0;
        BeginFeed(parser);
        for (size_t start = 0; start < body.size(); start += kReadChunk) {
            const size_t left = body.size() - start;
            FeedBytes(parser, table, body.data() + start, left < kReadChunk ? left : kReadChunk);
        }
        EndFeed(parser, table);
        benchmark::DoNotOptimize(table.count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
    state.counters["storms"] = table.count;
}

void BM_RealisticFeed(benchmark::State& state) {
    const std::string body = RealisticFeed();
    state.counters["bytes"] = static_cast<double>(body.size());
    ParseFeed(state, body);
}
BENCHMARK(BM_RealisticFeed)->Unit(benchmark::kMicrosecond);

void BM_HostileFeed(benchmark::State& state) {
    ParseFeed(state, HostileFeed(static_cast<size_t>(state.range(0))));
}
BENCHMARK(BM_HostileFeed)
    ->Arg(256 << 10)
    ->Arg(1 << 20)
    ->Arg(4 << 20)
    ->Unit(benchmark::kMillisecond);

// Storing one storm line whose three number fields are each `range(0)` digits long: the
// cost of reading huge numbers must grow with their length, no faster.
void BM_HugeNumberFields(benchmark::State& state) {
    const size_t digits = static_cast<size_t>(state.range(0));
    const std::string latitude = "-0." + std::string(digits, '0') + "1";
    const std::string longitude = std::string(digits, '9');
    const std::string wind = "1" + std::string(digits, '0') + "e-99999";
    StormTable& table = BenchTable();
    for (auto _ : state) {
        table.count = 0;
        StoreStormLine(table, "", "Huge", latitude.c_str(), longitude.c_str(), wind.c_str());
        benchmark::DoNotOptimize(table.records[0]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(
        state.iterations() * (latitude.size() + longitude.size() + wind.size())));
}
BENCHMARK(BM_HugeNumberFields)->Arg(64)->Arg(512)->Arg(4096);

} // namespace

BENCHMARK_MAIN();
