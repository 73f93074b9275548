#include "app/platform_seams.h"

#include <cstring>

BOOL CallWinHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data)
{
    return WinHelpA(window, helpFile, command, data);
}

namespace {

typedef HWND(WINAPI* HtmlHelpFunction)(HWND, LPCSTR, UINT, DWORD_PTR);
HtmlHelpFunction HtmlHelpEntry = nullptr;
bool HtmlHelpTried = false;

// Loaded by its full name in the system folder, never by its bare name: the
// program's own folder (often Downloads) is searched first, where a planted
// library would be loaded instead. No import either: the program starts
// on a system without HTML Help.
HtmlHelpFunction LoadHtmlHelp()
{
    if (HtmlHelpTried) return HtmlHelpEntry;
    HtmlHelpTried = true;
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::memcpy(path + length, "\\hhctrl.ocx", sizeof "\\hhctrl.ocx");
    HMODULE library = LoadLibraryA(path);
    if (library == nullptr) return nullptr;
    // Cast through FARPROC's generic function type, as GetProcAddress is meant to be used.
    HtmlHelpEntry = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void (*)()>(GetProcAddress(library, "HtmlHelpA")));
    return HtmlHelpEntry;
}

}  // namespace

bool CallHtmlHelp(HWND window, const char* helpFile, UINT command, DWORD_PTR data)
{
    HtmlHelpFunction htmlHelp = LoadHtmlHelp();
    if (htmlHelp == nullptr) return false;
    htmlHelp(window, helpFile, command, data);
    return true;
}

DWORD ReadProgramFileName(char* buffer, DWORD size)
{
    return GetModuleFileNameA(nullptr, buffer, size);
}
