#include "core/rules.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "core/sources.h"
#include "core/storm.h"
#include "core/text.h"
#include "feed_format/feed_format.h"

namespace {

constexpr double kSameStormDegrees = 2.0;
constexpr std::time_t kSameStormSeconds = 6L * 3600;
constexpr int kFirstTestNumber = 80; // 80-89 training and tests, 90-99 invests
constexpr std::time_t kSecondsPerHour = 3600;
constexpr double kFullCircle = 360.0;

// By the storm number alone: whatever the name field says, 01-79 is a designated storm.
bool IsInvestOrTest(const Fix& fix) {
    const auto number = fix.id.size() >= 4 ? ParseInt(fix.id.substr(2, 2))
                                           : unexpected(std::errc::invalid_argument);
    return number && *number >= kFirstTestNumber;
}

using Fixes = std::vector<const Fix*>;

// The fixes that may count at `now`: most recent first, at equal times the preferred
// source first, and otherwise in their given order.
Fixes NewestFirst(const std::vector<Fix>& fixes, std::time_t now) {
    struct Entry {
        std::time_t time;
        int rank;
        size_t order;
    };
    std::vector<Entry> entries;
    for (size_t i = 0; i < fixes.size(); ++i) {
        if (fixes[i].time <= now && !IsInvestOrTest(fixes[i])) {
            entries.push_back({fixes[i].time, SourceRank(fixes[i].source), i});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(b.time, a.rank, a.order) < std::tie(a.time, b.rank, b.order);
    });
    Fixes sorted;
    sorted.reserve(entries.size());
    for (const Entry& entry : entries) {
        sorted.push_back(&fixes[entry.order]);
    }
    return sorted;
}

// Fixes joined into storms: each set is one storm.
struct Storms {
    std::vector<size_t> parent;

    explicit Storms(size_t count) : parent(count) {
        for (size_t i = 0; i < count; ++i) {
            parent[i] = i;
        }
    }
    size_t Find(size_t i) {
        while (parent[i] != i) {
            i = parent[i] = parent[parent[i]];
        }
        return i;
    }
    void Join(size_t a, size_t b) { parent[Find(a)] = Find(b); }
};

// A storm key: a source (or none, for ids that hold across sources) and its text.
using StormKey = std::pair<SourceKind, std::string_view>;

struct StormKeyHash {
    size_t operator()(const StormKey& key) const {
        return std::hash<std::string_view>()(key.second) ^ static_cast<size_t>(key.first);
    }
};

// Joins the fixes that share a non-empty key to the first fix that had it.
template <typename KeyOf> void JoinByKey(const Fixes& fixes, Storms& storms, KeyOf keyOf) {
    std::unordered_map<StormKey, size_t, StormKeyHash> first;
    first.reserve(fixes.size());
    for (size_t i = 0; i < fixes.size(); ++i) {
        const StormKey key = keyOf(*fixes[i]);
        if (!key.second.empty()) {
            const auto [found, added] = first.emplace(key, i);
            if (!added) {
                storms.Join(i, found->second);
            }
        }
    }
}

double LongitudeGap(double a, double b) {
    const double gap = std::fabs(a - b);
    return gap > kFullCircle / 2 ? kFullCircle - gap : gap;
}

// A cell of 2 degrees by 6 hours: two fixes close enough to be one storm lie in the same
// or neighbouring cells.
using Cell = std::tuple<long, long, long>;
constexpr long kLongitudeCells = static_cast<long>(kFullCircle / kSameStormDegrees);

Cell CellOf(double latitude, double longitude, std::time_t time) {
    const auto lon =
        static_cast<long>(std::floor((longitude + kFullCircle / 2) / kSameStormDegrees));
    return {static_cast<long>(std::floor(latitude / kSameStormDegrees)),
            (lon % kLongitudeCells + kLongitudeCells) % kLongitudeCells,
            static_cast<long>(time / kSameStormSeconds)};
}

// The fixes that carry an id, ordered by cell, to find those near an id-less fix.
struct NearIndex {
    std::vector<std::pair<Cell, size_t>> cells;
};

NearIndex IndexFixesWithIds(const Fixes& fixes) {
    NearIndex index;
    for (size_t i = 0; i < fixes.size(); ++i) {
        if (!fixes[i]->id.empty()) {
            index.cells.emplace_back(
                CellOf(fixes[i]->latitude, fixes[i]->longitude, fixes[i]->time), i);
        }
    }
    std::sort(index.cells.begin(), index.cells.end());
    return index;
}

bool Near(const Fix& a, const Fix& b) {
    const std::time_t gap = a.time > b.time ? a.time - b.time : b.time - a.time;
    return a.basin == b.basin && a.source != b.source &&
           std::fabs(a.latitude - b.latitude) <= kSameStormDegrees &&
           LongitudeGap(a.longitude, b.longitude) <= kSameStormDegrees && gap <= kSameStormSeconds;
}

// The fix with an id, from another source, nearest to `fix` within 2 degrees and 6 hours;
// fixes.size() when there is none.
size_t NearestWithId(const Fixes& fixes, const NearIndex& index, const Fix& fix) {
    const auto [row, column, slot] = CellOf(fix.latitude, fix.longitude, fix.time);
    size_t best = fixes.size();
    double bestGap = 0.0;
    for (long dRow = -1; dRow <= 1; ++dRow) {
        for (long dColumn = -1; dColumn <= 1; ++dColumn) {
            // The three time slots of one place are neighbours in the index.
            const long wrapped =
                ((column + dColumn) % kLongitudeCells + kLongitudeCells) % kLongitudeCells;
            const Cell first{row + dRow, wrapped, slot - 1}, last{row + dRow, wrapped, slot + 1};
            auto it = std::lower_bound(index.cells.begin(), index.cells.end(),
                                       std::make_pair(first, size_t{0}));
            for (; it != index.cells.end() && it->first <= last; ++it) {
                const Fix& other = *fixes[it->second];
                const double gap = std::hypot(fix.latitude - other.latitude,
                                              LongitudeGap(fix.longitude, other.longitude));
                if (Near(fix, other) && (best == fixes.size() || gap < bestGap)) {
                    best = it->second;
                    bestGap = gap;
                }
            }
        }
    }
    return best;
}

// Proximity only joins a storm that has no id to one that has: its newest fix that lies
// near any fix of an id'd storm decides which.
void JoinByProximity(const Fixes& fixes, Storms& storms) {
    std::vector<bool> hasId(fixes.size(), false);
    for (size_t i = 0; i < fixes.size(); ++i) {
        if (!fixes[i]->id.empty()) {
            hasId[storms.Find(i)] = true;
        }
    }
    bool anyWithoutId = false;
    for (size_t i = 0; i < fixes.size() && !anyWithoutId; ++i) {
        anyWithoutId = !hasId[storms.Find(i)];
    }
    if (!anyWithoutId) {
        return; // every storm has an id: nothing to join
    }
    const NearIndex index = IndexFixesWithIds(fixes);
    std::vector<bool> settled(fixes.size(), false);
    for (size_t i = 0; i < fixes.size(); ++i) { // newest first, as NewestFirst sorts them
        const size_t storm = storms.Find(i);
        if (hasId[storm] || settled[storm]) {
            continue;
        }
        const size_t near = NearestWithId(fixes, index, *fixes[i]);
        if (near != fixes.size()) {
            settled[storm] = true;
            storms.Join(storm, near);
        }
    }
}

// One basin and number in two seasons: the season comes from each fix's date, so a storm
// alive on 1 January (1 July in the south) has two ids. Such ids are one storm when the
// fixes of one continue those of the other within kSeasonJoinSeconds.
void JoinAcrossSeasons(const Fixes& fixes, Storms& storms) {
    constexpr size_t kSeasonAt = 4; // "AL08" then the year
    struct Span {
        std::string_view number; // basin and number
        std::time_t first, last;
        size_t fix;
    };
    std::unordered_map<std::string_view, size_t> spanOfId;
    std::vector<Span> spans;
    for (size_t i = 0; i < fixes.size(); ++i) { // newest first: the first seen is the last
        const std::string_view id = fixes[i]->id;
        if (id.size() > kSeasonAt) {
            const auto [found, added] = spanOfId.emplace(id, spans.size());
            if (added) {
                spans.push_back({id.substr(0, kSeasonAt), fixes[i]->time, fixes[i]->time, i});
            }
            spans[found->second].first = fixes[i]->time;
        }
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
        return std::tie(a.number, a.first) < std::tie(b.number, b.first);
    });
    for (size_t k = 1, reach = 0; k < spans.size(); ++k) {
        const bool continues = spans[k].number == spans[k - 1].number &&
                               spans[k].first - spans[reach].last <= kSeasonJoinSeconds;
        if (!continues) {
            reach = k; // a storm of its own so far
            continue;
        }
        storms.Join(spans[k].fix, spans[reach].fix);
        reach = spans[k].last > spans[reach].last ? k : reach;
    }
}

} // namespace

