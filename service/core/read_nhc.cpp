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
//                     "270 DEGREES AT 14 MPH" and the forecast/advisory 12 KT); optional
// An entry with a required field missing or unusable is skipped and named in `skipped`; an
// optional one that is missing or unusable is not given.
#include <algorithm>
#include <cmath>
#include <iterator>

#include <nlohmann/json.hpp>

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

namespace {

using nlohmann::json;

bool StringField(const json& storm, const char* key, std::string& value) {
    const auto it = storm.find(key);
    if (it == storm.end() || !it->is_string() || it->get_ref<const std::string&>().empty()) {
        return false;
    }
    value = it->get<std::string>();
    return true;
}

bool NumberField(const json& storm, const char* key, double& value) {
    const auto it = storm.find(key);
    if (it == storm.end()) {
        return false;
    }
    if (it->is_number()) {
        value = it->get<double>();
        return true;
    }
    return it->is_string() && ParseNumber(it->get_ref<const std::string&>(), value);
}

bool BinBasin(const std::string& bin, Basin& basin) {
    const std::string code = ToUpper(bin.substr(0, 2));
    if (code == "AT") {
        basin = Basin::Atlantic;
    } else if (code == "EP") {
        basin = Basin::EasternPacific;
    } else if (code == "CP") {
        basin = Basin::CentralPacific;
    } else {
        return false;
    }
    return true;
}

constexpr double kMilesPerHourPerKnot = 1.150779;

// Pressure and motion, where the entry gives them.
void ReadOptional(const json& storm, Fix& fix) {
    double pressure = 0.0, direction = 0.0, speed = 0.0;
    if (NumberField(storm, "pressure", pressure) && pressure > 0.0 && pressure < 2000.0) {
        fix.pressureHpa = static_cast<int>(std::lround(pressure));
    }
    if (NumberField(storm, "movementDir", direction) &&
        NumberField(storm, "movementSpeed", speed) && direction >= 0.0 && direction <= 360.0 &&
        speed >= 0.0 && speed < 1000.0) {
        fix.motionDegrees = static_cast<int>(std::lround(direction));
        fix.motionKnots = static_cast<int>(std::lround(speed / kMilesPerHourPerKnot));
    }
}

// The fix of one entry, or the name of the first field that is missing or unusable.
std::string ReadEntry(const json& storm, Fix& fix) {
    std::string id, bin, update;
    double wind = 0.0;
    if (!StringField(storm, "id", id) || id.size() != 8) {
        return "id";
    }
    fix.id = ToUpper(id);
    if (!StringField(storm, "binNumber", bin) || !BinBasin(bin, fix.basin)) {
        return "binNumber";
    }
    if (!StringField(storm, "name", fix.name)) {
        return "name";
    }
    if (!StringField(storm, "classification", fix.status)) {
        return "classification";
    }
    if (!NumberField(storm, "intensity", wind) || wind < 0.0 || wind > kMaxWindKnots) {
        return "intensity";
    }
    fix.windKnots = static_cast<int>(std::lround(wind));
    if (!NumberField(storm, "latitudeNumeric", fix.latitude) || std::abs(fix.latitude) > 90.0) {
        return "latitudeNumeric";
    }
    if (!NumberField(storm, "longitudeNumeric", fix.longitude) || std::abs(fix.longitude) > 360.0) {
        return "longitudeNumeric";
    }
    fix.longitude = WrapLongitude(fix.longitude);
    const auto time =
        StringField(storm, "lastUpdate", update) ? ParseIsoTimestamp(update) : std::nullopt;
    if (!time) {
        return "lastUpdate";
    }
    fix.time = *time;
    ReadOptional(storm, fix);
    return {};
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
    ReadResult result;
    const json document = json::parse(body.begin(), body.end(), KeepOnlyStorms(), false);
    if (document.is_discarded()) {
        result.error = "not valid JSON";
        return result;
    }
    const auto storms = document.is_object() ? document.find("activeStorms") : document.end();
    if (!document.is_object() || storms == document.end() || !storms->is_array()) {
        result.error = "no activeStorms list";
        return result;
    }
    for (const json& storm : *storms) {
        Fix fix;
        const std::string problem = storm.is_object() ? ReadEntry(storm, fix) : "entry";
        if (problem.empty()) {
            result.fixes.push_back(fix);
        } else {
            const std::string id =
                storm.is_object() && storm.contains("id") && storm["id"].is_string()
                    ? storm["id"].get<std::string>()
                    : "?";
            result.skipped.push_back("NHC storm " + id);
            result.skipped.back() += ": missing or unusable " + problem;
        }
    }
    return result;
}
