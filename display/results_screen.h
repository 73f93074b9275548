// The results screen: white texts over a dark-to-blue gradient, painted off
// screen. The first paint draws straight onto the window, then composes the
// background (gradient, title, banner) once and the frame from it and the
// results. Later full paints change only the rows of the texts: the
// background back under the old texts, the new ones drawn, one copy to the
// screen of those rows and of any damage. A repair paint copies only the
// damage.
#pragma once

#include <windows.h>

#include <cstdint>

// The paint procedure, also for commands outside WM_PAINT: always between
// BeginPaint and EndPaint. fullRender recomposes the frame.
void PaintResults(bool fullRender);

// WM_NCPAINT, WM_NCACTIVATE: the system has drawn the window's border over
// the picture; the next full paint covers it again.
void NoteBorderDrawn();

// Gradient, title and banner into BackgroundBuffer; area is scratch space.
void ComposeBackground(RECT* area);

// Where the five values end (one common right edge) and where their units
// start, in screen x. The edge is 415 (495 with the large system font)
// unless a label and its value, measured in the target's font, need more
// room: then it moves right just far enough to keep every label on one line
// and 8 pixels clear of its value. The units follow 379 (459) right of the
// margin, but never more than 16 right of the edge, and move with it.
struct ResultColumns {
    int valueEdge;
    int unitLeft;
};
ResultColumns PlaceResultColumns(HDC target, int margin, const char* const labels[], const char* const values[]);

// One result line: label left, value right-aligned at the columns' edge,
// unit behind it; then area moves down one line (16 pixels). Returns the
// row below the lowest text drawn.
int DrawResultLine(RECT* area, HDC target, const ResultColumns& columns, const char* label, const char* value,
                   const char* unit);

// The five result lines from the SettingsRecord's results, in the target's
// selected font, from area's top and left margin; area ends below them.
// Returns the row below the lowest text drawn.
int DrawResultLines(HDC target, RECT* area);

// "Mar 07 1998" in local time, or "?" when the file time's low half is 0.
const char* FormatSettingsDate(FILETIME fileTime);

// The gradient band's palette index for band position b on a screen of
// the given height: nearest((height - b) / height * 222), kept in 0..221.
int GradientIndex(int b, int height);

// The band height: a 222nd of the screen, at least one pixel.
int GradientBandHeight(int height);
