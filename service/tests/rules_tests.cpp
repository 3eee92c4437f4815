// The rules as tables: classification, names, the filters and the merging, the cut to 20,
// the groups' order and the status line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/make_feed.h"
#include "core/rules.h"
#include "core/storm.h"
#include "core/utc_time.h"

namespace {

std::time_t At(const char* iso) {
    return *ParseIsoMinute(iso);
}

Fix MakeFix(const char* id, SourceKind source, double latitude, double longitude, int wind,
            const char* time, const char* status = "TS", const char* name = "ALPHA",
            Basin basin = Basin::WesternPacific) {
    Fix fix; // field by field: Fix grows as the agencies' products give more
    fix.id = id;
    fix.name = name;
    fix.status = status;
    fix.latitude = latitude;
    fix.longitude = longitude;
    fix.windKnots = wind;
    fix.time = At(time);
    fix.basin = basin;
    fix.source = source;
    return fix;
}

Fix Keyed(Fix fix, const char* key) {
    fix.key = key;
    return fix;
}

Fix Moving(Fix fix, int degrees, int knots) {
    fix.motionDegrees = degrees;
    fix.motionKnots = knots;
    return fix;
}

Fix Forecasting(Fix fix, int points) {
    for (int i = 1; i <= points; ++i) {
        fix.forecast.push_back(
            {fix.time + i * 12 * 3600, fix.latitude + i, fix.longitude, 50, i > 3});
    }
    return fix;
}

TEST(Rules, ClassifyByStatusCodeElseByWind) {
    const struct {
        const char* status;
        int wind;
        StormClass want;
    } cases[] = {
        {"TD", 40, StormClass::Depression},  {"TS", 30, StormClass::Storm},
        {"HU", 60, StormClass::Severe},      {"ST", 140, StormClass::Severe},
        {"MH", 100, StormClass::Severe},     {"STS", 45, StormClass::Storm},
        {"EX", 60, StormClass::NotTropical}, {"PTC", 35, StormClass::NotTropical},
        {"PC", 30, StormClass::NotTropical}, {"LO", 30, StormClass::NotTropical},
        {"DB", 15, StormClass::NotTropical}, {"TC", 33, StormClass::Depression},
        {"TC", 34, StormClass::Storm},       {"XX", 64, StormClass::Severe},
        {"", 63, StormClass::Storm},         {"", 20, StormClass::Depression},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Classify(c.status, c.wind), c.want) << c.status << " " << c.wind;
    }
}

TEST(Rules, NamesInTitleCaseOrByDesignator) {
    const struct {
        const char* name;
        const char* id;
        Basin basin;
        double longitude;
        StormClass stormClass;
        const char* want;
    } cases[] = {
        {"FRANKLIN", "AL082023", Basin::Atlantic, -70.0, StormClass::Severe, "Franklin"},
        {"FOUR-E", "EP042023", Basin::EasternPacific, -110.0, StormClass::Depression, "TD 04E"},
        {"FOURTEEN", "AL142024", Basin::Atlantic, -95.5, StormClass::Depression, "TD 14L"},
        {"Twenty-Si", "WP262013", Basin::WesternPacific, 135.0, StormClass::Storm, "TS 26W"},
        {"TWENTYONE", "WP212012", Basin::WesternPacific, 135.0, StormClass::Storm, "TS 21W"},
        {"JOS\xC9 \x8A"
         "ARA",
         "EP102031", Basin::EasternPacific, -110.0, StormClass::Storm,
         "Jos\xE9 \x8A"
         "ara"},
        {"\xC4NGEL", "AL102031", Basin::Atlantic, -50.0, StormClass::Storm, "\xC4ngel"},
        {" o'neil ", "WP012023", Basin::WesternPacific, 140.0, StormClass::Storm, "O'neil"},
        {"", "WP062023", Basin::WesternPacific, 140.0, StormClass::Depression, "TD 06W"},
        {"INVEST", "IO012024", Basin::NorthIndian, 88.0, StormClass::Storm, "TS 01B"},
        {"UNNAMED", "IO022024", Basin::NorthIndian, 65.0, StormClass::Severe, "TC 02A"},
        {"UNNAMED", "SH032026", Basin::Southern, 64.6, StormClass::Storm, "TS 03S"},
        {"GENESIS020", "SH112026", Basin::Southern, 170.0, StormClass::Depression, "TD 11P"},
        {"NONAME", "CP012024", Basin::CentralPacific, -150.0, StormClass::Severe, "HU 01C"},
        {"", "", Basin::Southern, 60.0, StormClass::Storm, "Unnamed TS"},
    };
    for (const auto& c : cases) {
        Fix fix = MakeFix(c.id, SourceKind::Atcf, 10.0, c.longitude, 50, "2024-01-01T00:00Z");
        fix.name = c.name;
        fix.basin = c.basin;
        EXPECT_EQ(StormName(fix, c.stormClass), c.want) << c.name;
    }
}

