// Every real sample file in the shared storm data folder through the builder, with --now
// at its valid time; the feed's lines are read back and compared with what the file says
// (read off the files by hand: positions, winds as given, knots from TCVitals' metres per
// second). That the saver's parser reads whatever the writer writes is tested beside the
// parser (tests/storms). Runs only where that folder exists: ZARVANE_STORM_DATA, else
// <source tree>/../shared/data/storms.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/make_feed.h"
#include "core/readers.h"
#include "core/storm.h"
#include "core/text.h"
#include "core/utc_time.h"
#include "shell/build_feed.h"
#include "test_support.h"

namespace {

struct Storm {
    const char* group;
    const char* name;
    double latitude, longitudeWest;
    int knots;
};

struct FileCase {
    const char* file;
    const char* kind;
    const char* now;
    int maxAgeHours;
    std::vector<Storm> storms; // in feed order
};

constexpr const char* kAtl = "Atlantic";
constexpr const char* kEpac = "Eastern Pacific";
constexpr const char* kCpac = "Central Pacific";
constexpr const char* kWpac = "Western Pacific";
constexpr const char* kNio = "North Indian Ocean";
constexpr const char* kSh = "Southern Hemisphere";

const std::vector<FileCase> kFiles = {
    // Idalia's last update is 12Z; Eleven, a name that only spells its number, is TD 11L; Irwin in
    // the eastern Pacific.
    {"nhc-al082023-036.CurrentStorms.json",
     "nhc",
     "2023-08-29T15:00Z",
     12,
     {{kAtl, "Franklin", 30.8, 70.4, 115},
      {kAtl, "Idalia", 23.8, 84.8, 70},
      {kAtl, "TD 11L", 27.9, 51.4, 30},
      {kEpac, "Irwin", 19.6, 129.1, 35}}},
    // Emily is post-tropical (PTC), Nine a potential cyclone (PC), ep092023 has no class.
    {"nhc-al082023-004A.CurrentStorms.json",
     "nhc",
     "2023-08-21T18:00Z",
     12,
     {{kAtl, "Franklin", 14.5, 70.1, 45}, {kAtl, "Gert", 16.9, 57.0, 35}}},
    // binNumber CP1 puts One-C in the central Pacific.
    {"nhc-cp012024-001.CurrentStorms.json",
     "nhc",
     "2024-08-22T15:00Z",
     12,
     {{kEpac, "Gilma", 16.9, 124.5, 110}, {kCpac, "TD 01C", 15.4, 140.8, 30}}},
    {"nhc-cp012024-042.CurrentStorms.json", "nhc", "2024-09-01T21:00Z", 12, {}}, // Hone: PTC
    // NHC's RSS feeds: each storm's forecast/advisory. Idalia's is from 09Z; post-tropical
    // Milton and Javier are not shown; Twelve-E and One-C spell their numbers.
    {"nhc-al082023-013.index.xml",
     "nhc-rss",
     "2023-08-23T21:00Z",
     12,
     {{kAtl, "Franklin", 19.8, 70.6, 35}}},
    {"nhc-al082023-036.index.xml",
     "nhc-rss",
     "2023-08-29T15:00Z",
     12,
     {{kAtl, "Franklin", 30.8, 70.4, 115},
      {kAtl, "Idalia", 23.1, 85.0, 65},
      {kAtl, "TD 11L", 27.9, 51.4, 30}}},
    {"nhc-al142024-023.index.xml",
     "nhc-rss",
     "2024-10-10T21:00Z",
     12,
     {{kAtl, "Leslie", 23.9, 50.9, 60}}},
    {"nhc-cp012024-001.index.xml",
     "nhc-rss",
     "2024-08-22T15:00Z",
     12,
     {{kCpac, "TD 01C", 15.4, 140.8, 30}}},
    {"nhc-ep122022-001.index.xml",
     "nhc-rss",
     "2022-09-04T15:00Z",
     12,
     {{kEpac, "TD 12E", 14.0, 101.4, 30}}},
    {"nhc-ep112025-026.CurrentStorms.json",
     "nhc",
     "2025-09-06T15:00Z",
     12,
     {{kCpac, "Kiko", 15.5, 140.5, 115}}},
    {"nhc-al082023-036.al082023.dat",
     "atcf",
     "2023-08-29T12:00Z",
     12,
     {{kAtl, "Franklin", 30.4, 70.7, 115}}},
    {"nhc-al142024-023.al142024.dat", "atcf", "2024-10-10T18:00Z", 12, {}}, // ends EX
    {"nhc-al142024-023.al142024.dat",
     "atcf",
     "2024-10-09T12:00Z",
     12,
     {{kAtl, "Milton", 25.0, 84.8, 135}}},
    {"geoips-bsh032024.dat",
     "atcf",
     "2023-12-08T12:00Z",
     12,
     {{kSh, "Jasper", -15.0, -156.4, 110}}},
    {"geoips-bsh062024.dat", "atcf", "2024-01-31T18:00Z", 12, {{kSh, "Anggrek", -36.1, -91.5, 55}}},
    {"geoips-bio012024.dat", "atcf", "2024-05-28T12:00Z", 12, {{kNio, "Remal", 26.3, -93.1, 30}}},
    {"geoips-bwp022023.dat",
     "atcf",
     "2023-05-25T06:00Z",
     12,
     {{kWpac, "Mawar", 14.4, -142.8, 140}}},
    {"geoips-bwp992025.dat", "atcf", "2025-04-28T18:00Z", 12, {}}, // invest 99W
    {"metget-bwp092026.dat", "atcf", "2026-07-06T12:00Z", 12, {{kWpac, "Bavi", 15.4, -142.7, 140}}},
    {"metget-wp0926web.txt", "jtwc", "2026-07-06T15:00Z", 12, {{kWpac, "Bavi", 15.4, -142.7, 140}}},
    {"jtwcalive-jtwc_2023073109.txt",
     "jtwc",
     "2023-07-31T09:00Z",
     12,
     {{kWpac, "Khanun", 22.8, -131.6, 115}}},
    // Kiko and Lorena end as lows, Peipah and Tapah are days old; the newest is unnamed.
    // Three days earlier Kiko, a hurricane west of 140 W, and Tapah were active.
    {"assignment2-ibtracs.ACTIVE.list.v04r01.csv",
     "ibtracs",
     "2025-09-11T00:00Z",
     12,
     {{kSh, "TS 03S", -10.1, -64.6, 35}}},
    {"assignment2-ibtracs.ACTIVE.list.v04r01.csv",
     "ibtracs",
     "2025-09-08T00:00Z",
     12,
     {{kCpac, "Kiko", 18.5, 146.0, 90}, {kWpac, "Tapah", 21.8, -112.6, 64}}},
    {"scicomp-ibtracs.ACTIVE.list.v04r01.csv",
     "ibtracs",
     "2025-03-04T00:00Z",
     12,
     {{kSh, "Alfred", -27.3, -159.0, 54}, {kSh, "Honde", -28.6, -48.0, 45}}},
    // 28 m/s is 55 kt, 51 m/s 100 kt, 54 m/s 105 kt; 09E, named INVEST, is a depression
    // by its number (13 m/s is 25 kt).
    {"hwrf-benchvitals.2012",
     "tcvitals",
     "2012-08-26T12:00Z",
     12,
     {{kAtl, "Isaac", 23.5, 80.0, 55},
      {kEpac, "TD 09E", 12.4, 101.5, 25},
      {kWpac, "Bolaven", 26.6, -127.9, 105},
      {kWpac, "Tembin", 20.6, -117.1, 100}}},
    // 13 m/s is 25 kt; 38 m/s is 73.9 kt, no agency step of 5 knots.
    {"hwrf-benchvitals.2013",
     "tcvitals",
     "2013-10-17T06:00Z",
     12,
     {{kEpac, "Priscilla", 18.7, 120.6, 25}, {kWpac, "Francisco", 11.4, -142.7, 74}}},
};

// A storm as the feed lists it, and a feed read back line by line as it is written: the
// status line, then "-Group" lines and storm lines "name,latitude,longitude,knots" (the
// writer leaves no comma in a name or a group). Longitudes are positive west.
struct WrittenStorm {
    std::string group, name;
    double latitude, longitude;
    int windKnots;
};

struct WrittenFeed {
    std::string status;
    std::vector<WrittenStorm> storms;
};

WrittenFeed ReadWritten(const std::string& feed) {
    std::istringstream lines(feed);
    WrittenFeed written;
    std::getline(lines, written.status);
    std::string group;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind('-', 0) == 0) {
            group = line.substr(1);
            continue;
        }
        std::istringstream text(line);
        std::vector<std::string> fields;
        for (std::string field; std::getline(text, field, ',');) {
            fields.push_back(field);
        }
        written.storms.push_back({group, fields.at(0), std::stod(fields.at(1)),
                                  std::stod(fields.at(2)), ParseInt(fields.at(3)).value()});
    }
    return written;
}

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Every test here reads the storm data folder, and skips where there is none.
class RealData : public testing::Test {
  protected:
    void SetUp() override {
        const char* data = std::getenv("ZARVANE_STORM_DATA");
        folder = std::filesystem::path(ZARVANE_SOURCE_DIR) / ".." / "shared" / "data" / "storms";
        if (data && *data) {
            folder = data;
        }
        if (!std::filesystem::is_directory(folder)) {
            GTEST_SKIP() << "no storm data at " << folder;
        }
    }
    std::filesystem::path folder;
};

