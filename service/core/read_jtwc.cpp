// JTWC tropical cyclone warning text, as published at
// https://www.metoc.navy.mil/jtwc/products/wp0926web.txt and relayed by the NWS as
// WTPN3x / WTIO3x / WTXS3x PGTW (https://tgftp.nws.noaa.gov/data/raw/wt/). A body holds
// one warning or several: a subject naming no system ("SUBJ/TROPICAL CYCLONE WARNING//")
// over numbered systems ("1. ...", "2. ..."), or complete warnings one after another. Each
// system runs from its header to the next system's, and from it is taken:
//   header     "SUPER TYPHOON 09W (BAVI) WARNING NR 023": label, designator, name
//   position   the line after "WARNING POSITION:": "061200Z --- NEAR 15.4N 142.7E"
//              (day, hour, minute of the valid time; decimal degrees with N/S, E/W)
//   movement   "MOVEMENT PAST SIX HOURS - 290 DEGREES AT 14 KTS" (or "... STATIONARY")
//   wind       "MAX SUSTAINED WINDS - 140 KT" in the block that follows the position
//              (one-minute average); the block ends at "---", "FORECASTS:" or "VALID AT",
//              and a forecast's wind is never taken for the current one
//   forecasts  each "12 HRS, VALID AT:" (12 to 120 hours) with the position line after it,
//              "070000Z --- 16.1N 139.9E", and its "MAX SUSTAINED WINDS - 140 KT"; those
//              after "LONG RANGE OUTLOOK:" (days 4 and 5) are outlooks
//   date       a remarks line "06JUL26." gives month and year of the valid time: a system
//              is dated by its own text only (its remarks, else a dated remarks line that
//              names its designator), since a relay slot keeps its last bulletin for years
//   basin      by the designator's letter and the position, never by the relay slot
//   final      "FINAL WARNING" in its text: JTWC's last word on the storm
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

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

// A forecast point as the warning gives it: its valid time still by day of month.
struct Point {
    Position position;
    int windKnots = 0; // 0 when its wind does not read
    bool outlook = false;
};

constexpr const char* kNoHeader = "no JTWC warning header";
constexpr const char* kNoPosition = "no warning position";
constexpr const char* kNoWind = "no maximum sustained wind";
constexpr const char* kNoDate = "no date in the remarks";

// What the scan of one system has found so far; each part not yet found says why the
// system gives no fix.
struct Warning {
    Header header; // a system starts at its header
    Expected<Position, std::string> position = unexpected(kNoPosition);
    Expected<int, std::string> wind = unexpected(kNoWind);
    Expected<Date, std::string> date = unexpected(kNoDate);
    int motionDegrees = -1, motionKnots = -1;
    std::vector<Point> forecast;
    bool outlook = false; // past "LONG RANGE OUTLOOK:"
    std::string text;     // the system's lines, trimmed and joined by spaces
};

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

