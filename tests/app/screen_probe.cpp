// screen_probe: what the screen tests need to know from the Windows side
// that the pixels alone do not tell. A console program, run under Wine on
// the test's display beside the program under test.
//
//   screen_probe fixed-font-height   lfHeight of the stock SYSTEM_FIXED_FONT
//   screen_probe text-mask TEXT      TEXT in the stock ANSI_VAR_FONT, white on
//                                    black: a line "WIDTH HEIGHT", then HEIGHT
//                                    rows of WIDTH characters, '#' for white
//   screen_probe window-text CAPTION the top-level window with this caption:
//                                    "class: NAME" and "text: TEXT" (the text
//                                    of its message-box static, id 0xFFFF)
//   screen_probe count-class NAME    how many top-level windows have this class
//   screen_probe choose-file CAPTION NAME   in the open file dialog with this
//                                    caption: NAME as the file name, then Open
//   screen_probe cover X Y W H       a red window over that rectangle of the
//                                    screen for half a second, never active:
//                                    the windows below repair what it hid
//   screen_probe focus-state         where the keys go, for the program whose
//                                    main window (class HalWnd) is up, as
//                                    shell words: ours=1 when the foreground
//                                    window is the program's own, desktop=1
//                                    when it is the desktop (nobody's),
//                                    help=1 when it is HTML Help's viewer,
//                                    focus= and active= the program thread's
//                                    windows, windows= its visible, enabled
//                                    top-level windows (the viewer's not)
//   screen_probe activate            brings the program's topmost visible,
//                                    enabled window (not the viewer's) to the
//                                    foreground, as Windows does when another
//                                    program's last window closes
//
// Exit status: 0 done, 1 no such window, 2 bad arguments or a GDI failure,
// 3 a crash (said on standard error; Wine's debugger would end the
// process with 0).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int FixedFontHeight()
{
    LOGFONTA font = {};
    if (GetObjectA(GetStockObject(SYSTEM_FIXED_FONT), sizeof font, &font) == 0) return 2;
    std::printf("%ld\n", static_cast<long>(font.lfHeight));
    return 0;
}

int TextMask(const char* text)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previousFont = SelectObject(memory, GetStockObject(ANSI_VAR_FONT));
    SIZE extent = {};
    TEXTMETRICA metrics = {};
    int length = static_cast<int>(std::strlen(text));
    // Each step that can fail says so: the test then reports why there is
    // no rendering.
    if (!memory || !GetTextExtentPoint32A(memory, text, length, &extent) || !GetTextMetricsA(memory, &metrics)) {
        std::fprintf(stderr, "screen_probe: no metrics of '%s' (screen DC %p, memory DC %p, error %lu)\n", text,
                     static_cast<void*>(screen), static_cast<void*>(memory), GetLastError());
    }
    const int width = extent.cx;
    const int height = metrics.tmHeight;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = width > 0 ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    int status = 2;
    if (!bitmap && width > 0) std::fprintf(stderr, "screen_probe: no %dx%d bitmap (error %lu)\n", width, height, GetLastError());
    if (bitmap) {
        HGDIOBJ previousBitmap = SelectObject(memory, bitmap);
        RECT all = {0, 0, width, height};
        FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, RGB(255, 255, 255));
        TextOutA(memory, 0, 0, text, length);
        GdiFlush();
        std::printf("%d %d\n", width, height);
        const DWORD* pixels = static_cast<const DWORD*>(bits);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) std::putchar((pixels[y * width + x] & 0xFFFFFF) == 0xFFFFFF ? '#' : '.');
            std::putchar('\n');
        }
        SelectObject(memory, previousBitmap);
        DeleteObject(bitmap);
        status = 0;
    }
    SelectObject(memory, previousFont);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return status;
}

int WindowText(const char* caption)
{
    HWND window = FindWindowA(nullptr, caption);
    if (window == nullptr) return 1;
    char className[256] = {};
    char text[1024] = {};
    GetClassNameA(window, className, sizeof className);
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    std::printf("class: %s\ntext: %s\n", className, text);
    return 0;
}

struct ClassCount {
    const char* name;
    int count;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM data)
{
    ClassCount* wanted = reinterpret_cast<ClassCount*>(data);
    char className[256] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, wanted->name) == 0) ++wanted->count;
    return TRUE;
}

int CountClass(const char* name)
{
    ClassCount wanted = {name, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&wanted));
    std::printf("%d\n", wanted.count);
    return 0;
}

