#include "core/rules.h"

#include <algorithm>
#include <cmath>

#include "core/text.h"
#include "feed_format/feed_format.h"

namespace {

constexpr double kSameStormDegrees = 2.0;
constexpr std::time_t kSameStormSeconds = 6L * 3600;
constexpr int kFirstTestNumber = 80; // 80-89 training and tests, 90-99 invests
constexpr std::time_t kSecondsPerHour = 3600;

bool IsInvestOrTest(const Fix& fix) {
    int number = 0;
    const bool numbered = fix.id.size() >= 4 && ParseInt(fix.id.substr(2, 2), number);
    return (numbered && number >= kFirstTestNumber) || ToUpper(Trim(fix.name)) == "INVEST";
}

const std::string& SourceKey(const Fix& fix) {
    return fix.key.empty() ? fix.id : fix.key;
}

double LongitudeGap(double a, double b) {
    const double gap = std::fabs(a - b);
    return gap > 180.0 ? 360.0 - gap : gap;
}

bool SameStorm(const Fix& a, const Fix& b) {
    if (a.source == b.source) {
        return !SourceKey(a).empty() && SourceKey(a) == SourceKey(b);
    }
    if (!a.id.empty() && a.id == b.id) {
        return true;
    }
    const std::time_t gap = a.time > b.time ? a.time - b.time : b.time - a.time;
    return a.basin == b.basin && std::fabs(a.latitude - b.latitude) <= kSameStormDegrees &&
           LongitudeGap(a.longitude, b.longitude) <= kSameStormDegrees && gap <= kSameStormSeconds;
}

// Most recent first; at equal times the preferred source first.
bool Preferred(const Fix& a, const Fix& b) {
    if (a.time != b.time) {
        return a.time > b.time;
    }
    return a.source < b.source;
}

} // namespace

std::vector<Fix> ActiveStorms(const std::vector<Fix>& fixes, std::time_t now, int maxAgeHours) {
    std::vector<Fix> candidates;
    for (const Fix& fix : fixes) {
        if (fix.time <= now && !IsInvestOrTest(fix)) {
            candidates.push_back(fix);
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), Preferred);
    std::vector<Fix> latest;
    for (const Fix& fix : candidates) {
        const auto joins = [&fix](const Fix& known) { return SameStorm(known, fix); };
        if (std::none_of(latest.begin(), latest.end(), joins)) {
            latest.push_back(fix);
        }
    }
    const std::time_t oldest = now - static_cast<std::time_t>(maxAgeHours) * kSecondsPerHour;
    std::vector<Fix> active;
    for (const Fix& fix : latest) {
        if (!fix.final && fix.time >= oldest &&
            Classify(fix.status, fix.windKnots) != StormClass::NotTropical) {
            active.push_back(fix);
        }
    }
    return active;
}

std::vector<FeedStorm> FeedStorms(const std::vector<Fix>& active) {
    std::vector<Fix> strongest = active;
    const auto stronger = [](const Fix& a, const Fix& b) { return a.windKnots > b.windKnots; };
    std::stable_sort(strongest.begin(), strongest.end(), stronger);
    if (strongest.size() > static_cast<size_t>(kStormCapacity)) {
        strongest.resize(kStormCapacity);
    }
    std::stable_sort(strongest.begin(), strongest.end(),
                     [](const Fix& a, const Fix& b) { return a.basin < b.basin; });
    std::vector<FeedStorm> storms;
    for (const Fix& fix : strongest) {
        const double west = fix.longitude == 0.0 ? 0.0 : -fix.longitude;
        storms.push_back({GroupName(fix.basin), StormName(fix, Classify(fix.status, fix.windKnots)),
                          fix.latitude, west, fix.windKnots});
    }
    return storms;
}