// A real file as edited for a fault: only the lines holding `keep` (all when empty), then
// each replacement made at its first occurrence.
struct EditedSource {
    const char* file;
    const char* kind;
    const char* keep;
    std::vector<std::pair<std::string, std::string>> replacements;
};

struct EditCase {
    const char* what;
    std::vector<EditedSource> sources;
    const char* now;
    bool made;                 // false: no source gave data
    std::vector<Storm> storms; // in feed order
};

const std::vector<EditCase> kEdits = {
    {"a tropical storm one degree from a super typhoon: two storms",
     {{"metget-wp0926web.txt", "jtwc", "", {}},
      {"metget-bwp092026.dat",
       "atcf",
       "2026070612",
       {{"WP, 09", "WP, 10"},
        {"154N, 1427E, 140", "164N, 1427E,  45"},
        {"XX", "TS"},
        {"BAVI", "TEN"}}}},
     "2026-07-06T15:00Z",
     true,
     {{kWpac, "Bavi", 15.4, -142.7, 140}, {kWpac, "TS 10W", 16.4, -142.7, 45}}},
    {"the same 1.9 degrees away beside the typhoon's own best track",
     {{"metget-wp0926web.txt", "jtwc", "", {}},
      {"metget-bwp092026.dat", "atcf", "", {}},
      {"metget-bwp092026.dat",
       "atcf",
       "2026070612",
       {{"WP, 09", "WP, 10"},
        {"154N, 1427E, 140", "173N, 1427E,  45"},
        {"XX", "TS"},
        {"BAVI", "TEN"}}}},
     "2026-07-06T15:00Z",
     true,
     {{kWpac, "Bavi", 15.4, -142.7, 140}, {kWpac, "TS 10W", 17.3, -142.7, 45}}},
    {"a low of another number a degree away and six hours newer takes nothing with it",
     {{"metget-wp0926web.txt", "jtwc", "", {}},
      {"metget-bwp092026.dat",
       "atcf",
       "2026070612",
       {{"WP, 09", "WP, 11"},
        {"2026070612", "2026070618"},
        {"154N, 1427E, 140", "164N, 1427E,  25"},
        {"XX", "LO"}}}},
     "2026-07-06T19:00Z",
     true,
     {{kWpac, "Bavi", 15.4, -142.7, 140}}},
    {"TCVitals: 14L named INVEST after FOURTEEN is shown at its newest place",
     {{"hwrf-benchvitals.2012", "tcvitals", " 14L ", {}}},
     "2012-09-11T00:00Z",
     true,
     {{kAtl, "TD 14L", 15.7, 41.0, 30}}},
    {"b-deck: IO01 still named INVEST at 30 kt is a depression",
     {{"geoips-bio012024.dat", "atcf", "", {}}},
     "2024-05-25T07:00Z",
     true,
     {{kNio, "TD 01B", 18.0, -89.3, 30}}},
    {"b-deck: dissipating (DS) is over",
     {{"geoips-bsh062024.dat", "atcf", "2024013118", {{", TS,", ", DS,"}}}},
     "2024-01-31T18:00Z",
     true,
     {}},
    {"JTWC: an unreadable current wind is no wind, never the 12-hour forecast's 120 kt",
     {{"jtwcalive-jtwc_2023073109.txt", "jtwc", "", {{"115 KT, GUSTS 140", "1l5 KT, GUSTS 140"}}}},
     "2023-07-31T09:00Z",
     false,
     {}},
    {"JTWC: a two-year-old bulletin on the same day of the month never appears",
     {{"metget-wp0926web.txt", "jtwc", "", {}}},
     "2028-07-06T15:00Z",
     true,
     {}},
    {"JTWC: a South Pacific storm in a South Indian slot, routed by its designator",
     {{"metget-wp0926web.txt",
       "jtwc",
       "",
       {{"WTPN31", "WTXS32"},
        {"09W", "05P"}, // the subject
        {"09W", "05P"}, // the numbered system
        {"NEAR 15.4N 142.7E", "NEAR 17.5S 178.0W"}}}},
     "2026-07-06T15:00Z",
     true,
     {{kSh, "Bavi", -17.5, 178.0, 140}}},
    {"JTWC: a bare subject over two numbered systems gives both",
     {{"metget-wp0926web.txt",
       "jtwc",
       "",
       {{"SUBJ/SUPER TYPHOON 09W (BAVI) WARNING NR 023//", "SUBJ/TROPICAL CYCLONE WARNING//"},
        {"NNNN", "2. TROPICAL STORM 10W (CIMARON) WARNING NR 004\n"
                 "   02 ACTIVE TROPICAL CYCLONES IN NORTHWESTPAC\n    ---\n   WARNING POSITION:\n"
                 "   061200Z --- NEAR 20.5N 150.1E\n"
                 "     MOVEMENT PAST SIX HOURS - 315 DEGREES AT 08 KTS\n"
                 "   PRESENT WIND DISTRIBUTION:\n   MAX SUSTAINED WINDS - 045 KT, GUSTS 055 KT\n"
                 "    ---\nREMARKS:\n061500Z POSITION NEAR 20.7N 149.9E.\n"
                 "06JUL26. TROPICAL STORM 10W (CIMARON), LOCATED\n//\nNNNN"}}}},
     "2026-07-06T15:00Z",
     true,
     {{kWpac, "Bavi", 15.4, -142.7, 140}, {kWpac, "Cimaron", 20.5, -150.1, 45}}},
    {"NHC: a UTF-8 name in windows-1252, accents off where it has no letter",
     {{"nhc-ep112025-026.CurrentStorms.json",
       "nhc",
       "",
       {{"\"Kiko\"", "\"K\xC3\xA4k\xC5\x8D\\u0007\""}}}},
     "2025-09-06T15:00Z",
     true,
     {{kCpac, "K\xE4ko", 15.5, 140.5, 115}}},
};

