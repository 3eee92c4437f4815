#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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

constexpr const char* kUnits[] = {"",        "ONE",     "TWO",       "THREE",    "FOUR",
                                  "FIVE",    "SIX",     "SEVEN",     "EIGHT",    "NINE",
                                  "TEN",     "ELEVEN",  "TWELVE",    "THIRTEEN", "FOURTEEN",
                                  "FIFTEEN", "SIXTEEN", "SEVENTEEN", "EIGHTEEN", "NINETEEN"};
constexpr const char* kTens[] = {"TWENTY", "THIRTY",  "FORTY",  "FIFTY",
                                 "SIXTY",  "SEVENTY", "EIGHTY", "NINETY"};
constexpr size_t kTcvitalsNameWidth = 9; // TCVitals cuts names to nine letters

// Storm numbers spelled out without separators, 1-99: "ONE" ... "TWENTYONE" ... "NINETYNINE".
std::vector<std::string> SpelledNumbers() {
    std::vector<std::string> spelled(std::begin(kUnits) + 1, std::end(kUnits));
    for (const char* tens : kTens) {
        for (const char* unit : kUnits) {
            spelled.push_back(std::string(tens) + unit);
        }
    }
    return spelled;
}

// "FOURTEEN", "NINE-E", "TWENTY-ONE", "TWENTYONE", and a cut "TWENTY-SI".
bool IsSpelledNumber(std::string upper) {
    if (upper.size() > 2 && upper[upper.size() - 2] == '-' &&
        !AtcfCodeOfSuffix(upper.back()).empty()) {
        upper.resize(upper.size() - 2); // the basin letter NHC adds: "NINE-E"
    }
    const bool cut = upper.size() == kTcvitalsNameWidth;
    upper.erase(
        std::remove_if(upper.begin(), upper.end(), [](char c) { return c == '-' || c == ' '; }),
        upper.end());
    static const std::vector<std::string> spelled = SpelledNumbers();
    for (const std::string& number : spelled) {
        if (upper == number || (cut && number.compare(0, upper.size(), upper) == 0)) {
            return true;
        }
    }
    return false;
}

// Title case over windows-1252 letters: "JOSÉ" becomes "José", not "JosÉ".
std::string TitleCase(std::string_view name) {
    std::string title(Trim(name));
    bool wordStart = true;
    for (char& c : title) {
        const bool letter = IsLetterWindows1252(c);
        c = wordStart ? UpperWindows1252(c) : LowerWindows1252(c);
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

bool IsPlaceholderName(std::string_view name) {
    const std::string upper = ToUpper(Trim(name));
    for (const char* none : kNoNames) {
        if (upper == none) {
            return true;
        }
    }
    return upper.empty() || upper.compare(0, kGenesisPrefix.size(), kGenesisPrefix) == 0 ||
           IsSpelledNumber(upper);
}

std::string StormName(const Fix& fix, StormClass stormClass) {
    if (!IsPlaceholderName(fix.name)) {
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
