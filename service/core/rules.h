#pragma once
// From fixes to the feed's storms: classify, filter, merge, name, group, cut. Pure
// functions of plain values and a given time.
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/fix.h"
#include "feed_format/feed_writer.h"

enum class StormClass { NotTropical, Depression, Storm, Severe };

// The one place that decides what a system is: by the agency's status code where it gives
// one (ATCF TY codes, NHC classifications, JTWC labels turned into codes, IBTrACS NATURE),
// by the wind otherwise. Severe: hurricane, typhoon or severe cyclone (64 knots and more).
StormClass Classify(std::string_view status, int windKnots);

// The feed's name for a storm: the agency's name in title case ("FOUR-E" -> "Four-E"), or
// for an unnamed system its class and designator ("TD 06W").
std::string StormName(const Fix& fix, StormClass stormClass);

// The group heading of a basin ("Atlantic" ... "Southern Hemisphere").
const char* GroupName(Basin basin);

// The storms active at `now`: fixes after `now` are ignored; invests (numbers 90-99) and
// training or test numbers (80-89) never count; fixes of one storm from one or several
// sources are merged (same id, else from different sources in the same basin within 2
// degrees and 6 hours) keeping the most recent, NHC before JTWC, ATCF, TCVitals, IBTrACS
// at equal times; a storm is dropped when that fix is not tropical, ends the storm, or is
// more than `maxAgeHours` older than `now`. One fix per storm, in no particular order.
std::vector<Fix> ActiveStorms(const std::vector<Fix>& fixes, std::time_t now, int maxAgeHours);

// The feed's storms: at most the kStormCapacity (20) strongest, grouped in basin order, strongest
// first within a group; longitudes turned positive west.
std::vector<FeedStorm> FeedStorms(const std::vector<Fix>& active);
