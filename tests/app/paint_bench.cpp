// paint_bench: how fast the results screen paints in the real main window,
// and how long a program takes from its start until its first paint is on
// the screen. Runs under Wine on an X display (cmake/run-bench.sh).
//
//   paint_bench paint [REPETITIONS]
//       In a directory holding Internal.hvd: opens the main window as the
//       program does, lets the first paint and the banner reveal finish,
//       then times REPETITIONS (default 300) calls of each: a full paint,
//       a repair paint of a 64 x 32 rectangle, and one full-screen copy
//       from FrameBuffer to WindowDC. Prints "NAME MICROSECONDS_PER_CALL".
//   paint_bench startup halvdyne|notepad COMMAND_LINE [RUNS]
//       Starts the command RUNS times (default 5, after one start that is
//       not counted) and times each start from CreateProcess until its
//       first paint can be read back from the screen:
//         halvdyne  white text in the results area of its window
//         notepad   the edit area's centre in the window colour, the status
//                   bar in the face colour and the caption drawn
//       then closes the window with WM_CLOSE. Prints
//       "startup_ms MIN MEDIAN MAX" and one "run_ms" line per start.
//
// Exit status: 0 done, 1 a start or a measurement failed, 2 bad arguments.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "display/display_surfaces.h"
#include "display/result_text.h"
#include "display/results_screen.h"
#include "model/extended_math.h"

namespace {

LARGE_INTEGER Frequency;

double Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

// Handles what is queued, for up to the given time.
void PumpMessages(double seconds)
{
    const double end = Now() + seconds;
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(1);
    } while (Now() < end);
}

// --- paint timings -----------------------------------------------------------

template <typename Operation>
double MicrosecondsPerCall(int repetitions, Operation operation)
{
    // The best of three rounds: the others have been disturbed.
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        double total = 0;
        for (int i = 0; i < repetitions; ++i) total += operation();
        GdiFlush();
        double perCall = total / repetitions * 1e6;
        if (round == 0 || perCall < best) best = perCall;
        PumpMessages(0.05);
    }
    return best;
}

// The rows of the five result lines and the settings line.
const int TextRows = 5 * 16 + 32 + 16;

// The steps a paint is made of, each on its own in the same surfaces: where
// the time of a full and of a repair paint goes, and what the steps that
// paints no longer take (a whole new frame, the buttons invalidated and
// repainting after every paint, the focus asked for) cost.
void PartTimings(int repetitions)
{
    struct Part {
        const char* name;
        double (*operation)();
    } parts[] = {
        {"begin_end_paint", [] {
             RECT damage = {100, 300, 164, 332};
             InvalidateRect(MainWindowHandle, &damage, FALSE);
             double start = Now();
             PAINTSTRUCT paint;
             BeginPaint(MainWindowHandle, &paint);
             EndPaint(MainWindowHandle, &paint);
             return Now() - start;
         }},
        {"text_rows_restore", [] {
             double start = Now();
             BitBlt(FrameBuffer, 0, 130, ScreenWidth, TextRows, BackgroundBuffer, 0, 130, SRCCOPY);
             return Now() - start;
         }},
        {"text_rows_copy", [] {
             double start = Now();
             BitBlt(WindowDC, 0, 130, ScreenWidth, TextRows, FrameBuffer, 0, 130, SRCCOPY);
             return Now() - start;
         }},
        {"background_to_frame", [] {
             double start = Now();
             BitBlt(FrameBuffer, 0, 0, ScreenWidth + 3, ScreenHeight, BackgroundBuffer, 0, 0, SRCCOPY);
             return Now() - start;
         }},
        {"result_texts", [] {
             double start = Now();
             SelectObject(FrameBuffer, GetStockObject(ANSI_VAR_FONT));
             SetTextColor(FrameBuffer, RGB(255, 255, 255));
             SetBkMode(FrameBuffer, TRANSPARENT);
             RECT area = {ScreenWidth / 22 + 6, 130, 0, ScreenHeight};
             DrawResultLines(FrameBuffer, &area);
             area.right = ScreenWidth;
             OffsetRect(&area, 0, 32);
             DrawTextA(FrameBuffer, "Current settings by Team A, Mar 07 1998.", -1, &area, DT_NOPREFIX | DT_WORDBREAK);
             return Now() - start;
         }},
        {"wm_paint_repair", [] {
             RECT damage = {100, 300, 164, 332};
             InvalidateRect(MainWindowHandle, &damage, FALSE);
             double start = Now();
             UpdateWindow(MainWindowHandle);
             return Now() - start;
         }},
        {"small_copy", [] {
             double start = Now();
             BitBlt(WindowDC, 100, 300, 65, 33, FrameBuffer, 100, 300, SRCCOPY);
             return Now() - start;
         }},
        {"invalidate_buttons", [] {
             double start = Now();
             for (int id = 1; id <= CommandCount; ++id) InvalidateRect(ButtonHandles[id], nullptr, FALSE);
             return Now() - start;
         }},
        {"get_focus", [] {
             double start = Now();
             GetFocus();
             return Now() - start;
         }},
        {"compose_background", [] {
             RECT area;
             double start = Now();
             ComposeBackground(&area);
             return Now() - start;
         }},
        {"repaint_buttons", [] {
             for (int id = 1; id <= CommandCount; ++id) InvalidateRect(ButtonHandles[id], nullptr, FALSE);
             double start = Now();
             for (int id = 1; id <= CommandCount; ++id) UpdateWindow(ButtonHandles[id]);
             return Now() - start;
         }},
    };
    for (const Part& part : parts) std::printf("part_%s_us %.1f\n", part.name, MicrosecondsPerCall(repetitions, part.operation));
}

