#include "core/rules.h"

namespace {

constexpr int kStormKnots = 34;  // tropical storm from here
constexpr int kSevereKnots = 64; // hurricane, typhoon, severe cyclone from here

struct StatusRule {
    const char* code;
    StormClass stormClass; // NotTropical, or the class the code names
};

// Codes of every source in one table (JTWC labels and IBTrACS NATURE arrive as the ATCF
// codes they stand for); a code not listed, or one that names no class (ATCF "TC", "XX"),
// leaves the class to the wind.
constexpr StatusRule kStatusRules[] = {
    // ATCF best-track TY column, IBTrACS USA_STATUS
    {"TD", StormClass::Depression},
    {"TS", StormClass::Storm},
    {"HU", StormClass::Severe},
    {"TY", StormClass::Severe},
    {"ST", StormClass::Severe},
    {"SD", StormClass::Depression},
    {"SS", StormClass::Storm},
    {"EX", StormClass::NotTropical},
    {"LO", StormClass::NotTropical},
    {"DB", StormClass::NotTropical},
    {"WV", StormClass::NotTropical},
    {"IN", StormClass::NotTropical},
    {"MD", StormClass::NotTropical},
    {"DS", StormClass::NotTropical}, // dissipating
    {"PT", StormClass::NotTropical},
    {"ET", StormClass::NotTropical},
    // NHC CurrentStorms.json classification
    {"STD", StormClass::Depression},
    {"STS", StormClass::Storm},
    {"MH", StormClass::Severe},
    {"PTC", StormClass::NotTropical},
    {"PC", StormClass::NotTropical},
    {"RL", StormClass::NotTropical},
};

StormClass ClassOfWind(int windKnots) {
    if (windKnots >= kSevereKnots) {
        return StormClass::Severe;
    }
    return windKnots >= kStormKnots ? StormClass::Storm : StormClass::Depression;
}

} // namespace

StormClass Classify(std::string_view status, int windKnots) {
    for (const StatusRule& rule : kStatusRules) {
        if (status == rule.code) {
            return rule.stormClass;
        }
    }
    return ClassOfWind(windKnots);
}
