#pragma once
#include <windows.h>

#include "panel/panel_lines.h"

// Where the panel goes on the saver window, and its list font; handed down by the main
// window from its layout.
struct PanelPlace {
    int left;       // the globe's right edge
    int top;        // the top of the screen (of the primary monitor)
    int bottom;     // the bottom of the screen (of the primary monitor)
    bool legend;    // off on narrow screens
    HFONT listFont; // the storm lines' font; the caller creates and deletes it
};

// The storm panel beside the globe: the lines of PlanPanelLines for the storm table and
// the chosen unit, and (unless `place.legend` is off) the legend of the three cyclone
// classes. Drawn on the saver window's paint DC with the heading font selected; UI thread
// only. Leaves the text colour green; restores the font and pen. Creates and deletes
// every GDI object it uses.
void DrawInfoPanel(HDC dc, const PanelPlace& place);