// "061200Z --- NEAR 15.4N 142.7E" (the warning position) or "070000Z --- 16.1N 139.9E" (a
// forecast position).
Expected<Position, std::string> ReadPosition(std::string_view line) {
    std::vector<std::string_view> words = Words(line);
    if (words.size() > 2 && words[2] == "NEAR") {
        words.erase(words.begin() + 2);
    }
    if (words.size() < 4 || words[0].size() != 7 || words[0][6] != 'Z' || words[1] != "---") {
        return unexpected(kNoPosition);
    }
    const auto day = ParseDigits(words[0].substr(0, 2));
    const auto hour = ParseDigits(words[0].substr(2, 2));
    const auto minute = ParseDigits(words[0].substr(4, 2));
    const auto latitude = ParseDecimalLatitude(words[2]);
    const auto longitude = ParseDecimalLongitude(words[3]);
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

// "MOVEMENT PAST SIX HOURS - 290 DEGREES AT 14 KTS", or "... - QUASI-STATIONARY".
void ReadMovement(std::string_view line, Warning& w) {
    const std::vector<std::string_view> words = Words(line);
    if (line.find("STATIONARY") != std::string_view::npos) {
        w.motionKnots = 0;
        return;
    }
    const auto degrees = words.size() == 10 ? ParseInt(words[5]) : unexpected(std::errc{});
    const auto knots = words.size() == 10 ? ParseInt(words[8]) : unexpected(std::errc{});
    if (degrees && knots && words[6] == "DEGREES" && words[7] == "AT" && words[9] == "KTS") {
        w.motionDegrees = *degrees;
        w.motionKnots = *knots;
    }
}

// "06JUL26." at the start of a remarks line.
Expected<Date, std::string> ReadDate(std::string_view line) {
    line = Trim(line);
    if (line.size() < 8 || line[7] != '.') {
        return unexpected(kNoDate);
    }
    const auto day = ParseDigits(line.substr(0, 2));
    const auto year = ParseDigits(line.substr(5, 2));
    const int month = MonthOfAbbreviation(line.substr(2, 3));
    if (!day || !year || month == 0) {
        return unexpected(kNoDate);
    }
    return Date{*day, month, 2000 + *year};
}

bool Contains(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

// Where the scan of one system is: the steps of a warning in the order it gives them.
enum class Step {
    PositionTitle,
    Position,
    CurrentWind,
    Forecasts,
    PointPosition,
    PointWind,
    Remarks
};

// The forecasts: each "VALID AT:", its position and its wind, up to the remarks.
Step ScanForecast(std::string_view line, Step step, Warning& w) {
    if (Contains(line, "REMARKS:")) {
        return Step::Remarks;
    }
    w.outlook = w.outlook || Contains(line, "LONG RANGE OUTLOOK:");
    if (Contains(line, "VALID AT:")) {
        return Step::PointPosition;
    }
    if (step == Step::PointPosition) {
        if (const auto position = ReadPosition(line)) {
            w.forecast.push_back({*position, 0, w.outlook});
            return Step::PointWind;
        }
    }
    if (step == Step::PointWind && Contains(line, "MAX SUSTAINED WINDS")) {
        w.forecast.back().windKnots = ReadWind(line).value_or(0);
        return Step::Forecasts;
    }
    return step;
}

Step ScanLine(std::string_view line, Step step, Warning& w) {
    switch (step) {
    case Step::PositionTitle:
        return Contains(line, "WARNING POSITION:") ? Step::Position : step;
    case Step::Position:
        w.position = ReadPosition(line);
        return w.position ? Step::CurrentWind : step;
    case Step::CurrentWind:
        if (Contains(line, "MOVEMENT PAST SIX HOURS")) {
            ReadMovement(line, w);
        } else if (Contains(line, "MAX SUSTAINED WINDS")) {
            w.wind = ReadWind(line); // one that cannot be read leaves the wind unknown
            return Step::Forecasts;
        }
        return Contains(line, "---") || Contains(line, "FORECASTS:") || Contains(line, "VALID AT")
                   ? Step::Forecasts
                   : step;
    case Step::Forecasts:
    case Step::PointPosition:
    case Step::PointWind:
        return ScanForecast(line, step, w);
    case Step::Remarks:
        if (!w.date) { // the first date found
            w.date = ReadDate(line);
        }
        return step;
    }
    return step;
}

// One system of a body: its header and its lines, from the header to the next system's.
struct System {
    Header header;
    std::vector<std::string_view> lines;
};

// The systems of a body. A header that repeats the open system's designator before its
// position (the subject, then "1. ...") continues it.
std::vector<System> Systems(const std::vector<std::string_view>& lines) {
    std::vector<System> systems;
    bool placed = false;
    for (std::string_view line : lines) {
        auto header = ReadHeader(line);
        if (header &&
            (systems.empty() || header->designator != systems.back().header.designator || placed)) {
            systems.push_back({std::move(*header), {}});
            placed = false;
        }
        if (!systems.empty()) {
            systems.back().lines.push_back(line);
            placed = placed || Contains(line, "WARNING POSITION:");
        }
    }
    return systems;
}

// One system's lines scanned; a system without remarks of its own takes the first dated
// remarks line of the body that names its designator.
Warning ScanSystem(const System& system, const std::vector<std::string_view>& body) {
    Warning w;
    w.header = system.header;
    Step step = Step::PositionTitle;
    for (std::string_view line : system.lines) {
        step = ScanLine(line, step, w);
        w.text += Trim(line);
        w.text += ' ';
    }
    for (auto line = body.begin(); !w.date && line != body.end(); ++line) {
        if (Contains(*line, " " + w.header.designator)) {
            w.date = ReadDate(*line);
        }
    }
    return w;
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
    if (code.empty()) {
        return unexpected("unknown designator " + w.header.designator);
    }
    if (!w.position || !w.wind || !w.date) {
        return unexpected(!w.position ? w.position.error()
                          : !w.wind   ? w.wind.error()
                                      : w.date.error());
    }
    return {};
}

// The forecast points after the fix's time, dated by the day nearest to it.
std::vector<ForecastPoint> Forecast(const Warning& w, std::time_t time) {
    std::vector<ForecastPoint> forecast;
    for (const Point& p : w.forecast) {
        const auto valid = NearestDayTime(time, p.position.day, p.position.hour, p.position.minute);
        if (valid && *valid > time) {
            forecast.push_back(
                {*valid, p.position.latitude, p.position.longitude, p.windKnots, p.outlook});
        }
    }
    return forecast;
}

// The fix of one scanned system, or why there is none.
Expected<Fix, std::string> MakeFix(const Warning& w) {
    const std::string_view code = AtcfCodeOfSuffix(w.header.designator[2]);
    if (auto complete = Complete(w, code); !complete) {
        return unexpected(std::move(complete).error());
    }
    const auto time = ValidTime(*w.position, *w.date);
    const auto number = ParseDigits(w.header.designator.substr(0, 2));
    const auto basin = BasinOfAtcfCode(code, WrapLongitude(w.position->longitude));
    if (!time || !number || !basin) {
        return unexpected(!time ? time.error() : "unknown designator " + w.header.designator);
    }
    Fix fix;
    fix.name = w.header.name;
    fix.latitude = w.position->latitude;
    fix.longitude = WrapLongitude(w.position->longitude);
    fix.windKnots = *w.wind;
    fix.time = *time;
    fix.basin = *basin;
    fix.id = AtcfId(code, *number, fix.time);
    fix.status = std::string(StatusOfLabel(w.header.label));
    fix.final = Contains(w.text, "FINAL WARNING");
    fix.motionDegrees = w.motionDegrees;
    fix.motionKnots = w.motionKnots;
    fix.forecast = Forecast(w, fix.time);
    return fix;
}

} // namespace

ReadResult ReadJtwcWarning(std::string_view body) {
    const std::vector<std::string_view> lines = SplitLines(body);
    SourceFixes result;
    std::string firstProblem = kNoHeader;
    for (const System& system : Systems(lines)) {
        const Warning w = ScanSystem(system, lines);
        auto fix = MakeFix(w);
        if (fix) {
            result.fixes.push_back(std::move(*fix));
            continue;
        }
        if (result.skipped.empty()) {
            firstProblem = fix.error();
        }
        result.skipped.push_back("JTWC " + w.header.designator + ": " + fix.error());
    }
    if (result.fixes.empty()) {
        return unexpected(firstProblem);
    }
    return result;
}
