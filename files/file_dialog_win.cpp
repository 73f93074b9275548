// The open and save dialogs for settings files: the system's Explorer-style
// dialogs on SettingsFileName, one file type, placed where the user left the
// previous one (the first one centred, 10 pixels above the middle).
#include "files/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "app/app_state.h"
#include "app/message_box.h"

std::int16_t FileDialogLeft = 0;
std::int16_t FileDialogTop = 0;
bool FileDialogFirstCall = false;
WNDPROC FileDialogClassProc = nullptr;

namespace {

// The dialogs are told the name buffer holds 260 characters, so that a
// chosen name and ".hvd" always fit its 264.
const DWORD DialogNameSize = 260;
const char Extension[] = "hvd";

void CopyName(char* target, const char* source)
{
    std::size_t length = std::strlen(source);
    if (length > PathBufferSize - 1) length = PathBufferSize - 1;
    std::memmove(target, source, length);
    target[length] = '\0';
}

// The first dialog is centred, 10 pixels above the middle; every later one
// goes where the previous one was closed. For a dialog of the given size,
// its top-left corner.
POINT FileDialogCorner(int width, int height)
{
    if (FileDialogLeft == 0 && FileDialogTop == 0) {
        const std::int16_t width16 = static_cast<std::int16_t>(width);
        const std::int16_t height16 = static_cast<std::int16_t>(height);
        FileDialogLeft = static_cast<std::int16_t>((GetSystemMetrics(SM_CXSCREEN) - width16) / 2);
        FileDialogTop = static_cast<std::int16_t>((GetSystemMetrics(SM_CYSCREEN) - height16) / 2 - 10);
    }
    POINT corner = {FileDialogLeft, FileDialogTop};
    return corner;
}

void PlaceFileDialog(HWND dialog)
{
    RECT outer;
    GetWindowRect(dialog, &outer);
    POINT corner = FileDialogCorner(outer.right - outer.left, outer.bottom - outer.top);
    FileDialogFirstCall = false;
    SetWindowPos(dialog, HWND_TOP, corner.x, corner.y, 0, 0, SWP_NOSIZE);
}

// The dialog is being shown by SetWindowPos: the move goes into that call.
void PlaceFileDialog(HWND dialog, WINDOWPOS* position)
{
    int width = position->cx;
    int height = position->cy;
    if (position->flags & SWP_NOSIZE) {
        RECT outer;
        GetWindowRect(dialog, &outer);
        width = outer.right - outer.left;
        height = outer.bottom - outer.top;
    }
    POINT corner = FileDialogCorner(width, height);
    FileDialogFirstCall = false;
    position->x = corner.x;
    position->y = corner.y;
    position->flags &= ~static_cast<UINT>(SWP_NOMOVE);
}

// The dialog checked the name as typed, not the one ".hvd" made of it: the
// same checks for the final name. A read-only file is refused as the dialog
// refuses one, an existing file needs the same question; false means the
// dialog again.
bool AcceptFinalName()
{
    DWORD attributes = GetFileAttributesA(SettingsFileName);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    char text[PathBufferSize + 80];
    const char* name = FileNamePart(SettingsFileName);
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        wsprintfA(text, "%s\r\nThis file is set to read-only.\r\nTry again with a different file name.", name);
        ShowMessage(MainWindowHandle, text, "Halvorendyne", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    wsprintfA(text, "%s already exists.\r\nDo you want to replace it?", name);
    return ShowMessage(MainWindowHandle, text, "Halvorendyne", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

}  // namespace

const char* FileNamePart(const char* text)
{
    const char* backslash = std::strrchr(text, '\\');
    if (backslash) return backslash + 1;
    const char* colon = std::strrchr(text, ':');
    return colon ? colon + 1 : text;
}

const char* ExtensionPart(const char* text)
{
    const char* stop = std::strrchr(text, '.');
    return stop ? stop + 1 : text;
}

LRESULT CALLBACK FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Placed as it is first shown: by then the dialog has its final size.
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam && FileDialogFirstCall) PlaceFileDialog(dialog);
        break;
    case WM_WINDOWPOSCHANGING: {
        WINDOWPOS* position = reinterpret_cast<WINDOWPOS*>(lParam);
        if (FileDialogFirstCall && (position->flags & SWP_SHOWWINDOW)) PlaceFileDialog(dialog, position);
        break;
    }
    case WM_DESTROY: {
        RECT outer;
        GetWindowRect(dialog, &outer);
        FileDialogLeft = static_cast<std::int16_t>(outer.left);
        FileDialogTop = static_cast<std::int16_t>(outer.top);
        break;
    }
    default: break;
    }
    return CallWindowProcA(FileDialogClassProc, dialog, message, wParam, lParam);
}

