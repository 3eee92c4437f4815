#pragma once
#include <windows.h>

// Panel texts, shared with the end-to-end tests.
constexpr char kActiveStormsHeading[] = "* Active Tropical Storms *";
constexpr char kNoneActiveText[] = "None Active...";
constexpr char kContactingHeading[] = "* Contacting Quillmere *";
constexpr char kUnreachableHeading[] = "* Unable to Reach Quillmere *";
constexpr char kLegendHeading[] = "Tropical Cyclone Classifications";

// The storm panel beside the globe: the feed's state, the storms under their group
// headings with their winds in the chosen unit, and (on screens wider than 640 pixels)
// the legend of the three cyclone classes. Drawn on the saver window's paint DC with the
// panel font selected; UI thread only. Leaves the text colour green; restores the font
// and pen. Creates and deletes every GDI object it uses.
void DrawInfoPanel(HDC dc);

// Draws text at (x, y) in the selected font and, when underlineOffset is nonzero,
// underlines it with the selected pen that many pixels below y.
void DrawUnderlinedText(HDC dc, int x, int y, const char* text, int underlineOffset);
