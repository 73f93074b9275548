#include "tests/app/program_window_fixture.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

#include "app/help_exit.h"
#include "app/main_window.h"
#include "display/display_surfaces.h"
#include "files/settings_file.h"
#include "files/settings_image.h"
#include "model/settings_record.h"
#include "tests/app/fake_platform_seams.h"
#include "tests/support/message_box_spy.h"
#include "tests/support/worked_example.h"
#include "wizard/wizard_frame.h"

namespace {

void ResetRecord()
{
    FreeText(Settings.AuthorName);
    FreeText(Settings.AuthorAbout);
    FreeText(Settings.SettingsComments);
    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
}

bool LoopTimedOut = false;

void CALLBACK StopLoop(HWND, UINT, UINT_PTR, DWORD)
{
    LoopTimedOut = true;
    PostQuitMessage(0);
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

INPUT KeyInput(WORD virtualKey, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    switch (virtualKey) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY; break;
    default: break;
    }
    if (up) input.ki.dwFlags |= KEYEVENTF_KEYUP;
    return input;
}

INPUT MouseInput(DWORD flags, LONG x, LONG y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    // Absolute positions run from 0 to 65535 across the primary screen.
    input.mi.dx = (x * 65536 + GetSystemMetrics(SM_CXSCREEN) / 2) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (y * 65536 + GetSystemMetrics(SM_CYSCREEN) / 2) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return input;
}

HHOOK SentHook = nullptr;
HHOOK PostedHook = nullptr;
std::vector<CommandMessage> Commands;

void NoteCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND || window == nullptr || window != MainWindowHandle) return;
    Commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
}

LRESULT CALLBACK WatchSent(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        NoteCommand(sent->hwnd, sent->message, sent->wParam, sent->lParam);
    }
    return CallNextHookEx(SentHook, code, wParam, lParam);
}

LRESULT CALLBACK WatchPosted(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* posted = reinterpret_cast<const MSG*>(lParam);
        NoteCommand(posted->hwnd, posted->message, posted->wParam, posted->lParam);
    }
    return CallNextHookEx(PostedHook, code, wParam, lParam);
}

HHOOK DialogHook = nullptr;
const UINT_PTR CancelTimerId = 0xCA4C;
std::vector<CancelledDialog> Dialogs;
std::vector<HWND> DialogsToCancel;

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A dialog with a control other than statics and buttons: no message box.
bool HasOtherControls(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::string name = ClassOf(child);
        if (name != "Static" && name != "Button") return true;
    }
    return false;
}

void CALLBACK CancelDialog(HWND dialog, UINT, UINT_PTR timerId, DWORD)
{
    KillTimer(dialog, timerId);
    char caption[256] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    Dialogs.push_back({caption, dialog == WizardFrameHandle});
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND) {
        for (auto it = DialogsToCancel.begin(); it != DialogsToCancel.end(); ++it) {
            if (*it == window) {
                DialogsToCancel.erase(it);
                break;
            }
        }
    } else if (code == HCBT_ACTIVATE && ClassOf(window) == "#32770" &&
               (window == WizardFrameHandle || HasOtherControls(window))) {
        bool known = false;
        for (HWND waiting : DialogsToCancel) known = known || waiting == window;
        if (!known) {
            DialogsToCancel.push_back(window);
            SetTimer(window, CancelTimerId, 0, CancelDialog);
        }
        return 0;  // activated, and not shown to the spy
    }
    return CallNextHookEx(DialogHook, code, wParam, lParam);
}

// The ids of this process's threads.
std::vector<DWORD> ThreadIds()
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.push_back(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return ids;
}

}  // namespace

bool CancelProgramDialogs()
{
    Dialogs.clear();
    if (DialogHook == nullptr) DialogHook = SetWindowsHookExA(WH_CBT, WatchDialogs, nullptr, GetCurrentThreadId());
    return DialogHook != nullptr;
}

