#pragma once
// The storm feed "ssaver.dat", parsed as its body arrives in chunks of any size.
//
// Lines end at LF; every CR is dropped wherever it stands; the last line needs no LF.
// Line 1 is the status line and goes to `statusText`. Every later line is split at
// commas, a run of commas counting as one separator and commas at either end skipped,
// so no field is empty. A line without fields is ignored. A first field beginning with
// '-' makes the rest of that field the current group (which starts empty). Any other
// line with at least four fields (name, latitude, longitude, wind in knots; further
// fields ignored) is a storm, stored with the current group; the 21st storm and every
// later one are dropped, and the table keeps the first kStormCapacity. Shorter lines are
// ignored. A line's text ends at its first zero byte, as a C string would.
//
// The feed is untrusted: only the first kMaxFeedLineBytes bytes of a line are kept (CRs
// not counted); the rest is dropped up to the line's LF. The body's size is bounded by
// the reader, which stops at kMaxFeedBodyBytes.
//
// Feed thread only: `table` must have an initialised lock, which the parser holds while
// it writes `statusText`. Storms are written without the lock and must be complete
// before the caller raises `fetchDone`. The parser raises no flag.
#include <cstddef>

#include "feed_format/feed_format.h" // kMaxFeedLineBytes, kMaxFeedBodyBytes
#include "storms/storm_table.h"

struct FeedParser {
    char line[kMaxFeedLineBytes + 1]; // the line being assembled, room for a zero
    int lineLength;                   // bytes kept of it, at most kMaxFeedLineBytes
    bool statusSeen;                  // line 1 has been stored as the status text
    char group[kStormTextSize];       // current group, already cut to fit a record
};

// Starts a body: empty line, empty group, status line still to come.
void BeginFeed(FeedParser& parser);

// Parses `size` bytes of the body (`data` may be null when size is 0). Lines split
// between calls are joined; the result does not depend on how the body is cut.
void FeedBytes(FeedParser& parser, StormTable& table, const char* data, size_t size);

// Ends the body: parses a last line that had no LF. An empty body stores an empty
// status text. The parser must be begun again before it is fed another body.
void EndFeed(FeedParser& parser, StormTable& table);
