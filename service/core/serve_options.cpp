#include "core/serve_options.h"

#include <charconv>

namespace feed {
namespace {

constexpr long kLongestRefreshMinutes = 24L * 60; // a day
constexpr long kLongestMaxAgeHours = 24L * 366;   // a year, as for `build`

// A whole number in [low, high], nothing else in the text.
bool ReadNumber(const std::string& text, long low, long high, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && value >= low && value <= high;
}

bool ReadListen(const std::string& text, ServeOptions& options) {
    const size_t colon = text.rfind(':');
    long port = 0;
    if (colon == std::string::npos || colon == 0 ||
        !ReadNumber(text.substr(colon + 1), 0, 65535, port)) {
        return false;
    }
    options.address = text.substr(0, colon);
    options.port = static_cast<int>(port);
    return true;
}

// Applies one option with its value; false when the value does not fit the option.
bool Apply(const std::string& name, const std::string& value, ServeOptions& options) {
    long number = 0;
    if (name == "--listen") {
        return ReadListen(value, options);
    }
    if (name == "--source") {
        options.sources.push_back(value);
        return value.find('=') != std::string::npos;
    }
    struct NumberOption {
        const char* name;
        long low;
        long high;
        void (*store)(ServeOptions&, long);
    };
    static const NumberOption kNumbers[] = {
        {"--refresh", 1, kLongestRefreshMinutes,
         [](ServeOptions& o, long v) { o.refreshMinutes = int(v); }},
        {"--max-age", 1, kLongestMaxAgeHours,
         [](ServeOptions& o, long v) { o.maxAgeHours = int(v); }},
        {"--max-per-address", 1, 100000,
         [](ServeOptions& o, long v) { o.maxPerAddress = unsigned(v); }},
        {"--max-connections", 1, 100000,
         [](ServeOptions& o, long v) { o.maxConnections = unsigned(v); }},
        {"--idle-timeout", 1, 3600,
         [](ServeOptions& o, long v) { o.idleTimeoutSeconds = unsigned(v); }},
    };
    for (const NumberOption& option : kNumbers) {
        if (name == option.name) {
            if (!ReadNumber(value, option.low, option.high, number)) {
                return false;
            }
            option.store(options, number);
            return true;
        }
    }
    return false;
}

} // namespace

ServeOptionsResult ParseServeOptions(const std::vector<std::string>& args) {
    ServeOptionsResult result;
    for (size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            result.error = "missing value after " + args[i];
            return result;
        }
        if (!Apply(args[i], args[i + 1], result.options)) {
            result.error = "bad option or value: " + args[i] + " " + args[i + 1];
            return result;
        }
    }
    result.ok = true;
    return result;
}

} // namespace feed
