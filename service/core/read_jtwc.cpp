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
#include <string>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

// A forecast point as the warning gives it: its valid time by day of month and time of day.
struct Point {
    ForecastPoint point;
    int day = 0, hour = 0, minute = 0;
};

struct Warning {
    std::string label, designator, name;
    int day = -1, hour = -1, minute = -1;
    double latitude = 0.0, longitude = 0.0;
    int wind = -1;
    int motionDegrees = -1, motionKnots = -1;
    int month = 0, year = 0, dateDay = 0; // from the remarks
    std::vector<Point> forecast;          // valid times still to be dated
    bool outlook = false;                 // past "LONG RANGE OUTLOOK:"
    std::string text;                     // the system's lines joined by spaces
};

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

// "061200Z --- NEAR 15.4N 142.7E" (the warning position) or "070000Z --- 16.1N 139.9E" (a
// forecast position): day, hour, minute and place.
bool ReadPosition(std::string_view line, int& day, int& hour, int& minute, double& latitude,
                  double& longitude) {
    std::vector<std::string_view> words = Words(line);
    if (words.size() > 2 && words[2] == "NEAR") {
        words.erase(words.begin() + 2);
    }
    if (words.size() < 4 || words[0].size() != 7 || !IsDigits(words[0].substr(0, 6)) ||
        words[0][6] != 'Z' || words[1] != "---" || !ParseDecimalLatitude(words[2], latitude) ||
        !ParseDecimalLongitude(words[3], longitude)) {
        return false;
    }
    day = std::stoi(std::string(words[0].substr(0, 2)));
    hour = std::stoi(std::string(words[0].substr(2, 2)));
    minute = std::stoi(std::string(words[0].substr(4, 2)));
    return true;
}

// "MAX SUSTAINED WINDS - 140 KT, GUSTS 170 KT"
bool ReadWind(std::string_view line, int& wind) {
    const std::vector<std::string_view> words = Words(line);
    return words.size() >= 6 && words[0] == "MAX" && words[2] == "WINDS" &&
           ParseInt(words[4], wind);
}

// "MOVEMENT PAST SIX HOURS - 290 DEGREES AT 14 KTS"
void ReadMovement(std::string_view line, Warning& w) {
    const std::vector<std::string_view> words = Words(line);
    if (line.find("STATIONARY") != std::string_view::npos) {
        w.motionKnots = 0;
    } else if (words.size() == 10 && words[6] == "DEGREES" && words[7] == "AT" &&
               words[9] == "KTS" && ParseInt(words[5], w.motionDegrees) &&
               ParseInt(words[8], w.motionKnots)) {
        return;
    } else {
        w.motionDegrees = w.motionKnots = -1;
    }
}

