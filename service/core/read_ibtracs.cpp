// IBTrACS v04 CSV (NOAA NCEI), e.g. ibtracs.ACTIVE.list.v04r01.csv; columns as described
// in https://www.ncei.noaa.gov/sites/default/files/2021-07/IBTrACS_v04_column_documentation.pdf
// Line 1 names the columns, line 2 gives their units and is skipped. Columns taken, by
// header name:
//   SID          IBTrACS' own storm id, for storms without a USA_ATCF_ID
//   ISO_TIME     "2025-09-10 12:00:00", UTC
//   BASIN        NA, EP, WP, NI, SI, SP, SA: the basin of this position
//   NAME         "KIKO", "UNNAMED"
//   NATURE       TS, SS, ET, DS, MX, NR: used when USA_STATUS is blank
//   LAT, LON     degrees, north and east positive
//   USA_ATCF_ID  "EP112025"
//   USA_WIND     maximum sustained wind, knots (1-minute); rows without it are skipped
//   USA_STATUS   the ATCF status code (TD, TS, HU, LO, DB...), often blank
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

enum Column {
    kSid,
    kTime,
    kBasin,
    kName,
    kNature,
    kLatitude,
    kLongitude,
    kAtcfId,
    kWind,
    kStatus,
    kColumns
};
constexpr const char* kColumnNames[kColumns] = {"SID",      "ISO_TIME",  "BASIN", "NAME",
                                                "NATURE",   "LAT",       "LON",   "USA_ATCF_ID",
                                                "USA_WIND", "USA_STATUS"};

struct BasinCode {
    const char* ibtracs;
    const char* atcf;
};
// NATURE as the ATCF status code it stands for: TS (tropical, any strength) is ATCF's
// generic "TC"; MX (mixed reports) and NR (not reported) leave it to the wind.
struct NatureCode {
    const char* nature;
    const char* atcf;
};
constexpr NatureCode kNatureCodes[] = {{"TS", "TC"}, {"SS", "TC"}, {"ET", "EX"}, {"DS", "DB"}};

std::string StatusOfNature(std::string_view nature) {
    for (const NatureCode& code : kNatureCodes) {
        if (nature == code.nature) {
            return code.atcf;
        }
    }
    return {};
}

constexpr BasinCode kBasinCodes[] = {{"NA", "AL"}, {"EP", "EP"}, {"WP", "WP"}, {"NI", "IO"},
                                     {"SI", "SH"}, {"SP", "SH"}, {"SA", "SH"}};

// Index of each column taken, or the first one missing.
using ColumnIndex = std::array<size_t, kColumns>;

Expected<ColumnIndex, std::string> FindColumns(std::string_view header) {
    const std::vector<std::string_view> names = SplitCommas(header);
    ColumnIndex index{};
    for (int c = 0; c < kColumns; ++c) {
        index[c] = names.size();
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == kColumnNames[c]) {
                index[c] = i;
            }
        }
        if (index[c] == names.size()) {
            return unexpected("not an IBTrACS CSV (no " + std::string(kColumnNames[c]) +
                              " column)");
        }
    }
    return index;
}

Expected<Fix, std::errc> ReadRow(const std::vector<std::string_view>& fields,
                                 const ColumnIndex& index) {
    const auto time = ParseIsoTimestamp(fields[index[kTime]]);
    const auto wind = ParseInt(fields[index[kWind]]);
    const auto latitude = ParseNumber(fields[index[kLatitude]]);
    const auto longitude = ParseNumber(fields[index[kLongitude]]);
    if (!time || !wind || !latitude || !longitude || std::abs(*longitude) > 360.0) {
        return unexpected(std::errc::invalid_argument);
    }
    Fix fix;
    fix.time = *time;
    fix.windKnots = *wind;
    fix.latitude = *latitude;
    fix.longitude = WrapLongitude(*longitude);
    const std::string_view basin = fields[index[kBasin]];
    Expected<Basin, std::string> known = unexpected("unknown basin");
    for (const BasinCode& code : kBasinCodes) {
        if (basin == code.ibtracs) {
            known = BasinOfAtcfCode(code.atcf, fix.longitude);
        }
    }
    if (!known) {
        return unexpected(std::errc::invalid_argument);
    }
    fix.basin = *known;
    const std::string_view id = fields[index[kAtcfId]];
    fix.id = id.size() == 8 ? ToUpper(id) : std::string();
    fix.key = std::string(fields[index[kSid]]);
    fix.name = std::string(fields[index[kName]]);
    const std::string_view status = fields[index[kStatus]];
    fix.status = status.empty() ? StatusOfNature(fields[index[kNature]]) : ToUpper(status);
    return fix;
}

} // namespace

ReadResult ReadIbtracsCsv(std::string_view body) {
    SourceFixes result;
    const std::vector<std::string_view> lines = SplitLines(body);
    const auto columns = FindColumns(lines.empty() ? "" : lines[0]);
    if (!columns) {
        return unexpected(columns.error());
    }
    const ColumnIndex& index = *columns;
    int withoutWind = 0;
    for (size_t i = 2; i < lines.size(); ++i) { // line 2 holds the units
        const std::vector<std::string_view> fields = SplitCommas(lines[i]);
        if (Trim(lines[i]).empty()) {
            continue;
        }
        const bool complete = fields.size() > *std::max_element(index.begin(), index.end());
        if (complete && fields[index[kWind]].empty()) {
            ++withoutWind;
            continue;
        }
        const auto fix =
            complete ? ReadRow(fields, index) : unexpected(std::errc::invalid_argument);
        if (fix) {
            result.fixes.push_back(*fix);
        } else {
            result.skipped.push_back("IBTrACS line " + std::to_string(i + 1) + ": unusable");
        }
    }
    if (withoutWind > 0) {
        result.skipped.push_back("IBTrACS: " + std::to_string(withoutWind) +
                                 " rows without USA_WIND");
    }
    return result;
}
