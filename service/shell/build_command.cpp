#include <cstdio>

#include "shell/commands.h"

int RunBuild(const std::vector<std::string>&) {
    std::fprintf(stderr, "zarvane-feed build: not written yet\n");
    return 1;
}