// "06JUL26." at the start of a remarks line.
bool ReadDate(std::string_view line, Warning& w) {
    line = Trim(line);
    if (line.size() < 8 || line[7] != '.' || !IsDigits(line.substr(0, 2)) ||
        !IsDigits(line.substr(5, 2)) || MonthOfAbbreviation(line.substr(2, 3)) == 0) {
        return false;
    }
    w.dateDay = std::stoi(std::string(line.substr(0, 2)));
    w.month = MonthOfAbbreviation(line.substr(2, 3));
    w.year = 2000 + std::stoi(std::string(line.substr(5, 2)));
    return true;
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

// A forecast point: "VALID AT:", its position, its wind, before the remarks.
Step ScanForecast(std::string_view line, Step step, Warning& w) {
    Point p;
    if (Contains(line, "REMARKS:")) {
        return Step::Remarks;
    }
    if (Contains(line, "LONG RANGE OUTLOOK:")) {
        w.outlook = true;
    }
    if (Contains(line, "VALID AT:")) {
        return Step::PointPosition;
    }
    if (step == Step::PointPosition &&
        ReadPosition(line, p.day, p.hour, p.minute, p.point.latitude, p.point.longitude)) {
        p.point.outlook = w.outlook;
        w.forecast.push_back(p);
        return Step::PointWind;
    }
    if (step == Step::PointWind && Contains(line, "MAX SUSTAINED WINDS")) {
        ReadWind(line, w.forecast.back().point.windKnots);
        return Step::Forecasts;
    }
    return step;
}

Step ScanLine(std::string_view line, Step step, Warning& w) {
    switch (step) {
    case Step::PositionTitle:
        return Contains(line, "WARNING POSITION:") ? Step::Position : step;
    case Step::Position:
        return ReadPosition(line, w.day, w.hour, w.minute, w.latitude, w.longitude)
                   ? Step::CurrentWind
                   : step;
    case Step::CurrentWind:
        if (Contains(line, "MOVEMENT PAST SIX HOURS")) {
            ReadMovement(line, w);
        } else if (Contains(line, "MAX SUSTAINED WINDS")) {
            ReadWind(line, w.wind); // one that cannot be read leaves the wind unknown
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
        return w.month == 0 ? (ReadDate(line, w), step) : step;
    }
    return step;
}

// The systems of a body, each from its header line to the next system's. A header that
// repeats the open system's designator before its position (the subject, then "1. ...")
// continues it.
std::vector<std::vector<std::string_view>> Systems(const std::vector<std::string_view>& lines) {
    std::vector<std::vector<std::string_view>> systems;
    std::string open;
    bool placed = false;
    for (std::string_view line : lines) {
        Warning header;
        if (ReadHeader(line, header) && (header.designator != open || placed)) {
            systems.emplace_back();
            open = header.designator;
            placed = false;
        }
        if (!systems.empty()) {
            systems.back().push_back(line);
            placed = placed || Contains(line, "WARNING POSITION:");
        }
    }
    return systems;
}

Warning ScanSystem(const std::vector<std::string_view>& lines) {
    Warning w;
    ReadHeader(lines.front(), w);
    Step step = Step::PositionTitle;
    for (std::string_view line : lines) {
        step = ScanLine(line, step, w);
        w.text += Trim(line);
        w.text += ' ';
    }
    return w;
}

// A system without remarks of its own takes the first dated remarks line of the body that
// names its designator.
void DateFromBody(const std::vector<std::string_view>& lines, Warning& w) {
    for (std::string_view line : lines) {
        if (w.month == 0 && Contains(line, " " + w.designator) && ReadDate(line, w)) {
            return;
        }
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

// The problem that keeps a system from being a fix, or empty.
std::string Problem(const Warning& w, std::string_view code, bool dated) {
    return code.empty() ? "unknown designator " + w.designator
           : w.day < 0  ? "no warning position"
           : w.wind < 0 ? "no maximum sustained wind"
           : !dated     ? "no date in the remarks"
                        : std::string();
}

// The fix of one scanned system, or why there is none.
std::string MakeFix(Warning& w, Fix& fix) {
    const std::string_view code = AtcfCodeOfSuffix(w.designator[2]);
    const auto time = w.month != 0 && w.day >= 0 ? ValidTime(w) : std::nullopt;
    std::string problem = Problem(w, code, time.has_value());
    if (!problem.empty()) {
        return problem;
    }
    fix.name = w.name;
    fix.latitude = w.latitude;
    fix.longitude = WrapLongitude(w.longitude);
    fix.windKnots = w.wind;
    fix.time = *time;
    fix.motionDegrees = w.motionDegrees;
    fix.motionKnots = w.motionKnots;
    BasinOfAtcfCode(code, fix.longitude, fix.basin);
    fix.id = AtcfId(code, std::stoi(w.designator.substr(0, 2)), fix.time);
    fix.status = std::string(StatusOfLabel(w.label));
    fix.final = Contains(w.text, "FINAL WARNING");
    for (const Point& p : w.forecast) {
        const auto valid = NearestDayTime(fix.time, p.day, p.hour, p.minute);
        if (valid && *valid > fix.time) {
            fix.forecast.push_back(p.point);
            fix.forecast.back().validTime = *valid;
        }
    }
    return {};
}

} // namespace

ReadResult ReadJtwcWarning(std::string_view body) {
    ReadResult result;
    const std::vector<std::string_view> lines = SplitLines(body);
    std::vector<std::string> problems;
    for (const std::vector<std::string_view>& system : Systems(lines)) {
        Warning w = ScanSystem(system);
        DateFromBody(lines, w);
        Fix fix;
        const std::string problem = MakeFix(w, fix);
        if (problem.empty()) {
            result.fixes.push_back(std::move(fix));
        } else {
            problems.push_back(problem);
            result.skipped.push_back("JTWC " + w.designator + ": " + problem);
        }
    }
    if (result.fixes.empty()) {
        result.error = problems.empty() ? "no JTWC warning header" : problems.front();
        result.skipped.clear();
    }
    return result;
}
