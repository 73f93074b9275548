// The main window's drawing surfaces: the palette of blue shades, when it
// is rebuilt, the repair paint's copy from FrameBuffer to the screen, the
// banner strip after the reveal, and where the result columns stand.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "display/display_surfaces.h"
#include "display/results_screen.h"
#include "files/settings_image.h"
#include "model/settings_record.h"
#include "tests/app/program_window_fixture.h"

namespace {

// The palette and its flag around each WM_SETFOCUS of the main window.
struct FocusVisit {
    HPALETTE paletteBefore;
    bool staleBefore;
    HPALETTE paletteAfter;
    bool staleAfter;
};
std::vector<FocusVisit> FocusVisits;
HHOOK BeforeHook = nullptr;
HHOOK AfterHook = nullptr;

LRESULT CALLBACK BeforeWindowProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_SETFOCUS && sent->hwnd == MainWindowHandle) {
        FocusVisits.push_back({BackgroundPalette, PaletteStale, nullptr, false});
    }
    return CallNextHookEx(BeforeHook, code, wParam, lParam);
}

LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_SETFOCUS && sent->hwnd == MainWindowHandle && !FocusVisits.empty()) {
        FocusVisits.back().paletteAfter = BackgroundPalette;
        FocusVisits.back().staleAfter = PaletteStale;
    }
    return CallNextHookEx(AfterHook, code, wParam, lParam);
}

bool IsLivePalette(HPALETTE palette)
{
    return palette != nullptr && GetObjectType(palette) == OBJ_PAL;
}

// The palette is the one in use by all three contexts.
void ExpectSelectedEverywhere(HPALETTE palette)
{
    EXPECT_EQ(GetCurrentObject(WindowDC, OBJ_PAL), palette);
    EXPECT_EQ(GetCurrentObject(BackgroundBuffer, OBJ_PAL), palette);
    EXPECT_EQ(GetCurrentObject(FrameBuffer, OBJ_PAL), palette);
}

COLORREF PatternColour(int x, int y)
{
    return RGB(4 * x + 3, 4 * y + 1, 200 - x - y);
}

const COLORREF Untouched = RGB(17, 240, 33);

}  // namespace

class DisplaySurfaces : public ProgramWindowTest {
protected:
    void TearDown() override
    {
        if (BeforeHook) UnhookWindowsHookEx(BeforeHook);
        if (AfterHook) UnhookWindowsHookEx(AfterHook);
        BeforeHook = AfterHook = nullptr;
        ProgramWindowTest::TearDown();
    }
};

TEST_F(DisplaySurfaces, PaletteHolds222ShadesOfBlue)
{
    WriteWorkingFile();
    StartProgram();
    const LOGPALETTE* block = BackgroundPaletteBlock();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->palVersion, 0x300);
    ASSERT_EQ(block->palNumEntries, 222);
    ASSERT_EQ(PaletteSize, 222);
    PALETTEENTRY created[256] = {};
    ASSERT_EQ(GetPaletteEntries(BackgroundPalette, 0, 256, created), 222u);
    for (int i = 0; i < PaletteSize; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const PALETTEENTRY& entry = block->palPalEntry[i];
        EXPECT_EQ(entry.peRed, 0);
        EXPECT_EQ(entry.peGreen, 0);
        EXPECT_EQ(entry.peBlue, 222 - i);
        EXPECT_EQ(entry.peFlags, PC_RESERVED);
        EXPECT_EQ(created[i].peBlue, entry.peBlue);
        EXPECT_EQ(created[i].peRed + created[i].peGreen, 0);
    }
    const struct {
        int index;
        int blue;
    } named[] = {{0, 222}, {100, 122}, {221, 1}};
    for (const auto& n : named) EXPECT_EQ(block->palPalEntry[n.index].peBlue, n.blue) << "entry " << n.index;
    ExpectSelectedEverywhere(BackgroundPalette);
}