std::string Edited(const std::filesystem::path& folder, const EditedSource& source) {
    std::string body;
    std::istringstream lines(ReadWhole(folder / source.file));
    for (std::string line; std::getline(lines, line);) {
        if (line.find(source.keep) != std::string::npos) {
            body += line + "\n";
        }
    }
    for (const auto& [from, to] : source.replacements) {
        const size_t at = body.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        body.replace(at == std::string::npos ? body.size() : at, from.size(), to);
    }
    return body;
}

void ExpectStorms(const std::string& feed, const std::vector<Storm>& storms) {
    const WrittenFeed written = ReadWritten(feed);
    ASSERT_EQ(written.storms.size(), storms.size()) << feed;
    for (size_t i = 0; i < storms.size(); ++i) {
        const WrittenStorm& got = written.storms[i];
        EXPECT_EQ(got.group, storms[i].group);
        EXPECT_EQ(got.name, storms[i].name);
        EXPECT_NEAR(got.latitude, storms[i].latitude, 0.001);
        EXPECT_NEAR(got.longitude, storms[i].longitudeWest, 0.001);
        EXPECT_EQ(got.windKnots, storms[i].knots);
    }
}

TEST_F(RealData, EditedFilesForEachFault) {
    for (const EditCase& c : kEdits) {
        SCOPED_TRACE(c.what);
        std::vector<SourceRead> reads;
        for (const EditedSource& source : c.sources) {
            reads.push_back({source.kind, ReadSource(source.kind, Edited(folder, source))});
        }
        const auto made = MakeFeed(reads, *ParseIsoMinute(c.now), 12);
        EXPECT_EQ(made.has_value(), c.made);
        ExpectStorms(made.value_or(MadeFeed{}).feed, c.storms);
    }
}

