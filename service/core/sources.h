#pragma once
// The one table of the sources: each kind's name on the command line, its label in the
// status line, its rank among fixes of the same time, its reader and the locations of the
// official set. A new source is one entry in core/read_source.cpp and nothing else.
#include <string>
#include <string_view>
#include <vector>

#include "core/fix.h"

struct SourceDescriptor {
    std::string_view kind;  // on the command line: "nhc", "nhc-rss", "jtwc", "atcf"...
    std::string_view label; // in the status line and reports: "NHC"
    SourceKind source;      // stamped on every fix it reads
    int rank;               // among fixes of one storm at one time, the lowest rank decides
    ReadResult (*read)(std::string_view body);
    std::vector<std::string> (*officialLocations)(); // https:// URLs; none for some kinds
    size_t maxBytes; // the largest source read at all: far above the real files, far below
                     // what would exhaust memory
};

// Every source, in the order of the official set.
const std::vector<SourceDescriptor>& Sources();

// The descriptor of a command-line kind, or nullptr for an unknown one.
const SourceDescriptor* FindSource(std::string_view kind);

// The rank of the source a fix came from.
int SourceRank(SourceKind kind);