// The name goes into the Explorer-style dialog's file name box (cmb13, or
// edt1 in older layouts) and its Open button is clicked: no key can go
// astray on a busy machine.
int ChooseFile(const char* caption, const char* name)
{
    HWND dialog = FindWindowA("#32770", caption);
    if (!dialog) return 1;
    HWND box = GetDlgItem(dialog, 0x47C);
    if (!box) box = GetDlgItem(dialog, 0x480);
    HWND open = GetDlgItem(dialog, IDOK);
    if (!box || !open) return 1;
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    PostMessageA(open, BM_CLICK, 0, 0);
    return 0;
}

LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) {
        RECT area;
        GetClientRect(window, &area);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(reinterpret_cast<HDC>(wParam), &area, red);
        DeleteObject(red);
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
}

int Cover(int x, int y, int width, int height)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CoverProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ScreenProbeCover";
    RegisterClassA(&windowClass);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, "ScreenProbeCover", "", WS_POPUP, x, y, width,
                                 height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!cover) return 2;
    ShowWindow(cover, SW_SHOWNOACTIVATE);
    UpdateWindow(cover);
    Pump(500);
    DestroyWindow(cover);
    Pump(200);
    return 0;
}

// The program's visible, enabled top-level windows, topmost first.
struct ProgramWindows {
    DWORD processId;
    HWND list[64];
    int count;
};

// HTML Help's window: the system's viewer, though it runs in the program.
bool IsHelpWindow(HWND window)
{
    char className[64] = "";
    GetClassNameA(GetAncestor(window, GA_ROOT), className, sizeof className);
    return std::strcmp(className, "HH Parent") == 0;
}

BOOL CALLBACK CollectProgramWindow(HWND window, LPARAM data)
{
    ProgramWindows* windows = reinterpret_cast<ProgramWindows*>(data);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == windows->processId && IsWindowVisible(window) && IsWindowEnabled(window) && !IsHelpWindow(window) &&
        windows->count < 64) {
        windows->list[windows->count++] = window;
    }
    return TRUE;
}

bool FindProgramWindows(ProgramWindows* windows, DWORD* threadId)
{
    HWND main = FindWindowA("HalWnd", nullptr);
    if (!main) return false;
    windows->processId = 0;
    windows->count = 0;
    *threadId = GetWindowThreadProcessId(main, &windows->processId);
    EnumWindows(CollectProgramWindow, reinterpret_cast<LPARAM>(windows));
    return true;
}

int FocusState()
{
    ProgramWindows windows;
    DWORD threadId = 0;
    if (!FindProgramWindows(&windows, &threadId)) return 1;
    HWND foreground = GetForegroundWindow();
    DWORD foregroundProcess = 0;
    if (foreground) GetWindowThreadProcessId(foreground, &foregroundProcess);
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(threadId, &thread);
    const bool help = foreground && IsHelpWindow(foreground);
    std::printf("ours=%d desktop=%d help=%d focus=%p active=%p windows=%d\n",
                foreground && foregroundProcess == windows.processId && !help, !foreground || foreground == GetDesktopWindow(),
                help, static_cast<void*>(thread.hwndFocus), static_cast<void*>(thread.hwndActive), windows.count);
    return 0;
}

int Activate()
{
    ProgramWindows windows;
    DWORD threadId = 0;
    if (!FindProgramWindows(&windows, &threadId) || windows.count == 0) return 1;
    return SetForegroundWindow(windows.list[0]) ? 0 : 1;
}

// A crash ends the probe with status 3 and says where, so that the test
// reports it rather than an empty answer.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    std::fprintf(stderr, "screen_probe: exception 0x%08lX at %p\n", static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    int status = 2;
    if (argc == 2 && std::strcmp(argv[1], "fixed-font-height") == 0) {
        status = FixedFontHeight();
    } else if (argc == 3 && std::strcmp(argv[1], "text-mask") == 0) {
        status = TextMask(argv[2]);
    } else if (argc == 3 && std::strcmp(argv[1], "window-text") == 0) {
        status = WindowText(argv[2]);
    } else if (argc == 3 && std::strcmp(argv[1], "count-class") == 0) {
        status = CountClass(argv[2]);
    } else if (argc == 4 && std::strcmp(argv[1], "choose-file") == 0) {
        status = ChooseFile(argv[2], argv[3]);
    } else if (argc == 6 && std::strcmp(argv[1], "cover") == 0) {
        status = Cover(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    } else if (argc == 2 && std::strcmp(argv[1], "focus-state") == 0) {
        status = FocusState();
    } else if (argc == 2 && std::strcmp(argv[1], "activate") == 0) {
        status = Activate();
    } else {
        std::fprintf(stderr, "usage: screen_probe fixed-font-height | text-mask TEXT | window-text CAPTION | count-class NAME | "
                             "choose-file CAPTION NAME | cover X Y W H | focus-state | activate\n");
    }
    std::fflush(stdout);
    return status;
}