TEST_F(RealData, EveryFileGivesWhatItSays) {
    std::set<std::string> tested;
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(std::string(c.file) + " at " + c.now);
        tested.insert(c.file);
        const FeedBuild build = BuildFeed({{c.kind, (folder / c.file).string()}},
                                          *ParseIsoMinute(c.now), c.maxAgeHours);
        ASSERT_TRUE(build.made) << build.sources.at(0).result.error();
        const std::string count = "UTC: " + std::to_string(c.storms.size());
        EXPECT_NE(ReadWritten(build.made->feed).status.find(count), std::string::npos)
            << build.made->feed;
        ExpectStorms(build.made->feed, c.storms);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "SOURCES.md" || tested.count(name)) << name << " is not in the table";
    }
}

// A storm's newest fix in a real file: pressure, motion and forecast track as the file's
// text gives them (knots from TCVitals' tenths of metres per second and NHC JSON's miles
// per hour).
struct TrackCase {
    const char* file;
    const char* kind;
    const char* id;
    int pressureHpa, motionDegrees, motionKnots;
    std::vector<ExpectedPoint> forecast;
};

const std::vector<TrackCase> kTracks = {
    {"nhc-al082023-036.index.xml",
     "nhc-rss",
     "AL082023",
     941,
     30,
     10,
     {{"2023-08-30T00:00Z", 32.0, -69.6, 110, false},
      {"2023-08-30T12:00Z", 33.7, -67.7, 100, false},
      {"2023-08-31T00:00Z", 35.3, -64.8, 95, false},
      {"2023-08-31T12:00Z", 36.9, -60.8, 90, false},
      {"2023-09-01T00:00Z", 39.0, -55.7, 80, false},
      {"2023-09-01T12:00Z", 41.3, -50.6, 75, false},
      {"2023-09-02T12:00Z", 46.9, -42.9, 65, true},
      {"2023-09-03T12:00Z", 53.6, -34.4, 50, true}}},
    {"metget-wp0926web.txt",
     "jtwc",
     "WP092026",
     0,
     290,
     14,
     {{"2026-07-07T00:00Z", 16.1, 139.9, 140, false},
      {"2026-07-07T12:00Z", 16.6, 137.0, 135, false},
      {"2026-07-08T00:00Z", 17.1, 134.4, 130, false},
      {"2026-07-08T12:00Z", 17.7, 131.9, 125, false},
      {"2026-07-09T00:00Z", 18.7, 129.9, 120, false},
      {"2026-07-09T12:00Z", 20.1, 128.2, 115, false},
      {"2026-07-10T12:00Z", 23.7, 124.5, 105, true},
      {"2026-07-11T12:00Z", 27.8, 120.2, 70, true}}},
    {"nhc-cp012024-001.CurrentStorms.json", "nhc", "CP012024", 1005, 270, 12, {}},
    {"metget-bwp092026.dat", "atcf", "WP092026", 918, -1, -1, {}},
    // Isaac's last record, 2012-08-30 18Z: "335 051 0992", 5.1 m/s.
    {"hwrf-benchvitals.2012", "tcvitals", "AL092012", 992, 335, 10, {}},
};

