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
//   10 MSLP        minimum sea-level pressure, hPa (mb); 0 or blank when not known
//   11 TY          status: TD, TS, HU, TY, ST, SD, SS, EX, LO, DB, XX...
//   28 STORMNAME   (optional)
// One time repeats on up to three lines, one per wind radius: the first is used.
#include <string>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

constexpr size_t kBasin = 0, kNumber = 1, kTime = 2, kTech = 4, kLatitude = 6, kLongitude = 7,
                 kWind = 8, kPressure = 9, kStatus = 10, kName = 27;

// The fix of one BEST line; false when a field it needs is unusable.
bool ReadBestLine(const std::vector<std::string_view>& fields, Fix& fix) {
    int number = 0;
    const std::string code = ToUpper(fields[kBasin]);
    const auto time = ParseDigitsTime(fields[kTime]);
    if (!ParseInt(fields[kNumber], number) || number < 0 || number > 99 || !time ||
        !ParseTenthsLatitude(fields[kLatitude], fix.latitude) ||
        !ParseTenthsLongitude(fields[kLongitude], fix.longitude) ||
        !ParseInt(fields[kWind], fix.windKnots)) {
        return false;
    }
    fix.longitude = WrapLongitude(fix.longitude);
    if (!BasinOfAtcfCode(code, fix.longitude, fix.basin)) {
        return false;
    }
    fix.time = *time;
    fix.id = AtcfId(code, number, fix.time);
    if (!ParseInt(fields[kPressure], fix.pressureHpa)) {
        fix.pressureHpa = 0;
    }
    fix.status = ToUpper(fields[kStatus]);
    fix.name = fields.size() > kName ? std::string(fields[kName]) : std::string();
    return true;
}

} // namespace

ReadResult ReadAtcfBestTrack(std::string_view body) {
    ReadResult result;
    const std::vector<std::string_view> lines = SplitLines(body);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string_view> fields = SplitCommas(lines[i]);
        if (fields.size() <= kTech || fields[kTech] != "BEST") {
            continue;
        }
        Fix fix;
        if (fields.size() <= kStatus || !ReadBestLine(fields, fix)) {
            result.skipped.push_back("ATCF line " + std::to_string(i + 1) + ": unusable");
            continue;
        }
        const bool repeat = !result.fixes.empty() && result.fixes.back().id == fix.id &&
                            result.fixes.back().time == fix.time;
        if (!repeat) {
            result.fixes.push_back(fix);
        }
    }
    if (result.fixes.empty()) {
        result.error = "no ATCF best-track record";
    }
    return result;
}
