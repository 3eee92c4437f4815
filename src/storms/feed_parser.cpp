#include "storms/feed_parser.h"

#include <cstring>

namespace {

constexpr int kStormFields = 4; // name, latitude, longitude, wind

// Splits `line` at commas the way strtok(line, ",") does, writing zeros over the
// separators, until `maxFields` fields are found; returns how many were found.
int SplitFields(char* line, char* fields[], int maxFields) {
    int found = 0;
    char* p = line;
    while (found < maxFields) {
        while (*p == ',') {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        fields[found++] = p;
        p += std::strcspn(p, ",");
        if (*p == ',') {
            *p++ = '\0';
        }
    }
    return found;
}

void SetGroup(FeedParser& parser, const char* text) {
    std::strncpy(parser.group, text, sizeof parser.group - 1);
    parser.group[sizeof parser.group - 1] = '\0';
}

void ParseLine(FeedParser& parser, StormTable& table) {
    parser.line[parser.lineLength] = '\0';
    parser.lineLength = 0;
    if (!parser.statusSeen) {
        parser.statusSeen = true;
        StoreStatusText(table, parser.line);
        return;
    }
    char* fields[kStormFields];
    const int count = SplitFields(parser.line, fields, kStormFields);
    if (count > 0 && fields[0][0] == '-') {
        SetGroup(parser, fields[0] + 1);
    } else if (count == kStormFields) {
        StoreStormLine(table, parser.group, fields[0], fields[1], fields[2], fields[3]);
    }
}

// Appends a piece of a line, dropping CRs and whatever exceeds the line limit.
void AppendToLine(FeedParser& parser, const char* data, size_t size) {
    for (size_t i = 0; i < size && parser.lineLength < kMaxFeedLineBytes; ++i) {
        if (data[i] != '\r') {
            parser.line[parser.lineLength++] = data[i];
        }
    }
}

} // namespace

void BeginFeed(FeedParser& parser) {
    parser.lineLength = 0;
    parser.statusSeen = false;
    parser.group[0] = '\0';
}

void FeedBytes(FeedParser& parser, StormTable& table, const char* data, size_t size) {
    if (size == 0) {
        return; // data may be null
    }
    const char* end = data + size;
    while (data != end) {
        const void* lineFeed = std::memchr(data, '\n', static_cast<size_t>(end - data));
        const char* pieceEnd = lineFeed ? static_cast<const char*>(lineFeed) : end;
        AppendToLine(parser, data, static_cast<size_t>(pieceEnd - data));
        if (pieceEnd == end) {
            return;
        }
        ParseLine(parser, table);
        data = pieceEnd + 1;
    }
}

void EndFeed(FeedParser& parser, StormTable& table) {
    if (parser.lineLength > 0 || !parser.statusSeen) {
        ParseLine(parser, table);
    }
}
