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

// A name field that names no storm: empty, INVEST, UNNAMED, GENESIS..., or a number spelled
// out ("FOURTEEN", "NINE-E", "TWENTYONE", TCVitals' cut "TWENTY-SI").
bool IsPlaceholderName(std::string_view name);

// The storms active at `now`, one fix per storm in no particular order, in O(n log n):
// - fixes after `now` are ignored, and so are invests (numbers 90-99) and training or test
//   numbers (80-89), by the number alone: any other number is a storm whatever its name;
// - fixes are one storm when they share an id, or come from one source under one key
//   (IBTrACS' SID); fixes with different ids never are, but for one basin and number in two
//   seasons (a storm alive on 1 January, or 1 July in the south, dated into both) whose
//   fixes continue one another within 48 hours. A storm without an id joins the
//   id'd storm of another source in the same basin that has a fix within 2 degrees and
//   6 hours of one of its own (its newest such fix decides);
// - a storm's newest fix (NHC before JTWC, ATCF, TCVitals, IBTrACS at equal times) gives
//   its class, place and wind; it is dropped when that fix is not tropical, ends the storm
//   or is more than `maxAgeHours` older than `now`. A placeholder name gives way to the
//   newest real name among the storm's fixes.
std::vector<Fix> ActiveStorms(const std::vector<Fix>& fixes, std::time_t now, int maxAgeHours);

// The feed's storms: at most the kStormCapacity (20) strongest, grouped in basin order, strongest
// first within a group; longitudes turned positive west.
std::vector<FeedStorm> FeedStorms(const std::vector<Fix>& active);
