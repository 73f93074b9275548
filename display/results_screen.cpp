#include "display/results_screen.h"

#include <algorithm>

#include "app/app_state.h"
#include "display/display_surfaces.h"
#include "display/result_text.h"
#include "model/extended_math.h"
#include "model/settings_record.h"

namespace {

const char ProductName[] = "Halvorendyne";
const UINT TextFlags = DT_NOPREFIX | DT_WORDBREAK;
const int LineHeight = 16;

// The line at the top left is kept scrambled in the program: each byte
// plus a key, undone just before it is drawn.
const unsigned char CaptionKey = 0x5D;
const int CaptionSize = 29;

struct ScrambledText {
    unsigned char bytes[CaptionSize];
};

constexpr ScrambledText Scramble(const char (&text)[27])
{
    ScrambledText scrambled{};
    for (int i = 0; i < CaptionSize; ++i) {
        unsigned char c = i < 27 ? static_cast<unsigned char>(text[i]) : 0;
        scrambled.bytes[i] = static_cast<unsigned char>(c + CaptionKey);
    }
    return scrambled;
}

constexpr ScrambledText CaptionLine = Scramble("How crowded is our galaxy?");

// Title layers n = 7..0: RGB(22n, 22n, 18n + 128), navy on top.
COLORREF TitleColour(int n)
{
    return RGB(22 * n, 22 * n, 18 * n + 128);
}

HFONT CreateTitleFont(int height, int escapement)
{
    return CreateFontA(height, 0, escapement, 0, 600, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_CHARACTER_PRECIS, PROOF_QUALITY, FF_ROMAN | DEFAULT_PITCH, "Times New Roman");
}

void DrawGradient(HDC target, RECT* band)
{
    const int bandHeight = GradientBandHeight(ScreenHeight);
    for (int b = 2;; b += bandHeight) {
        SetRect(band, 0, b - 2, ScreenWidth + 2, b - 2 + bandHeight);
        HBRUSH brush = CreateSolidBrush(PALETTEINDEX(GradientIndex(b, ScreenHeight)));
        FillRect(target, band, brush);
        DeleteObject(brush);
        if (b >= ScreenHeight + 2) break;
    }
}

void DrawLayeredText(HDC target, HFONT font, int x, int y, const char* text, int layers, COLORREF (*colour)(int))
{
    HGDIOBJ previous = SelectObject(target, font);
    SetBkMode(target, TRANSPARENT);
    for (int n = layers - 1; n >= 0; --n) {
        SetTextColor(target, colour(n));
        TextOutA(target, x + n, y + n, text, lstrlenA(text));
    }
    SelectObject(target, previous);
    DeleteObject(font);
}

COLORREF VersionColour(int n)
{
    return RGB(50 * n, 50 * n, 100 * n + 55);
}

void DrawTitle(HDC target)
{
    DrawLayeredText(target, CreateTitleFont(80, 0), ScreenWidth / 22, 18, ProductName, 8, TitleColour);
}

void DrawCaptionLine(HDC target)
{
    char text[32] = {};
    for (int i = 0; i < CaptionSize; ++i) text[i] = static_cast<char>(CaptionLine.bytes[i] - CaptionKey);
    SelectObject(target, GetStockObject(ANSI_VAR_FONT));
    SetTextColor(target, RGB(0, 0, 128));
    TextOutA(target, ScreenWidth / 22 + 6, 10, text, lstrlenA(text));
}

void DrawBanner(HDC target)
{
    const int stripLeft = ScreenWidth - BannerStripOffset;
    // The strip's gradient runs the other way: mirrored upside down in place.
    StretchBlt(target, stripLeft, 0, BannerStripWidth, BannerStripHeight, target, stripLeft, BannerStripHeight,
               BannerStripWidth, -BannerStripHeight, SRCCOPY);
    DrawTitle(target);
    DrawCaptionLine(target);
    DrawLayeredText(target, CreateTitleFont(22, 0), ScreenWidth - 121, 5, "v1.0", 3, VersionColour);
    DrawLayeredText(target, CreateTitleFont(60, -900), ScreenWidth - 75, 32, ProductName, 8, TitleColour);
}

}  // namespace

int GradientBandHeight(int height)
{
    int band = height / 222;
    return band < 1 ? 1 : band;
}

int GradientIndex(int b, int height)
{
    SetExtendedPrecision();
    long double share = static_cast<long double>(height - b) / height * 222.0L;
    long double index = NearestReal(share);
    if (index < 0) return 0;
    if (index > PaletteSize - 1) return PaletteSize - 1;  // 888 pixels and taller
    return static_cast<int>(index);
}

