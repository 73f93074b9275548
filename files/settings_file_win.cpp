// The Win32 half of the settings files: kernel file calls and messages.
// The byte layout lives in settings_image.cpp.
#include <windows.h>

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

// The whole image into the new file, flushed to the disk; false when any
// part of it did not get there.
bool WriteNewFile(const char* path, const unsigned char* image, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool complete = WriteFile(file, image, size, &written, nullptr) && written == size && FlushFileBuffers(file);
    if (complete) ReadLastWriteTime(file);
    return CloseHandle(file) && complete;
}

// Puts the finished new file in place of path in one step. Windows 95, 98
// and Me export MoveFileExA without implementing it: there the old file
// goes first.
bool PutInPlace(const char* newFile, const char* path)
{
    if (MoveFileExA(newFile, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(path)) return false;
    return MoveFileA(newFile, path) != FALSE;
}

// The settings go into a new file beside the old one, which is replaced
// only by a complete, flushed copy: a save that fails (a full disk, a
// network drive gone, the process ended halfway) leaves the old file as it
// was and nothing else behind. A new file that cannot be made or put in
// place counts as not created; one whose writing failed as short.
WriteOutcome WriteSettingsFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return WriteOutcome::NotCreated;  // a folder: left alone
    char folder[MAX_PATH];
    char newFile[MAX_PATH];
    FolderOf(path, folder);
    if (folder[0] == '\0' || GetTempFileNameA(folder, "hvd", 0, newFile) == 0) return WriteOutcome::NotCreated;

    const std::uint64_t fileTime = Settings.SettingsFileTime;
    const DWORD size = static_cast<DWORD>(EncodeCurrentSettings(FileImage));
    if (!WriteNewFile(newFile, FileImage, size)) {
        Settings.SettingsFileTime = fileTime;
        DeleteFileA(newFile);
        return WriteOutcome::Short;
    }
    // The old file's hidden and system attributes go to the new one. Its
    // read-only attribute is cleared, not put back, but only now: a save
    // that failed before leaves it set.
    const DWORD kept = exists ? attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) : 0;
    if (kept != 0) SetFileAttributesA(newFile, kept);
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(path, writable ? writable : FILE_ATTRIBUTE_NORMAL);
    }
    if (!PutInPlace(newFile, path)) {
        if (exists) SetFileAttributesA(path, attributes);
        Settings.SettingsFileTime = fileTime;
        if (kept != 0) SetFileAttributesA(newFile, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(newFile);
        return WriteOutcome::NotCreated;
    }
    SettingsChanged = false;
    return WriteOutcome::Written;
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
