#include "core/fix.h"

#include <cmath>
#include <cstdio>

#include "core/text.h"
#include "core/utc_time.h"

namespace {

constexpr double kEastPacificWestEdge = -140.0; // CPHC's area starts at 140 W
constexpr int kSouthernSeasonFirstMonth = 7;
constexpr double kMaxLatitude = 90.0;

struct SuffixCode {
    char suffix;
    const char* code;
};

// ATCF storm-number suffixes: L Atlantic, E/C eastern/central Pacific, W western Pacific,
// A/B Arabian Sea / Bay of Bengal, S/P south Indian / south Pacific, Q south Atlantic.
constexpr SuffixCode kSuffixes[] = {{'L', "AL"}, {'E', "EP"}, {'C', "CP"}, {'W', "WP"}, {'A', "IO"},
                                    {'B', "IO"}, {'S', "SH"}, {'P', "SH"}, {'Q', "SL"}};

Basin PacificBasin(double longitude) {
    if (longitude > 0.0) {
        return Basin::WesternPacific; // west of the date line
    }
    return longitude < kEastPacificWestEdge ? Basin::CentralPacific : Basin::EasternPacific;
}

} // namespace

Expected<Basin, std::string> BasinOfAtcfCode(std::string_view code, double longitude) {
    if (code == "AL") {
        return Basin::Atlantic;
    }
    if (code == "EP" || code == "CP" || code == "WP") {
        return PacificBasin(longitude);
    }
    if (code == "IO") {
        return Basin::NorthIndian;
    }
    if (code == "SH" || code == "SL") {
        return Basin::Southern;
    }
    return unexpected("unknown basin code " + std::string(code));
}

std::string AtcfId(std::string_view code, int number, std::time_t time) {
    const CivilTime civil = ToCivil(time);
    int year = civil.year;
    if ((code == "SH" || code == "SL") && civil.month >= kSouthernSeasonFirstMonth) {
        ++year;
    }
    char id[16];
    std::snprintf(id, sizeof id, "%.2s%02d%04d", std::string(code).c_str(), number % 100, year);
    return id;
}

std::string_view AtcfCodeOfSuffix(char suffix) {
    for (const SuffixCode& entry : kSuffixes) {
        if (entry.suffix == suffix) {
            return entry.code;
        }
    }
    return {};
}

Expected<Fix, std::string> Normalise(Fix fix) {
    if (!std::isfinite(fix.latitude) || std::fabs(fix.latitude) > kMaxLatitude) {
        return unexpected("latitude beyond 90 degrees");
    }
    if (!std::isfinite(fix.longitude)) {
        return unexpected("no longitude");
    }
    if (fix.windKnots < 0 || fix.windKnots > kMaxWindKnots) {
        return unexpected("wind of " + std::to_string(fix.windKnots) + " kt");
    }
    fix.longitude = WrapLongitude(fix.longitude);
    fix.name = std::string(Trim(Windows1252OfUtf8(fix.name)));
    fix.status = ToUpper(Trim(fix.status));
    return fix;
}

double WrapLongitude(double longitude) {
    double wrapped = std::fmod(longitude, 360.0);
    if (wrapped > 180.0) {
        wrapped -= 360.0;
    } else if (wrapped <= -180.0) {
        wrapped += 360.0;
    }
    return wrapped;
}