TEST_F(RealData, PressureMotionAndForecastAsTheFilesGiveThem) {
    for (const TrackCase& c : kTracks) {
        SCOPED_TRACE(std::string(c.file) + " " + c.id);
        const ReadResult read = ReadSource(c.kind, ReadWhole(folder / c.file));
        ASSERT_TRUE(read.has_value()) << read.error();
        const Fix* newest = nullptr;
        for (const Fix& fix : read->fixes) {
            newest = fix.id == c.id && (!newest || fix.time >= newest->time) ? &fix : newest;
        }
        ASSERT_NE(newest, nullptr);
        EXPECT_EQ(newest->pressureHpa, c.pressureHpa);
        EXPECT_EQ(newest->motionDegrees, c.motionDegrees);
        EXPECT_EQ(newest->motionKnots, c.motionKnots);
        ExpectForecast(newest->forecast, c.forecast);
    }
}

// The storms of a feed made by the core from one source's bytes at `now`.
std::vector<WrittenStorm> FeedOf(const char* label, const ReadResult& read, std::time_t now) {
    return ReadWritten(MakeFeed({{label, read}}, now, 12).value_or(MadeFeed{}).feed).storms;
}

bool At(const WrittenStorm& storm, double latitude, double longitudeWest) {
    return std::fabs(storm.latitude - latitude) < 0.01 &&
           std::fabs(storm.longitude - longitudeWest) < 0.01;
}

