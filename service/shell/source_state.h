#pragma once
// The build's memory between runs (`zarvane-feed build --state-dir DIR`): for each source
// URL, the validators and the bytes of its last full answer, in a file of its own, so that
// the next run asks conditionally and reads the kept bytes on 304 Not Modified. What the
// folder holds is only ever read as a source, never served as a feed.
#include <string>
#include <vector>

#include "shell/build_feed.h"

// Loads what `dir` keeps for `sources` into `memory`. A file that is not a kept answer of
// its source (garbled, cut, another URL's, bytes that do not read) is reported on
// standard error and left out, so that source is asked unconditionally. False, reported,
// when the folder is missing, not a folder or not writable: the build then remembers
// nothing.
bool LoadSourceState(const std::string& dir, const std::vector<SourceSpec>& sources,
                     SourceMemory& memory);

// Writes the full answers of this run: one with validators replaces its source's file,
// one without removes it. Failures are reported on standard error.
void SaveSourceState(const std::string& dir, const SourceMemory& memory);
