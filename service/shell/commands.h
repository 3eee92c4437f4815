#pragma once
// The subcommands of zarvane-feed. Each takes the arguments after its own name and
// returns the process exit status.
#include <string>
#include <vector>

int RunBuild(const std::vector<std::string>& args);
