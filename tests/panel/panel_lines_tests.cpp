// What the storm panel says for each state of the feed and each wind unit.
#include "panel/panel_lines.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Storm {
    const char* group;
    const char* name;
    int mph, kph, knots;
};

StormTable TableOf(const std::vector<Storm>& storms) {
    StormTable table = {};
    for (const Storm& storm : storms) {
        StormRecord& record = table.records[table.count++];
        std::strcpy(record.group, storm.group);
        std::strcpy(record.name, storm.name);
        record.windMph = storm.mph;
        record.windKph = storm.kph;
        record.windKnots = storm.knots;
    }
    return table;
}

// Each line as "kind:text", kinds F(eed heading), N(one active), G(roup), S(torm).
std::vector<std::string> Lines(const PanelLines& lines) {
    std::vector<std::string> out;
    for (int i = 0; i < lines.count; ++i) {
        const char kinds[] = {'F', 'N', 'G', 'S'};
        out.push_back(std::string(1, kinds[static_cast<int>(lines.lines[i].kind)]) + ":" +
                      lines.lines[i].text);
    }
    return out;
}

const std::vector<Storm> kTwoBasins = {
    {"Atlantic", "Alma", 115, 185, 100},
    {"Atlantic", "Boris", 40, 65, 35},
    {"Pacific", "Cora", 30, 48, 26},
};

TEST(PlanPanelLines, TheFeedStateComesFirstAndTheListOnlyOnceTheFeedIsIn) {
    const StormTable table = TableOf(kTwoBasins);
    struct Case {
        FetchState state;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {{0, 0}, {"F:* Contacting Quillmere *"}},
        {{0, 1}, {"F:* Unable to Reach Quillmere *"}}, // sockets or InternetOpenA failed
        {{1, 1}, {"F:* Unable to Reach Quillmere *"}},
        {{1, 0},
         {"F:* Active Tropical Storms *", "G:Atlantic", "S:Alma, Max Winds: 115 mph",
          "S:Boris, Max Winds: 40 mph", "G:Pacific", "S:Cora, Max Winds: 30 mph"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "done " << c.state.done << " failed " << c.state.failed);
        EXPECT_EQ(Lines(PlanPanelLines(c.state, table, WindUnit::Mph)), c.lines);
    }
    EXPECT_EQ(Lines(PlanPanelLines({1, 0}, TableOf({}), WindUnit::Mph)),
              (std::vector<std::string>{"F:* Active Tropical Storms *", "N:None Active..."}));
}

TEST(PlanPanelLines, GroupsHeadEachRunOfStormsAndAnEmptyFirstGroupHasNone) {
    const StormTable table = TableOf({{"", "Dana", 1, 2, 3},
                                      {"West", "Eli", 4, 5, 6},
                                      {"", "Fay", 7, 8, 9},
                                      {"West", "Gil", 10, 11, 12},
                                      {"West", "Hana", 13, 14, 15}});
    EXPECT_EQ(Lines(PlanPanelLines({1, 0}, table, WindUnit::Knots)),
              (std::vector<std::string>{
                  "F:* Active Tropical Storms *", "S:Dana, Max Winds: 3 knots", "G:West",
                  "S:Eli, Max Winds: 6 knots", "G:", "S:Fay, Max Winds: 9 knots", "G:West",
                  "S:Gil, Max Winds: 12 knots", "S:Hana, Max Winds: 15 knots"}));
}

TEST(PlanPanelLines, AFullTableWithLongNamesFitsItsLines) {
    std::vector<Storm> storms;
    const std::string name(kStormTextSize - 1, 'n');
    const std::string group(kStormTextSize - 1, 'g');
    for (int i = 0; i < kStormCapacity; ++i) {
        storms.push_back({i % 2 ? "" : group.c_str(), name.c_str(), -2147483647, 0, 0});
    }
    const PanelLines lines = PlanPanelLines({1, 0}, TableOf(storms), WindUnit::Mph);
    EXPECT_EQ(lines.count, kMaxPanelLines);
    EXPECT_EQ(std::string(lines.lines[lines.count - 1].text),
              name + ", Max Winds: -2147483647 mph");
}

struct UnitCase {
    int english, si, knots;
    WindUnit unit;
};

TEST(ChooseWindUnit, KphWinsOverMphAndMphOverKnotsAndNoneMeansMph) {
    const UnitCase cases[] = {
        {1, 0, 0, WindUnit::Mph}, {0, 1, 0, WindUnit::Kph},    {0, 0, 1, WindUnit::Knots},
        {0, 0, 0, WindUnit::Mph}, {1, 1, 1, WindUnit::Kph},    {1, 0, 1, WindUnit::Mph},
        {0, 2, 0, WindUnit::Kph}, {0, 0, -1, WindUnit::Knots},
    };
    for (const UnitCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.english << c.si << c.knots);
        SaverSettings settings = {};
        settings.english = c.english;
        settings.si = c.si;
        settings.knots = c.knots;
        EXPECT_EQ(ChooseWindUnit(settings), c.unit);
    }
}

TEST(PlanPanelLines, EachUnitWritesItsOwnWind) {
    const StormTable table = TableOf({{"", "Alma", 115, 185, 100}});
    EXPECT_STREQ(PlanPanelLines({1, 0}, table, WindUnit::Mph).lines[1].text,
                 "Alma, Max Winds: 115 mph");
    EXPECT_STREQ(PlanPanelLines({1, 0}, table, WindUnit::Kph).lines[1].text,
                 "Alma, Max Winds: 185 kph");
    EXPECT_STREQ(PlanPanelLines({1, 0}, table, WindUnit::Knots).lines[1].text,
                 "Alma, Max Winds: 100 knots");
}

} // namespace
