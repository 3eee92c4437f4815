// Every real sample file in the shared storm data folder through the builder, with --now
// at its valid time; the feed's lines are read back and compared with what the file says
// (read off the files by hand: positions, winds as given, knots from TCVitals' metres per
// second). That the saver's parser reads whatever the writer writes is tested beside the
// parser (tests/storms). Runs only where that folder exists: ZARVANE_STORM_DATA, else
// <source tree>/../shared/data/storms.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/utc_time.h"
#include "shell/build_feed.h"

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
    // Idalia's last update is 12Z; Eleven is a depression; Irwin in the eastern Pacific.
    {"nhc-al082023-036.CurrentStorms.json",
     "nhc",
     "2023-08-29T15:00Z",
     12,
     {{kAtl, "Franklin", 30.8, 70.4, 115},
      {kAtl, "Idalia", 23.8, 84.8, 70},
      {kAtl, "Eleven", 27.9, 51.4, 30},
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
     {{kEpac, "Gilma", 16.9, 124.5, 110}, {kCpac, "One-C", 15.4, 140.8, 30}}},
    {"nhc-cp012024-042.CurrentStorms.json", "nhc", "2024-09-01T21:00Z", 12, {}}, // Hone: PTC
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
    // 28 m/s is 55 kt, 51 m/s 100 kt, 54 m/s 105 kt; 09E is still an INVEST.
    {"hwrf-benchvitals.2012",
     "tcvitals",
     "2012-08-26T12:00Z",
     12,
     {{kAtl, "Isaac", 23.5, 80.0, 55},
      {kWpac, "Bolaven", 26.6, -127.9, 105},
      {kWpac, "Tembin", 20.6, -117.1, 100}}},
    // 13 m/s is 25 kt; 38 m/s is 73.9 kt, no agency step of 5 knots.
    {"hwrf-benchvitals.2013",
     "tcvitals",
     "2013-10-17T06:00Z",
     12,
     {{kEpac, "Priscilla", 18.7, 120.6, 25}, {kWpac, "Francisco", 11.4, -142.7, 74}}},
};

struct WrittenStorm {
    std::string group, name;
    double latitude, longitudeWest;
    int knots;
};

// The storms of a feed as written: after the status line, "-Group" lines and storm lines
// "name,latitude,longitude,knots" (the writer leaves no comma in a name or a group).
std::vector<WrittenStorm> StormsOf(const std::string& feed) {
    std::istringstream lines(feed);
    std::string line, group;
    std::getline(lines, line);
    std::vector<WrittenStorm> storms;
    while (std::getline(lines, line)) {
        if (line.rfind('-', 0) == 0) {
            group = line.substr(1);
            continue;
        }
        std::istringstream text(line);
        std::vector<std::string> fields;
        for (std::string field; std::getline(text, field, ',');) {
            fields.push_back(field);
        }
        storms.push_back({group, fields.at(0), std::stod(fields.at(1)), std::stod(fields.at(2)),
                          std::stoi(fields.at(3))});
    }
    return storms;
}

std::filesystem::path DataFolder() {
    const char* folder = std::getenv("ZARVANE_STORM_DATA");
    return folder && *folder
               ? std::filesystem::path(folder)
               : std::filesystem::path(ZARVANE_SOURCE_DIR) / ".." / "shared" / "data" / "storms";
}

TEST(RealData, EveryFileGivesWhatItSays) {
    const std::filesystem::path folder = DataFolder();
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no storm data at " << folder;
    }
    std::set<std::string> tested;
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(std::string(c.file) + " at " + c.now);
        tested.insert(c.file);
        const FeedBuild build = BuildFeed({{c.kind, (folder / c.file).string()}},
                                          *ParseIsoMinute(c.now), c.maxAgeHours);
        ASSERT_TRUE(build.ok) << build.sources.at(0).error;
        const std::string count = "UTC: " + std::to_string(c.storms.size());
        EXPECT_NE(build.feed.substr(0, build.feed.find('\n')).find(count), std::string::npos)
            << build.feed;
        const std::vector<WrittenStorm> storms = StormsOf(build.feed);
        ASSERT_EQ(storms.size(), c.storms.size()) << build.feed;
        for (size_t i = 0; i < c.storms.size(); ++i) {
            const WrittenStorm& got = storms[i];
            EXPECT_EQ(got.group, c.storms[i].group);
            EXPECT_EQ(got.name, c.storms[i].name);
            EXPECT_NEAR(got.latitude, c.storms[i].latitude, 0.001);
            EXPECT_NEAR(got.longitudeWest, c.storms[i].longitudeWest, 0.001);
            EXPECT_EQ(got.knots, c.storms[i].knots);
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "SOURCES.md" || tested.count(name)) << name << " is not in the table";
    }
}

} // namespace
