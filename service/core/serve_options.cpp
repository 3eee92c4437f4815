#include "core/serve_options.h"

#include "core/readers.h"
#include "core/text.h"
#include "core/utc_time.h"

#include <charconv>

namespace feed {
namespace {

constexpr long kLongestRefreshMinutes = 24L * 60; // a day
constexpr long kLongestMaxAgeHours = 24L * 366;   // a year
constexpr long kMostConnections = 100000;
constexpr long kLongestTimeoutSeconds = 3600;

// A whole number in [low, high] in plain digits, nothing else in the text.
Parsed<long> ReadNumber(std::string_view text, long low, long high) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        return unexpected(std::errc::invalid_argument);
    }
    if (value < low || value > high) {
        return unexpected(std::errc::result_out_of_range);
    }
    return value;
}

// "ADDR:PORT" or "[ADDR6]:PORT"; the address itself is checked when the server binds it.
Expected<ListenAddress, std::errc> ReadListen(std::string_view text) {
    const size_t colon = text.rfind(':');
    const auto port = colon == std::string::npos || colon == 0
                          ? unexpected(std::errc::invalid_argument)
                          : ReadNumber(text.substr(colon + 1), 0, 65535);
    if (!port) {
        return unexpected(port.error());
    }
    std::string_view address = text.substr(0, colon);
    const bool bracketed = address.front() == '[' && address.back() == ']';
    if (bracketed) {
        address = address.substr(1, address.size() - 2);
    }
    if (address.empty() || (!bracketed && address.find(':') != std::string_view::npos)) {
        return unexpected(std::errc::invalid_argument);
    }
    return ListenAddress{std::string(address), static_cast<int>(*port)};
}

// "KIND=LOCATION" of a known kind and a location.
Expected<SourceOption, std::errc> ReadSource(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals + 1 == text.size() ||
        !IsSourceKind(text.substr(0, equals))) {
        return unexpected(std::errc::invalid_argument);
    }
    return SourceOption{text.substr(0, equals), text.substr(equals + 1)};
}

// Appends what `read` made of the text, if it read.
template <class T> bool Append(const Expected<T, std::errc>& read, std::vector<T>& list) {
    if (read) {
        list.push_back(*read);
    }
    return read.has_value();
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
     [](const std::string& v, long, FeedOptions& o) { return Append(ReadSource(v), o.sources); }},
    {"--max-age", "build serve", 1, kLongestMaxAgeHours,
     [](const std::string&, long n, FeedOptions& o) { return o.maxAgeHours = int(n), true; }},
    {"--now", "build", kText, 0,
     [](const std::string& v, long, FeedOptions& o) {
         return (o.now = ParseIsoMinute(v)) != std::nullopt;
     }},
    {"--output", "build", kText, 0,
     [](const std::string& v, long, FeedOptions& o) { return o.output = v, !v.empty(); }},
    {"--state-dir", "build", kText, 0,
     [](const std::string& v, long, FeedOptions& o) { return o.stateDir = v, !v.empty(); }},
    {"--listen", "serve", kText, 0,
     [](const std::string& v, long, FeedOptions& o) { return Append(ReadListen(v), o.listen); }},
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
    FeedOptions options;
    for (size_t i = 0; i < args.size(); i += 2) {
        const Option* option = FindOption(command, args[i]);
        if (option == nullptr) {
            return unexpected("unknown option '" + args[i] + "'");
        }
        if (i + 1 >= args.size()) {
            return unexpected(args[i] + " needs a value");
        }
        const auto number = option->low == kText
                                ? Parsed<long>(0)
                                : ReadNumber(args[i + 1], option->low, option->high);
        if (!number || !option->apply(args[i + 1], *number, options)) {
            return unexpected("bad value for " + args[i] + ": '" + args[i + 1] + "'");
        }
    }
    if (command == "serve" && options.listen.empty()) {
        options.listen.push_back(*ReadListen(kDefaultListen));
    }
    return options;
}

ServeOptionsResult ParseServeOptions(const std::vector<std::string>& args) {
    return ParseFeedOptions("serve", args);
}

} // namespace feed
