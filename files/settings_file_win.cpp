// The Win32 half of the settings files: kernel file calls and messages.
// The byte layout lives in settings_image.cpp.
#include <windows.h>

#include <cctype>
#include <cstring>

#include "app/app_state.h"
#include "app/message_box.h"
#include "files/settings_file.h"
#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/settings_record.h"

namespace {

const char ProgramCaption[] = "Halvorendyne";
const char NotSavedText[] = "File error. Settings NOT saved.";
const char NotLoadedText[] = "File error. Settings NOT loaded.";

// One file image at a time: user-interface thread only.
unsigned char FileImage[MaxSettingsImageSize];

HANDLE HandleOf(HFILE file)
{
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file));
}

void ReadLastWriteTime(HANDLE file)
{
    FILETIME lastWrite = {0, 0};
    if (GetFileTime(file, nullptr, nullptr, &lastWrite)) {
        Settings.SettingsFileTime = (static_cast<std::uint64_t>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
    }
}

// Reads up to capacity bytes; fewer only at the end of the file.
long ReadAll(HFILE file, unsigned char* buffer, long capacity)
{
    long total = 0;
    while (total < capacity) {
        long got = _hread(file, reinterpret_cast<LPSTR>(buffer + total), capacity - total);
        if (got <= 0) break;
        total += got;
    }
    return total;
}

enum class WriteOutcome { Written, NotCreated, Short };

// The saves' new files are "hvd" + 1 to 4 hex digits + ".tmp", as
// GetTempFileNameA makes them; the old file's name while ReplaceFileA puts
// the new one in place starts "hvb" instead, so that the clean-up at start
// never takes what may be the only copy of the old settings.
const char NewFilePrefix[] = "hvd";
const char BackupPrefix[] = "hvb";

// GetTempFileNameA fails for a folder longer than this.
const std::size_t LongestNewFileFolder = MAX_PATH - 14;

// A new file this much older than now (in 100 ns units, 10 minutes) is no
// save's that is still running.
const std::uint64_t LeftoverAge = 10ULL * 60 * 10000000;

// The folder a new file for path goes into, for GetTempFileNameA: up to and
// with the last backslash ("C:\" for "C:\x.hvd"), the drive's current folder
// for "C:x.hvd", else the current directory. Empty when it is too long.
void FolderOf(const char* path, char* folder)
{
    const char* slash = std::strrchr(path, '\\');
    const char* forward = std::strrchr(path, '/');
    if (forward && (!slash || forward > slash)) slash = forward;
    std::size_t length = slash ? static_cast<std::size_t>(slash - path) + 1 : 0;
    if (!slash && path[0] != '\0' && path[1] == ':') length = 2;
    if (length >= MAX_PATH) {
        folder[0] = '\0';
    } else if (length == 0) {
        lstrcpyA(folder, ".");
    } else {
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    }
}

// The whole image into the file from its start and the file cut there,
// flushed to the disk. A file that is not there is made; one that cannot
// be opened counts as not created, and a write that did not get all of it
// to the disk as short.
WriteOutcome WriteWholeFile(const char* path, const unsigned char* image, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return WriteOutcome::NotCreated;
    DWORD written = 0;
    bool complete = WriteFile(file, image, size, &written, nullptr) && written == size && SetEndOfFile(file) &&
                    FlushFileBuffers(file);
    if (complete) ReadLastWriteTime(file);
    return CloseHandle(file) && complete ? WriteOutcome::Written : WriteOutcome::Short;
}

// Deletes a new or backup file that is not wanted any more. A hidden or
// system attribute taken over from the old file is cleared for a second
// try. A file that is still refused (held open by another process, a virus
// scanner) is left for Windows NT to delete when it next starts, where the
// user may ask that (an administrator); otherwise it stays, and in the
// program folder a new file goes at the program's next start.
void RemoveFile(const char* path)
{
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) return;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) return;
    MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// Puts the finished new file in place of path in one step. Windows 95, 98
