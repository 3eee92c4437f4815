// JTWC tropical cyclone warning text, as published at
// https://www.metoc.navy.mil/jtwc/products/wp0926web.txt and relayed by the NWS as
// WTPN3x / WTIO3x / WTXS3x PGTW (https://tgftp.nws.noaa.gov/data/raw/wt/). One warning
// per body. Taken from it:
//   header     "SUPER TYPHOON 09W (BAVI) WARNING NR 023": label, designator, name
//   position   the line after "WARNING POSITION:": "061200Z --- NEAR 15.4N 142.7E"
//              (day, hour, minute of the valid time; decimal degrees with N/S, E/W)
//   wind       "MAX SUSTAINED WINDS - 140 KT" in the block that follows the position
//              (one-minute average); the block ends at "---", "FORECASTS:" or "VALID AT",
//              and a forecast's wind is never taken for the current one
//   date       the remarks' "06JUL26." gives month and year of the valid time: a bulletin
//              is dated by its own text only, since a relay slot keeps its last one for
//              years
//   basin      by the designator's letter and the position, never by the relay slot
//   final      "FINAL WARNING" anywhere: JTWC's last word on the storm
#include <cstring>
#include <string>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

// The warning's label as the ATCF status code it stands for.
struct LabelCode {
    const char* label;
    const char* code;
};
constexpr LabelCode kLabels[] = {
    {"SUPER TYPHOON", "ST"},     {"TYPHOON", "TY"},
    {"TROPICAL STORM", "TS"},    {"TROPICAL DEPRESSION", "TD"},
    {"TROPICAL CYCLONE", "TC"},  {"HURRICANE", "HU"},
    {"SUBTROPICAL STORM", "SS"}, {"SUBTROPICAL DEPRESSION", "SD"},
};
constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

struct Warning {
    std::string label, designator, name;
    int day = -1, hour = -1, minute = -1;
    double latitude = 0.0, longitude = 0.0;
    int wind = -1;
    int month = 0, year = 0, dateDay = 0; // from the remarks
};

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (!(text = Trim(text)).empty()) {
        const size_t end = text.find_first_of(" \t");
        words.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    }
    return words;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "SUPER TYPHOON 09W (BAVI) WARNING NR 023": fills label, designator and name.
bool ReadHeader(std::string_view line, Warning& w) {
    const size_t at = line.find(" WARNING NR ");
    if (at == std::string_view::npos) {
        return false;
    }
    std::string label;
    for (std::string_view word : Words(line.substr(0, at))) {
        if (word.size() == 3 && IsDigits(word.substr(0, 2)) && w.designator.empty()) {
            w.designator = std::string(word);
        } else if (w.designator.empty()) {
            // Appended piecewise: GCC 12 at -O3 misreads "literal" + string as overlapping.
            label += label.empty() ? "" : " ";
            label += word;
        } else if (word.size() > 2 && word.front() == '(' && word.back() == ')') {
            w.name = std::string(word.substr(1, word.size() - 2));
        }
    }
    const size_t slash = label.rfind('/'), dot = label.find(". ");
    w.label = slash != std::string::npos ? label.substr(slash + 1)
              : dot != std::string::npos ? label.substr(dot + 2)
                                         : label;
    return !w.designator.empty();
}

// "061200Z --- NEAR 15.4N 142.7E"
bool ReadPosition(std::string_view line, Warning& w) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() < 5 || words[0].size() != 7 || !IsDigits(words[0].substr(0, 6)) ||
        words[0][6] != 'Z' || words[2] != "NEAR" || !ParseDecimalLatitude(words[3], w.latitude) ||
        !ParseDecimalLongitude(words[4], w.longitude)) {
        return false;
    }
    w.day = std::stoi(std::string(words[0].substr(0, 2)));
    w.hour = std::stoi(std::string(words[0].substr(2, 2)));
    w.minute = std::stoi(std::string(words[0].substr(4, 2)));
    return true;
}

