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
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

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
constexpr std::string_view kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The warning's label ("SUPER TYPHOON"), designator ("09W") and name ("BAVI").
struct Header {
    std::string label, designator, name;
};

// The valid time's day and time of month, and the position.
struct Position {
    int day, hour, minute;
    double latitude, longitude;
};

// The remarks' date: the valid time's month and year.
struct Date {
    int day, month, year;
};

constexpr const char* kNoHeader = "no JTWC warning header";
constexpr const char* kNoPosition = "no warning position";
constexpr const char* kNoWind = "no maximum sustained wind";
constexpr const char* kNoDate = "no date in the remarks";

// What the scan has found so far; each part not yet found says why the warning fails.
struct Warning {
    Expected<Header, std::string> header = unexpected(kNoHeader);
    Expected<Position, std::string> position = unexpected(kNoPosition);
    Expected<int, std::string> wind = unexpected(kNoWind);
    Expected<Date, std::string> date = unexpected(kNoDate);
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

// "SUPER TYPHOON 09W (BAVI) WARNING NR 023"
Expected<Header, std::string> ReadHeader(std::string_view line) {
    const size_t at = line.find(" WARNING NR ");
    if (at == std::string_view::npos) {
        return unexpected(kNoHeader);
    }
    Header header;
    std::string label;
    for (std::string_view word : Words(line.substr(0, at))) {
        if (word.size() == 3 && IsDigits(word.substr(0, 2)) && header.designator.empty()) {
            header.designator = std::string(word);
        } else if (header.designator.empty()) {
            // Appended piecewise: GCC 12 at -O3 misreads "literal" + string as overlapping.
            label += label.empty() ? "" : " ";
            label += word;
        } else if (word.size() > 2 && word.front() == '(' && word.back() == ')') {
            header.name = std::string(word.substr(1, word.size() - 2));
        }
    }
    const size_t slash = label.rfind('/'), dot = label.find(". ");
    header.label = slash != std::string::npos ? label.substr(slash + 1)
                   : dot != std::string::npos ? label.substr(dot + 2)
                                              : label;
    if (header.designator.empty()) {
        return unexpected(kNoHeader);
    }
    return header;
}

// "061200Z --- NEAR 15.4N 142.7E"
Expected<Position, std::string> ReadPosition(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() < 5 || words[0].size() != 7 || words[0][6] != 'Z' || words[2] != "NEAR") {
        return unexpected(kNoPosition);
    }
    const auto day = ParseDigits(words[0].substr(0, 2));
    const auto hour = ParseDigits(words[0].substr(2, 2));
    const auto minute = ParseDigits(words[0].substr(4, 2));
    const auto latitude = ParseDecimalLatitude(words[3]);
    const auto longitude = ParseDecimalLongitude(words[4]);
    if (!day || !hour || !minute || !latitude || !longitude) {
        return unexpected(kNoPosition);
    }
    return Position{*day, *hour, *minute, *latitude, *longitude};
}

// "MAX SUSTAINED WINDS - 140 KT, GUSTS 170 KT"
Expected<int, std::string> ReadWind(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    const auto wind = words.size() < 6 || words[0] != "MAX" || words[2] != "WINDS"
                          ? unexpected(std::errc::invalid_argument)
                          : ParseInt(words[4]);
    return wind ? Expected<int, std::string>(*wind) : unexpected(kNoWind);
}

// "06JUL26." at the start of a remarks line.
Expected<Date, std::string> ReadDate(std::string_view line) {
    line = Trim(line);
    if (line.size() < 8 || line[7] != '.') {
        return unexpected(kNoDate);
    }
    const auto day = ParseDigits(line.substr(0, 2));
    const auto year = ParseDigits(line.substr(5, 2));
    const auto month = std::find(std::begin(kMonths), std::end(kMonths), line.substr(2, 3));
    if (!day || !year || month == std::end(kMonths)) {
        return unexpected(kNoDate);
    }
    return Date{*day, static_cast<int>(month - std::begin(kMonths)) + 1, 2000 + *year};
}

bool Contains(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

// Where the scan is: the steps of a warning in the order it gives them.
enum class Step { Header, PositionTitle, Position, CurrentWind, Remarks };

Step ScanLine(std::string_view line, Step step, Warning& w) {
    switch (step) {
    case Step::Header:
        w.header = ReadHeader(line);
        return w.header ? Step::PositionTitle : step;
    case Step::PositionTitle:
        return Contains(line, "WARNING POSITION:") ? Step::Position : step;
    case Step::Position:
        w.position = ReadPosition(line);
        return w.position ? Step::CurrentWind : step;
    case Step::CurrentWind:
        if (Contains(line, "MAX SUSTAINED WINDS")) {
            w.wind = ReadWind(line); // one that cannot be read leaves the wind unknown
            return Step::Remarks;
        }
        return Contains(line, "---") || Contains(line, "FORECASTS:") || Contains(line, "VALID AT")
                   ? Step::Remarks
                   : step;
    case Step::Remarks:
        if (!w.date) { // the first date found
            w.date = ReadDate(line);
        }
        return step;
    }
    return step;
}

void ScanLines(const std::vector<std::string_view>& lines, Warning& w) {
    Step step = Step::Header;
    for (std::string_view line : lines) {
        step = ScanLine(line, step, w);
    }
}

// The valid time: the position's day and time in the remarks' month, or in the month
// before when its day is later than the remarks' date.
Expected<std::time_t, std::string> ValidTime(const Position& position, Date date) {
    if (position.day > date.day) {
        date.month = date.month == 1 ? 12 : date.month - 1;
        date.year = date.month == 12 ? date.year - 1 : date.year;
    }
    const auto time = UtcTime(date.year, date.month, position.day, position.hour, position.minute);
    return time ? Expected<std::time_t, std::string>(*time) : unexpected(kNoDate);
}

// Whether the scan found all a fix needs, or the first part it did not.
Expected<void, std::string> Complete(const Warning& w, std::string_view code) {
    if (!w.header) {
        return unexpected(w.header.error());
    }
    if (code.empty()) {
        return unexpected("unknown designator " + w.header->designator);
    }
    if (!w.position || !w.wind || !w.date) {
        return unexpected(!w.position ? w.position.error()
                          : !w.wind   ? w.wind.error()
                                      : w.date.error());
    }
    return {};
}

} // namespace

ReadResult ReadJtwcWarning(std::string_view body) {
    Warning w;
    ScanLines(SplitLines(body), w);
    const std::string_view code = w.header ? AtcfCodeOfSuffix(w.header->designator[2]) : "";
    if (auto complete = Complete(w, code); !complete) {
        return unexpected(std::move(complete).error());
    }
    const auto time = ValidTime(*w.position, *w.date);
    const auto number = ParseDigits(w.header->designator.substr(0, 2));
    const auto basin = BasinOfAtcfCode(code, WrapLongitude(w.position->longitude));
    if (!time || !number || !basin) {
        return unexpected(!time ? time.error() : "unknown designator " + w.header->designator);
    }
    Fix fix;
    fix.name = w.header->name;
    fix.latitude = w.position->latitude;
    fix.longitude = WrapLongitude(w.position->longitude);
    fix.windKnots = *w.wind;
    fix.time = *time;
    fix.basin = *basin;
    fix.id = AtcfId(code, *number, fix.time);
    for (const LabelCode& entry : kLabels) {
        if (w.header->label == entry.label) {
            fix.status = entry.code;
        }
    }
    fix.final = body.find("FINAL WARNING") != std::string_view::npos;
    return SourceFixes{{fix}, {}};
}
