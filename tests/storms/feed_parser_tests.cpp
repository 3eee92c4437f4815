// The feed's line rules, checked on whole bodies and on the same bodies cut into chunks,
// with CR LF line ends and with stray CRs.
#include "storms/feed_parser.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feed_test_support.h"

namespace {

struct ExpectedStorm {
    std::string group;
    std::string name;
    double latitude;
    double longitude;
    int knots;
    int mph;
    int kph;
};

struct LineRuleCase {
    const char* title;
    std::string body;
    std::string status;
    std::vector<ExpectedStorm> storms;
};

const std::string kForty = "Central and Eastern North Pacific Basin!"; // 40 characters

template <size_t n> std::string Bytes(const char (&text)[n]) {
    return std::string(text, n - 1);
}

const LineRuleCase kLineRuleCases[] = {
    {"one line is the status only",
     "Updated 12 Sep 2024 1500 UTC",
     "Updated 12 Sep 2024 1500 UTC",
     {}},
    {"empty body", "", "", {}},
    {"only a line end", "\n", "", {}},
    {"status line with many commas yields no storm",
     "Alpha,12.5,45.0,35,x,y\n",
     "Alpha,12.5,45.0,35,x,y",
     {}},
    {"status line starting with a minus is not a group",
     "-Atlantic\nAlpha,12.5,45,35\n",
     "-Atlantic",
     {{"", "Alpha", 12.5, 45, 35, 40, 65}}},
    {"storm before any group has an empty group",
     "S\nAlpha,12.5,45,35\n",
     "S",
     {{"", "Alpha", 12.5, 45, 35, 40, 65}}},
    {"group and storm lines",
     "S\n-Atlantic\nFrancine,29.2,90.8,90\n-West Pacific\nBebinca,28.1,-129.7,70\n",
     "S",
     {{"Atlantic", "Francine", 29.2, 90.8, 90, 105, 167},
      {"West Pacific", "Bebinca", 28.1, -129.7, 70, 80, 130}}},
    {"group cut to 31 characters",
     "S\n-" + kForty + "\nAlpha,1,2,35\n",
     "S",
     {{"Central and Eastern North Pacif", "Alpha", 1, 2, 35, 40, 65}}},
    {"further fields of a group line are ignored",
     "S\n-Atlantic,Storms,12,40,60\nAlpha,1,2,35\n",
     "S",
     {{"Atlantic", "Alpha", 1, 2, 35, 40, 65}}},
    {"a lone minus empties the group",
     "S\n-Atlantic\n-\nAlpha,1,2,35\n",
     "S",
     {{"", "Alpha", 1, 2, 35, 40, 65}}},
    {"leading commas before a group",
     "S\n,,-Indian Ocean\nAlpha,1,2,35\n",
     "S",
     {{"Indian Ocean", "Alpha", 1, 2, 35, 40, 65}}},
    {"a name starting with a minus makes a group", "S\n-Bravo,12.5,45,35\n", "S", {}},
    {"two commas count as one",
     "S\nAlpha,,12.5,45.0,35\n",
     "S",
     {{"", "Alpha", 12.5, 45, 35, 40, 65}}},
    {"commas at either end are skipped",
     "S\n,,Alpha,12.5,45.0,35,,\n",
     "S",
     {{"", "Alpha", 12.5, 45, 35, 40, 65}}},
    {"an empty field shifts the rest: three fields", "S\nAlpha,,12.5,45.0\n", "S", {}},
    {"three fields are ignored",
     "S\nAlpha,12.5,45.0\nBravo,1,2,35\n",
     "S",
     {{"", "Bravo", 1, 2, 35, 40, 65}}},
    {"fields after the fourth are ignored",
     "S\nAlpha,12.5,45.0,35,999,Zulu\n",
     "S",
     {{"", "Alpha", 12.5, 45, 35, 40, 65}}},
    {"empty and comma-only lines are ignored",
     "S\n-Atlantic\n\n,,,\nAlpha,1,2,35\n",
     "S",
     {{"Atlantic", "Alpha", 1, 2, 35, 40, 65}}},
    {"spaces and tabs stay in the fields",
     "S\n Alpha\t, 12.5,\t45.0 , 35 \n",
     "S",
     {{"", " Alpha\t", 12.5, 45, 35, 40, 65}}},
    {"name cut to 31 characters",
     "S\nTropical Depression Twenty-Three East,1,2,30\n",
     "S",
     {{"", "Tropical Depression Twenty-Thre", 1, 2, 30, 35, 56}}},
    {"letters after a number are ignored",
     "S\nAlpha,12.5N,45.0W,35kt\n",
     "S",
     {{"", "Alpha", 12.5, 45, 35, 40, 65}}},
    {"southern and eastern positions",
     "S\nAlfred,-15.3,-147.9,130\n",
     "S",
     {{"", "Alfred", -15.3, -147.9, 130, 149, 241}}},
    {"fields without numbers read 0",
     "S\nAlpha,north,west,strong\n",
     "S",
     {{"", "Alpha", 0, 0, 0, 0, 0}}},
    {"a fractional wind counts only in km/h",
     "S\nAlpha,1,2,64.6\n",
     "S",
     {{"", "Alpha", 1, 2, 64, 74, 120}}},
    {"huge numbers saturate or read 0",
     "S\nAlpha,1e999,-1e999,99999999999\n",
     "S",
     {{"", "Alpha", 0, 0, 2147483647, 2147483647, 2147483647}}},
    {"a last line without a line end",
     "S\nAlpha,1,2,35\nBravo,3,4,45",
     "S",
     {{"", "Alpha", 1, 2, 35, 40, 65}, {"", "Bravo", 3, 4, 45, 50, 83}}},
    {"a zero byte ends a line's text",
     Bytes("S\nAlpha\0,1,2,35\nBravo,3,4,45\0,x\n"),
     "S",
     {{"", "Bravo", 3, 4, 45, 50, 83}}},
    {"status line cut to 255 characters",
     std::string(300, 's') + "\nAlpha,1,2,35\n",
     std::string(255, 's'),
     {{"", "Alpha", 1, 2, 35, 40, 65}}},
};

void ExpectTable(StormTable& table, const LineRuleCase& c, const char* variant) {
    SCOPED_TRACE(std::string(c.title) + " (" + variant + ")");
    EXPECT_EQ(std::string(table.statusText), c.status);
    ASSERT_EQ(table.count, static_cast<int>(c.storms.size()));
    for (size_t i = 0; i < c.storms.size(); ++i) {
        const StormRecord& r = table.records[i];
        const ExpectedStorm& e = c.storms[i];
        EXPECT_EQ(std::string(r.group), e.group);
        EXPECT_EQ(std::string(r.name), e.name);
        EXPECT_EQ(r.latitude, e.latitude);
        EXPECT_EQ(r.longitude, e.longitude);
        EXPECT_EQ(r.windKnots, e.knots);
        EXPECT_EQ(r.windMph, e.mph);
        EXPECT_EQ(r.windKph, e.kph);
    }
}

std::string WithCrLf(const std::string& body) {
    std::string out;
    for (char c : body) {
        out += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return out;
}

std::string WithCrEverywhere(const std::string& body) {
    std::string out = "\r";
    for (char c : body) {
        out += c;
        out += '\r';
    }
    return out;
}

TEST(FeedLineRules, WholeBody) {
    for (const LineRuleCase& c : kLineRuleCases) {
        TestTable table;
        ParseWhole(*table, c.body);
        ExpectTable(*table, c, "whole");
    }
}

TEST(FeedLineRules, CrLfAndStrayCrsReadLikeLf) {
    for (const LineRuleCase& c : kLineRuleCases) {
        TestTable crlf, stray;
        ParseWhole(*crlf, WithCrLf(c.body));
        ParseWhole(*stray, WithCrEverywhere(c.body));
        ExpectTable(*crlf, c, "CR LF");
        ExpectTable(*stray, c, "CR after every byte");
    }
}

TEST(FeedLineRules, ChunksOfOneAndThreeBytes) {
    for (const LineRuleCase& c : kLineRuleCases) {
        TestTable ones, threes;
        ParseInChunks(*ones, WithCrLf(c.body), 1);
        ParseInChunks(*threes, WithCrLf(c.body), 3);
        ExpectTable(*ones, c, "1-byte chunks");
        ExpectTable(*threes, c, "3-byte chunks");
    }
}

TEST(FeedLineRules, TwoChunksCutAnywhere) {
    // Every cut of the CR LF form: inside lines, between CR and LF, around empty lines.
    for (const LineRuleCase& c : kLineRuleCases) {
        const std::string body = WithCrLf(c.body);
        for (size_t cut = 0; cut <= body.size(); ++cut) {
            TestTable table;
            const size_t cuts[] = {cut};
            ParseWithCuts(*table, body, cuts);
            ExpectTable(*table, c, ("cut at " + std::to_string(cut)).c_str());
        }
    }
}

} // namespace
