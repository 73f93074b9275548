// The main window's drawing surfaces: the palette of blue shades, when it
// is rebuilt, the repair paint's copy from FrameBuffer to the screen, the
// banner strip after the reveal, and where the result columns stand, on
// this screen and on wider ones.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "display/display_surfaces.h"
#include "display/result_text.h"
#include "display/results_screen.h"
#include "files/settings_image.h"
#include "model/estimation.h"
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

namespace {

// A black canvas of the screen's width and the result lines' rows, whose
// pixels the test reads straight from memory.
class ResultCanvas {
public:
    ResultCanvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        SelectObject(dc_, GetStockObject(ANSI_VAR_FONT));
        SetTextColor(dc_, RGB(255, 255, 255));
        SetBkMode(dc_, TRANSPARENT);
    }
    ~ResultCanvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    void Clear()
    {
        GdiFlush();
        std::fill(bits_, bits_ + width_ * height_, 0u);
    }
    // Columns and rows of the ink in a band of rows: {-1, ...} when none.
    struct Ink {
        int left = -1, right = -1, top = -1, bottom = -1;
    };
    Ink InkIn(int top, int bottom) const
    {
        GdiFlush();
        Ink ink;
        for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y) {
            for (int x = 0; x < width_; ++x) {
                if ((bits_[y * width_ + x] & 0xFFFFFFu) == 0) continue;
                if (ink.left < 0 || x < ink.left) ink.left = x;
                if (x > ink.right) ink.right = x;
                if (ink.top < 0) ink.top = y;
                ink.bottom = y;
            }
        }
        return ink;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

const char* const NoTexts[ResultLineCount] = {"", "", "", "", ""};

// The five labels, or the five units.
std::vector<const char*> LineTexts(const char* (*text)(int))
{
    std::vector<const char*> texts;
    for (int line = 1; line <= ResultLineCount; ++line) texts.push_back(text(line));
    return texts;
}

}  // namespace

// On wide screens the margin grows while the value edge would not: the edge
// moves right just far enough that no label runs into its value or wraps,
// and the units follow their values closely. Painted label, value and unit
// apart, with the columns of the whole lines, to tell their pixels apart.
TEST_F(DisplaySurfaces, ResultColumnsKeepLabelsClearOfTheWidestValuesOnWideScreens)
{
    const std::vector<const char*> labels = LineTexts(ResultLabel);
    const std::vector<const char*> units = LineTexts(ResultUnit);
    // The widest each line can show: counts for lines 1, 3 and 5, distances
    // for 2 and 4.
    const struct {
        const char* name;
        const char* count;
        const char* distance;
    } widest[] = {
        {"19 digits", "9,220,000,000,000,000,000", "9223372036854775807"},
        {"negative", "-9,220,000,000,000,000,000", "-9223372036854775807"},
        {"power of ten", "more than 10^9999", "less than -10^9999"},
    };
    const int sizes[][2] = {{1280, 1024}, {1920, 1080}, {2560, 1440}, {3840, 2160}};
    const int top = 130;
    for (const auto& size : sizes) {
        ScreenWidth = static_cast<std::int16_t>(size[0]);
        ScreenHeight = static_cast<std::int16_t>(size[1]);
        const int margin = ScreenWidth / 22 + 6;
        ResultCanvas canvas(ScreenWidth, top + 6 * 16);
        for (bool large : {false, true}) {
            LargeSystemFont = large;
            for (const auto& w : widest) {
                SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]) + (large ? ", wide" : ", narrow") +
                             " layout, " + w.name);
                const char* values[ResultLineCount] = {w.count, w.distance, w.count, w.distance, w.count};
                const ResultColumns columns = PlaceResultColumns(canvas.dc(), margin, labels.data(), values);
                // One kind of text at a time, with the same columns.
                auto paint = [&](const char* const* l, const char* const* v, const char* const* u) {
                    canvas.Clear();
                    RECT area = {margin, top, 0, top + 6 * 16};
                    for (int i = 0; i < ResultLineCount; ++i) DrawResultLine(&area, canvas.dc(), columns, l[i], v[i], u[i]);
                };
                std::vector<ResultCanvas::Ink> label, value, unit;
                paint(labels.data(), NoTexts, NoTexts);
                for (int i = 0; i < ResultLineCount; ++i) label.push_back(canvas.InkIn(top + 16 * i, top + 16 * (i + 1)));
                ResultCanvas::Ink allLabels = canvas.InkIn(0, top + 6 * 16);
                paint(NoTexts, values, NoTexts);
                for (int i = 0; i < ResultLineCount; ++i) value.push_back(canvas.InkIn(top + 16 * i, top + 16 * (i + 1)));
                paint(NoTexts, NoTexts, units.data());
                for (int i = 0; i < ResultLineCount; ++i) unit.push_back(canvas.InkIn(top + 16 * i, top + 16 * (i + 1)));

                EXPECT_EQ(allLabels.bottom, label[4].bottom) << "a label wrapped below its line";
                for (int i = 0; i < ResultLineCount; ++i) {
                    SCOPED_TRACE("line " + std::to_string(i + 1));
                    ASSERT_GE(label[i].left, margin);
                    ASSERT_GE(value[i].left, 0);
                    EXPECT_LT(label[i].right + 1, value[i].left) << "the label touches its value";
                    EXPECT_LE(label[i].bottom, label[i].top + 15) << "the label is not on one line";
                    EXPECT_LE(value[0].right - value[i].right, 2) << "the values do not share their right edge";
                    EXPECT_LE(value[i].right - value[0].right, 2) << "the values do not share their right edge";
                    if (units[i][0] == '\0') {
                        EXPECT_EQ(unit[i].left, -1);
                        continue;
                    }
                    EXPECT_GT(unit[i].left, value[i].right + 1) << "the unit is not after its value";
                    EXPECT_LE(unit[i].left, value[i].right + 20) << "the unit is far behind its value";
                }
            }
        }
    }
}

// Where the fixed columns leave room, on the 640 and 1024 pixel screens with
// the shipped defaults and the worked example, they stay where they were.
TEST_F(DisplaySurfaces, ResultColumnsStayFixedWhereTheyLeaveRoom)
{
    const std::vector<unsigned char> defaults = ReadBytes(std::string(previousDirectory_) + "\\Internal.hvd");
    ASSERT_FALSE(defaults.empty()) << "the build's Internal.hvd beside the tests";
    const std::vector<const char*> labels = LineTexts(ResultLabel);
    for (bool workedExample : {false, true}) {
        if (workedExample) {
            FillExampleSettings();
        } else {
            ASSERT_EQ(LoadSettingsImage(defaults.data(), defaults.size()), ImageStatus::Complete);
        }
        ComputeResults();
        std::string texts[ResultLineCount];
        const char* values[ResultLineCount];
        for (int i = 0; i < ResultLineCount; ++i) {
            texts[i] = ResultValueText(i + 1);
            values[i] = texts[i].c_str();
        }
        for (int width : {640, 1024}) {
            ResultCanvas canvas(width, 16);
            const int margin = width / 22 + 6;
            for (bool large : {false, true}) {
                SCOPED_TRACE(std::string(workedExample ? "worked example" : "defaults") + ", " + std::to_string(width) +
                             (large ? ", wide" : ", narrow") + " layout");
                LargeSystemFont = large;
                const ResultColumns columns = PlaceResultColumns(canvas.dc(), margin, labels.data(), values);
                EXPECT_EQ(columns.valueEdge, large ? 495 : 415);
                EXPECT_EQ(columns.unitLeft, margin + (large ? 459 : 379));
            }
        }
    }
}
