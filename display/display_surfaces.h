// The results screen's drawing surfaces, its palette of blue shades and
// the banner reveal that follows the first paint.
//
// Two threads draw: the user-interface thread, and once, for a few dozen
// milliseconds, the banner reveal thread. The reveal only reads
// BackgroundBuffer (complete before it starts) and copies columns into
// WindowDC; the screen size and the three contexts are fixed before it
// starts, and the tear-down waits for it before releasing them.
#pragma once

#include <windows.h>

#include <cstdint>

extern HDC WindowDC;          // the whole main window, border included
extern HDC BackgroundBuffer;  // gradient, title and banner: composed once
extern HDC FrameBuffer;       // background plus texts: every full paint
extern HPALETTE BackgroundPalette;
extern bool PaletteStale;     // rebuild the palette at the next focus

const int PaletteSize = 222;  // entry i is RGB(0, 0, 222 - i)

// The banner strip near the right edge: 80 x 350 pixels.
const int BannerStripOffset = 141;  // its left edge: ScreenWidth - 141
const int BannerStripWidth = 80;
const int BannerStripHeight = 350;
const int RevealSteps = 41;

// WM_CREATE: window context, two screen-sized buffers, the palette.
void CreateDisplaySurfaces(HWND window);
void CreateBackgroundPalette();
// The buttons paint themselves: copies to WindowDC leave their rectangles
// alone (once the buttons are in place, at the first paint).
void KeepButtonsOutOfWindowDC();

// WM_PALETTECHANGED: note only; WM_SETFOCUS: rebuild when noted.
void NotePaletteChange();
void RefreshPalette();
// WM_DESTROY: waits for the banner reveal, then releases everything.
void DestroyDisplaySurfaces(HWND window);

// The palette description the palette is created from.
const LOGPALETTE* BackgroundPaletteBlock();

// Starts the banner reveal thread (once, after the first paint).
void StartBannerReveal();
DWORD WINAPI BannerReveal(LPVOID);
// One 350-pixel column of the banner from BackgroundBuffer to the screen.
void CopyBannerColumn(int x);
// Spins until the tick count has advanced by at least milliseconds.
DWORD WaitTicks(std::uint16_t milliseconds);

// The reveal's 82 column copies in order: direction 0 opens from the
// middle, direction 1 closes from the edges.
void BannerRevealColumns(int direction, int screenWidth, int columns[2 * RevealSteps]);
// The direction the reveal takes for a seed from the time of day.
int RevealDirection(std::uint32_t seed);
