#pragma once
// Writing the storm feed "ssaver.dat" that the feed parser reads: the status line, then
// the storms, with a group line wherever the group changes. Whatever it is given, the
// result reads back through the parser as the same status text, groups, names, positions
// (to 0.05 degrees) and winds, cleaned as below. Pure functions; any thread.
#include <string>
#include <vector>

#include "feed_format/feed_format.h"

struct FeedStorm {
    std::string group; // heading it is listed under ("Atlantic"); may be empty
    std::string name;
    double latitude;  // degrees, positive north
    double longitude; // degrees, positive WEST of Greenwich, as the feed has it
    int windKnots;
};

// The status line as written: printable ASCII only (other bytes dropped), at most
// kStatusTextSize - 1 characters.
std::string FeedStatusText(const std::string& text);

// A group as written: printable ASCII without commas, at most kStormTextSize - 1
// characters.
std::string FeedGroupText(const std::string& group);

// A name as written: printable windows-1252 (ASCII and the upper half) without commas,
// leading '-' and spaces dropped, at most kStormTextSize - 1 characters; "Unnamed" when
// nothing is left (an empty first field would shift the fields after it).
std::string FeedNameText(const std::string& name);

// The whole feed, LF line ends: one decimal for positions (non-finite ones written as 0),
// whole knots, at most the first kStormCapacity storms (the saver keeps no more).
std::string WriteFeed(const std::string& status, const std::vector<FeedStorm>& storms);
