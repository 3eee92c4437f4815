#pragma once
// The storm feed "ssaver.dat" is the one contract between the saver, which reads it
// (storms/feed_parser.h), and zarvane-feed, which writes it (feed_format/feed_writer.h).
// This library holds what both sides must agree on, and both programs link it and
// nothing else of each other.

// Savers fetch the feed at any path ending in this (a host may put a prefix before it).
constexpr char kFeedPath[] = "/RirozIrid/ssaver.dat";

constexpr int kStormCapacity = 20;   // storm lines a saver keeps; later ones are dropped
constexpr int kStormTextSize = 32;   // bytes of a group or a name, terminating zero included
constexpr int kStatusTextSize = 256; // bytes of the status line, terminating zero included

// The saver keeps the first kMaxFeedLineBytes bytes of a line (CRs not counted) and reads
// at most kMaxFeedBodyBytes of a body; a longer body is a failed fetch.
constexpr int kMaxFeedLineBytes = 4096;
constexpr long kMaxFeedBodyBytes = 1L << 20;
