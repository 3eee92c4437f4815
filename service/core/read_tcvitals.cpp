// NCEP TCVitals records, the fixed-column format described in
// https://www.emc.ncep.noaa.gov/mmb/data_processing/tcvitals_description.htm (NHC and
// JTWC storms in one list, as in https://ftp.nhc.noaa.gov/atcf/com/tcvitals and NCEP's
// syndat_tcvitals.YYYY). Columns taken (1-based, inclusive):
//    1-4   centre: "NHC ", "JTWC"
//    6-8   storm id: number and basin letter, "01L", "26W", "03S"
//   10-18  storm name, cut to 9 characters
//   20-27  date YYYYMMDD, 29-32 time HHMM, UTC
//   34-37  latitude, tenths of a degree with N/S ("326N")
//   39-43  longitude, tenths of a degree with E/W ("0773W", "1430E")
//   68-69  maximum sustained wind, metres per second
// The format has no status code. A file holds many times; every record becomes a fix.
#include <cmath>
#include <string>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

constexpr size_t kMinimumLength = 69;
constexpr double kMetresPerSecondPerKnot = 0.514444;
constexpr int kAgencyKnotStep = 5; // agencies give the wind in steps of 5 knots

std::string_view Columns(std::string_view line, size_t first, size_t last) {
    return Trim(line.substr(first - 1, last - first + 1));
}

// The wind in knots that the metres per second were converted from: the agencies' step
// of 5 knots whose conversion rounds to it, or else the plain conversion rounded.
int KnotsOfMetresPerSecond(int metresPerSecond) {
    const double knots = metresPerSecond / kMetresPerSecondPerKnot;
    const int step = static_cast<int>(std::lround(knots / kAgencyKnotStep)) * kAgencyKnotStep;
    if (std::lround(step * kMetresPerSecondPerKnot) == metresPerSecond) {
        return step;
    }
    return static_cast<int>(std::lround(knots));
}

Expected<Fix, std::errc> ReadRecord(std::string_view line) {
    const std::string_view id = Columns(line, 6, 8);
    const std::string_view code = id.size() == 3 ? AtcfCodeOfSuffix(id[2]) : std::string_view();
    const auto time =
        ParseDigitsTime(std::string(Columns(line, 20, 27)) + std::string(Columns(line, 29, 32)));
    const auto number = ParseInt(id.substr(0, 2));
    const auto latitude = ParseTenthsLatitude(Columns(line, 34, 37));
    const auto longitude = ParseTenthsLongitude(Columns(line, 39, 43));
    const auto metresPerSecond = ParseInt(Columns(line, 68, 69));
    if (code.empty() || !number || *number < 0 || !time || !latitude || !longitude ||
        !metresPerSecond || *metresPerSecond < 0) {
        return unexpected(std::errc::invalid_argument);
    }
    Fix fix;
    fix.time = *time;
    fix.latitude = *latitude;
    fix.longitude = WrapLongitude(*longitude);
    fix.windKnots = KnotsOfMetresPerSecond(*metresPerSecond);
    fix.name = std::string(Columns(line, 10, 18));
    fix.id = AtcfId(code, *number, fix.time);
    const auto basin = BasinOfAtcfCode(code, fix.longitude);
    if (!basin) {
        return unexpected(std::errc::invalid_argument);
    }
    fix.basin = *basin;
    return fix;
}

} // namespace

ReadResult ReadTcvitals(std::string_view body) {
    SourceFixes result;
    const std::vector<std::string_view> lines = SplitLines(body);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (Trim(lines[i]).empty()) {
            continue;
        }
        const auto fix = lines[i].size() >= kMinimumLength
                             ? ReadRecord(lines[i])
                             : unexpected(std::errc::invalid_argument);
        if (fix) {
            result.fixes.push_back(*fix);
        } else {
            result.skipped.push_back("TCVitals line " + std::to_string(i + 1) + ": unusable");
        }
    }
    if (result.fixes.empty()) {
        return unexpected("no TCVitals record");
    }
    return result;
}
