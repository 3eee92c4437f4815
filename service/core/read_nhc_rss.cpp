// NHC's RSS feeds, https://www.nhc.noaa.gov/index-at.xml, index-ep.xml and index-cp.xml:
// RSS 2.0 (rss/channel/item), read with pugixml. Of the items only each storm's
// forecast/advisory (TCM) is taken; its <description> carries the product verbatim (text
// and a CDATA <pre>). Lines taken from the TCM:
//   header    "HURRICANE FRANKLIN FORECAST/ADVISORY NUMBER  36": label and name
//   id        "NWS NATIONAL HURRICANE CENTER MIAMI FL       AL082023": the ATCF id
//   issued    "1500 UTC TUE AUG 29 2023": the month and year of the times below
//   center    "HURRICANE CENTER LOCATED NEAR 30.8N  70.4W AT 29/1500Z": position and time
//   movement  "PRESENT MOVEMENT TOWARD THE NORTH-NORTHEAST OR  30 DEGREES AT  10 KT"
//             (a stationary centre: 0 kt, no direction)
//   pressure  "ESTIMATED MINIMUM CENTRAL PRESSURE  941 MB"
//   wind      "MAX SUSTAINED WINDS 115 KT WITH GUSTS TO 140 KT." (one-minute, knots)
//   forecast  "FORECAST VALID 30/0000Z 32.0N  69.6W" and "OUTLOOK VALID ..." (days 4 and 5),
//             a remark after the position ("...INLAND"), then "MAX WIND 110 KT...GUSTS
//             135 KT."; a point given as "...DISSIPATED" has no position and is left out
//   final     "THIS IS THE LAST FORECAST/ADVISORY": NHC's last word on the storm
// An item with a TCM that lacks one of header, id, issued, center or wind is skipped.
#include <optional>
#include <string>

#include <pugixml.hpp>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

constexpr std::string_view kTcmTitle = " FORECAST/ADVISORY NUMBER";

// What the lines give, before it becomes a fix.
struct Advisory {
    Fix fix;
    std::optional<std::time_t> issued, center;
    bool pointOpen = false; // the last forecast point waits for its MAX WIND line
    int wind = -1;
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "HURRICANE FRANKLIN FORECAST/ADVISORY NUMBER  36", "... SPECIAL FORECAST/ADVISORY ...":
// the longest known label first, the rest is the name.
void ReadHeader(std::string_view line, Fix& fix) {
    std::vector<std::string_view> words = Words(line.substr(0, line.find(kTcmTitle)));
    if (!words.empty() && words.back() == "SPECIAL") {
        words.pop_back();
    }
    size_t labelWords = 0;
    std::string label;
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        label += i ? " " : "";
        label += words[i];
        if (!StatusOfLabel(label).empty()) {
            labelWords = i + 1;
            fix.status = std::string(StatusOfLabel(label));
        }
    }
    fix.name.clear();
    for (size_t i = labelWords; i < words.size(); ++i) {
        fix.name += i > labelWords ? " " : "";
        fix.name += words[i];
    }
}

// The last word of "NWS NATIONAL HURRICANE CENTER MIAMI FL       AL082023".
std::optional<std::string> ReadId(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    const std::string_view id = words.empty() ? std::string_view() : words.back();
    if (words.size() < 2 || id.size() != 8 || !IsDigits(id.substr(2)) ||
        !BasinOfAtcfCode(id.substr(0, 2), 0.0)) {
        return std::nullopt;
    }
    return std::string(id);
}

// "1500 UTC TUE AUG 29 2023"
std::optional<std::time_t> ReadIssued(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() != 6 || words[0].size() != 4 || words[1] != "UTC") {
        return std::nullopt;
    }
    const auto hhmm = ParseDigits(words[0]);
    const auto day = ParseDigits(words[4]);
    const auto year = ParseDigits(words[5]);
    if (!hhmm || !day || !year) {
        return std::nullopt;
    }
    return UtcTime(*year, MonthOfAbbreviation(words[3]), *day, *hhmm / 100, *hhmm % 100);
}

// "29/1500Z" (anything after the Z ignored) as the time nearest to `reference`.
std::optional<std::time_t> ReadDayTime(std::string_view word, std::time_t reference) {
    if (word.size() < 8 || word[2] != '/' || word[7] != 'Z') {
        return std::nullopt;
    }
    const auto day = ParseDigits(word.substr(0, 2));
    const auto hhmm = ParseDigits(word.substr(3, 4));
    if (!day || !hhmm) {
        return std::nullopt;
    }
    return NearestDayTime(reference, *day, *hhmm / 100, *hhmm % 100);
}

struct Place {
    double latitude, longitude;
};

// "30.8N" and "70.4W...INLAND": a position, remarks after its hemisphere letter ignored.
std::optional<Place> ReadPlace(std::string_view latitude, std::string_view longitude) {
    const size_t letter = longitude.find_first_of("EW");
    if (letter == std::string_view::npos) {
        return std::nullopt;
    }
    const auto north = ParseDecimalLatitude(latitude);
    const auto east = ParseDecimalLongitude(longitude.substr(0, letter + 1));
    if (!north || !east) {
        return std::nullopt;
    }
    return Place{*north, *east};
}

// "HURRICANE CENTER LOCATED NEAR 30.8N  70.4W AT 29/1500Z"
void ReadCenter(std::string_view line, Advisory& a) {
    const std::vector<std::string_view> words = Words(line.substr(line.find(" NEAR ")));
    const auto place = words.size() == 5 ? ReadPlace(words[1], words[2]) : std::nullopt;
    if (a.issued && place && words[3] == "AT") {
        a.fix.latitude = place->latitude;
        a.fix.longitude = place->longitude;
        a.center = ReadDayTime(words[4], *a.issued);
    }
}