int PaintTimings(int repetitions)
{
    if (!CreateMainWindow(GetModuleHandleA(nullptr))) {
        std::fprintf(stderr, "paint_bench: the main window did not open (Internal.hvd in the current directory?)\n");
        return 1;
    }
    // The first paint, then the reveal's few dozen milliseconds.
    const double deadline = Now() + 20;
    while (FirstPaint && Now() < deadline) PumpMessages(0.01);
    if (FirstPaint) {
        std::fprintf(stderr, "paint_bench: no first paint within 20 s\n");
        return 1;
    }
    PumpMessages(0.5);

    double full = MicrosecondsPerCall(repetitions, [] {
        double start = Now();
        PaintResults(true);
        return Now() - start;
    });
    double repair = MicrosecondsPerCall(repetitions, [] {
        RECT damage = {100, 300, 164, 332};
        InvalidateRect(MainWindowHandle, &damage, FALSE);
        double start = Now();
        PaintResults(false);
        return Now() - start;
    });
    double copy = MicrosecondsPerCall(repetitions, [] {
        double start = Now();
        BitBlt(WindowDC, 0, 0, ScreenWidth, ScreenHeight, FrameBuffer, 0, 0, SRCCOPY);
        return Now() - start;
    });
    std::printf("screen %dx%d\n", ScreenWidth, ScreenHeight);
    std::printf("full_paint_us %.1f\n", full);
    std::printf("repair_paint_us %.1f\n", repair);
    std::printf("frame_copy_us %.1f\n", copy);
    PartTimings(repetitions);

    DestroyWindow(MainWindowHandle);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

// --- start-up times ----------------------------------------------------------

enum class Kind { Halvdyne, Notepad };

struct Target {
    DWORD processId;
    const char* className;
    HWND window;
};

BOOL CALLBACK FindTarget(HWND window, LPARAM data)
{
    Target* target = reinterpret_cast<Target*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == target->processId && IsWindowVisible(window) && std::strcmp(className, target->className) == 0) {
        target->window = window;
        return FALSE;
    }
    return TRUE;
}

// The screen's pixels in a rectangle, read back as 0x00RRGGBB.
class ScreenGrab {
public:
    ScreenGrab() : screen_(GetDC(nullptr)), memory_(CreateCompatibleDC(screen_)) {}
    ~ScreenGrab()
    {
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
    }
    ScreenGrab(const ScreenGrab&) = delete;
    ScreenGrab& operator=(const ScreenGrab&) = delete;

    bool Read(const RECT& area, std::vector<DWORD>* pixels)
    {
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        if (width <= 0 || height <= 0) return false;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap) return false;
        HGDIOBJ previous = SelectObject(memory_, bitmap);
        bool read = BitBlt(memory_, 0, 0, width, height, screen_, area.left, area.top, SRCCOPY) != FALSE;
        GdiFlush();
        if (read) {
            const DWORD* source = static_cast<const DWORD*>(bits);
            pixels->assign(source, source + width * height);
            for (DWORD& p : *pixels) p &= 0xFFFFFF;
        }
        SelectObject(memory_, previous);
        DeleteObject(bitmap);
        return read;
    }

    DWORD Pixel(int x, int y)
    {
        RECT one = {x, y, x + 1, y + 1};
        std::vector<DWORD> pixel;
        return Read(one, &pixel) ? pixel[0] : 0xFF000000;
    }