// and Me export MoveFileExA without implementing it: there the old file
// goes first.
bool MoveIntoPlace(const char* newFile, const char* path)
{
    if (MoveFileExA(newFile, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(path)) return false;
    return MoveFileA(newFile, path) != FALSE;
}

typedef BOOL(WINAPI* ReplaceFileFunction)(LPCSTR, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID);
ReplaceFileFunction ReplaceFileEntry = nullptr;
bool ReplaceFileTried = false;

// ReplaceFileA from kernel32, which Windows 2000 and later have. No import:
// the program starts on Windows 95, 98, Me and NT 4, where this is null.
ReplaceFileFunction LoadReplaceFile()
{
    if (ReplaceFileTried) return ReplaceFileEntry;
    ReplaceFileTried = true;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    // Cast through FARPROC's generic function type, as GetProcAddress is meant to be used.
    ReplaceFileEntry =
        reinterpret_cast<ReplaceFileFunction>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, "ReplaceFileA")));
    return ReplaceFileEntry;
}

// Puts the finished new file in place of the existing file path with
// ReplaceFileA, which gives it the old file's permissions, owner, streams
// and attributes (those it cannot copy, on a FAT drive or some network
// shares, are let go, as a move would). The old file first goes to a
// backup name of our own: without one, a failure between its two renames
// would leave no old file. Where ReplaceFileA is missing, or fails before
// it touched either file for a reason of its own, MoveIntoPlace.
bool ReplaceOldFile(const char* newFile, const char* path, const char* folder)
{
    ReplaceFileFunction replaceFile = LoadReplaceFile();
    char backup[MAX_PATH];
    if (replaceFile == nullptr || GetTempFileNameA(folder, BackupPrefix, 0, backup) == 0) {
        return MoveIntoPlace(newFile, path);
    }
    if (replaceFile(path, newFile, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        RemoveFile(backup);  // the old file
        return true;
    }
    switch (GetLastError()) {
    case ERROR_UNABLE_TO_REMOVE_REPLACED:   // the old file could not be moved: both as they were
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:  // the new one could not, and the old one is back
        RemoveFile(backup);
        return false;
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        // The old file is under the backup name and the new one could not
        // take its place: the old one goes back, or else the new one gets a
        // second chance. Where both fail, the old file stays as the backup.
        if (MoveFileExA(backup, path, MOVEFILE_WRITE_THROUGH)) return false;
        if (!MoveFileExA(newFile, path, MOVEFILE_WRITE_THROUGH)) return false;
        RemoveFile(backup);
        return true;
    default:  // nothing was moved
        RemoveFile(backup);
        return MoveIntoPlace(newFile, path);
    }
}

// Clears the read-only attribute of an existing file, so that it can be
// replaced or rewritten; a failed save puts its attributes back.
void MakeWritable(const char* path, DWORD attributes)
{
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return;
    const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(path, writable ? writable : FILE_ATTRIBUTE_NORMAL);
}

// The save through a new file beside the old one, made as newFile.
WriteOutcome SaveThroughNewFile(const char* path, const char* newFile, const char* folder, DWORD attributes, DWORD size)
{
    if (WriteWholeFile(newFile, FileImage, size) != WriteOutcome::Written) {
        RemoveFile(newFile);
        return WriteOutcome::Short;
    }
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // The old file's hidden and system attributes go to the new one, for
    // systems whose move or replace does not carry them over (Wine's
    // ReplaceFileA is two moves). Its read-only attribute is cleared, not
    // put back, but only now: a save that failed before leaves it set.
    const DWORD kept = exists ? attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) : 0;
    if (kept != 0) SetFileAttributesA(newFile, kept);
    MakeWritable(path, attributes);
    if (exists ? ReplaceOldFile(newFile, path, folder) : MoveIntoPlace(newFile, path)) return WriteOutcome::Written;
    if (exists) SetFileAttributesA(path, attributes);
    RemoveFile(newFile);
    return WriteOutcome::NotCreated;
}

// The save where no new file can be made beside the old one (no right to
// create files in the folder, or a folder too long for GetTempFileNameA):
// the image is written over the file itself, as long as the disk has room
// for all of it, so that a full disk refuses the save before the old file
// is touched. A failure after that (a network drive gone) leaves it
// damaged.
WriteOutcome SaveInPlace(const char* path, const char* folder, DWORD attributes, DWORD size)
{
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr) || available.QuadPart < size) {
        return WriteOutcome::NotCreated;
    }
    MakeWritable(path, attributes);
    const WriteOutcome outcome = WriteWholeFile(path, FileImage, size);
    if (outcome != WriteOutcome::Written && attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, attributes);
    return outcome;
}