// "PRESENT MOVEMENT TOWARD THE NORTH OR 360 DEGREES AT   2 KT"
void ReadMovement(std::string_view line, Fix& fix) {
    if (line.find("STATIONARY") != std::string_view::npos) {
        fix.motionKnots = 0;
        return;
    }
    const std::vector<std::string_view> words = Words(line);
    for (size_t i = 1; i + 3 < words.size(); ++i) {
        const auto degrees = ParseInt(words[i - 1]);
        const auto knots = ParseInt(words[i + 2]);
        if (words[i] == "DEGREES" && words[i + 1] == "AT" && words[i + 3] == "KT" && degrees &&
            knots) {
            fix.motionDegrees = *degrees;
            fix.motionKnots = *knots;
            return;
        }
    }
}

// "FORECAST VALID 30/0000Z 32.0N  69.6W" or "OUTLOOK VALID ...": opens a point; one with no
// position ("...DISSIPATED") opens none.
void ReadPoint(std::string_view line, Advisory& a) {
    const std::vector<std::string_view> words = Words(line);
    ForecastPoint point;
    point.outlook = words[0] == "OUTLOOK";
    const auto time =
        a.center && words.size() >= 5 ? ReadDayTime(words[2], *a.center) : std::nullopt;
    const auto place = time ? ReadPlace(words[3], words[4]) : std::nullopt;
    a.pointOpen = place.has_value();
    if (a.pointOpen) {
        point.validTime = *time;
        point.latitude = place->latitude;
        point.longitude = place->longitude;
        a.fix.forecast.push_back(point);
    }
}

// "MAX WIND 110 KT...GUSTS 135 KT." closes the open point.
void ReadPointWind(std::string_view line, Advisory& a) {
    const std::vector<std::string_view> words = Words(line);
    if (a.pointOpen && words.size() >= 3) {
        a.fix.forecast.back().windKnots = ParseInt(words[2]).value_or(0);
    }
    a.pointOpen = false;
}

void ReadLine(std::string_view line, Advisory& a) {
    const std::vector<std::string_view> words = Words(line);
    if (StartsWith(line, "FORECAST VALID ") || StartsWith(line, "OUTLOOK VALID ")) {
        ReadPoint(line, a);
    } else if (StartsWith(line, "MAX WIND ")) {
        ReadPointWind(line, a);
    } else if (!a.center && !StartsWith(line, "REPEAT") &&
               line.find("CENTER LOCATED NEAR ") != std::string_view::npos) {
        ReadCenter(line, a);
    } else if (StartsWith(line, "PRESENT MOVEMENT ")) {
        ReadMovement(line, a.fix);
    } else if (StartsWith(line, "ESTIMATED MINIMUM CENTRAL PRESSURE ") && words.size() == 6) {
        a.fix.pressureHpa = ParseInt(words[4]).value_or(0);
    } else if (StartsWith(line, "MAX SUSTAINED WINDS ") && words.size() > 4 && words[4] == "KT") {
        a.wind = ParseInt(words[3]).value_or(-1);
    } else if (StartsWith(line, "THIS IS THE LAST FORECAST/ADVISORY")) {
        a.fix.final = true;
    }
}

// The fix of one TCM's text, or the name of the first part that is missing or unusable.
Expected<Fix, std::string> ReadAdvisory(const std::string& text) {
    Advisory a;
    bool header = false;
    for (std::string_view line : SplitLines(text)) {
        line = Trim(line);
        if (!header && line.find(kTcmTitle) != std::string_view::npos) {
            header = true;
            ReadHeader(line, a.fix);
        } else if (header && a.fix.id.empty()) {
            a.fix.id = ReadId(line).value_or("");
        } else if (!a.fix.id.empty() && !a.issued) {
            a.issued = ReadIssued(line);
        } else if (a.issued) {
            ReadLine(line, a);
        }
    }
    const bool id = !a.fix.id.empty();
    const auto basin = id ? BasinOfAtcfCode(a.fix.id.substr(0, 2), WrapLongitude(a.fix.longitude))
                          : unexpected(std::string("ATCF id"));
    if (!a.center || a.wind < 0 || !basin) {
        return unexpected(!id         ? "ATCF id"
                          : !a.issued ? "issue time"
                          : !a.center ? "center"
                                      : "wind");
    }
    a.fix.basin = *basin;
    a.fix.windKnots = a.wind;
    a.fix.time = *a.center;
    return std::move(a.fix);
}

// The text of an item's description: its text and CDATA parts in order.
std::string DescriptionText(const pugi::xml_node& description) {
    std::string text;
    for (const pugi::xml_node& part : description.children()) {
        if (part.type() == pugi::node_pcdata || part.type() == pugi::node_cdata) {
            text += part.value();
        }
    }
    return ToUpper(text);
}

} // namespace

ReadResult ReadNhcRss(std::string_view body) {
    SourceFixes result;
    pugi::xml_document document;
    if (!document.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8)) {
        return unexpected("not valid XML");
    }
    const pugi::xml_node channel = document.child("rss").child("channel");
    if (!channel) {
        return unexpected("not an RSS feed");
    }
    for (const pugi::xml_node& item : channel.children("item")) {
        const std::string text = DescriptionText(item.child("description"));
        if (text.find(kTcmTitle) == std::string::npos) {
            continue; // an outlook, a public advisory, a discussion...
        }
        auto fix = ReadAdvisory(text);
        if (fix) {
            result.fixes.push_back(std::move(*fix));
        } else {
            result.skipped.push_back("NHC RSS item \"" + std::string(item.child_value("title")) +
                                     "\": missing or unusable " + fix.error());
        }
    }
    return result;
}
