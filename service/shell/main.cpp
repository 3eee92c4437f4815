// zarvane-feed: makes the Zarvane storm feed from the official tropical-cyclone sources.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/serve_options.h"
#include "shell/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
};

const Command kCommands[] = {{"build", RunBuild}, {"serve", RunServe}};

int Usage() {
    std::fputs(feed::kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0) {
            return command.run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "zarvane-feed: unknown command '%s'\n", argv[1]);
    return Usage();
}
