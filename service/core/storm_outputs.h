#pragma once
// The API's two answers, written from the storm model: /storms.json (docs/storms.schema.json)
// and /storms.geojson (RFC 7946). Pure functions; the text is always valid UTF-8 JSON.
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "core/storm.h"

// What both outputs show: the build's time and status line, the sources that gave nothing
// and the storms, strongest first.
struct StormReport {
    std::time_t time = 0;
    std::string status;              // the feed's status line
    std::vector<std::string> failed; // labels of the kinds no source of which answered
    std::vector<Storm> storms;
};

std::string StormsJson(const StormReport& report);
std::string StormsGeoJson(const StormReport& report);

// A line of (longitude, latitude) positions cut where it crosses 180 degrees, as RFC 7946
// asks: each piece ends on the meridian and the next begins on it, on the other side.
using LonLat = std::pair<double, double>;
std::vector<std::vector<LonLat>> SplitAtAntimeridian(const std::vector<LonLat>& line);
