#pragma once
// One storm position as an agency reported it, normalised so that every source format
// reads alike: the readers produce these, the rules consume them.
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

// The feed's groups, in the order the feed lists them.
enum class Basin {
    Atlantic,
    EasternPacific,
    CentralPacific,
    WesternPacific,
    NorthIndian,
    Southern
};

// Where a fix came from; the table of sources (core/sources.h) gives each its rank.
enum class SourceKind { Nhc, Jtwc, Atcf, Tcvitals, Ibtracs };

// The strongest wind any source may report; anything above is not a wind.
constexpr int kMaxWindKnots = 300;

// A position an agency forecasts for a storm, as its product gives it.
struct ForecastPoint {
    std::time_t validTime = 0; // UTC
    double latitude = 0.0;     // degrees, north positive
    double longitude = 0.0;    // degrees, east positive, in (-180, 180]
    int windKnots = 0;         // forecast 1-minute maximum sustained wind; 0 when not given
    bool outlook = false;      // an outlook (NHC's OUTLOOK VALID, days 4 and 5), not a forecast
};

// A reader starts from these defaults and fills what its format gives; Normalise then
// enforces what every source shares.
struct Fix {
    std::string id;         // ATCF storm id "AL082023": basin, number, season year; may be empty
    std::string key;        // the source's own storm key where it differs from `id`, else empty
    std::string name;       // as the agency writes it; windows-1252 after Normalise
    std::string status;     // the agency's status code ("HU", "TS", "LO"...); empty if none
    double latitude = 0.0;  // degrees, north positive
    double longitude = 0.0; // degrees, east positive, in (-180, 180]
    int windKnots = 0;      // 1-minute maximum sustained wind
    std::time_t time = 0;   // valid time, UTC
    Basin basin = Basin::Atlantic; // the basin responsible for the storm at this fix
    SourceKind source = SourceKind::Nhc;
    bool final = false;     // the agency's last word on the storm: it is over
    int pressureHpa = 0;    // minimum central pressure; 0 when the source gives none
    int motionDegrees = -1; // toward which the storm moves, clockwise from north; -1: not given
    int motionKnots = -1;   // the speed of that motion; -1 when not given
    std::vector<ForecastPoint> forecast; // by valid time, earliest first; empty when none
};

// What a source that reads gives: its fixes, and the records left out, one line each.
struct SourceFixes {
    std::vector<Fix> fixes;
    std::vector<std::string> skipped;
};

// What a reader makes of one source's bytes: its fixes, or why the source failed (one
// line; then no fix is used from it).
using ReadResult = Expected<SourceFixes, std::string>;

// Basin of a two-letter ATCF basin code ("AL", "EP", "CP", "WP", "IO", "SH") at a given
// east-positive longitude: a Pacific storm belongs to the basin whose warning centre covers
// its position (140 W and the date line are the boundaries), whoever numbered it.
// An error for an unknown code.
Expected<Basin, std::string> BasinOfAtcfCode(std::string_view code, double longitude);

// The ATCF id of storm `number` of a two-letter basin code at a fix time: the year is the
// season's, which for the southern hemisphere runs from July to June.
std::string AtcfId(std::string_view code, int number, std::time_t time);

// The two-letter ATCF basin code of a one-letter storm suffix ("L" of "08L", "W", "B"...),
// or an empty view when the letter is unknown.
std::string_view AtcfCodeOfSuffix(char suffix);

// The limits every source shares: latitude within 90 degrees, a finite longitude (wrapped
// into (-180, 180]), a wind from 0 to kMaxWindKnots; the name becomes windows-1252 without
// control characters and the status upper case. The fix as kept, or why it is unusable.
Expected<Fix, std::string> Normalise(Fix fix);

// Wraps an east-positive longitude into (-180, 180].
double WrapLongitude(double longitude);