// The settings normally go into a new file beside the old one, which is
// replaced only by a complete, flushed copy: a save that fails (a full
// disk, a network drive gone, the process ended halfway) leaves the old
// file as it was. Its new file is deleted, except where the process ended
// halfway (the program's next start deletes those of its own folder) or
// the file is held open elsewhere (RemoveFile). Where no new file can be
// made, SaveInPlace. A file that cannot be made or put in place counts as
// not created; one whose writing failed as short.
WriteOutcome WriteSettingsFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return WriteOutcome::NotCreated;  // a folder: left alone
    }
    char folder[MAX_PATH];
    FolderOf(path, folder);
    if (folder[0] == '\0') return WriteOutcome::NotCreated;

    const std::uint64_t fileTime = Settings.SettingsFileTime;
    const DWORD size = static_cast<DWORD>(EncodeCurrentSettings(FileImage));
    char newFile[MAX_PATH];
    // The length is checked here: Wine's GetTempFileNameA does not refuse a
    // long folder as Windows' does.
    const bool besideOldFile =
        std::strlen(folder) <= LongestNewFileFolder && GetTempFileNameA(folder, NewFilePrefix, 0, newFile) != 0;
    const WriteOutcome outcome = besideOldFile ? SaveThroughNewFile(path, newFile, folder, attributes, size)
                                               : SaveInPlace(path, folder, attributes, size);
    if (outcome == WriteOutcome::Written) {
        SettingsChanged = false;
    } else {
        Settings.SettingsFileTime = fileTime;
    }
    return outcome;
}

// A name GetTempFileNameA makes with the new files' prefix, in any case.
bool IsNewFileName(const char* name)
{
    const std::size_t length = std::strlen(name);
    if (length < 8 || length > 11) return false;
    const char* const tail = name + length - 4;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i < 3 && (name[i] | 0x20) != NewFilePrefix[i]) return false;
        if ((tail[i] | 0x20) != ".tmp"[i]) return false;
    }
    for (const char* digit = name + 3; digit < tail; ++digit) {
        if (!std::isxdigit(static_cast<unsigned char>(*digit))) return false;
    }
    return true;
}

std::uint64_t AsNumber(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

bool SaveSettings(const char* path, bool showMessages)
{
    WriteOutcome outcome = WriteSettingsFile(path);
    if (outcome == WriteOutcome::Short || (outcome == WriteOutcome::NotCreated && showMessages)) {
        ShowMessage(MainWindowHandle, NotSavedText, ProgramCaption, MB_ICONERROR);
    }
    if (outcome != WriteOutcome::Written) return false;
    if (showMessages) ShowMessage(MainWindowHandle, "Settings saved.", ProgramCaption, MB_ICONINFORMATION);
    return true;
}

bool SaveSettingsQuietly(const char* path)
{
    return WriteSettingsFile(path) == WriteOutcome::Written;
}

void RemoveLeftoverNewFiles(const char* folder)
{
    const std::size_t length = std::strlen(folder);
    char path[MAX_PATH];
    if (length == 0 || length + 12 >= MAX_PATH) return;  // room for "hvdFFFF.tmp"
    std::memcpy(path, folder, length);
    std::memcpy(path + length, "hvd*.tmp", sizeof "hvd*.tmp");
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // Only the long name counts: "hvd*.tmp" also finds names whose short
        // name matches.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsNewFileName(found.cFileName)) continue;
        // Younger ones (or ones from the future) may be a running save's.
        const std::uint64_t written = AsNumber(found.ftLastWriteTime);
        if (written > AsNumber(now) || AsNumber(now) - written < LeftoverAge) continue;
        lstrcpyA(path + length, found.cFileName);
        DeleteFileA(path);  // one that another process holds open stays until a later start
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool LoadSettings(const char* path)
{
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR) {
        ShowMessage(MainWindowHandle, NotLoadedText, path, MB_ICONERROR);
        return false;
    }
    long size = ReadAll(file, FileImage, static_cast<long>(sizeof FileImage));
    if (LoadSettingsImage(FileImage, static_cast<std::size_t>(size)) != ImageStatus::Complete) {
        _lclose(file);
        ShowMessage(MainWindowHandle, NotLoadedText, ProgramCaption, MB_ICONERROR);
        return false;
    }
    ReadLastWriteTime(HandleOf(file));
    _lclose(file);
    ComputeResults();
    return true;
}
