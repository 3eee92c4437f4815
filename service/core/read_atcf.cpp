// ATCF best track ("b-deck"), the comma-separated ATCF format described in
// https://www.nrlmry.navy.mil/atcf_web/docs/database/new/abdeck.txt and used by NHC
// (ftp.nhc.noaa.gov/atcf/btk/) and JTWC for WP, IO and SH. Columns taken:
//    1 BASIN       AL, EP, CP, WP, IO, SH
//    2 CY          storm number, 01-99
//    3 YYYYMMDDHH  valid time, UTC
//    5 TECH        "BEST" (other lines are ignored)
//    7 LatN/S      tenths of a degree with N/S ("116N")
//    8 LonE/W      tenths of a degree with E/W ("535W", "1587E")
//    9 VMAX        maximum sustained wind, knots
//   11 TY          status: TD, TS, HU, TY, ST, SD, SS, EX, LO, DB, XX...
//   28 STORMNAME   (optional)
// One time repeats on up to three lines, one per wind radius: the first is used.
#include <string>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

constexpr size_t kBasin = 0, kNumber = 1, kTime = 2, kTech = 4, kLatitude = 6, kLongitude = 7,
                 kWind = 8, kStatus = 10, kName = 27;

// The fix of one BEST line, or nothing when a field it needs is unusable.
Expected<Fix, std::errc> ReadBestLine(const std::vector<std::string_view>& fields) {
    const std::string code = ToUpper(fields[kBasin]);
    const auto time = ParseDigitsTime(fields[kTime]);
    const auto number = ParseInt(fields[kNumber]);
    const auto latitude = ParseTenthsLatitude(fields[kLatitude]);
    const auto longitude = ParseTenthsLongitude(fields[kLongitude]);
    const auto wind = ParseInt(fields[kWind]);
    if (!number || *number < 0 || *number > 99 || !time || !latitude || !longitude || !wind) {
        return unexpected(std::errc::invalid_argument);
    }
    Fix fix;
    fix.latitude = *latitude;
    fix.longitude = WrapLongitude(*longitude);
    fix.windKnots = *wind;
    const auto basin = BasinOfAtcfCode(code, fix.longitude);
    if (!basin) {
        return unexpected(std::errc::invalid_argument);
    }
    fix.basin = *basin;
    fix.time = *time;
    fix.id = AtcfId(code, *number, fix.time);
    fix.status = ToUpper(fields[kStatus]);
    fix.name = fields.size() > kName ? std::string(fields[kName]) : std::string();
    return fix;
}

} // namespace

ReadResult ReadAtcfBestTrack(std::string_view body) {
    SourceFixes result;
    const std::vector<std::string_view> lines = SplitLines(body);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string_view> fields = SplitCommas(lines[i]);
        if (fields.size() <= kTech || fields[kTech] != "BEST") {
            continue;
        }
        const auto fix = fields.size() > kStatus ? ReadBestLine(fields)
                                                 : unexpected(std::errc::invalid_argument);
        if (!fix) {
            result.skipped.push_back("ATCF line " + std::to_string(i + 1) + ": unusable");
            continue;
        }
        const bool repeat = !result.fixes.empty() && result.fixes.back().id == fix->id &&
                            result.fixes.back().time == fix->time;
        if (!repeat) {
            result.fixes.push_back(*fix);
        }
    }
    if (result.fixes.empty()) {
        return unexpected("no ATCF best-track record");
    }
    return result;
}