void ComposeBackground(RECT* area)
{
    DrawGradient(BackgroundBuffer, area);
    DrawBanner(BackgroundBuffer);
}

namespace {

const int LabelValueGap = 8;    // the least room between a label and its value
const int UnitBeyondEdge = 16;  // the farthest a unit starts right of the edge

int TextWidth(HDC target, const char* text)
{
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(target, text, lstrlenA(text), &extent);
    return extent.cx;
}

}  // namespace

ResultColumns PlaceResultColumns(HDC target, int margin, const char* const labels[], const char* const values[])
{
    // The fixed columns were laid out for 640 and 1024 pixel screens; on
    // wider ones the margin grows with the screen and would push long labels
    // into their values, and leave the units far behind them.
    const int wide = LargeSystemFont ? 80 : 0;
    const int fixedEdge = 415 + wide;
    const int fixedUnit = std::min(margin + 379 + wide, fixedEdge + UnitBeyondEdge);
    int edge = fixedEdge;
    for (int line = 0; line < ResultLineCount; ++line) {
        edge = std::max(edge, margin + TextWidth(target, labels[line]) + LabelValueGap + TextWidth(target, values[line]));
    }
    ResultColumns columns = {edge, fixedUnit + (edge - fixedEdge)};
    return columns;
}

int DrawResultLine(RECT* area, HDC target, const ResultColumns& columns, const char* label, const char* value,
                   const char* unit)
{
    area->right = columns.valueEdge;
    int height = DrawTextA(target, label, -1, area, TextFlags);
    height = std::max(height, DrawTextA(target, value, -1, area, TextFlags | DT_RIGHT));
    const int unitShift = columns.unitLeft - area->left;
    OffsetRect(area, unitShift, 0);
    height = std::max(height, DrawTextA(target, unit, -1, area, TextFlags));
    OffsetRect(area, -unitShift, 0);
    int bottom = area->top + height;
    OffsetRect(area, 0, LineHeight);
    return bottom;
}

int DrawResultLines(HDC target, RECT* area)
{
    // Each value text comes in a buffer that the next one may reuse: all
    // five are kept, because the columns depend on all of them.
    char valueTexts[ResultLineCount][48];
    const char* labels[ResultLineCount];
    const char* values[ResultLineCount];
    for (int line = 0; line < ResultLineCount; ++line) {
        lstrcpynA(valueTexts[line], ResultValueText(line + 1), sizeof valueTexts[line]);
        labels[line] = ResultLabel(line + 1);
        values[line] = valueTexts[line];
    }
    const ResultColumns columns = PlaceResultColumns(target, area->left, labels, values);
    int bottom = area->top;
    for (int line = 0; line < ResultLineCount; ++line) {
        bottom = std::max(bottom, DrawResultLine(area, target, columns, labels[line], values[line], ResultUnit(line + 1)));
    }
    return bottom;
}

const char* FormatSettingsDate(FILETIME fileTime)
{
    if (fileTime.dwLowDateTime == 0) return "?";
    FILETIME local;
    SYSTEMTIME calendar;
    if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &calendar)) return "?";
    return FormatCalendarDate(calendar.wMonth, calendar.wDay, calendar.wYear);
}

