#include "panel/info_panel.h"

#include "globe/textures.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "storms/storm_table.h"

#include <cstring>

namespace {

constexpr COLORREF kPanelColour = RGB(0, 255, 0);
constexpr int kPenWidth = 2;
constexpr int kIconSize = 128; // the icon bitmaps
constexpr int kLegendIconSize = 64;
constexpr int kLegendHeadingRise = 324; // above the bottom of the screen
constexpr int kLabelDrop = 16;
constexpr int kStormIndent = 12;
constexpr int kLegendResolution = 2952; // pixels per metre, about 75 dpi

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

// Draws text at (x, y) in the selected font and, when underlineOffset is nonzero,
// underlines it with the selected pen that many pixels below y.
void DrawUnderlinedText(HDC dc, int x, int y, const char* text, int underlineOffset) {
    TextAt(dc, x, y, text);
    if (underlineOffset != 0) {
        SIZE extent = {};
        ::GetTextExtentPointA(dc, text, lstrlenA(text), &extent);
        ::MoveToEx(dc, x, y + underlineOffset, nullptr);
        ::LineTo(dc, x + extent.cx, y + underlineOffset);
    }
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
    const unsigned char* pixels = LoadBitmapPixels(resourceId, width, height);
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

void DrawLegend(HDC dc, const PanelPlace& place, int lineHeight) {
    const int x = place.left;
    const int bottom = place.bottom;
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

int CharacterHeight(HDC dc) {
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight;
}

// Draws a storm's line in the list font; returns that font's line height.
int DrawStormLine(HDC dc, const PanelPlace& place, int y, const char* text) {
    HGDIOBJ headingFont = ::SelectObject(dc, place.listFont);
    TextAt(dc, place.left + kStormIndent, y, text);
    const int height = CharacterHeight(dc);
    ::SelectObject(dc, headingFont);
    return height;
}

// Heading lines are one heading-font line apart; storm lines advance by the list font's.
void DrawPanelLines(HDC dc, const PanelPlace& place, const PanelLines& lines, int lineHeight) {
    int y = place.top + lineHeight;
    for (int i = 0; i < lines.count; ++i) {
        const PanelLine& line = lines.lines[i];
        switch (line.kind) {
        case PanelLineKind::FeedHeading:
            DrawUnderlinedText(dc, place.left, place.top, line.text, lineHeight);
            break;
        case PanelLineKind::NoneActive:
            DrawUnderlinedText(dc, place.left, place.top + lineHeight + lineHeight / 2, line.text,
                               0);
            break;
        case PanelLineKind::GroupHeading:
            y += lineHeight;
            DrawUnderlinedText(dc, place.left, y, line.text, lineHeight);
            y += lineHeight;
            break;
        case PanelLineKind::Storm:
            y += DrawStormLine(dc, place, y, line.text);
            break;
        }
    }
}

} // namespace

void DrawInfoPanel(HDC dc, const PanelPlace& place) {
    ::SetTextColor(dc, kPanelColour);
    const int lineHeight = CharacterHeight(dc);
    HPEN pen = ::CreatePen(PS_SOLID, kPenWidth, kPanelColour);
    HGDIOBJ previousPen = ::SelectObject(dc, pen);
    if (place.legend) {
        DrawLegend(dc, place, lineHeight);
    }
    const PanelLines lines =
        PlanPanelLines(ReadFetchState(stormTable), stormTable, ChooseWindUnit(saverSettings));
    DrawPanelLines(dc, place, lines, lineHeight);
    ::SelectObject(dc, previousPen);
    ::DeleteObject(pen);
}
