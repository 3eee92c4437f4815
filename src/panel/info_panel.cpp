#include "panel/info_panel.h"

#include "globe/bitmap_pixels.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "shell/main_window.h"
#include "storms/storm_table.h"

#include <cstring>

namespace {

constexpr COLORREF kPanelColour = RGB(0, 255, 0);
constexpr int kPenWidth = 2;
constexpr int kNarrowScreen = 640; // no legend at this width and below
constexpr int kIconSize = 128;     // the icon bitmaps
constexpr int kLegendIconSize = 64;
constexpr int kLegendHeadingRise = 324; // above the bottom of the screen
constexpr int kLabelDrop = 16;
constexpr int kStormIndent = 12;
constexpr int kLegendResolution = 2952; // pixels per metre, about 75 dpi
constexpr int kStormLineSize = 64;

struct LegendRow {
    int resourceId;
    const char* label;
    int rise; // row top above the bottom of the screen
};

constexpr LegendRow kLegendRows[] = {
    {IDB_DEPRESSION, "Tropical Depression", 292},
    {IDB_STORM, "Tropical Storm", 228},
    {IDB_HURRICANE, "Hurricane/Typhoon", 164},
};

void TextAt(HDC dc, int x, int y, const char* text) {
    ::TextOutA(dc, x, y, text, lstrlenA(text));
}

BITMAPINFO IconSectionInfo() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kIconSize;
    info.bmiHeader.biHeight = kIconSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biXPelsPerMeter = kLegendResolution;
    info.bmiHeader.biYPelsPerMeter = kLegendResolution;
    return info;
}

// Copies an icon into the section and turns its white ground black, so that only the red
// figure shows on the black screen. A missing icon leaves the section as it was.
void CopyIconOnBlack(int resourceId, unsigned char* section) {
    int width = 0;
    int height = 0;
    const unsigned char* pixels = LoadBitmapPixels(resourceId, &width, &height);
    if (pixels == nullptr || width != kIconSize || height != kIconSize) {
        return;
    }
    const int bytes = width * height * 3;
    std::memcpy(section, pixels, bytes);
    for (int i = 0; i < bytes; i += 3) {
        if (section[i] == 255) {
            section[i] = section[i + 1] = section[i + 2] = 0;
        }
    }
    ::GdiFlush();
}

void DrawLegend(HDC dc, int lineHeight) {
    const int x = screenLayout.globeSide;
    const int bottom = screenLayout.height;
    const BITMAPINFO info = IconSectionInfo();
    HDC memory = ::CreateCompatibleDC(dc);
    ::SetStretchBltMode(dc, BLACKONWHITE);
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr) {
        ::DeleteDC(memory);
        return;
    }
    DrawUnderlinedText(dc, x, bottom - kLegendHeadingRise, kLegendHeading, lineHeight);
    for (const LegendRow& row : kLegendRows) {
        const int top = bottom - row.rise;
        CopyIconOnBlack(row.resourceId, static_cast<unsigned char*>(bits));
        HGDIOBJ previous = ::SelectObject(memory, section);
        ::StretchBlt(dc, x, top, kLegendIconSize, kLegendIconSize, memory, 0, 0, kIconSize,
                     kIconSize, SRCCOPY);
        ::SelectObject(memory, previous);
        TextAt(dc, x + kLegendIconSize, top + kLabelDrop, row.label);
    }
    ::DeleteDC(memory);
    ::DeleteObject(section);
}

// The storm's line in the chosen unit; with several units on, km/h wins over mph and mph
// over knots; with none on, mph (the unit of the default settings).
void FormatStormLine(const StormRecord& storm, char (&line)[kStormLineSize]) {
    if (saverSettings.si) {
        ::wsprintfA(line, "%s, Max Winds: %d kph", storm.name, storm.windKph);
    } else if (saverSettings.english || !saverSettings.knots) {
        ::wsprintfA(line, "%s, Max Winds: %d mph", storm.name, storm.windMph);
    } else {
        ::wsprintfA(line, "%s, Max Winds: %d knots", storm.name, storm.windKnots);
    }
}

int CharacterHeight(HDC dc) {
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight;
}

void DrawStormList(HDC dc, int lineHeight) {
    const int x = screenLayout.globeSide;
    HFONT stormFont = CreateLayoutFont(screenLayout.listSize);
    char previousGroup[kStormTextSize] = "";
    int y = lineHeight;
    for (int i = 0; i < stormTable.count; ++i) {
        const StormRecord& storm = stormTable.records[i];
        if (std::strcmp(storm.group, previousGroup) != 0) {
            y += lineHeight;
            std::memcpy(previousGroup, storm.group, sizeof(previousGroup));
            DrawUnderlinedText(dc, x, y, previousGroup, lineHeight);
            y += lineHeight;
        }
        HGDIOBJ panelFont = ::SelectObject(dc, stormFont);
        char line[kStormLineSize];
        FormatStormLine(storm, line);
        TextAt(dc, x + kStormIndent, y, line);
        y += CharacterHeight(dc);
        ::SelectObject(dc, panelFont);
    }
    ::DeleteObject(stormFont);
}

void DrawFeedState(HDC dc, int lineHeight) {
    const int x = screenLayout.globeSide;
    const FetchState state = ReadFetchState(stormTable);
    if (state.failed) {
        DrawUnderlinedText(dc, x, 0, kUnreachableHeading, lineHeight);
    } else if (!state.done) {
        DrawUnderlinedText(dc, x, 0, kContactingHeading, lineHeight);
    } else {
        // The records are final once the feed thread has raised fetchDone.
        DrawUnderlinedText(dc, x, 0, kActiveStormsHeading, lineHeight);
        if (stormTable.count <= 0) {
            DrawUnderlinedText(dc, x, lineHeight + lineHeight / 2, kNoneActiveText, 0);
        } else {
            DrawStormList(dc, lineHeight);
        }
    }
}

} // namespace

void DrawUnderlinedText(HDC dc, int x, int y, const char* text, int underlineOffset) {
    const int length = lstrlenA(text);
    ::TextOutA(dc, x, y, text, length);
    SIZE extent = {};
    ::GetTextExtentPointA(dc, text, length, &extent);
    if (underlineOffset != 0) {
        ::MoveToEx(dc, x, y + underlineOffset, nullptr);
        ::LineTo(dc, x + extent.cx, y + underlineOffset);
    }
}

void DrawInfoPanel(HDC dc) {
    ::SetTextColor(dc, kPanelColour);
    const int lineHeight = CharacterHeight(dc);
    HPEN pen = ::CreatePen(PS_SOLID, kPenWidth, kPanelColour);
    HGDIOBJ previousPen = ::SelectObject(dc, pen);
    if (screenLayout.width > kNarrowScreen) {
        DrawLegend(dc, lineHeight);
    }
    DrawFeedState(dc, lineHeight);
    ::SelectObject(dc, previousPen);
    ::DeleteObject(pen);
}
