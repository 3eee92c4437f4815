// Bounds of the parser on untrusted feeds: at most 20 storms, at most 4096 bytes kept of
// a line, and a failed fetch that forgets what was parsed.
#include "storms/feed_parser.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "feed_test_support.h"

namespace {

std::string StormLine(int number) {
    return "Storm " + std::to_string(number) + "," + std::to_string(number) + ".5,-120,45\n";
}

TEST(FeedCapacity, KeepsTheFirstTwentyStormsAndDropsTheRest) {
    std::string body = "Status\n-First\n";
    for (int i = 1; i <= 25; ++i) {
        body += StormLine(i);
        if (i == 10) {
            body += "-Second\n";
        }
    }
    for (size_t chunk : {body.size(), size_t{1}, size_t{7}}) {
        TestTable table;
        ParseInChunks(*table, body, chunk);
        ASSERT_EQ(table->count, 20);
        EXPECT_STREQ(table->statusText, "Status");
        for (int i = 0; i < 20; ++i) {
            const StormRecord& r = table->records[i];
            EXPECT_EQ(std::string(r.name), "Storm " + std::to_string(i + 1));
            EXPECT_EQ(r.latitude, i + 1.5);
            EXPECT_STREQ(r.group, i < 10 ? "First" : "Second");
        }
    }
}

TEST(FeedCapacity, StoringIntoAFullTableChangesNothing) {
    TestTable table;
    for (int i = 0; i < 20; ++i) {
        StoreStormLine(*table, "G", "Full", "1", "2", "35");
    }
    const StormTable before = *table;
    StoreStormLine(*table, "H", "Extra", "3", "4", "130");
    EXPECT_EQ(table->count, 20);
    EXPECT_EQ(0, std::memcmp(table->records, before.records, sizeof before.records));
    EXPECT_STREQ(table->statusText, "");
}

// A storm line of exactly `length` bytes (without its LF) whose wind field is the last.
std::string LineOfLength(size_t length, const std::string& wind) {
    const std::string tail = ",10.5,20.5," + wind;
    return std::string(length - tail.size(), 'N') + tail;
}

struct LineLimitCase {
    const char* title;
    std::string line;
    int count;
    int knots;
};

const LineLimitCase kLineLimitCases[] = {
    {"4096 bytes are kept whole", LineOfLength(4096, "35"), 1, 35},
    {"the 4097th byte is dropped", LineOfLength(4097, "355"), 1, 35},
    {"a wind field starting at byte 4097 is lost", std::string(4091, 'N') + ",1,2,35", 0, 0},
    {"fields wholly beyond the limit are lost", std::string(5000, 'N') + ",10.5,20.5,35", 0, 0},
    {"CRs do not count toward the limit", std::string(200, '\r') + LineOfLength(4096, "35") + "5",
     1, 35},
};

TEST(FeedLineLimit, KeepsTheFirst4096BytesOfALine) {
    for (const LineLimitCase& c : kLineLimitCases) {
        SCOPED_TRACE(c.title);
        const std::string body = "S\n" + c.line + "\nAfter,1,2,70\n";
        for (size_t chunk : {body.size(), size_t{1}, size_t{4096}, size_t{4095}}) {
            TestTable table;
            ParseInChunks(*table, body, chunk);
            ASSERT_EQ(table->count, c.count + 1) << "chunk " << chunk;
            if (c.count == 1) {
                EXPECT_EQ(table->records[0].windKnots, c.knots);
                EXPECT_EQ(table->records[0].latitude, 10.5);
            }
            EXPECT_STREQ(table->records[c.count].name, "After"); // the next line is whole
        }
    }
}

TEST(FeedLineLimit, OverlongStatusAndGroupLines) {
    const std::string body =
        std::string(10000, 's') + "\n-" + std::string(9000, 'g') + "\nAlpha,1,2,35";
    TestTable table;
    ParseInChunks(*table, body, 4096);
    EXPECT_EQ(std::string(table->statusText), std::string(255, 's'));
    ASSERT_EQ(table->count, 1);
    EXPECT_EQ(std::string(table->records[0].group), std::string(31, 'g'));
}

TEST(FeedLineLimit, OneLongLineWithoutLineEnd) {
    // A server that never sends a LF: the status line is stored at the end of the body.
    TestTable table;
    FeedParser parser;
    BeginFeed(parser);
    const std::string chunk(4096, 'x');
    for (int i = 0; i < 256; ++i) {
        FeedBytes(parser, *table, chunk.data(), chunk.size());
    }
    EXPECT_STREQ(table->statusText, "");
    EndFeed(parser, *table);
    EXPECT_EQ(std::string(table->statusText), std::string(255, 'x'));
    EXPECT_EQ(table->count, 0);
}

TEST(DiscardStorms, ForgetsStormsButNotTheStatusLineOrFlags) {
    TestTable table;
    ParseWhole(*table, "Partial status\nAlpha,1,2,35\nBravo,3,4,45\n");
    ASSERT_EQ(table->count, 2);
    RaiseFetchFailed(*table);
    DiscardStorms(*table);
    EXPECT_EQ(table->count, 0);
    EXPECT_STREQ(table->statusText, "Partial status");
    const FetchState state = ReadFetchState(*table);
    EXPECT_EQ(state.done, 0);
    EXPECT_EQ(state.failed, 1);
}

} // namespace
