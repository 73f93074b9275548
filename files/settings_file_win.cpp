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

void ReadLastWriteTime(HFILE file)
{
    FILETIME lastWrite = {0, 0};
    if (GetFileTime(HandleOf(file), nullptr, nullptr, &lastWrite)) {
        Settings.SettingsFileTime = (static_cast<std::uint64_t>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
    }
}

// Clears the read-only attribute of an existing file, never of a folder (the
// others stay) and returns the _lcreat attributes for rewriting it: its
// hidden and system attributes, because Windows refuses to truncate a hidden
// or system file that is created as a normal one.
int MakeWritable(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 0;  // a folder: left alone, and the create fails
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(path, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    }
    return static_cast<int>(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
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

}  // namespace

namespace {

enum class WriteOutcome { Written, NotCreated, Short };

WriteOutcome WriteSettingsFile(const char* path)
{
    HFILE file = _lcreat(path, MakeWritable(path));
    if (file == HFILE_ERROR) return WriteOutcome::NotCreated;
    // One write of the whole image: any short write is a failed save.
    long size = static_cast<long>(EncodeCurrentSettings(FileImage));
    long written = _hwrite(file, reinterpret_cast<LPCSTR>(FileImage), size);
    ReadLastWriteTime(file);
    _lclose(file);
    if (written != size) return WriteOutcome::Short;
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
    ReadLastWriteTime(file);
    _lclose(file);
    ComputeResults();
    return true;
}
