// help_probe: drives and reads the help viewers for the help tests. A
// console program, run under Wine on the test's display.
//
//   help_probe show FILE.hlp N   WinHelpA(HELP_CONTEXT, N) like the program's
//                                ShowHelp, then the viewer's report
//   help_probe read              the report of the viewer on show
//   help_probe quit FILE.hlp     WinHelpA(HELP_QUIT); waits for the viewer to go
//   help_probe count             how many viewer windows exist (class MS_WINHELP)
//   help_probe link TEXT         screen position "X Y" inside the first
//                                character of TEXT on the viewer's page
//   help_probe button TEXT [CAPTION]
//                                screen position "X Y" of the middle of the
//                                button labelled TEXT ('&' ignored) in the
//                                viewer, or in the top-level window CAPTION
//   help_probe contents CAPTION  waits for a visible top-level window CAPTION
//                                (an HTML Help window, in another process),
//                                then prints "caption: TEXT" and
//                                "topic: TEXT" for each entry of its
//                                contents tree, depth first
//
// The report: "caption: TEXT", then "page: LINE" for every line of the page
// (the viewer's rich edit control).
//
// Exit status: 0 done, 1 no viewer (or it did not go), 2 bad arguments,
// 3 a crash (said on standard error; Wine's debugger would end the
// process with 0).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char ViewerClass[] = "MS_WINHELP";
const DWORD WaitMilliseconds = 15000;

HWND FindViewer()
{
    HWND found = nullptr;
    for (HWND window = FindWindowExA(nullptr, nullptr, ViewerClass, nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, ViewerClass, nullptr)) {
        if (IsWindowVisible(window)) return window;
        if (found == nullptr) found = window;
    }
    return found;
}

BOOL CALLBACK FindPageControl(HWND child, LPARAM result)
{
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    if (_strnicmp(name, "RichEdit", 8) == 0) {
        *reinterpret_cast<HWND*>(result) = child;
        return FALSE;
    }
    return TRUE;
}

HWND PageControl(HWND viewer)
{
    HWND page = nullptr;
    EnumChildWindows(viewer, FindPageControl, reinterpret_cast<LPARAM>(&page));
    return page;
}

std::string WindowText(HWND window)
{
    LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

// A visible viewer with a page that holds text, or null after the wait.
HWND WaitForViewerPage()
{
    DWORD start = GetTickCount();
    do {
        HWND viewer = FindViewer();
        HWND page = viewer ? PageControl(viewer) : nullptr;
        if (viewer && IsWindowVisible(viewer) && page && SendMessageA(page, WM_GETTEXTLENGTH, 0, 0) > 0) return viewer;
        Sleep(50);
    } while (GetTickCount() - start < WaitMilliseconds);
    return nullptr;
}

int Report(HWND viewer)
{
    if (viewer == nullptr) {
        std::printf("no viewer\n");
        return 1;
    }
    char caption[256] = "";
    GetWindowTextA(viewer, caption, sizeof caption);
    std::printf("caption: %s\n", caption);
    HWND page = PageControl(viewer);
    std::string text = page ? WindowText(page) : "";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n\v", start);
        if (end == std::string::npos) end = text.size();
        std::printf("page: %s\n", text.substr(start, end - start).c_str());
        start = end;
        if (start < text.size() && text[start] == '\v') {
            ++start;
            continue;
        }
        if (start < text.size() && text[start] == '\r') ++start;
        if (start < text.size() && text[start] == '\n') ++start;
    }
    return 0;
}