// Tenths of a degree with a hemisphere letter, read here independently of the readers.
double Tenths(const std::string& text) {
    const double value = std::stod(text.substr(0, text.size() - 1)) / 10.0;
    const char hemisphere = text.back();
    return hemisphere == 'S' || hemisphere == 'W' ? -value : value;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');) {
        const size_t first = field.find_first_not_of(' ');
        fields.push_back(first == std::string::npos ? "" : field.substr(first));
    }
    return fields;
}

// ATCF classes of a tropical system; "XX" (not yet classed) and a blank leave it to the
// wind, which for every row of these files is a tropical system's.
bool TropicalClass(const std::string& status) {
    for (const char* code : {"TD", "TS", "TY", "ST", "TC", "HU", "SD", "SS", "XX", ""}) {
        if (status == code) {
            return true;
        }
    }
    return false;
}

struct TrackCount {
    int tracks = 0, points = 0;
};

// The one storm's past track is the b-deck's newest rows so far, one to a point (how far
// back it reaches is the storm model table's to check).
bool TrackIsRows(const std::vector<::Storm>& storms,
                 const std::vector<std::vector<std::string>>& rows, TrackCount& count) {
    if (storms.size() != 1 || storms[0].track.empty() || storms[0].track.size() > rows.size()) {
        return false;
    }
    const std::vector<TrackPoint>& track = storms[0].track;
    for (size_t i = 0; i < track.size(); ++i) {
        const std::vector<std::string>& row = rows[rows.size() - track.size() + i];
        if (track[i].time != *ParseDigitsTime(row[2]) ||
            std::fabs(track[i].latitude - Tenths(row[6])) > 0.01 ||
            std::fabs(track[i].longitude - Tenths(row[7])) > 0.01 ||
            track[i].windKnots != ParseInt(row[8]).value()) {
            return false;
        }
    }
    ++count.tracks;
    count.points += static_cast<int>(track.size());
    return true;
}

// Every six-hourly row of every b-deck: the file cut after that time's last line and read
// at an hour after it lists the storm at the row's place and wind exactly when the row's
// class is tropical and its number is not an invest, and the storm's past track is then the
// rows so far.
TEST_F(RealData, BestTrackReplay) {
    int rows = 0, wrong = 0;
    TrackCount tracked;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".dat") {
            continue;
        }
        const std::string body = ReadWhole(entry.path());
        std::istringstream lines(body);
        std::string line, time;
        size_t end = 0;
        std::vector<std::string> row;
        std::vector<std::vector<std::string>> rowsSoFar; // one per time, oldest first
        const auto replay = [&] {
            if (row.empty()) {
                return;
            }
            rowsSoFar.push_back(row);
            if (ParseInt(time.substr(8, 2)).value() % 6 != 0) {
                return;
            }
            ++rows;
            const std::time_t now = *ParseDigitsTime(time) + 3600;
            const ReadResult read = ReadSource("atcf", body.substr(0, end));
            const auto storms = FeedOf("ATCF", read, now);
            const bool listed = TropicalClass(row[10]) && ParseInt(row[1]).value() < 80;
            const bool right =
                listed ? storms.size() == 1 && At(storms[0], Tenths(row[6]), -Tenths(row[7])) &&
                             storms[0].windKnots == ParseInt(row[8]).value() &&
                             TrackIsRows(TrackedStorms(read->fixes, now, 12), rowsSoFar, tracked)
                       : storms.empty();
            if (!right) {
                ++wrong;
                ADD_FAILURE() << entry.path().filename() << " " << time << " " << row[10] << ": "
                              << storms.size() << " storms";
            }
        };
        while (std::getline(lines, line)) {
            const std::vector<std::string> fields = Fields(line);
            if (fields.size() > 10 && fields[4] == "BEST" && fields[2] != time) {
                replay();
                time = fields[2];
                row = fields;
            }
            end = static_cast<size_t>(lines.tellg() < 0 ? body.size() : size_t(lines.tellg()));
        }
        replay();
    }
    std::printf("best-track replay: %d rows, %d wrong; %d tracks of %d points in all\n", rows,
                wrong, tracked.tracks, tracked.points);
    EXPECT_EQ(rows, 261); // every six-hourly time of the eight b-decks
}

