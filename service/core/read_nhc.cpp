// NHC/CPHC "CurrentStorms.json", https://www.nhc.noaa.gov/CurrentStorms.json, described in
// NHC's "Tropical Cyclone JSON feed" notes. Fields taken from each activeStorms[] entry:
//   id                "al082023": basin, number, year (the ATCF id in lower case)
//   binNumber         "AT3", "EP1", "CP4": the basin whose centre now issues advisories
//   name              "Franklin"
//   classification    TD, STD, TS, STS, HU, MH, PTC, PC...
//   intensity         maximum sustained wind, knots, as a string ("115")
//   latitudeNumeric   degrees, north positive (a number, sometimes an integer)
//   longitudeNumeric  degrees, east positive
//   lastUpdate        "2023-08-29T15:00:00.000Z", the valid time
//   pressure          minimum central pressure, hPa (mb), as a string ("941"); optional
//   movementDir       direction of motion, degrees toward which; optional
//   movementSpeed     speed of motion in miles per hour, as the public advisory gives it
//                     (One-C, cp012024 advisory 1: 270 and 14, where the advisory says
//                     "270 DEGREES AT 14 MPH" and the forecast/advisory 12 KT; Idalia,
//                     al102023 advisory 11A: 5 and 14, "005 DEGREES AT 14 MPH"). Not always:
//                     Franklin's advisory 36 gives 10 where it says 12 MPH and 10 KT, so the
//                     forecast/advisory's knots (nhc-rss) are preferred at the same time; optional
// An entry with a required field missing or unusable is skipped and named in `skipped`; an
// optional one that is missing or unusable is not given.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include <nlohmann/json.hpp>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

using nlohmann::json;

// A field that is a non-empty string.
Expected<std::string, std::errc> StringField(const json& storm, const char* key) {
    const auto it = storm.find(key);
    if (it == storm.end() || !it->is_string() || it->get_ref<const std::string&>().empty()) {
        return unexpected(std::errc::invalid_argument);
    }
    return it->get<std::string>();
}

// A field that is a number, or a string of one.
Parsed<double> NumberField(const json& storm, const char* key) {
    const auto it = storm.find(key);
    if (it != storm.end() && it->is_number()) {
        return it->get<double>();
    }
    return it != storm.end() && it->is_string() ? ParseNumber(it->get_ref<const std::string&>())
                                                : unexpected(std::errc::invalid_argument);
}

Expected<Basin, std::errc> BinBasin(const std::string& bin) {
    const std::string code = ToUpper(bin.substr(0, 2));
    if (code == "AT") {
        return Basin::Atlantic;
    }
    if (code == "EP") {
        return Basin::EasternPacific;
    }
    if (code == "CP") {
        return Basin::CentralPacific;
    }
    return unexpected(std::errc::invalid_argument);
}

constexpr double kMilesPerHourPerKnot = 1.150779;

// Pressure and motion, where the entry gives them.
void ReadOptional(const json& storm, Fix& fix) {
    const auto pressure = NumberField(storm, "pressure");
    const auto direction = NumberField(storm, "movementDir");
    const auto speed = NumberField(storm, "movementSpeed");
    if (pressure && *pressure > 0.0 && *pressure < 2000.0) {
        fix.pressureHpa = static_cast<int>(std::lround(*pressure));
    }
    if (direction && speed && *direction >= 0.0 && *direction <= 360.0 && *speed >= 0.0 &&
        *speed < 1000.0) {
        fix.motionDegrees = static_cast<int>(std::lround(*direction));
        fix.motionKnots = static_cast<int>(std::lround(*speed / kMilesPerHourPerKnot));
    }
}

