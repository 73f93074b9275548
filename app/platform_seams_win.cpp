#include "app/platform_seams.h"

BOOL CallWinHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data)
{
    return WinHelpA(window, helpFile, command, data);
}

DWORD ReadProgramFileName(char* buffer, DWORD size)
{
    return GetModuleFileNameA(nullptr, buffer, size);
}
