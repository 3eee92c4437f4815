#pragma once
// The source readers: each turns the bytes of one published format into fixes. Pure
// functions (no I/O, no clock, no globals); they never throw. Each reader's file names
// the published format and the fields it takes.
#include <cstddef>
#include <string_view>

#include "core/fix.h"

// NHC/CPHC CurrentStorms.json (activeStorms[]): Atlantic, eastern and central Pacific.
ReadResult ReadNhcCurrentStorms(std::string_view body);

// NHC's RSS feeds (index-at.xml, index-ep.xml, index-cp.xml): each storm's
// forecast/advisory, with its movement, pressure and forecast track.
ReadResult ReadNhcRss(std::string_view body);

// ATCF best track ("b-deck", bal142024.dat): every BEST fix, one per storm and time.
ReadResult ReadAtcfBestTrack(std::string_view body);

// JTWC tropical cyclone warning text (wp0926web.txt, WTPN31 PGTW): every system's warning
// position, movement and forecast positions.
ReadResult ReadJtwcWarning(std::string_view body);

// IBTrACS v04 CSV (ibtracs.ACTIVE.list.v04r01.csv): every row with a USA_WIND.
ReadResult ReadIbtracsCsv(std::string_view body);

// NCEP TCVitals records (fixed columns): every record.
ReadResult ReadTcvitals(std::string_view body);

// The source kinds of the command line: "nhc", "nhc-rss", "atcf", "jtwc", "ibtracs",
// "tcvitals".
bool IsSourceKind(std::string_view kind);

// The largest source of `kind` that is read at all, in bytes; 0 for an unknown kind.
size_t SourceSizeCap(std::string_view kind);

// Reads `body` with the reader of `kind`. An empty body or an HTML page is a failed
// source before any reader sees it; so is a body in which the reader does not find its
// format (a file of the right format with no storm in it is not a failure).
ReadResult ReadSource(std::string_view kind, std::string_view body);
