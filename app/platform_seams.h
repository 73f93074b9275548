// The two calls that reach outside the process, behind one seam so that
// the in-process tests can see them: the help viewer and the program's own
// file name. The program links platform_seams_win.cpp; tests their own.
#pragma once

#include <windows.h>

// WinHelpA.
BOOL CallWinHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data);

// GetModuleFileNameA for the program's module; returns the length copied.
DWORD ReadProgramFileName(char* buffer, DWORD size);
