#pragma once
// The subcommands of zarvane-feed. Each takes the arguments after its own name and
// returns the process exit status.
#include <string>
#include <vector>

int RunBuild(const std::vector<std::string>& args);
// Serves the feed over HTTP until SIGTERM or SIGINT (then 0); 2 for a bad command line,
// 1 when it cannot listen.
int RunServe(const std::vector<std::string>& args);
