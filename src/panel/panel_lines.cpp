#include "panel/panel_lines.h"

#include <cstdio>
#include <cstring>

namespace {

void AddLine(PanelLines& lines, PanelLineKind kind, const char* text) {
    PanelLine& line = lines.lines[lines.count++];
    line.kind = kind;
    std::snprintf(line.text, sizeof(line.text), "%s", text);
}

void AddStormLine(PanelLines& lines, const StormRecord& storm, WindUnit unit) {
    PanelLine& line = lines.lines[lines.count++];
    line.kind = PanelLineKind::Storm;
    switch (unit) {
    case WindUnit::Kph:
        std::snprintf(line.text, sizeof(line.text), "%s, Max Winds: %d kph", storm.name,
                      storm.windKph);
        return;
    case WindUnit::Mph:
        std::snprintf(line.text, sizeof(line.text), "%s, Max Winds: %d mph", storm.name,
                      storm.windMph);
        return;
    case WindUnit::Knots:
        std::snprintf(line.text, sizeof(line.text), "%s, Max Winds: %d knots", storm.name,
                      storm.windKnots);
        return;
    }
}

void AddStormList(PanelLines& lines, const StormTable& table, WindUnit unit) {
    const char* previousGroup = "";
    for (int i = 0; i < table.count && i < kStormCapacity; ++i) {
        const StormRecord& storm = table.records[i];
        if (std::strncmp(storm.group, previousGroup, kStormTextSize) != 0) {
            previousGroup = storm.group;
            AddLine(lines, PanelLineKind::GroupHeading, storm.group);
        }
        AddStormLine(lines, storm, unit);
    }
}

} // namespace

WindUnit ChooseWindUnit(const SaverSettings& settings) {
    if (settings.si) {
        return WindUnit::Kph;
    }
    return settings.english || !settings.knots ? WindUnit::Mph : WindUnit::Knots;
}

PanelLines PlanPanelLines(FetchState state, const StormTable& table, WindUnit unit) {
    PanelLines lines = {};
    if (state.failed) {
        AddLine(lines, PanelLineKind::FeedHeading, kUnreachableHeading);
    } else if (!state.done) {
        AddLine(lines, PanelLineKind::FeedHeading, kContactingHeading);
    } else {
        AddLine(lines, PanelLineKind::FeedHeading, kActiveStormsHeading);
        if (table.count <= 0) {
            AddLine(lines, PanelLineKind::NoneActive, kNoneActiveText);
        } else {
            AddStormList(lines, table, unit);
        }
    }
    return lines;
}