// The fix of one entry, or the name of the first field that is missing or unusable.
Expected<Fix, std::string> ReadEntry(const json& storm) {
    const auto id = StringField(storm, "id");
    const auto bin = StringField(storm, "binNumber");
    const auto basin = bin ? BinBasin(*bin) : unexpected(std::errc::invalid_argument);
    const auto name = StringField(storm, "name");
    const auto status = StringField(storm, "classification");
    const auto wind = NumberField(storm, "intensity");
    const auto latitude = NumberField(storm, "latitudeNumeric");
    const auto longitude = NumberField(storm, "longitudeNumeric");
    const auto update = StringField(storm, "lastUpdate");
    const auto time = update ? ParseIsoTimestamp(*update) : std::nullopt;
    const std::pair<bool, const char*> checks[] = {
        {id && id->size() == 8, "id"},
        {basin.has_value(), "binNumber"},
        {name.has_value(), "name"},
        {status.has_value(), "classification"},
        {wind && *wind >= 0.0 && *wind <= kMaxWindKnots, "intensity"},
        {latitude && std::abs(*latitude) <= 90.0, "latitudeNumeric"},
        {longitude && std::abs(*longitude) <= 360.0, "longitudeNumeric"},
        {time.has_value(), "lastUpdate"}};
    for (const auto& [usable, field] : checks) {
        if (!usable) {
            return unexpected(field);
        }
    }
    Fix fix;
    fix.id = ToUpper(*id);
    fix.basin = *basin;
    fix.name = *name;
    fix.status = *status;
    fix.windKnots = static_cast<int>(std::lround(*wind));
    fix.latitude = *latitude;
    fix.longitude = WrapLongitude(*longitude);
    fix.time = *time;
    ReadOptional(storm, fix);
    return fix;
}

// What the parse keeps: activeStorms[] and, in each entry, the fields above as plain
// values; the first kMostStorms entries. Everything else is dropped as it is read, so the
// memory follows what is kept, not the size of the input (a DOM of the whole input takes
// eighty times its size).
json::parser_callback_t KeepOnlyStorms() {
    static constexpr size_t kMostStorms = 500; // a busy season has a dozen at once
    static constexpr const char* kFields[] = {"id",
                                              "binNumber",
                                              "name",
                                              "classification",
                                              "intensity",
                                              "latitudeNumeric",
                                              "longitudeNumeric",
                                              "lastUpdate",
                                              "pressure",
                                              "movementDir",
                                              "movementSpeed"};
    return [storms = size_t{0}](int depth, json::parse_event_t event, json& parsed) mutable {
        switch (event) {
        case json::parse_event_t::key:
            if (depth == 1) {
                return parsed == "activeStorms";
            }
            return depth == 3 &&
                   std::find(std::begin(kFields), std::end(kFields), parsed) != std::end(kFields);
        case json::parse_event_t::value:
            return depth == 2 ? ++storms <= kMostStorms : depth == 0 || depth == 3;
        case json::parse_event_t::object_end:
            return depth == 0 || (depth == 2 && ++storms <= kMostStorms);
        case json::parse_event_t::array_end:
            return depth <= 1;
        default:
            return true;
        }
    };
}

} // namespace

ReadResult ReadNhcCurrentStorms(std::string_view body) {
    const json document = json::parse(body.begin(), body.end(), KeepOnlyStorms(), false);
    if (document.is_discarded()) {
        return unexpected("not valid JSON");
    }
    const auto storms = document.is_object() ? document.find("activeStorms") : document.end();
    if (!document.is_object() || storms == document.end() || !storms->is_array()) {
        return unexpected("no activeStorms list");
    }
    SourceFixes result;
    for (const json& storm : *storms) {
        const auto fix = storm.is_object() ? ReadEntry(storm) : unexpected("entry");
        if (fix) {
            result.fixes.push_back(*fix);
        } else {
            const std::string id =
                storm.is_object() && storm.contains("id") && storm["id"].is_string()
                    ? storm["id"].get<std::string>()
                    : "?";
            result.skipped.push_back("NHC storm " + id);
            result.skipped.back() += ": missing or unusable " + fix.error();
        }
    }
    return result;
}
