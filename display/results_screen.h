// The results screen: white texts over a dark-to-blue gradient, painted off
// screen. The background (gradient, title, banner) is composed once; every
// full paint composes the frame from it and the current results and copies
// it to the screen in one transfer; a repair paint copies only the damage.
#pragma once

#include <windows.h>

#include <cstdint>

// The paint procedure, also for commands outside WM_PAINT: always between
// BeginPaint and EndPaint. fullRender recomposes the frame.
void PaintResults(bool fullRender);

// Gradient and title into WindowDC, then gradient, title and banner into
// BackgroundBuffer; area is scratch space.
void ComposeBackground(RECT* area);

// One result line: label left, value right-aligned at the column's edge,
// unit behind it; then area moves down one line (16 pixels).
void DrawResultLine(RECT* area, HDC target, const char* label, const char* value, const char* unit);

// "Mar 07 1998" in local time, or "?" when the file time's low half is 0.
const char* FormatSettingsDate(FILETIME fileTime);

// The gradient band's palette index for band position b on a screen of
// the given height: nearest((height - b) / height * 222), kept in 0..221.
int GradientIndex(int b, int height);

// The band height: a 222nd of the screen, at least one pixel.
int GradientBandHeight(int height);
