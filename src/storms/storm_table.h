#pragma once
// The process-wide store of active storms, written once per run by the feed thread and
// read by the banner, the storm panel and the globe markers.
//
// Protocol: `fetchDone`, `fetchFailed` and `statusText` are read and written only while
// `lock` is held. `records` and `count` are written without the lock, and only before
// the feed thread raises `fetchDone`; a reader that has seen `fetchDone` == 1 under the
// lock may then read them without it, since they never change afterwards.
#include "feed_format/feed_format.h" // kStormCapacity, kStormTextSize, kStatusTextSize
#include "storms/storm_lock.h"

struct StormRecord {
    char group[kStormTextSize]; // heading the storm is listed under; may be empty
    char name[kStormTextSize];
    double longitude; // degrees, positive west of Greenwich
    double latitude;  // degrees, positive north
    int windMph;      // maximum sustained wind, whole miles per hour
    int windKph;      // whole kilometres per hour
    int windKnots;    // whole knots; also picks the marker icon
};

struct StormTable {
    StormRecord records[kStormCapacity]; // the first `count` are complete, in feed order
    int count;                           // 0 to kStormCapacity
    char statusText[kStatusTextSize];    // the feed's first line; empty until it arrives
    int fetchDone;                       // 0 or 1: the feed thread has finished
    int fetchFailed;                     // 0 or 1: the feed was not obtained
    StormLock lock;
};

// Zero-filled at process start: no storms, both flags 0, empty status text, and a lock
// that the main window must initialise before the feed thread starts.
extern StormTable stormTable;

// Feed thread. Fills records[count] from the current group and the four field texts of
// a storm line (name, latitude, longitude, wind in knots; see feed_numbers.h for how the
// numbers read) and then increases `count`. When the table already holds kStormCapacity
// records the storm is dropped and the table is left unchanged.
void StoreStormLine(StormTable& table, const char* group, const char* name, const char* latitude,
                    const char* longitude, const char* wind);

// Feed thread. Copies at most kStatusTextSize - 1 bytes of `text` (up to its terminating
// zero) into `statusText` while holding the lock.
void StoreStatusText(StormTable& table, const char* text);

// Feed thread, on a fetch that failed after parsing began, before it raises the flags:
// forgets every stored storm (`count` becomes 0), so that a half-read feed lists none.
// `statusText` stays: once read, the status line shows for the rest of the run.
void DiscardStorms(StormTable& table);

// Feed thread. Raise one flag under the lock; nothing ever lowers them.
void RaiseFetchDone(StormTable& table);
void RaiseFetchFailed(StormTable& table);

struct FetchState {
    int done;   // copy of `fetchDone`
    int failed; // copy of `fetchFailed`
};

// Any thread: copies both flags under the lock. Only when `done` is 1 may the caller
// read `count` and `records` (without the lock).
FetchState ReadFetchState(StormTable& table);

// Any thread: copies `statusText` into `buffer` (kStatusTextSize bytes) under the lock.
void CopyStatusText(StormTable& table, char (&buffer)[kStatusTextSize]);