void StopCancellingDialogs()
{
    if (DialogHook != nullptr) UnhookWindowsHookEx(DialogHook);
    DialogHook = nullptr;
    DialogsToCancel.clear();
}

const std::vector<CancelledDialog>& CancelledDialogs()
{
    return Dialogs;
}

bool WatchCommands()
{
    Commands.clear();
    if (SentHook == nullptr) SentHook = SetWindowsHookExA(WH_CALLWNDPROC, WatchSent, nullptr, GetCurrentThreadId());
    if (PostedHook == nullptr) {
        PostedHook = SetWindowsHookExA(WH_GETMESSAGE, WatchPosted, nullptr, GetCurrentThreadId());
    }
    return SentHook != nullptr && PostedHook != nullptr;
}

void StopWatchingCommands()
{
    if (SentHook != nullptr) UnhookWindowsHookEx(SentHook);
    if (PostedHook != nullptr) UnhookWindowsHookEx(PostedHook);
    SentHook = PostedHook = nullptr;
}

const std::vector<CommandMessage>& SeenCommands()
{
    return Commands;
}

void ResetProgramState()
{
    ResetRecord();
    MainWindowHandle = nullptr;
    for (HWND& button : ButtonHandles) button = nullptr;
    FocusedButton = CommandEdit;
    ButtonClassProc = nullptr;
    SettingsChanged = false;
    WizardModified = false;
    SettingsFileName[0] = '\0';
    ScreenWidth = ScreenHeight = 0;
    FirstPaint = true;
    PaletteStale = true;
    HtmlHelpOpened = false;
    SetHtmlHelpAvailable(true);
}

void FillExampleSettings()
{
    FillWorkedExample();
    SettingsRecord& s = Settings;
    s.CurrentPage = 2;
    FreeText(s.AuthorName);
    s.AuthorName = DuplicateText("Test Team");
    FreeText(s.SettingsComments);
    s.SettingsComments = DuplicateText("Settings of the window tests.");
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    unsigned char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(file);
    return bytes;
}

std::uint64_t LastWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

bool SetLastWriteTime(const std::string& path, std::uint64_t time)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME lastWrite;
    lastWrite.dwLowDateTime = static_cast<DWORD>(time);
    lastWrite.dwHighDateTime = static_cast<DWORD>(time >> 32);
    BOOL ok = SetFileTime(file, nullptr, nullptr, &lastWrite);
    CloseHandle(file);
    return ok != FALSE;
}

LONG_PTR ButtonType(HWND button)
{
    return GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
}

std::vector<int> DefaultLookButtons()
{
    std::vector<int> ids;
    for (int id = CommandEdit; id <= CommandHelp; ++id) {
        if (ButtonType(ButtonHandles[id]) == BS_DEFPUSHBUTTON) ids.push_back(id);
    }
    return ids;
}

int FocusedCommand()
{
    HWND focus = GetFocus();
    for (int id = CommandEdit; id <= CommandHelp; ++id) {
        if (focus != nullptr && ButtonHandles[id] == focus) return id;
    }
    return 0;
}

const char* CommandName(int id)
{
    switch (id) {
    case CommandEdit: return "Edit";
    case CommandLoad: return "Load";
    case CommandSave: return "Save";
    case CommandQuit: return "Quit";
    case CommandHelp: return "Help";
    default: return "none";
    }
}

void ProgramWindowTest::SetUp()
{
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previousDirectory_), 0u);
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    static int folderCount = 0;
    folder_ = std::string(temp) + "halv-app-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++folderCount);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_ << " error " << GetLastError();
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    SetProgramFileName(PathIn("Halvdyne.exe"));
    ClearHelpCalls();
    ResetProgramState();
    ASSERT_TRUE(SpyOnMessageBoxes());
}