constexpr std::time_t kMaxAge = 12 * 3600, kDay = 24 * 3600;

struct Vital {
    std::time_t time;
    std::string id;
    double latitude, longitude;
    int number;
};

// A storm id's newest records so far: their time, and the places given for it.
struct Newest {
    std::time_t time = 0;
    int number = 0;
    std::vector<std::pair<double, double>> places;
};

std::vector<Vital> ReadVitals(const std::string& body) {
    std::vector<Vital> vitals;
    std::istringstream lines(body);
    for (std::string line; std::getline(lines, line);) {
        vitals.push_back({*ParseDigitsTime(line.substr(19, 8) + line.substr(28, 4)),
                          line.substr(5, 3), Tenths(line.substr(33, 4)), Tenths(line.substr(38, 5)),
                          ParseInt(line.substr(5, 2)).value()});
    }
    std::stable_sort(vitals.begin(), vitals.end(),
                     [](const Vital& a, const Vital& b) { return a.time < b.time; });
    return vitals;
}

// Both TCVitals files at every cycle: a storm listed is at the newest place of its id, and
// every storm of a designated number whose newest record is at most 12 hours old is listed.
// Each cycle reads the records of the day up to it: every fix of the file has an id, so
// older ones cannot change which storms are listed or where (and copying them all at
// each of 2,182 cycles would take minutes under the sanitizers).
TEST_F(RealData, TcvitalsReplay) {
    int cycles = 0, older = 0, missing = 0;
    for (const char* file : {"hwrf-benchvitals.2012", "hwrf-benchvitals.2013"}) {
        const std::string body = ReadWhole(folder / file);
        const ReadResult read = ReadSource("tcvitals", body);
        ASSERT_TRUE(read) << read.error();
        const std::vector<Vital> vitals = ReadVitals(body);
        std::map<std::string, Newest> newest;
        for (size_t next = 0; next < vitals.size();) {
            const std::time_t now = vitals[next].time;
            for (; next < vitals.size() && vitals[next].time == now; ++next) {
                Newest& id = newest[vitals[next].id];
                if (id.time != now) {
                    id = {now, vitals[next].number, {}};
                }
                id.places.emplace_back(vitals[next].latitude, vitals[next].longitude);
            }
            ++cycles;
            SourceFixes day;
            for (const Fix& fix : read->fixes) {
                if (fix.time <= now && now - fix.time <= kDay) {
                    day.fixes.push_back(fix);
                }
            }
            const auto storms = FeedOf("TCVitals", day, now);
            std::vector<bool> placed(storms.size(), false);
            for (const auto& [name, id] : newest) {
                if (now - id.time > kMaxAge) {
                    continue; // its storm is over
                }
                bool listed = false;
                for (const auto& [latitude, longitude] : id.places) {
                    for (size_t s = 0; s < storms.size(); ++s) {
                        if (At(storms[s], latitude, -longitude)) {
                            placed[s] = listed = true;
                        }
                    }
                }
                missing += id.number < 80 && !listed ? 1 : 0;
            }
            older += static_cast<int>(std::count(placed.begin(), placed.end(), false));
        }
    }
    std::printf("TCVitals replay: %d cycles, %d storms at an older place, %d missing\n", cycles,
                older, missing);
    EXPECT_EQ(older, 0);
    EXPECT_EQ(missing, 0);
}

// What a command prints on its standard output.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return text;
}

// The features a storms.json implies in its GeoJSON: a point per storm, a line per track of
// two or more fixes and per forecast.
std::pair<size_t, size_t> PointsAndLines(const nlohmann::json& json) {
    size_t lines = 0;
    for (const auto& storm : json["storms"]) {
        lines += storm["track"].size() >= 2 ? 1 : 0;
        lines += !storm["forecast"].is_null() && !storm["forecast"]["points"].empty() ? 1 : 0;
    }
    return {json["storms"].size(), lines};
}

