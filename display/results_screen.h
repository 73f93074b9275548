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

// One result line: label left, value right-aligned at the column's edge,
// unit behind it; then area moves down one line (16 pixels). Returns the
// row below the lowest text drawn.
int DrawResultLine(RECT* area, HDC target, const char* label, const char* value, const char* unit);

// "Mar 07 1998" in local time, or "?" when the file time's low half is 0.
const char* FormatSettingsDate(FILETIME fileTime);

// The gradient band's palette index for band position b on a screen of
// the given height: nearest((height - b) / height * 222), kept in 0..221.
int GradientIndex(int b, int height);

// The band height: a 222nd of the screen, at least one pixel.
int GradientBandHeight(int height);
