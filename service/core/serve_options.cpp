#include "core/serve_options.h"

#include "core/readers.h"
#include "core/utc_time.h"

#include <charconv>

namespace feed {
namespace {

constexpr long kLongestRefreshMinutes = 24L * 60; // a day
constexpr long kLongestMaxAgeHours = 24L * 366;   // a year
constexpr long kMostConnections = 100000;
constexpr long kLongestTimeoutSeconds = 3600;

// A whole number in [low, high] in plain digits, nothing else in the text.
bool ReadNumber(const std::string& text, long low, long high, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && value >= low && value <= high;
}

// "ADDR:PORT" or "[ADDR6]:PORT"; the address itself is checked when the server binds it.
bool ReadListen(const std::string& text, FeedOptions& options) {
    const size_t colon = text.rfind(':');
    long port = 0;
    if (colon == std::string::npos || colon == 0 ||
        !ReadNumber(text.substr(colon + 1), 0, 65535, port)) {
        return false;
    }
    std::string address = text.substr(0, colon);
    const bool bracketed = address.front() == '[' && address.back() == ']';
    if (bracketed) {
        address = address.substr(1, address.size() - 2);
    }
    if (address.empty() || (!bracketed && address.find(':') != std::string::npos)) {
        return false;
    }
    options.listen.push_back({address, static_cast<int>(port)});
    return true;
}

bool ReadSource(const std::string& text, FeedOptions& options) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals + 1 == text.size() ||
        !IsSourceKind(text.substr(0, equals))) {
        return false;
    }
    options.sources.push_back({text.substr(0, equals), text.substr(equals + 1)});
    return true;
}

struct Option {
    const char* name;
    const char* commands; // the commands that take it
    long low, high;       // for a number
    bool (*apply)(const std::string& value, long number, FeedOptions& options);
};

constexpr long kText = -1; // low of an option whose value is not a number

const Option kOptions[] = {
    {"--source", "build serve", kText, 0,
     [](const std::string& v, long, FeedOptions& o) { return ReadSource(v, o); }},
    {"--max-age", "build serve", 1, kLongestMaxAgeHours,
     [](const std::string&, long n, FeedOptions& o) { return o.maxAgeHours = int(n), true; }},
    {"--now", "build", kText, 0,
     [](const std::string& v, long, FeedOptions& o) {
         return (o.now = ParseIsoMinute(v)) != std::nullopt;
     }},
    {"--output", "build", kText, 0,
     [](const std::string& v, long, FeedOptions& o) { return o.output = v, !v.empty(); }},
    // Files only: the feed alone may go to standard output.
    {"--json", "build", kText, 0,
     [](const std::string& v, long, FeedOptions& o) {
         return o.jsonOutput = v, !v.empty() && v != "-";
     }},
    {"--geojson", "build", kText, 0,
     [](const std::string& v, long, FeedOptions& o) {
         return o.geojsonOutput = v, !v.empty() && v != "-";
     }},
    {"--listen", "serve", kText, 0,
     [](const std::string& v, long, FeedOptions& o) { return ReadListen(v, o); }},
    {"--refresh", "serve", 1, kLongestRefreshMinutes,
     [](const std::string&, long n, FeedOptions& o) { return o.refreshMinutes = int(n), true; }},
    {"--max-per-address", "serve", 1, kMostConnections,
     [](const std::string&, long n, FeedOptions& o) {
         return o.maxPerAddress = unsigned(n), true;
     }},
    {"--max-connections", "serve", 1, kMostConnections,
     [](const std::string&, long n, FeedOptions& o) {
         return o.maxConnections = unsigned(n), true;
     }},
    {"--head-timeout", "serve", 1, kLongestTimeoutSeconds,
     [](const std::string&, long n, FeedOptions& o) {
         return o.headTimeoutSeconds = unsigned(n), true;
     }},
    {"--idle-timeout", "serve", 1, kLongestTimeoutSeconds,
     [](const std::string&, long n, FeedOptions& o) {
         return o.idleTimeoutSeconds = unsigned(n), true;
     }},
};

const Option* FindOption(const std::string& command, const std::string& name) {
    for (const Option& option : kOptions) {
        if (name == option.name &&
            std::string(option.commands).find(command) != std::string::npos) {
            return &option;
        }
    }
    return nullptr;
}

} // namespace

FeedOptionsResult ParseFeedOptions(const std::string& command,
                                   const std::vector<std::string>& args) {
    FeedOptionsResult result;
    for (size_t i = 0; i < args.size(); i += 2) {
        const Option* option = FindOption(command, args[i]);
        if (option == nullptr) {
            result.error = "unknown option '" + args[i] + "'";
            return result;
        }
        if (i + 1 >= args.size()) {
            result.error = args[i] + " needs a value";
            return result;
        }
        long number = 0;
        if ((option->low != kText && !ReadNumber(args[i + 1], option->low, option->high, number)) ||
            !option->apply(args[i + 1], number, result.options)) {
            result.error = "bad value for " + args[i] + ": '" + args[i + 1] + "'";
            return result;
        }
    }
    if (command == "serve" && result.options.listen.empty()) {
        ReadListen(kDefaultListen, result.options);
    }
    result.ok = true;
    return result;
}

ServeOptionsResult ParseServeOptions(const std::vector<std::string>& args) {
    return ParseFeedOptions("serve", args);
}

} // namespace feed
