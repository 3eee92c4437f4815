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
//   45-47  direction of storm motion, degrees toward which; 49-51 its speed in tenths
//          of a metre per second (negative: not known)
//   53-56  minimum central pressure, hPa (mb)
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
constexpr double kTenthsPerUnit = 10.0;

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

// Direction, speed and pressure, each where the record gives it.
void ReadMotion(std::string_view line, Fix& fix) {
    int degrees = -1, tenthsOfMetres = -1, pressure = 0;
    if (ParseInt(Columns(line, 45, 47), degrees) &&
        ParseInt(Columns(line, 49, 51), tenthsOfMetres) && degrees >= 0 && tenthsOfMetres >= 0) {
        fix.motionDegrees = degrees;
        fix.motionKnots = static_cast<int>(
            std::lround(tenthsOfMetres / kTenthsPerUnit / kMetresPerSecondPerKnot));
    }
    if (ParseInt(Columns(line, 53, 56), pressure)) {
        fix.pressureHpa = pressure;
    }
}

bool ReadRecord(std::string_view line, Fix& fix) {
    const std::string_view id = Columns(line, 6, 8);
    const std::string_view code = id.size() == 3 ? AtcfCodeOfSuffix(id[2]) : std::string_view();
    int number = 0, metresPerSecond = 0;
    const auto time =
        ParseDigitsTime(std::string(Columns(line, 20, 27)) + std::string(Columns(line, 29, 32)));
    if (code.empty() || !ParseInt(id.substr(0, 2), number) || number < 0 || !time ||
        !ParseTenthsLatitude(Columns(line, 34, 37), fix.latitude) ||
        !ParseTenthsLongitude(Columns(line, 39, 43), fix.longitude) ||
        !ParseInt(Columns(line, 68, 69), metresPerSecond) || metresPerSecond < 0) {
        return false;
    }
    fix.time = *time;
    fix.longitude = WrapLongitude(fix.longitude);
    fix.windKnots = KnotsOfMetresPerSecond(metresPerSecond);
    fix.name = std::string(Columns(line, 10, 18));
    fix.id = AtcfId(code, number, fix.time);
    ReadMotion(line, fix);
    return BasinOfAtcfCode(code, fix.longitude, fix.basin);
}

} // namespace

ReadResult ReadTcvitals(std::string_view body) {
    ReadResult result;
    const std::vector<std::string_view> lines = SplitLines(body);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (Trim(lines[i]).empty()) {
            continue;
        }
        Fix fix;
        if (lines[i].size() >= kMinimumLength && ReadRecord(lines[i], fix)) {
            result.fixes.push_back(fix);
        } else {
            result.skipped.push_back("TCVitals line " + std::to_string(i + 1) + ": unusable");
        }
    }
    if (result.fixes.empty()) {
        result.error = "no TCVitals record";
    }
    return result;
}