// The caller's side: a hidden top-level window, as the program's main
// window is the owner of its help.
HWND OwnerWindow()
{
    return CreateWindowExA(0, "STATIC", "help_probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

int Show(const char* file, const char* number)
{
    char* end = nullptr;
    unsigned long context = std::strtoul(number, &end, 10);
    if (*number == '\0' || *end != '\0') return 2;
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) {  // the viewer would ask, and block us
        std::printf("no such file: %s\n", file);
        return 2;
    }
    if (!WinHelpA(OwnerWindow(), file, HELP_CONTEXT, context)) {
        std::printf("WinHelpA failed\n");
        return 1;
    }
    return Report(WaitForViewerPage());
}

int Quit(const char* file)
{
    WinHelpA(OwnerWindow(), file, HELP_QUIT, 0);
    DWORD start = GetTickCount();
    while (FindWindowA(ViewerClass, nullptr) != nullptr) {
        if (GetTickCount() - start > WaitMilliseconds) {
            std::printf("the viewer is still there\n");
            return 1;
        }
        Sleep(50);
    }
    return 0;
}

int Count()
{
    int count = 0;
    for (HWND window = FindWindowExA(nullptr, nullptr, ViewerClass, nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, ViewerClass, nullptr)) {
        ++count;
    }
    std::printf("%d\n", count);
    return 0;
}

// The rich edit control counts a paragraph end as one character, while
// its window text holds "\r\n".
int LinkPosition(const char* wanted)
{
    HWND viewer = WaitForViewerPage();
    HWND page = viewer ? PageControl(viewer) : nullptr;
    if (page == nullptr) return 1;
    std::string text = WindowText(page);
    std::size_t at = text.find(wanted);
    if (at == std::string::npos) {
        std::printf("not on the page: %s\n", wanted);
        return 1;
    }
    LONG index = 0;
    for (std::size_t i = 0; i < at; ++i) {
        if (text[i] == '\r' && i + 1 < at && text[i + 1] == '\n') ++i;
        ++index;
    }
    // Scrolled into view first: links far down the page lie below the window.
    SendMessageA(page, EM_SETSEL, static_cast<WPARAM>(index), static_cast<LPARAM>(index));
    SendMessageA(page, EM_SCROLLCARET, 0, 0);
    LRESULT packed = SendMessageA(page, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
    POINT point = {static_cast<short>(LOWORD(packed)) + 3, static_cast<short>(HIWORD(packed)) + 5};
    ClientToScreen(page, &point);
    std::printf("%ld %ld\n", static_cast<long>(point.x), static_cast<long>(point.y));
    return 0;
}

struct ButtonSearch {
    const char* label;
    HWND found;
};

BOOL CALLBACK FindButton(HWND child, LPARAM data)
{
    ButtonSearch* search = reinterpret_cast<ButtonSearch*>(data);
    char name[64] = "";
    char text[64] = "";
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    std::string label;
    for (const char* c = text; *c; ++c) {
        if (*c != '&') label += *c;
    }
    if (_stricmp(name, "Button") == 0 && label == search->label && IsWindowVisible(child)) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

int ButtonPosition(const char* label, const char* caption)
{
    HWND window = caption ? FindWindowA(nullptr, caption) : WaitForViewerPage();
    if (window == nullptr) return 1;
    ButtonSearch search = {label, nullptr};
    EnumChildWindows(window, FindButton, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        std::printf("no button: %s\n", label);
        return 1;
    }
    RECT box;
    GetWindowRect(search.found, &box);
    std::printf("%ld %ld\n", static_cast<long>((box.left + box.right) / 2), static_cast<long>((box.top + box.bottom) / 2));
    return 0;
}

BOOL CALLBACK FindTree(HWND child, LPARAM result)
{
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, WC_TREEVIEWA) == 0) {
        *reinterpret_cast<HWND*>(result) = child;
        return FALSE;
    }
    return TRUE;
}

// The tree lives in the other process: the item and its text are read
// through memory allocated there.
int Contents(const char* caption)
{
    HWND window = nullptr;
    HWND tree = nullptr;
    DWORD start = GetTickCount();
    do {
        window = FindWindowA(nullptr, caption);
        if (window && IsWindowVisible(window)) EnumChildWindows(window, FindTree, reinterpret_cast<LPARAM>(&tree));
        if (tree && SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 0) break;
        Sleep(50);
    } while (GetTickCount() - start < WaitMilliseconds);
    if (window == nullptr || !IsWindowVisible(window)) {
        std::printf("no window: %s\n", caption);
        return 1;
    }
    std::printf("caption: %s\n", caption);
    if (tree == nullptr) {
        std::printf("no contents tree\n");
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(tree, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr) return 1;
    const SIZE_T textSize = 512;
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(TVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) {
        CloseHandle(process);
        return 1;
    }
    // Depth first: the child, else the next sibling, else a parent's next.
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    while (item != nullptr) {
        TVITEMA request = {};
        request.mask = TVIF_TEXT;
        request.hItem = item;
        request.pszText = remote + sizeof(TVITEMA);
        request.cchTextMax = static_cast<int>(textSize);
        char text[textSize + 1] = "";
        SIZE_T moved = 0;
        if (WriteProcessMemory(process, remote, &request, sizeof request, &moved) &&
            SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote)) &&
            ReadProcessMemory(process, remote + sizeof(TVITEMA), text, textSize, &moved)) {
            text[textSize] = '\0';
            std::printf("topic: %s\n", text);
        }
        HTREEITEM next = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        while (next == nullptr && item != nullptr) {
            next = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
            if (next == nullptr) item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
        }
        item = next;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return 0;
}

// A crash ends the probe with status 3 and says where, so that the test
// reports it rather than an empty answer.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    std::fprintf(stderr, "help_probe: exception 0x%08lX at %p\n", static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    std::string command = argc > 1 ? argv[1] : "";
    int status = 2;
    if (command == "show" && argc == 4) status = Show(argv[2], argv[3]);
    if (command == "read" && argc == 2) status = Report(WaitForViewerPage());
    if (command == "quit" && argc == 3) status = Quit(argv[2]);
    if (command == "count" && argc == 2) status = Count();
    if (command == "link" && argc == 3) status = LinkPosition(argv[2]);
    if (command == "button" && (argc == 3 || argc == 4)) status = ButtonPosition(argv[2], argc == 4 ? argv[3] : nullptr);
    if (command == "contents" && argc == 3) status = Contents(argv[2]);
    if (status == 2 && command != "show") {
        std::fprintf(stderr, "usage: help_probe show FILE N | read | quit FILE | count | link TEXT | button TEXT [CAPTION] | contents CAPTION\n");
    }
    std::fflush(stdout);
    return status;
}
