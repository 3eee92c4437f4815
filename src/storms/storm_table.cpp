#include "storms/storm_table.h"

#include "storms/feed_numbers.h"
#include "storms/wind.h"

StormTable stormTable;

namespace {

// Copies at most size - 1 bytes of a zero-terminated text and always terminates.
template <int size> void CopyText(char (&target)[size], const char* text) {
    int i = 0;
    for (; i < size - 1 && text[i] != '\0'; ++i) {
        target[i] = text[i];
    }
    for (; i < size; ++i) {
        target[i] = '\0';
    }
}

} // namespace

void StoreStormLine(StormTable& table, const char* group, const char* name, const char* latitude,
                    const char* longitude, const char* wind) {
    if (table.count >= kStormCapacity) {
        return;
    }
    StormRecord& record = table.records[table.count];
    CopyText(record.group, group);
    CopyText(record.name, name);
    record.latitude = ReadFeedDouble(latitude);
    record.longitude = ReadFeedDouble(longitude);
    record.windKnots = ReadFeedInt(wind);
    record.windMph = KnotsToMph(record.windKnots);
    record.windKph = KnotsToKph(ReadFeedDouble(wind));
    ++table.count; // last: readers rely on the record being complete
}

void StoreStatusText(StormTable& table, const char* text) {
    EnterStormLock(table.lock);
    CopyText(table.statusText, text);
    LeaveStormLock(table.lock);
}

void DiscardStorms(StormTable& table) {
    table.count = 0;
}

void RaiseFetchDone(StormTable& table) {
    EnterStormLock(table.lock);
    table.fetchDone = 1;
    LeaveStormLock(table.lock);
}

void RaiseFetchFailed(StormTable& table) {
    EnterStormLock(table.lock);
    table.fetchFailed = 1;
    LeaveStormLock(table.lock);
}

FetchState ReadFetchState(StormTable& table) {
    EnterStormLock(table.lock);
    const FetchState state = {table.fetchDone, table.fetchFailed};
    LeaveStormLock(table.lock);
    return state;
}

void CopyStatusText(StormTable& table, char (&buffer)[kStatusTextSize]) {
    EnterStormLock(table.lock);
    CopyText(buffer, table.statusText);
    LeaveStormLock(table.lock);
}