TEST_F(DisplaySurfaces, PaletteIsRebuiltAtTheFirstFocusAndAfterEachChange)
{
    WriteWorkingFile();
    FocusVisits.clear();
    BeforeHook = SetWindowsHookExA(WH_CALLWNDPROC, BeforeWindowProc, nullptr, GetCurrentThreadId());
    AfterHook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProc, nullptr, GetCurrentThreadId());
    ASSERT_NE(BeforeHook, nullptr);
    ASSERT_NE(AfterHook, nullptr);
    StartProgram();

    // The window's first focus, at its activation.
    ASSERT_FALSE(FocusVisits.empty());
    const FocusVisit first = FocusVisits[0];
    EXPECT_TRUE(first.staleBefore);
    EXPECT_FALSE(first.staleAfter);
    EXPECT_NE(first.paletteAfter, first.paletteBefore);
    EXPECT_FALSE(IsLivePalette(first.paletteBefore)) << "the palette of the creation was not deleted";
    EXPECT_TRUE(IsLivePalette(first.paletteAfter));
    EXPECT_FALSE(PaletteStale);
    ExpectSelectedEverywhere(BackgroundPalette);

    // Not stale: the focus changes nothing.
    HPALETTE current = BackgroundPalette;
    FocusVisits.clear();
    SetFocus(MainWindowHandle);
    ASSERT_EQ(FocusVisits.size(), 1u);
    EXPECT_FALSE(FocusVisits[0].staleBefore);
    EXPECT_EQ(BackgroundPalette, current);
    EXPECT_TRUE(IsLivePalette(current));

    // A change by another window or by this one only marks it; the next
    // focus rebuilds it.
    HWND changers[] = {ButtonHandles[CommandHelp], MainWindowHandle};
    for (HWND changer : changers) {
        SCOPED_TRACE(changer == MainWindowHandle ? "changed by the window itself" : "changed by another window");
        SetFocus(ButtonHandles[CommandLoad]);
        current = BackgroundPalette;
        SendMessageA(MainWindowHandle, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(changer), 0);
        EXPECT_TRUE(PaletteStale);
        EXPECT_EQ(BackgroundPalette, current) << "rebuilt before the focus came";
        FocusVisits.clear();
        SetFocus(MainWindowHandle);
        ASSERT_EQ(FocusVisits.size(), 1u);
        EXPECT_TRUE(FocusVisits[0].staleBefore);
        EXPECT_FALSE(PaletteStale);
        EXPECT_NE(BackgroundPalette, current);
        EXPECT_FALSE(IsLivePalette(current));
        EXPECT_TRUE(IsLivePalette(BackgroundPalette));
        ExpectSelectedEverywhere(BackgroundPalette);
        EXPECT_EQ(GetPaletteEntries(BackgroundPalette, 0, 0, nullptr), 222u);
    }
}