std::vector<Storm> TrackedStorms(const std::vector<Fix>& fixes, std::time_t now, int maxAgeHours) {
    Fixes candidates = NewestFirst(fixes, now);
    Storms storms(candidates.size());
    JoinByKey(candidates, storms, [](const Fix& fix) {
        return std::make_pair(SourceKind::Nhc, std::string_view(fix.id));
    });
    JoinByKey(candidates, storms,
              [](const Fix& fix) { return std::make_pair(fix.source, std::string_view(fix.key)); });
    JoinAcrossSeasons(candidates, storms);
    JoinByProximity(candidates, storms);
    std::vector<std::pair<size_t, size_t>> byStorm; // (storm, fix), each storm newest first
    byStorm.reserve(candidates.size());
    for (size_t i = 0; i < candidates.size(); ++i) {
        byStorm.emplace_back(storms.Find(i), i);
    }
    std::sort(byStorm.begin(), byStorm.end());
    const std::time_t oldest = now - static_cast<std::time_t>(maxAgeHours) * kSecondsPerHour;
    std::vector<Storm> active;
    Fixes members;
    for (size_t first = 0, last = 0; first < byStorm.size(); first = last) {
        while (last < byStorm.size() && byStorm[last].first == byStorm[first].first) {
            ++last;
        }
        const Fix& newest = *candidates[byStorm[first].second];
        if (!newest.final && newest.time >= oldest &&
            Classify(newest.status, newest.windKnots) != StormClass::NotTropical) {
            members.clear();
            for (size_t i = first; i < last; ++i) {
                members.push_back(candidates[byStorm[i].second]);
            }
            active.push_back(MakeStorm(members));
        }
    }
    return active;
}

std::vector<Fix> ActiveStorms(const std::vector<Fix>& fixes, std::time_t now, int maxAgeHours) {
    std::vector<Fix> active;
    for (Storm& storm : TrackedStorms(fixes, now, maxAgeHours)) {
        active.push_back(std::move(storm.shown));
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
