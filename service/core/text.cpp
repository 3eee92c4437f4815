#include "core/text.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

// A number with a trailing hemisphere letter, divided by `divisor` into degrees.
bool ParseHemisphere(std::string_view text, char positive, char negative, double divisor,
                     double limit, double& value) {
    text = Trim(text);
    if (text.size() < 2) {
        return false;
    }
    const char hemisphere =
        static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    double magnitude = 0.0;
    if ((hemisphere != positive && hemisphere != negative) ||
        !ParseNumber(text.substr(0, text.size() - 1), magnitude) || magnitude < 0.0) {
        return false;
    }
    value = (hemisphere == positive ? magnitude : -magnitude) / divisor;
    return std::fabs(value) <= limit;
}

constexpr double kTenths = 10.0;
constexpr double kMaxLatitude = 90.0, kMaxLongitude = 360.0;

} // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

std::vector<std::string_view> SplitCommas(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t comma = line.find(',');
        fields.push_back(Trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        line = line.substr(comma + 1);
    }
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseInt(std::string_view text, int& value) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool ParseNumber(std::string_view text, double& value) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

bool ParseTenthsLatitude(std::string_view text, double& latitude) {
    return ParseHemisphere(text, 'N', 'S', kTenths, kMaxLatitude, latitude);
}

bool ParseTenthsLongitude(std::string_view text, double& longitude) {
    return ParseHemisphere(text, 'E', 'W', kTenths, kMaxLongitude, longitude);
}

bool ParseDecimalLatitude(std::string_view text, double& latitude) {
    return ParseHemisphere(text, 'N', 'S', 1.0, kMaxLatitude, latitude);
}

bool ParseDecimalLongitude(std::string_view text, double& longitude) {
    return ParseHemisphere(text, 'E', 'W', 1.0, kMaxLongitude, longitude);
}

std::string BodyProblem(std::string_view body) {
    const size_t first = body.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return "empty reply";
    }
    if (body[first] == '<') {
        return "an HTML page, not data";
    }
    return {};
}

std::string ToUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}