// A repair paint copies the damaged rectangle, one pixel wider and taller,
// from FrameBuffer to the same place on the window, and nothing else.
TEST_F(DisplaySurfaces, RepairPaintCopiesTheDamageWidenedByOnePixel)
{
    WriteWorkingFile();
    StartProgram();
    ASSERT_FALSE(FirstPaint);
    const RECT probe = {0, 0, 50, 60};
    HBRUSH brush = CreateSolidBrush(Untouched);
    FillRect(WindowDC, &probe, brush);
    DeleteObject(brush);
    for (int y = probe.top; y < probe.bottom; ++y) {
        for (int x = probe.left; x < probe.right; ++x) SetPixel(FrameBuffer, x, y, PatternColour(x, y));
    }
    GdiFlush();

    const struct {
        RECT damage;
    } cases[] = {
        {{10, 20, 30, 40}},
        {{3, 5, 4, 6}},
        {{25, 1, 45, 50}},
    };
    for (const auto& c : cases) {
        const RECT& d = c.damage;
        SCOPED_TRACE("damage (" + std::to_string(d.left) + ", " + std::to_string(d.top) + ")-(" +
                     std::to_string(d.right) + ", " + std::to_string(d.bottom) + ")");
        brush = CreateSolidBrush(Untouched);
        FillRect(WindowDC, &probe, brush);
        DeleteObject(brush);
        InvalidateRect(MainWindowHandle, &d, FALSE);
        UpdateWindow(MainWindowHandle);
        GdiFlush();
        int wrong = 0;
        for (int y = probe.top; y < probe.bottom; ++y) {
            for (int x = probe.left; x < probe.right; ++x) {
                bool copied = x >= d.left && x <= d.right && y >= d.top && y <= d.bottom;
                COLORREF expected = copied ? PatternColour(x, y) : Untouched;
                COLORREF got = GetPixel(WindowDC, x, y);
                if (got != expected && ++wrong <= 5) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << std::hex << got << " instead of "
                                  << expected << (copied ? " (copied)" : " (left alone)");
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Copies made by the reveal thread can be lost; when it ends, the banner
// strip is left for one ordinary repair paint on the window's own thread.
TEST_F(DisplaySurfaces, RevealEndsByLeavingTheBannerStripForARepairPaint)
{
    WriteWorkingFile();
    StartProgram();
    ASSERT_FALSE(FirstPaint);
    Sleep(300);  // the first paint's reveal: 41 ticks
    UpdateWindow(MainWindowHandle);
    ValidateRect(MainWindowHandle, nullptr);
    BannerReveal(nullptr);
    RECT invalid = {};
    ASSERT_TRUE(GetUpdateRect(MainWindowHandle, &invalid, FALSE));
    EXPECT_EQ(invalid.left, ScreenWidth - BannerStripOffset);
    EXPECT_EQ(invalid.top, 0);
    EXPECT_EQ(invalid.right, ScreenWidth - BannerStripOffset + BannerStripWidth);
    EXPECT_EQ(invalid.bottom, BannerStripHeight);
}

namespace {

bool IsTextPixel(int x, int y)
{
    return GetPixel(FrameBuffer, x, y) == RGB(255, 255, 255);
}

// The rightmost (or leftmost) text pixel in columns [from, to) of the rows
// [top, bottom); -1 when there is none.
int TextEdge(int from, int to, int top, int bottom, bool rightmost)
{
    for (int i = 0; i < to - from; ++i) {
        int x = rightmost ? to - 1 - i : from + i;
        for (int y = top; y < bottom; ++y) {
            if (IsTextPixel(x, y)) return x;
        }
    }
    return -1;
}

}  // namespace

// Wine's fixed system font is 16 high, so a real run always takes the wide
// layout: both are painted here on purpose. A value ends at the column edge
// (415, or 495 with the large font), its unit starts 379 (459) right of the
// margin; the comments begin two lines below the settings line.
TEST_F(DisplaySurfaces, ResultColumnsOfTheNarrowAndTheWideLayout)
{
    WriteWorkingFile();
    StartProgram();
    FreeText(Settings.SettingsComments);
    Settings.SettingsComments = DuplicateText("Comments");
    const int margin = ScreenWidth / 22 + 6;
    for (bool large : {false, true}) {
        SCOPED_TRACE(large ? "large system font" : "small system font");
        LargeSystemFont = large;
        PaintResults(true);
        GdiFlush();
        const int edge = 415 + (large ? 80 : 0);
        const int unitStart = margin + 379 + (large ? 80 : 0);
        const int line2 = 130 + 16;  // a distance: value and "ly"
        int valueRight = TextEdge(margin, unitStart, line2, line2 + 16, true);
        int unitLeft = TextEdge(edge, ScreenWidth / 2 + 200, line2, line2 + 16, false);
        EXPECT_LT(valueRight, edge);
        EXPECT_GE(valueRight, edge - 3);
        EXPECT_GE(unitLeft, unitStart);
        EXPECT_LE(unitLeft, unitStart + 2);

        const int comments = 130 + 5 * 16 + 32 + 48;
        EXPECT_EQ(TextEdge(margin, edge, comments - 24, comments, false), -1) << "a gap above the comments";
        int commentsLeft = TextEdge(margin, edge, comments, comments + 16, false);
        EXPECT_GE(commentsLeft, margin);
        EXPECT_LE(commentsLeft, margin + 2);
    }
}