Fix Ended(Fix fix) {
    fix.final = true;
    return fix;
}

std::vector<std::string> Names(const std::vector<FeedStorm>& storms) {
    std::vector<std::string> names;
    names.reserve(storms.size());
    for (const FeedStorm& storm : storms) {
        names.push_back(storm.name + "@" + std::to_string(storm.windKnots));
    }
    return names;
}

TEST(Rules, FilterAndMerge) {
    const char* now = "2031-09-10T12:00Z";
    const struct {
        const char* what;
        std::vector<Fix> fixes;
        std::vector<std::string> want; // name@knots
    } cases[] = {
        {"latest fix at or before now",
         {MakeFix("WP012031", SourceKind::Atcf, 10, 140, 40, "2031-09-10T06:00Z"),
          MakeFix("WP012031", SourceKind::Atcf, 11, 140, 50, "2031-09-10T12:00Z"),
          MakeFix("WP012031", SourceKind::Atcf, 12, 140, 60, "2031-09-10T18:00Z")},
         {"Alpha@50"}},
        {"invests and tests never count; a designated number named INVEST does",
         {MakeFix("WP912031", SourceKind::Atcf, 10, 140, 40, "2031-09-10T06:00Z"),
          MakeFix("WP852031", SourceKind::Atcf, 10, 150, 40, "2031-09-10T06:00Z"),
          MakeFix("WP022031", SourceKind::Atcf, 10, 160, 40, "2031-09-10T06:00Z", "TS", "INVEST")},
         {"TS 02W@40"}},
        {"a placeholder name gives way to another source's real name of the same storm",
         {MakeFix("WP022031", SourceKind::Tcvitals, 10, 160, 40, "2031-09-10T06:00Z", "TS", "TWO"),
          MakeFix("WP022031", SourceKind::Jtwc, 10, 160, 35, "2031-09-10T00:00Z", "TS", "MAWAR"),
          MakeFix("WP032031", SourceKind::Atcf, 20, 130, 30, "2031-09-10T06:00Z", "TD", "INVEST")},
         {"Mawar@40", "TD 03W@30"}},
        {"explicit different ids never merge, however near",
         {MakeFix("WP092031", SourceKind::Jtwc, 15.4, 142.7, 140, "2031-09-10T06:00Z", "ST",
                  "BAVI"),
          MakeFix("WP102031", SourceKind::Atcf, 16.4, 142.7, 45, "2031-09-10T06:00Z", "TS", "TEN"),
          MakeFix("WP112031", SourceKind::Tcvitals, 14.4, 142.7, 25, "2031-09-10T12:00Z", "LO")},
         {"Bavi@140", "TS 10W@45"}},
        {"an id-less fix joins the id'd storm by any of its fixes, and the newest decides",
         {MakeFix("WP012031", SourceKind::Atcf, 10, 140, 40, "2031-09-10T00:00Z"),
          MakeFix("WP012031", SourceKind::Atcf, 14, 140, 50, "2031-09-10T06:00Z"),
          MakeFix("", SourceKind::Ibtracs, 10.5, 140.5, 30, "2031-09-10T03:00Z", "TS", "ALPHA"),
          MakeFix("", SourceKind::Ibtracs, 30, 100, 30, "2031-09-10T03:00Z", "TS", "LONE"),
          MakeFix("", SourceKind::Tcvitals, 30.5, 100, 31, "2031-09-10T03:00Z", "TS", "ALONE")},
         {"Alpha@50", "Alone@31", "Lone@30"}},
        {"dissipating (DS) is over",
         {MakeFix("WP012031", SourceKind::Atcf, 10, 140, 25, "2031-09-10T06:00Z", "DS")},
         {}},
        {"a storm whose latest fix is extratropical or final is over",
         {MakeFix("WP012031", SourceKind::Atcf, 30, 140, 60, "2031-09-10T06:00Z", "TY"),
          MakeFix("WP012031", SourceKind::Atcf, 35, 145, 55, "2031-09-10T12:00Z", "EX"),
          Ended(MakeFix("WP022031", SourceKind::Jtwc, 15, 130, 35, "2031-09-10T06:00Z"))},
         {}},
        {"older than --max-age is dropped, exactly --max-age is kept",
         {MakeFix("WP012031", SourceKind::Atcf, 10, 140, 40, "2031-09-10T00:00Z"),
          MakeFix("WP022031", SourceKind::Atcf, 20, 140, 45, "2031-09-09T23:59Z", "TS", "BETA")},
         {"Alpha@40"}},
        {"same id across sources: the most recent fix",
         {MakeFix("WP012031", SourceKind::Ibtracs, 10, 140, 40, "2031-09-10T09:00Z"),
          MakeFix("WP012031", SourceKind::Nhc, 9, 139, 35, "2031-09-10T06:00Z")},
         {"Alpha@40"}},
        {"equal times: NHC, then JTWC, ATCF, TCVitals, IBTrACS",
         {MakeFix("WP012031", SourceKind::Ibtracs, 10, 140, 40, "2031-09-10T06:00Z"),
          MakeFix("WP012031", SourceKind::Atcf, 10, 140, 45, "2031-09-10T06:00Z"),
          MakeFix("WP012031", SourceKind::Jtwc, 10, 140, 50, "2031-09-10T06:00Z"),
          MakeFix("WP012031", SourceKind::Tcvitals, 10, 140, 55, "2031-09-10T06:00Z")},
         {"Alpha@50"}},
        {"other ids, other sources: within 2 degrees and 6 hours is the same storm",
         {MakeFix("WP012031", SourceKind::Jtwc, 10, 179.5, 40, "2031-09-10T06:00Z"),
          MakeFix("", SourceKind::Ibtracs, 11.9, -178.6, 45, "2031-09-10T00:00Z")},
         {"Alpha@40"}},
        {"farther, later or in the same source: different storms",
         {MakeFix("WP012031", SourceKind::Jtwc, 10, 140, 40, "2031-09-10T07:00Z"),
          MakeFix("", SourceKind::Ibtracs, 13, 140, 45, "2031-09-10T07:00Z", "TS", "BETA"),
          MakeFix("", SourceKind::Ibtracs, 10, 140, 50, "2031-09-10T00:00Z", "TS", "GAMMA"),
          MakeFix("WP022031", SourceKind::Jtwc, 10.5, 140.5, 55, "2031-09-10T07:00Z", "TS",
                  "DELTA")},
         {"Delta@55", "Gamma@50", "Beta@45", "Alpha@40"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Names(FeedStorms(ActiveStorms(c.fixes, At(now), 12))), c.want);
    }
}

// The storm model: one id for a storm's whole life, its track, motion and forecast. A case
// marked `outputs` also checks that the feed and both outputs show that one storm once.
TEST(Rules, StormModel) {
    const auto al30 = [](const char* id, SourceKind source, double lat, const char* time) {
        return MakeFix(id, source, lat, -60, 50, time, "TS", "ZETA", Basin::Atlantic);
    };
    const auto sh01 = [](const char* id, SourceKind source, double lat, const char* time) {
        return MakeFix(id, source, lat, 90, 45, time, "TS", "ALBA", Basin::Southern);
    };
    const struct {
        const char* what;
        std::vector<Fix> fixes;
        const char* now;
        const char* id;
        size_t trackPoints;
        Motion motion;
        size_t forecastPoints;
        bool outputs;
    } cases[] = {
        {"a b-deck across 1 January: one storm, the season it began in",
         {al30("AL302025", SourceKind::Atcf, 20, "2025-12-31T12:00Z"),
          al30("AL302025", SourceKind::Atcf, 21, "2025-12-31T18:00Z"),
          al30("AL302026", SourceKind::Atcf, 22, "2026-01-01T00:00Z"),
          al30("AL302026", SourceKind::Atcf, 23, "2026-01-01T06:00Z")},
         "2026-01-01T07:00Z",
         "AL302025",
         4,
         {0, 10, MotionFrom::Track},
         0,
         true},
        {"with TCVitals dated into the new season and IBTrACS keeping the old id",
         {al30("AL302025", SourceKind::Atcf, 20, "2025-12-31T18:00Z"),
          al30("AL302026", SourceKind::Atcf, 21, "2026-01-01T00:00Z"),
          al30("AL302026", SourceKind::Tcvitals, 21, "2026-01-01T00:00Z"),
          al30("AL302026", SourceKind::Tcvitals, 22, "2026-01-01T06:00Z"),
          Keyed(al30("AL302025", SourceKind::Ibtracs, 20, "2025-12-31T18:00Z"), "2025360N20300"),
          Keyed(al30("AL302025", SourceKind::Ibtracs, 21.5, "2026-01-01T03:00Z"), "2025360N20300")},
         "2026-01-01T07:00Z",
         "AL302025",
         4,
         {0, 10, MotionFrom::Track},
         0,
         true},
        {"a b-deck across 1 July in the south",
         {sh01("SH012025", SourceKind::Atcf, -10, "2025-06-30T18:00Z"),
          sh01("SH012026", SourceKind::Atcf, -11, "2025-07-01T00:00Z")},
         "2025-07-01T01:00Z",
         "SH012025",
         2,
         {180, 10, MotionFrom::Track},
         0,
         true},
        {"with TCVitals and IBTrACS across 1 July",
         {sh01("SH012025", SourceKind::Atcf, -10, "2025-06-30T18:00Z"),
          sh01("SH012026", SourceKind::Tcvitals, -11, "2025-07-01T00:00Z"),
          Keyed(sh01("SH012025", SourceKind::Ibtracs, -11, "2025-07-01T00:00Z"), "2025181S10090")},
         "2025-07-01T01:00Z",
         "SH012025",
         2,
         {180, 10, MotionFrom::Track},
         0,
         true},
        {"one number in two seasons 49 hours apart: two storms",
         {al30("AL302025", SourceKind::Atcf, 20, "2025-12-31T00:00Z"),
          al30("AL302026", SourceKind::Atcf, 21, "2026-01-02T01:00Z")},
         "2026-01-02T02:00Z",
         "AL302026",
         1,
         {},
         0,
         false},
        {"the agency's motion at the shown time; a forecast from the newest fix with one",
         {Moving(MakeFix("WP012031", SourceKind::Tcvitals, 10, 140, 50, "2031-09-10T06:00Z"), 275,
                 12),
          Forecasting(MakeFix("WP012031", SourceKind::Jtwc, 9, 140, 45, "2031-09-10T00:00Z"), 5),
          Forecasting(MakeFix("WP012031", SourceKind::Jtwc, 8, 140, 40, "2031-09-09T18:00Z"), 2)},
         "2031-09-10T07:00Z",
         "WP012031",
         3,
         {275, 12, MotionFrom::Agency},
         5,
         false},
        {"motion from fixes at least 3 hours apart; one point per time, five days of them",
         {MakeFix("WP012031", SourceKind::Atcf, 10, 140, 50, "2031-09-05T05:00Z"),
          MakeFix("WP012031", SourceKind::Atcf, 10, 140, 50, "2031-09-05T06:00Z"),
          MakeFix("WP012031", SourceKind::Atcf, 10, 140, 50, "2031-09-10T00:00Z"),
          MakeFix("WP012031", SourceKind::Ibtracs, 10, 140, 50, "2031-09-10T00:00Z"),
          MakeFix("WP012031", SourceKind::Tcvitals, 10, 141, 50, "2031-09-10T04:00Z"),
          MakeFix("WP012031", SourceKind::Atcf, 10, 141.5, 50, "2031-09-10T06:00Z")},
         "2031-09-10T07:00Z",
         "WP012031",
         4,
         {90, 15, MotionFrom::Track},
         0,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Storm> storms = TrackedStorms(c.fixes, At(c.now), 12);
        ASSERT_EQ(storms.size(), 1u);
        const Storm& storm = storms[0];
        EXPECT_EQ(storm.id, c.id);
        EXPECT_EQ(storm.track.size(), c.trackPoints);
        EXPECT_TRUE(std::is_sorted(
            storm.track.begin(), storm.track.end(),
            [](const TrackPoint& a, const TrackPoint& b) { return a.time <= b.time; }));
        EXPECT_EQ(storm.track.back().time, storm.shown.time);
        EXPECT_EQ(storm.motion.degrees, c.motion.degrees);
        EXPECT_EQ(storm.motion.knots, c.motion.knots);
        EXPECT_EQ(storm.motion.from, c.motion.from);
        EXPECT_EQ(storm.forecast.size(), c.forecastPoints);
        if (!c.outputs) {
            continue;
        }
        const MadeFeed made = *MakeFeed({{"ATCF", SourceFixes{c.fixes, {}}}}, At(c.now), 12);
        EXPECT_EQ(made.stormCount, 1);
        const auto json = nlohmann::json::parse(made.json);
        ASSERT_EQ(json["storms"].size(), 1u);
        EXPECT_EQ(json["storms"][0]["id"], c.id);
        int points = 0;
        const auto geojson = nlohmann::json::parse(made.geojson);
        for (const auto& feature : geojson["features"]) {
            EXPECT_EQ(feature["properties"]["id"], c.id);
            points += feature["geometry"]["type"] == "Point" ? 1 : 0;
        }
        EXPECT_EQ(points, 1);
    }
}

TEST(Rules, TwentyStrongestGroupedInBasinOrder) {
    std::vector<Fix> fixes;
    const Basin basins[] = {Basin::Southern, Basin::Atlantic, Basin::WesternPacific};
    for (int i = 0; i < 25; ++i) {
        const std::string id = "WP" + std::to_string(10 + i) + "2031";
        fixes.push_back(MakeFix(id.c_str(), SourceKind::Atcf, i, 100 + i, 30 + 3 * i,
                                "2031-09-10T06:00Z", "", "S", basins[i % 3]));
    }
    const std::vector<FeedStorm> storms = FeedStorms(fixes);
    ASSERT_EQ(storms.size(), 20u);
    for (size_t i = 0; i < storms.size(); ++i) {
        EXPECT_GE(storms[i].windKnots, 45); // the five weakest (30..42) are cut
        if (i > 0 && storms[i].group == storms[i - 1].group) {
            EXPECT_LT(storms[i].windKnots, storms[i - 1].windKnots);
        }
    }
    EXPECT_EQ(storms.front().group, "Atlantic");
    EXPECT_EQ(storms.back().group, "Southern Hemisphere");
    EXPECT_DOUBLE_EQ(storms.front().longitude, -(100.0 + 22)); // west positive: 122 E is -122
}

TEST(Rules, StatusLine) {
    const std::time_t now = At("2023-08-29T15:00Z");
    EXPECT_EQ(StatusLine(now, 4, {}), "Active tropical cyclones at 2023-08-29 15:00 UTC: 4");
    EXPECT_EQ(StatusLine(now, 0, {"JTWC", "IBTrACS", "JTWC"}),
              "Active tropical cyclones at 2023-08-29 15:00 UTC: 0 (no data from JTWC, IBTrACS)");
    std::vector<std::string> labels;
    labels.reserve(60);
    for (int i = 0; i < 60; ++i) {
        labels.push_back("SOURCE" + std::to_string(i));
    }
    EXPECT_EQ(StatusLine(now, 1, labels).size(), 255u);
    EXPECT_EQ(FeedTime(StatusLine(now, 1, labels)), now);
}

TEST(Rules, FailedSourcesAreNotNoStorms) {
    const std::time_t now = At("2031-09-10T12:00Z");
    SourceFixes good;
    good.fixes.push_back(MakeFix("AL012031", SourceKind::Nhc, 25, -60, 90, "2031-09-10T12:00Z",
                                 "HU", "ARLO", Basin::Atlantic));
    const ReadResult failed = unexpected("HTTP 404");
    const auto some = MakeFeed({{"NHC", good}, {"JTWC", failed}, {"NHC", failed}}, now, 12);
    ASSERT_TRUE(some);
    EXPECT_EQ(some->feed,
              "Active tropical cyclones at 2031-09-10 12:00 UTC: 1 (no data from JTWC)\n"
              "-Atlantic\nArlo,25.0,60.0,90\n");
    EXPECT_FALSE(MakeFeed({{"JTWC", failed}, {"IBTrACS", failed}}, now, 12));
    EXPECT_FALSE(MakeFeed({}, now, 12));
    EXPECT_EQ(MakeFeed({{"NHC", SourceFixes{}}}, now, 12)->feed,
              "Active tropical cyclones at 2031-09-10 12:00 UTC: 0\n");
}

} // namespace
