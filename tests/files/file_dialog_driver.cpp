#include "tests/files/file_dialog_driver.h"

#include <commdlg.h>
#include <dlgs.h>

#include "files/file_dialog.h"

namespace {

std::vector<FileDialogAction> Actions;
std::size_t NextAction = 0;
std::vector<FileDialogView> Views;
int Unexpected = 0;

UINT_PTR TimerId = 0;
HHOOK DestroyHook = nullptr;
bool Busy = false;
HWND Handled = nullptr;       // the dialog whose action has run
HWND Waiting = nullptr;       // a dialog seen but not yet placed
DWORD WaitingSince = 0;

// A hook that the program never clears would stall the test: after this
// long the dialog is taken as it is, and the view says it was not placed.
const DWORD PlacementWait = 3000;

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK NoteFileDialog(HWND window, LPARAM found)
{
    if (ClassOf(window) == "#32770" && IsWindowVisible(window) && FileNameField(window) != nullptr) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND OpenFileDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), NoteFileDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

LRESULT CALLBACK NoteDestroyed(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_DESTROYWND) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (window == Handled) Handled = nullptr;
        if (window == Waiting) Waiting = nullptr;
    }
    return CallNextHookEx(DestroyHook, code, wParam, lParam);
}

FileDialogView ViewOf(HWND dialog, bool placed)
{
    FileDialogView view = {};
    view.dialog = dialog;
    view.placed = placed;
    char text[MAX_PATH * 2] = "";
    GetWindowTextA(dialog, text, sizeof text);
    view.caption = text;
    GetWindowRect(dialog, &view.outer);
    view.name = FileNameText(dialog);
    text[0] = '\0';
    if (SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof text, reinterpret_cast<LPARAM>(text)) > 0) view.folder = text;
    text[0] = '\0';
    GetCurrentDirectoryA(sizeof text, text);
    view.directory = text;
    return view;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (Busy) return;
    HWND dialog = OpenFileDialog();
    if (dialog == nullptr || dialog == Handled || !IsWindowEnabled(dialog)) return;
    if (dialog != Waiting) {
        Waiting = dialog;
        WaitingSince = GetTickCount();
    }
    bool placed = !FileDialogFirstCall;
    if (!placed && GetTickCount() - WaitingSince < PlacementWait) return;
    Busy = true;
    Handled = dialog;
    Waiting = nullptr;
    Views.push_back(ViewOf(dialog, placed));
    if (NextAction < Actions.size()) {
        Actions[NextAction++](dialog);
    } else {
        ++Unexpected;
        CancelFileDialog(dialog);
    }
    Busy = false;
}

}  // namespace

bool DriveFileDialogs(const std::vector<FileDialogAction>& actions)
{
    StopDrivingFileDialogs();
    Actions = actions;
    NextAction = 0;
    Views.clear();
    Unexpected = 0;
    DestroyHook = SetWindowsHookExA(WH_CBT, NoteDestroyed, nullptr, GetCurrentThreadId());
    TimerId = SetTimer(nullptr, 0, 10, Tick);
    return DestroyHook != nullptr && TimerId != 0;
}

void StopDrivingFileDialogs()
{
    if (TimerId != 0) KillTimer(nullptr, TimerId);
    TimerId = 0;
    if (DestroyHook != nullptr) UnhookWindowsHookEx(DestroyHook);
    DestroyHook = nullptr;
    Handled = Waiting = nullptr;
    Busy = false;
}

const std::vector<FileDialogView>& SeenFileDialogs()
{
    return Views;
}

int UnexpectedFileDialogs()
{
    return Unexpected;
}

HWND FileNameField(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, cmb13);
    if (combo != nullptr && IsWindowVisible(combo)) return combo;
    HWND edit = GetDlgItem(dialog, edt1);
    return edit != nullptr && IsWindowVisible(edit) ? edit : nullptr;
}

std::string FileNameText(HWND dialog)
{
    char text[MAX_PATH * 2] = "";
    HWND field = FileNameField(dialog);
    if (field != nullptr) GetWindowTextA(field, text, sizeof text);
    return text;
}

void MoveDialog(HWND dialog, int left, int top)
{
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ChooseName(HWND dialog, const std::string& name)
{
    SetWindowTextA(FileNameField(dialog), name.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void CancelFileDialog(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

FileDialogAction Choose(const std::string& name)
{
    return [name](HWND dialog) { ChooseName(dialog, name); };
}

FileDialogAction Cancel()
{
    return [](HWND dialog) { CancelFileDialog(dialog); };
}

FileDialogAction MoveAndCancel(int left, int top)
{
    return [left, top](HWND dialog) {
        MoveDialog(dialog, left, top);
        CancelFileDialog(dialog);
    };
}
