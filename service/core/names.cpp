#include <cctype>
#include <cstdio>

#include "core/rules.h"
#include "core/text.h"

namespace {

constexpr const char* kGroupNames[] = {"Atlantic",           "Eastern Pacific",
                                       "Central Pacific",    "Western Pacific",
                                       "North Indian Ocean", "Southern Hemisphere"};

// What agencies write where a system has no name yet.
constexpr const char* kNoNames[] = {"INVEST", "UNNAMED", "NONAME", "NOT_NAMED", "NOT NAMED"};
constexpr std::string_view kGenesisPrefix = "GENESIS"; // NHC's pre-genesis tracks

constexpr double kArabianSeaEastEdge = 77.0;   // JTWC: A west of India, B east of it
constexpr double kSouthIndianEastEdge = 135.0; // JTWC: S to 135 E, P beyond

bool IsUnnamed(const std::string& name) {
    const std::string upper = ToUpper(Trim(name));
    for (const char* none : kNoNames) {
        if (upper == none) {
            return true;
        }
    }
    return upper.empty() || upper.compare(0, kGenesisPrefix.size(), kGenesisPrefix) == 0;
}

std::string TitleCase(std::string_view name) {
    std::string title(Trim(name));
    bool wordStart = true;
    for (char& c : title) {
        const bool letter = std::isalpha(static_cast<unsigned char>(c)) != 0;
        c = static_cast<char>(wordStart ? std::toupper(static_cast<unsigned char>(c))
                                        : std::tolower(static_cast<unsigned char>(c)));
        wordStart = !letter && c != '\'';
    }
    return title;
}

// JTWC's letter for a storm number: it follows the position in the Indian Ocean and the
// southern hemisphere.
char SuffixLetter(std::string_view code, double longitude) {
    if (code == "IO") {
        return longitude < kArabianSeaEastEdge ? 'A' : 'B';
    }
    if (code == "SH") {
        return longitude >= 0.0 && longitude < kSouthIndianEastEdge ? 'S' : 'P';
    }
    return code == "AL" ? 'L' : code == "SL" ? 'Q' : code.empty() ? '?' : code[0];
}

const char* ClassPrefix(StormClass stormClass, Basin basin) {
    if (stormClass == StormClass::Depression) {
        return "TD";
    }
    if (stormClass == StormClass::Storm) {
        return "TS";
    }
    if (basin == Basin::WesternPacific) {
        return "TY";
    }
    return basin == Basin::NorthIndian || basin == Basin::Southern ? "TC" : "HU";
}

} // namespace

std::string StormName(const Fix& fix, StormClass stormClass) {
    if (!IsUnnamed(fix.name)) {
        return TitleCase(fix.name);
    }
    const std::string prefix = ClassPrefix(stormClass, fix.basin);
    if (fix.id.size() < 4) {
        return "Unnamed " + prefix;
    }
    const std::string code = fix.id.substr(0, 2);
    return prefix + " " + fix.id.substr(2, 2) + SuffixLetter(code, fix.longitude);
}

const char* GroupName(Basin basin) {
    return kGroupNames[static_cast<int>(basin)];
}