void ProgramWindowTest::TearDown()
{
    StopWatchingCommands();
    StopCancellingDialogs();
    if (MainWindowHandle != nullptr && IsWindow(MainWindowHandle)) EndProgram();
    StopSpying();
    SetCurrentDirectoryA(previousDirectory_);
    if (!folder_.empty()) RemoveTree(folder_);
    ResetProgramState();
    ClearHelpCalls();
    SetHelpCallObserver(nullptr);
}

void ProgramWindowTest::WriteWorkingFile()
{
    ResetProgramState();
    FillExampleSettings();
    ASSERT_TRUE(SaveSettings(WorkingFile().c_str(), false));
    ResetProgramState();
}

void ProgramWindowTest::StartProgram()
{
    ASSERT_TRUE(CreateMainWindow(GetModuleHandleA(nullptr)));
    ASSERT_NE(MainWindowHandle, nullptr);
    const std::vector<DWORD> before = ThreadIds();
    UpdateWindow(MainWindowHandle);
    ASSERT_FALSE(FirstPaint);
    // The first paint started the banner reveal. While it copies, its DCs
    // (WindowDC, BackgroundBuffer) are its thread's: under Wine a call from
    // this thread on them fails then. Wait until it is done.
    for (DWORD id : ThreadIds()) {
        if (std::find(before.begin(), before.end(), id) != before.end()) continue;
        HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
        if (thread == nullptr) continue;  // already gone
        EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0) << "the banner reveal does not end";
        CloseHandle(thread);
    }
    PumpMessages();
    ASSERT_TRUE(IsWindow(MainWindowHandle));
}

void ProgramWindowTest::EndProgram()
{
    ASSERT_TRUE(IsWindow(MainWindowHandle));
    DestroyWindow(MainWindowHandle);
    EXPECT_FALSE(IsWindow(MainWindowHandle));
    EXPECT_TRUE(MessageLoopEnds()) << "no quit message after the window was destroyed";
}

bool ProgramWindowTest::MessageLoopEnds(UINT milliseconds)
{
    LoopTimedOut = false;
    UINT_PTR timer = SetTimer(nullptr, 0, milliseconds, StopLoop);
    RunMessageLoop();
    KillTimer(nullptr, timer);
    return !LoopTimedOut;
}

void ProgramWindowTest::PumpMessages(DWORD quietMilliseconds)
{
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (message.message == WM_QUIT) return;  // left for MessageLoopEnds
            PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
            TranslateMessage(&message);
            DispatchMessageA(&message);
            if (!IsWindow(MainWindowHandle)) return;
        }
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, quietMilliseconds, QS_ALLINPUT) == WAIT_TIMEOUT) return;
    }
}

void ProgramWindowTest::FocusButton(int id)
{
    SetForegroundWindow(MainWindowHandle);
    SetFocus(ButtonHandles[id]);
    PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), MainWindowHandle);
    ASSERT_EQ(FocusedCommand(), id) << "focus on " << CommandName(FocusedCommand());
}

void ProgramWindowTest::PressKey(WORD virtualKey, std::initializer_list<WORD> modifiers)
{
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers) inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(virtualKey, false));
    inputs.push_back(KeyInput(virtualKey, true));
    for (auto it = modifiers.end(); it != modifiers.begin();) inputs.push_back(KeyInput(*--it, true));
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    EXPECT_EQ(sent, inputs.size());
    PumpMessages();
}

void ProgramWindowTest::ClickButton(int id)
{
    RECT area;
    GetWindowRect(ButtonHandles[id], &area);
    LONG x = (area.left + area.right) / 2;
    LONG y = (area.top + area.bottom) / 2;
    INPUT inputs[] = {MouseInput(MOUSEEVENTF_MOVE, x, y), MouseInput(MOUSEEVENTF_LEFTDOWN, x, y),
                      MouseInput(MOUSEEVENTF_LEFTUP, x, y)};
    UINT sent = SendInput(3, inputs, sizeof(INPUT));
    EXPECT_EQ(sent, 3u);
    PumpMessages();
}