private:
    HDC screen_;
    HDC memory_;
};

DWORD AsRgb(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

bool HalvdynePainted(HWND window, ScreenGrab* grab)
{
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int left = frame.left + width / 22 + 6;
    RECT results = {left, frame.top + 130, std::min<LONG>(frame.right, left + 500), frame.top + 210};
    std::vector<DWORD> pixels;
    if (!grab->Read(results, &pixels)) return false;
    return std::find(pixels.begin(), pixels.end(), 0xFFFFFFu) != pixels.end();
}

bool NotepadPainted(HWND window, ScreenGrab* grab)
{
    HWND edit = FindWindowExA(window, nullptr, "Edit", nullptr);
    if (!edit) return false;
    RECT frame, editArea, client;
    GetWindowRect(window, &frame);
    GetWindowRect(edit, &editArea);
    GetClientRect(window, &client);
    POINT clientBottom = {client.left + 8, client.bottom - 3};
    ClientToScreen(window, &clientBottom);
    DWORD editCentre = grab->Pixel((editArea.left + editArea.right) / 2, (editArea.top + editArea.bottom) / 2);
    DWORD statusBar = grab->Pixel(clientBottom.x, clientBottom.y);
    DWORD caption = grab->Pixel((frame.left + frame.right) / 2, frame.top + GetSystemMetrics(SM_CYFRAME) + 4);
    return editCentre == AsRgb(GetSysColor(COLOR_WINDOW)) && statusBar == AsRgb(GetSysColor(COLOR_BTNFACE)) && caption != 0;
}

// One start: milliseconds until the first paint is on the screen, or a
// negative number when it did not come within 30 seconds.
double TimeOneStart(Kind kind, const char* commandLine)
{
    std::vector<char> command(commandLine, commandLine + std::strlen(commandLine) + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = Now();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "paint_bench: cannot start %s (error %lu)\n", commandLine, GetLastError());
        return -1;
    }
    Target target = {process.dwProcessId, kind == Kind::Halvdyne ? "HalWnd" : "Notepad", nullptr};
    ScreenGrab grab;
    double elapsed = -1;
    while (Now() - start < 30) {
        if (!target.window) EnumWindows(FindTarget, reinterpret_cast<LPARAM>(&target));
        if (target.window) {
            bool painted = kind == Kind::Halvdyne ? HalvdynePainted(target.window, &grab) : NotepadPainted(target.window, &grab);
            if (painted) {
                elapsed = (Now() - start) * 1000;
                break;
            }
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;  // ended before it painted
        Sleep(1);
    }
    // Let the banner reveal run out, then close the window as a user would.
    Sleep(200);
    if (target.window) PostMessageA(target.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // The screen returns to what it was before the next start.
    Sleep(300);
    return elapsed;
}

int StartupTimes(Kind kind, const char* commandLine, int runs)
{
    if (TimeOneStart(kind, commandLine) < 0) return 1;  // warm-up, not counted
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double ms = TimeOneStart(kind, commandLine);
        if (ms < 0) {
            std::fprintf(stderr, "paint_bench: %s did not paint within 30 s\n", commandLine);
            return 1;
        }
        std::printf("run_ms %.1f\n", ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("startup_ms %.1f %.1f %.1f\n", times.front(), times[times.size() / 2], times.back());
    return 0;
}

int PositiveOr(const char* text, int fallback)
{
    int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

}  // namespace

int main(int argc, char** argv)
{
    SetExtendedPrecision();
    QueryPerformanceFrequency(&Frequency);
    int status = 2;
    if (argc >= 2 && std::strcmp(argv[1], "paint") == 0) {
        status = PaintTimings(PositiveOr(argc > 2 ? argv[2] : nullptr, 300));
    } else if (argc >= 4 && std::strcmp(argv[1], "startup") == 0 &&
               (std::strcmp(argv[2], "halvdyne") == 0 || std::strcmp(argv[2], "notepad") == 0)) {
        Kind kind = std::strcmp(argv[2], "halvdyne") == 0 ? Kind::Halvdyne : Kind::Notepad;
        status = StartupTimes(kind, argv[3], PositiveOr(argc > 4 ? argv[4] : nullptr, 5));
    } else {
        std::fprintf(stderr, "usage: paint_bench paint [REPETITIONS]\n"
                             "       paint_bench startup halvdyne|notepad COMMAND_LINE [RUNS]\n");
    }
    std::fflush(stdout);
    return status;
}