namespace {

// The frame differs from the background only in the rows of the texts, from
// TextTop down to the lowest row the last full paint drew a text in.
const int TextTop = 130;
int FrameTextBottom = TextTop;
bool BorderDrawn = false;
bool NameEndShown = false;

RECT TextArea()
{
    RECT area = {ScreenWidth / 22 + 6, TextTop, 0, ScreenHeight};
    return area;
}

// Draws the result lines, the settings line and the comments; returns the
// lowest row reached (DrawText keeps each text inside its rectangle, which
// ends at the screen's bottom).
int DrawTexts(HDC target)
{
    RECT area = TextArea();
    SelectObject(target, GetStockObject(ANSI_VAR_FONT));
    SetTextColor(target, RGB(255, 255, 255));
    SetBkMode(target, TRANSPARENT);
    int bottom = DrawResultLines(target, &area);
    area.right = ScreenWidth;
    OffsetRect(&area, 0, 32);
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(Settings.SettingsFileTime);
    fileTime.dwHighDateTime = static_cast<DWORD>(Settings.SettingsFileTime >> 32);
    const char* settingsLine = ComposeSettingsLine(Settings.AuthorName, FormatSettingsDate(fileTime));
    bottom = std::max(bottom, static_cast<int>(area.top) + DrawTextA(target, settingsLine, -1, &area, TextFlags));
    OffsetRect(&area, 0, 48);
    area.bottom = ScreenHeight;
    if (Settings.SettingsComments) {
        bottom = std::max(bottom, static_cast<int>(area.top) + DrawTextA(target, Settings.SettingsComments, -1, &area, TextFlags));
    }
    return std::min(bottom, static_cast<int>(ScreenHeight));
}

// The first paint draws what the window shows straight onto it: gradient,
// title, caption line and texts, the texts left of the banner strip, whose
// columns keep the plain gradient for the reveal to uncover. EndPaint puts
// it on the screen; the off-screen surfaces are composed after.
void DrawFirstScreen()
{
    RECT band;
    DrawGradient(WindowDC, &band);
    DrawTitle(WindowDC);
    DrawCaptionLine(WindowDC);
    SaveDC(WindowDC);
    ExcludeClipRect(WindowDC, ScreenWidth - BannerStripOffset, 0, ScreenWidth, ScreenHeight);
    DrawTexts(WindowDC);
    RestoreDC(WindowDC, -1);
}

// Background and frame, for the reveal and every later paint.
void ComposeSurfaces()
{
    RECT band;
    ComposeBackground(&band);
    BitBlt(FrameBuffer, 0, 0, ScreenWidth + 3, ScreenHeight, BackgroundBuffer, 0, 0, SRCCOPY);
    FrameTextBottom = DrawTexts(FrameBuffer);
}

void ShowFramePart(int left, int top, int right, int bottom)
{
    BitBlt(WindowDC, left, top, right - left, bottom - top, FrameBuffer, left, top, SRCCOPY);
}

// A full paint after the first: the background back under the last texts,
// the new texts, and on the screen the frame wherever the window differs
// from it: the rows of the old and the new texts and what the window asked
// to have repaired; the one-pixel border, when the system has drawn it anew;
// once, the strip's columns below the strip, where the vertical name runs
// on and the reveal does not uncover it. (Each copy widens the part of the
// window that goes to the screen at EndPaint: only what differs is copied.)
void RecomposeFrame(const RECT& damage)
{
    BitBlt(FrameBuffer, 0, TextTop, ScreenWidth, FrameTextBottom - TextTop, BackgroundBuffer, 0, TextTop, SRCCOPY);
    const int oldBottom = FrameTextBottom;
    FrameTextBottom = DrawTexts(FrameBuffer);
    RECT changed = {0, TextTop, ScreenWidth, std::max(oldBottom, FrameTextBottom)};
    if (!IsRectEmpty(&damage)) {
        // Widened by a pixel, as a repair paint copies it.
        RECT repair = {damage.left, damage.top, damage.right + 1, damage.bottom + 1};
        UnionRect(&changed, &changed, &repair);
    }
    ShowFramePart(changed.left, changed.top, changed.right, changed.bottom);
    if (BorderDrawn) {
        ShowFramePart(0, 0, ScreenWidth, 1);
        ShowFramePart(0, ScreenHeight - 1, ScreenWidth, ScreenHeight);
        ShowFramePart(0, 0, 1, ScreenHeight);
        ShowFramePart(ScreenWidth - 1, 0, ScreenWidth, ScreenHeight);
        BorderDrawn = false;
    }
    if (!NameEndShown) {
        const int stripLeft = ScreenWidth - BannerStripOffset;
        ShowFramePart(stripLeft, BannerStripHeight, stripLeft + BannerStripWidth, ScreenHeight);
        NameEndShown = true;
    }
}

}  // namespace

void NoteBorderDrawn()
{
    BorderDrawn = true;
}

void PaintResults(bool fullRender)
{
    PAINTSTRUCT paint;
    BeginPaint(MainWindowHandle, &paint);
    const RECT& damage = paint.rcPaint;
    if (FirstPaint) {
        KeepButtonsOutOfWindowDC();
        DrawFirstScreen();
    } else if (fullRender) {
        RecomposeFrame(damage);
    } else {
        BitBlt(WindowDC, damage.left, damage.top, damage.right - damage.left + 1, damage.bottom - damage.top + 1,
               FrameBuffer, damage.left, damage.top, SRCCOPY);
    }
    EndPaint(MainWindowHandle, &paint);

    if (FirstPaint) {
        ComposeSurfaces();
        NameEndShown = false;
        StartBannerReveal();
        FirstPaint = false;
    }
    // The focus never rests on the window itself (its WM_SETFOCUS hands it
    // on to the focused button), so a paint has none to hand on.
}
