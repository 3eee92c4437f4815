// The feed writer against the saver's own parser: whatever storms it is given, the feed
// reads back as the same groups, names, positions (to 0.05 degrees) and winds.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "feed_test_support.h"
#include "feed_format/feed_writer.h"

namespace {

constexpr double kPositionTolerance = 0.05;

std::string RandomText(std::mt19937& random, size_t maxLength) {
    // Mostly letters, with the characters the writer must clean: commas, minus signs,
    // spaces, control bytes, bytes above 127.
    static const char kAlphabet[] = "ABCxyz -,,--\t\r\n\x01\x7f\xe9''.0";
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    std::string text(length(random), ' ');
    for (char& c : text) {
        c = kAlphabet[pick(random)];
    }
    return text;
}

std::vector<FeedStorm> RandomStorms(std::mt19937& random) {
    std::uniform_int_distribution<int> count(0, 24), wind(-5, 200), groupPick(0, 3);
    std::uniform_real_distribution<double> latitude(-90, 90), longitude(-180, 180);
    const std::string groups[] = {"Atlantic", "", "Western Pacific", RandomText(random, 40)};
    std::vector<FeedStorm> storms(static_cast<size_t>(count(random)));
    for (FeedStorm& storm : storms) {
        storm = {groups[groupPick(random)], RandomText(random, 40), latitude(random),
                 longitude(random), wind(random)};
    }
    return storms;
}

void ExpectReadsBack(const std::string& status, const std::vector<FeedStorm>& storms) {
    TestTable table;
    ParseWhole(*table, WriteFeed(status, storms));
    EXPECT_EQ(std::string(table->statusText), FeedStatusText(status));
    const size_t expected = storms.size() < kStormCapacity ? storms.size() : kStormCapacity;
    ASSERT_EQ(static_cast<size_t>(table->count), expected);
    for (size_t i = 0; i < expected; ++i) {
        const StormRecord& record = table->records[i];
        EXPECT_EQ(std::string(record.group), FeedGroupText(storms[i].group));
        EXPECT_EQ(std::string(record.name), FeedNameText(storms[i].name));
        EXPECT_NEAR(record.latitude, storms[i].latitude, kPositionTolerance + 1e-9);
        EXPECT_NEAR(record.longitude, storms[i].longitude, kPositionTolerance + 1e-9);
        EXPECT_EQ(record.windKnots, storms[i].windKnots);
    }
}

TEST(FeedWriter, AnyStormsReadBackThroughTheParser) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 2000; ++round) {
        SCOPED_TRACE(round);
        ExpectReadsBack(RandomText(random, 300), RandomStorms(random));
    }
}

TEST(FeedWriter, CleansWhatTheFeedCannotCarry) {
    const struct {
        const char* name;
        const char* want;
    } names[] = {
        {"Franklin", "Franklin"},
        {"-Four-E", "Four-E"},
        {" - ,x", "x"},
        {"A,B", "AB"},
        {"", "Unnamed"},
        {"--", "Unnamed"},
        {"Name\twith\x01 controls", "Namewith controls"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde"},
    };
    for (const auto& c : names) {
        EXPECT_EQ(FeedNameText(c.name), c.want) << c.name;
    }
    EXPECT_EQ(
        WriteFeed("Status, with commas\r\n", {{"Atlantic", "Idalia", 23.84, 84.76, 70},
                                              {"Atlantic", "Eleven", 27.9, 51.4, 30},
                                              {"Southern Hemisphere", "Jasper", -15.0, -156.4, 110},
                                              {"", "Loose", NAN, 0.04, 20}}),
        "Status, with commas\n-Atlantic\nIdalia,23.8,84.8,70\nEleven,27.9,51.4,30\n"
        "-Southern Hemisphere\nJasper,-15.0,-156.4,110\n-\nLoose,0.0,0.0,20\n");
}

} // namespace
