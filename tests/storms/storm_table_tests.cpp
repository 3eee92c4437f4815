// The table's lock protocol: flags and status text go through the lock, and a reader
// never sees a status text half written.
#include "storms/storm_table.h"

#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "feed_test_support.h"

namespace {

TEST(StormTable, ProcessWideTableStartsEmpty) {
    EXPECT_EQ(stormTable.count, 0);
    EXPECT_EQ(stormTable.fetchDone, 0);
    EXPECT_EQ(stormTable.fetchFailed, 0);
    EXPECT_STREQ(stormTable.statusText, "");
}

TEST(StormTable, FlagsAreRaisedIndependently) {
    TestTable table;
    EXPECT_EQ(ReadFetchState(*table).done, 0);
    EXPECT_EQ(ReadFetchState(*table).failed, 0);
    RaiseFetchFailed(*table);
    EXPECT_EQ(ReadFetchState(*table).done, 0);
    EXPECT_EQ(ReadFetchState(*table).failed, 1);
    RaiseFetchDone(*table);
    EXPECT_EQ(ReadFetchState(*table).done, 1);
    EXPECT_EQ(ReadFetchState(*table).failed, 1);
}

TEST(StormTable, StatusTextIsCutTo255AndTerminated) {
    TestTable table;
    const std::string longText(400, 'q');
    StoreStatusText(*table, longText.c_str());
    char copy[kStatusTextSize];
    CopyStatusText(*table, copy);
    EXPECT_EQ(std::string(copy), longText.substr(0, 255));
    StoreStatusText(*table, "short");
    CopyStatusText(*table, copy);
    EXPECT_STREQ(copy, "short");
}

TEST(StormTable, StatusCopiesAreNeverTorn) {
    // The feed thread writes while the user-interface thread copies for the banner.
    TestTable table;
    const std::string a(255, 'a'), b(255, 'b');
    StoreStatusText(*table, a.c_str());
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            StoreStatusText(*table, (i % 2 ? a : b).c_str());
        }
    });
    int torn = 0;
    for (int i = 0; i < 20000; ++i) {
        char copy[kStatusTextSize];
        CopyStatusText(*table, copy);
        if (copy != a && copy != b) {
            ++torn;
        }
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