// Every file of the table through the program with --json and --geojson, and one build of
// NHC's products with the b-deck of the same advisory: every storm of the feed is in
// storms.json at the same place, wind and name; every storms.json passes the schema in a
// real validator; GDAL reads every GeoJSON with a point per storm and a line per track.
TEST_F(RealData, ProgramOutputsPassTheSchemaAndGdal) {
    if (std::system("command -v ogrinfo >/dev/null") ||
        std::system("/usr/bin/python3 -c 'import jsonschema' 2>/dev/null")) {
        GTEST_SKIP() << "no ogrinfo or jsonschema";
    }
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("zarvane-outputs-" + std::to_string(::getpid()));
    std::filesystem::create_directories(out);
    std::vector<std::pair<std::string, std::string>> builds; // sources, now
    for (const FileCase& c : kFiles) {
        builds.emplace_back(std::string(" --source ") + c.kind + "=" + (folder / c.file).string(),
                            c.now);
    }
    builds.emplace_back(
        " --source nhc=" + (folder / "nhc-al082023-036.CurrentStorms.json").string() +
            " --source atcf=" + (folder / "nhc-al082023-036.al082023.dat").string(),
        "2023-08-29T15:00Z");
    std::string jsonFiles;
    for (size_t i = 0; i < builds.size(); ++i) {
        SCOPED_TRACE(builds[i].first);
        const std::string base = (out / std::to_string(i)).string();
        const std::string command = std::string(ZARVANE_FEED_PROGRAM) + " build" + builds[i].first +
                                    " --now " + builds[i].second + " --output " + base +
                                    ".dat --json " + base + ".json --geojson " + base + ".geojson";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const auto json = nlohmann::json::parse(ReadWhole(base + ".json"));
        for (const WrittenStorm& storm : ReadWritten(ReadWhole(base + ".dat")).storms) {
            EXPECT_TRUE(std::any_of(json["storms"].begin(), json["storms"].end(),
                                    [&](const auto& s) {
                                        return s["name"] == Utf8OfWindows1252(storm.name) &&
                                               std::fabs(s["latitude"].template get<double>() -
                                                         storm.latitude) < 0.051 &&
                                               std::fabs(s["longitude"].template get<double>() +
                                                         storm.longitude) < 0.051 &&
                                               s["windKnots"] == storm.windKnots;
                                    }))
                << storm.name;
        }
        const std::string gdal = Output("ogrinfo -ro -al -geom=SUMMARY " + base + ".geojson");
        const auto [points, lines] = PointsAndLines(json);
        EXPECT_NE(gdal.find("Feature Count: " + std::to_string(points + lines) + "\n"),
                  std::string::npos)
            << gdal;
        size_t gotPoints = 0, gotLines = 0;
        std::istringstream gdalLines(gdal);
        for (std::string line; std::getline(gdalLines, line);) {
            gotPoints += line.rfind("  POINT : ", 0) == 0 ? 1 : 0;
            gotLines +=
                line.rfind("  LINESTRING : ", 0) == 0 || line.rfind("  MULTILINESTRING : ", 0) == 0
                    ? 1
                    : 0;
        }
        EXPECT_EQ(gotPoints, points);
        EXPECT_EQ(gotLines, lines);
        jsonFiles += " " + base + ".json";
    }
    const std::string validate =
        "/usr/bin/python3 -c 'import json, sys, jsonschema\n"
        "schema = json.load(open(sys.argv[1]))\n"
        "jsonschema.Draft202012Validator.check_schema(schema)\n"
        "for name in sys.argv[2:]:\n"
        "    jsonschema.Draft202012Validator(schema).validate(json.load(open(name)))\n"
        "print(len(sys.argv) - 2, \"valid\")' " +
        std::string(ZARVANE_SOURCE_DIR) + "/docs/storms.schema.json" + jsonFiles + " 2>&1";
    const std::string verdict = Output(validate);
    EXPECT_EQ(verdict, std::to_string(builds.size()) + " valid\n");
    std::printf("schema: %sogrinfo of the NHC build:\n%s", verdict.c_str(),
                Output("ogrinfo -ro -al -so " + (out / std::to_string(builds.size() - 1)).string() +
                       ".geojson | grep -E 'Feature Count|Geometry|Extent'")
                    .c_str());
    std::filesystem::remove_all(out);
}

} // namespace
