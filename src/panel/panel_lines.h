#pragma once
// What the storm panel says: the feed's state, then the storms under their group headings
// with their winds in the chosen unit. Platform-free; the panel only draws these lines.
#include "settings/settings.h"
#include "storms/storm_table.h"

// Panel texts, shared with the end-to-end tests.
constexpr char kActiveStormsHeading[] = "* Active Tropical Storms *";
constexpr char kNoneActiveText[] = "None Active...";
constexpr char kContactingHeading[] = "* Contacting Quillmere *";
constexpr char kUnreachableHeading[] = "* Unable to Reach Quillmere *";
constexpr char kLegendHeading[] = "Tropical Cyclone Classifications";

enum class WindUnit { Mph, Kph, Knots };

// With several units on, km/h wins over mph and mph over knots; with none on, mph (the
// unit of the default settings). Flags count when nonzero.
WindUnit ChooseWindUnit(const SaverSettings& settings);

enum class PanelLineKind {
    FeedHeading,  // the first line, underlined
    NoneActive,   // below the heading when the feed lists no storm
    GroupHeading, // underlined, with a blank line above it
    Storm,        // indented, in the list font
};

constexpr int kPanelLineSize = 64; // bytes of a line's text, terminating zero included
// The heading, and for each storm at most a group heading and its own line.
constexpr int kMaxPanelLines = 1 + 2 * kStormCapacity;

struct PanelLine {
    PanelLineKind kind;
    char text[kPanelLineSize];
};

struct PanelLines {
    int count;
    PanelLine lines[kMaxPanelLines];
};

// The panel's lines for the feed's state (read from the table under its lock). Only when
// `state.done` is 1 and `state.failed` is 0 are the table's records and count read, and
// then without the lock. A storm starts a group heading when its group differs from the
// one before (the first storm's group is compared with "").
PanelLines PlanPanelLines(FetchState state, const StormTable& table, WindUnit unit);
