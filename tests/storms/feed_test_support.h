#pragma once
// A storm table of the tests' own (the process-wide one stays untouched) and ways to
// feed it a body in chunks.
#include <cstddef>
#include <memory>
#include <string>

#include "storms/feed_parser.h"

class TestTable {
  public:
    TestTable() : table_(new StormTable()) { InitStormLock(table_->lock); }
    ~TestTable() { DeleteStormLock(table_->lock); }
    TestTable(const TestTable&) = delete;
    TestTable& operator=(const TestTable&) = delete;

    StormTable& operator*() { return *table_; }
    StormTable* operator->() { return table_.get(); }

  private:
    std::unique_ptr<StormTable> table_;
};

// Parses `body` into `table`, handing it over in pieces that end at each of `cuts`
// (ascending offsets) and then the rest.
template <size_t n>
void ParseWithCuts(StormTable& table, const std::string& body, const size_t (&cuts)[n]) {
    FeedParser parser;
    BeginFeed(parser);
    size_t start = 0;
    for (size_t cut : cuts) {
        FeedBytes(parser, table, body.data() + start, cut - start);
        start = cut;
    }
    FeedBytes(parser, table, body.data() + start, body.size() - start);
    EndFeed(parser, table);
}

// Parses `body` into `table` in chunks of `chunkSize` bytes (the last may be shorter).
inline void ParseInChunks(StormTable& table, const std::string& body, size_t chunkSize) {
    FeedParser parser;
    BeginFeed(parser);
    for (size_t start = 0; start < body.size(); start += chunkSize) {
        const size_t size = body.size() - start < chunkSize ? body.size() - start : chunkSize;
        FeedBytes(parser, table, body.data() + start, size);
    }
    EndFeed(parser, table);
}

inline void ParseWhole(StormTable& table, const std::string& body) {
    ParseInChunks(table, body, body.size() + 1);
}
