// zarvane-feed: makes the Zarvane storm feed from the official tropical-cyclone sources.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/serve_options.h"
#include "shell/commands.h"

namespace {

constexpr int kExitDone = 0, kExitFailed = 1, kExitUsage = 2;

constexpr const char* kOtherUsage = "usage: zarvane-feed --help | --version\n";

// After the usage lines of --help; the manual page has every option, exit status and file.
constexpr const char* kAbout =
    "\n"
    "build  makes the storm feed once and writes it to FILE or, by default, standard output.\n"
    "serve  makes it at start and every --refresh minutes, and serves it over HTTP at any\n"
    "       path ending in /RirozIrid/ssaver.dat, with /healthz and /status.json.\n"
    "\n"
    "KIND is nhc, nhc-rss, atcf, jtwc, tcvitals or ibtracs; LOCATION an http:// or https://\n"
    "URL or a file. Without --source, the official NHC, JTWC, NCEP and IBTrACS sources.\n"
    "See zarvane-feed(1).\n";

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
};

const Command kCommands[] = {
    {"build", RunBuild},
    {"serve", RunServe},
};

void PrintUsage(std::FILE* stream) {
    std::fputs(feed::kUsage, stream);
    std::fputs(kOtherUsage, stream);
}

int Usage() {
    PrintUsage(stderr);
    return kExitUsage;
}

int Help() {
    PrintUsage(stdout);
    std::fputs(kAbout, stdout);
    return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
}

int Version() {
    std::printf("zarvane-feed %s\n", ZARVANE_FEED_VERSION);
    return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        return Help();
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        return Version();
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0) {
            return command.run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "zarvane-feed: unknown command '%s'\n", argv[1]);
    return Usage();
}