// "MAX SUSTAINED WINDS - 140 KT, GUSTS 170 KT"
bool ReadWind(std::string_view line, Warning& w) {
    const std::vector<std::string_view> words = Words(line);
    int wind = -1;
    if (words.size() < 6 || words[0] != "MAX" || words[2] != "WINDS" || !ParseInt(words[4], wind)) {
        return false;
    }
    w.wind = wind;
    return true;
}

// "06JUL26." at the start of a remarks line.
bool ReadDate(std::string_view line, Warning& w) {
    line = Trim(line);
    if (line.size() < 8 || line[7] != '.' || !IsDigits(line.substr(0, 2)) ||
        !IsDigits(line.substr(5, 2))) {
        return false;
    }
    for (int m = 0; m < 12; ++m) {
        if (line.substr(2, 3) == kMonths[m]) {
            w.dateDay = std::stoi(std::string(line.substr(0, 2)));
            w.month = m + 1;
            w.year = 2000 + std::stoi(std::string(line.substr(5, 2)));
            return true;
        }
    }
    return false;
}

bool Contains(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

// Where the scan is: the steps of a warning in the order it gives them.
enum class Step { Header, PositionTitle, Position, CurrentWind, Remarks };

Step ScanLine(std::string_view line, Step step, Warning& w) {
    switch (step) {
    case Step::Header:
        return ReadHeader(line, w) ? Step::PositionTitle : step;
    case Step::PositionTitle:
        return Contains(line, "WARNING POSITION:") ? Step::Position : step;
    case Step::Position:
        return ReadPosition(line, w) ? Step::CurrentWind : step;
    case Step::CurrentWind:
        if (Contains(line, "MAX SUSTAINED WINDS")) {
            ReadWind(line, w); // one that cannot be read leaves the wind unknown
            return Step::Remarks;
        }
        return Contains(line, "---") || Contains(line, "FORECASTS:") || Contains(line, "VALID AT")
                   ? Step::Remarks
                   : step;
    case Step::Remarks:
        return w.month == 0 ? (ReadDate(line, w), step) : step;
    }
    return step;
}

void ScanLines(const std::vector<std::string_view>& lines, Warning& w) {
    Step step = Step::Header;
    for (std::string_view line : lines) {
        step = ScanLine(line, step, w);
    }
}

std::optional<std::time_t> ValidTime(const Warning& w) {
    int month = w.month, year = w.year;
    if (w.day > w.dateDay) { // the position is from the month before the remarks' date
        month = month == 1 ? 12 : month - 1;
        year = month == 12 ? year - 1 : year;
    }
    return UtcTime(year, month, w.day, w.hour, w.minute);
}

} // namespace

ReadResult ReadJtwcWarning(std::string_view body) {
    ReadResult result;
    Warning w;
    ScanLines(SplitLines(body), w);
    const std::string_view code = w.designator.empty() ? "" : AtcfCodeOfSuffix(w.designator[2]);
    const auto time = w.month != 0 && w.day >= 0 ? ValidTime(w) : std::nullopt;
    if (code.empty() || w.wind < 0 || !time) {
        result.error = w.designator.empty() ? "no JTWC warning header"
                       : code.empty()       ? "unknown designator " + w.designator
                       : w.day < 0          ? "no warning position"
                       : w.wind < 0         ? "no maximum sustained wind"
                                            : "no date in the remarks";
        return result;
    }
    Fix fix;
    fix.name = w.name;
    fix.latitude = w.latitude;
    fix.longitude = WrapLongitude(w.longitude);
    fix.windKnots = w.wind;
    fix.time = *time;
    BasinOfAtcfCode(code, fix.longitude, fix.basin);
    fix.id = AtcfId(code, std::stoi(w.designator.substr(0, 2)), fix.time);
    for (const LabelCode& entry : kLabels) {
        if (w.label == entry.label) {
            fix.status = entry.code;
        }
    }
    fix.final = body.find("FINAL WARNING") != std::string_view::npos;
    result.fixes.push_back(fix);
    return result;
}
