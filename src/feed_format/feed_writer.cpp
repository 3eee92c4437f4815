#include "feed_format/feed_writer.h"

#include <cmath>
#include <cstdio>

#include "feed_format/feed_format.h"

namespace {

constexpr const char* kUnnamed = "Unnamed";

bool IsPrintable(char c) {
    return c >= ' ' && c <= '~';
}

// The printable windows-1252 letters and signs above ASCII (all but the five undefined
// bytes): storm names keep their accents ("Ä" stays Ä).
bool IsPrintableAbove127(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 && byte != 0x81 && byte != 0x8D && byte != 0x8F && byte != 0x90 &&
           byte != 0x9D;
}

// The printable characters of `text`, without commas when `dropCommas` is set and with
// windows-1252's upper half when `above127` is.
std::string Printable(const std::string& text, bool dropCommas, bool above127 = false) {
    std::string clean;
    for (char c : text) {
        if ((IsPrintable(c) || (above127 && IsPrintableAbove127(c))) && !(dropCommas && c == ',')) {
            clean += c;
        }
    }
    return clean;
}

std::string Degrees(double value) {
    char text[400]; // room for any finite double with one decimal
    std::snprintf(text, sizeof text, "%.1f", std::isfinite(value) ? value : 0.0);
    return text;
}

} // namespace

std::string FeedStatusText(const std::string& text) {
    return Printable(text, false).substr(0, kStatusTextSize - 1);
}

std::string FeedGroupText(const std::string& group) {
    return Printable(group, true).substr(0, kStormTextSize - 1);
}

std::string FeedNameText(const std::string& name) {
    const std::string clean = Printable(name, true, true);
    const size_t start = clean.find_first_not_of("- ");
    if (start == std::string::npos) {
        return kUnnamed;
    }
    return clean.substr(start, kStormTextSize - 1);
}

std::string WriteFeed(const std::string& status, const std::vector<FeedStorm>& storms) {
    std::string feed = FeedStatusText(status) + "\n";
    std::string group;
    for (size_t i = 0; i < storms.size() && i < static_cast<size_t>(kStormCapacity); ++i) {
        const FeedStorm& storm = storms[i];
        const std::string stormGroup = FeedGroupText(storm.group);
        if (stormGroup != group) {
            feed += "-" + stormGroup + "\n";
            group = stormGroup;
        }
        feed += FeedNameText(storm.name) + "," + Degrees(storm.latitude) + "," +
                Degrees(storm.longitude) + "," + std::to_string(storm.windKnots) + "\n";
    }
    return feed;
}