UINT_PTR CALLBACK FileDialogHook(HWND hookDialog, UINT message, WPARAM, LPARAM lParam)
{
    // The hook dialog is a child of the file dialog. Once the file dialog
    // has arranged its controls it is subclassed, to be placed when it is
    // first shown; one that is somehow on show already is placed at once.
    if (message != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lParam)->code != CDN_INITDONE) return 0;
    HWND fileDialog = GetParent(hookDialog);
    if (!FileDialogFirstCall || fileDialog == nullptr) return 0;
    if (GetWindowLongPtrA(fileDialog, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(FileDialogProc)) {
        FileDialogClassProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(fileDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileDialogProc)));
    }
    if (IsWindowVisible(fileDialog)) PlaceFileDialog(fileDialog);
    return 0;
}

namespace {

enum DialogOutcome { DialogCancelled, DialogChosen, DialogAgain };

// The dialog library, with the shell libraries it brings, is loaded at the
// first dialog rather than at start: the program starts sooner.
typedef BOOL(WINAPI* FileDialogFunction)(LPOPENFILENAMEA);
typedef DWORD(WINAPI* DialogErrorFunction)();
HMODULE DialogLibrary = nullptr;

bool LoadDialogLibrary(FileDialogFunction* open, FileDialogFunction* save, DialogErrorFunction* error)
{
    if (!DialogLibrary) DialogLibrary = LoadLibraryA("comdlg32.dll");
    if (!DialogLibrary) return false;
    // Cast through FARPROC's generic function type, as GetProcAddress is meant to be used.
    *open = reinterpret_cast<FileDialogFunction>(reinterpret_cast<void (*)()>(GetProcAddress(DialogLibrary, "GetOpenFileNameA")));
    *save = reinterpret_cast<FileDialogFunction>(reinterpret_cast<void (*)()>(GetProcAddress(DialogLibrary, "GetSaveFileNameA")));
    *error = reinterpret_cast<DialogErrorFunction>(reinterpret_cast<void (*)()>(GetProcAddress(DialogLibrary, "CommDlgExtendedError")));
    return *open && *save && *error;
}

// One run of the dialog; on a cancel SettingsFileName gets kept back.
DialogOutcome RunFileDialog(bool forOpen, const char* kept)
{
    static const char Filter[36] = "Halvorendyne files (*.hvd)\0*.hvd\0";
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    // The size without the newer members: the system shows its older layout,
    // and the structure fits both the 32-bit and the 64-bit build.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = MainWindowHandle;
    dialog.lpstrFilter = Filter;
    dialog.lpstrFile = SettingsFileName;
    dialog.nMaxFile = DialogNameSize;
    dialog.lpfnHook = FileDialogHook;
    dialog.Flags = forOpen ? OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK | OFN_HIDEREADONLY
                           : OFN_EXPLORER | OFN_NOREADONLYRETURN | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK | OFN_HIDEREADONLY |
                                 OFN_OVERWRITEPROMPT;
    FileDialogFirstCall = true;
    FileDialogFunction open, save;
    DialogErrorFunction extendedError;
    bool loaded = LoadDialogLibrary(&open, &save, &extendedError);
    bool chosen = loaded && (forOpen ? open(&dialog) : save(&dialog)) != 0;
    DWORD error = !loaded ? CDERR_INITIALIZATION : chosen ? 0 : extendedError();
    SetFocus(ButtonHandles[FocusedButton]);

    if (!chosen) {
        CopyName(SettingsFileName, kept);
        if (error != 0) {
            ShowMessage(MainWindowHandle, "Error while creating the file selection window.", "Halvorendyne", MB_ICONERROR);
        }
        return DialogCancelled;
    }
    // Windows makes the chosen file's folder the current directory; Wine
    // does so only for a folder browsed to, not for a typed path.
    if (dialog.nFileOffset > 0 && dialog.nFileOffset < PathBufferSize) {
        CopyName(PathBuffer, SettingsFileName);
        PathBuffer[dialog.nFileOffset] = '\0';
        SetCurrentDirectoryA(PathBuffer);
    }
    if (!forOpen) {
        CopyName(PathBuffer, ExtensionPart(SettingsFileName));
        if (lstrcmpiA(PathBuffer, Extension) != 0) {
            std::size_t length = std::strlen(SettingsFileName);
            if (length + 4 < PathBufferSize) std::memcpy(SettingsFileName + length, ".hvd", 5);
            if (!AcceptFinalName()) return DialogAgain;
        }
    }
    return DialogChosen;
}

}  // namespace

bool ChooseSettingsFile(bool forOpen)
{
    char kept[PathBufferSize];
    CopyName(kept, SettingsFileName);
    CopyName(SettingsFileName, FileNamePart(SettingsFileName));  // offered without its folder
    for (;;) {
        switch (RunFileDialog(forOpen, kept)) {
        case DialogCancelled: return false;
        case DialogChosen: return true;
        default: break;  // the final name was refused: the dialog again, offering it
        }
        CopyName(SettingsFileName, FileNamePart(SettingsFileName));
    }
}
