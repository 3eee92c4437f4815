#pragma once
// The command lines of `zarvane-feed build` and `zarvane-feed serve`, read by one reader
// into a plain record (no I/O, no clock): an option means the same in both commands.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"

namespace feed {

// One --listen: an IPv4 address, or an IPv6 one (written in brackets on the command line,
// kept here without them), and a port (0: any free one).
struct ListenAddress {
    std::string address;
    int port = 0;
};

struct SourceOption {
    std::string kind;     // one of the reader kinds (core/readers.h)
    std::string location; // a URL or a file path, never empty
};

struct FeedOptions {
    std::vector<SourceOption> sources; // none: the official set
    int maxAgeHours = 12;
    // build
    std::optional<std::time_t> now; // --now; none: the clock's
    std::string output = "-";       // "-": standard output
    std::string stateDir;           // --state-dir: the sources' last answers; "": none
    // serve
    std::vector<ListenAddress> listen; // none given: 0.0.0.0:8080
    int refreshMinutes = 15;
    unsigned maxPerAddress = 256;     // a whole office behind one NAT address stays under it
    unsigned maxConnections = 0;      // 0: as many as the process's descriptors allow
    unsigned headTimeoutSeconds = 30; // a new connection's whole request head
    unsigned idleTimeoutSeconds = 10; // a kept-alive connection's next request head
};
using ServeOptions = FeedOptions;

// The options, or what is wrong with them (one line, for standard error).
using FeedOptionsResult = Expected<FeedOptions, std::string>;
using ServeOptionsResult = FeedOptionsResult;

// Reads the arguments after "build" or "serve"; an option of the other command is an error.
FeedOptionsResult ParseFeedOptions(const std::string& command,
                                   const std::vector<std::string>& args);
ServeOptionsResult ParseServeOptions(const std::vector<std::string>& args);

inline constexpr const char* kDefaultListen = "0.0.0.0:8080";

// The whole usage of the program, kept here once (main prints it; so may a man page).
inline constexpr const char* kUsage =
    "usage: zarvane-feed build [--source KIND=LOCATION]... [--now YYYY-MM-DDTHH:MMZ]\n"
    "                          [--max-age HOURS] [--output FILE|-] [--state-dir DIR]\n"
    "       zarvane-feed serve [--listen ADDR:PORT|[ADDR6]:PORT]... [--source KIND=LOCATION]...\n"
    "                          [--refresh MINUTES] [--max-age HOURS] [--max-per-address N]\n"
    "                          [--max-connections N] [--head-timeout S] [--idle-timeout S]\n"
    "\n"
    "  --source KIND=LOCATION  a source to read instead of the official set; KIND is nhc,\n"
    "                          nhc-rss, atcf, jtwc, ibtracs or tcvitals; LOCATION an\n"
    "                          http:// or https:// URL or a regular file (may be given\n"
    "                          more than once)\n"
    "  --max-age HOURS         storms whose latest fix is older are left out (12)\n"
    "  --now TIME              build as at this UTC minute instead of now\n"
    "  --output FILE|-         replace FILE atomically (a regular file or none), or write to\n"
    "                          standard output (-, the default)\n"
    "  --state-dir DIR         keep each source's last answer in DIR and ask only for a\n"
    "                          newer one next time\n"
    "  --listen ADDR:PORT      where to serve, e.g. 0.0.0.0:8080 or [::]:8080; may be given\n"
    "                          more than once (0.0.0.0:8080)\n"
    "  --refresh MINUTES       rebuild the feed this often (15); SIGHUP rebuilds at once\n"
    "  --max-per-address N     open connections from one client address (256)\n"
    "  --max-connections N     open connections in all (RLIMIT_NOFILE less 128); at a\n"
    "                          cap the longest waiting for a request makes room\n"
    "  --head-timeout S        a connection must send its whole request head within S (30)\n"
    "  --idle-timeout S        a kept-alive connection must send its next one within S (10)\n";

} // namespace feed
