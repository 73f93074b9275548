// The calls that reach outside the process, behind one seam so that the
// in-process tests can see them: the two help viewers and the program's own
// file name. The program links platform_seams_win.cpp; tests their own.
#pragma once

#include <windows.h>

// WinHelpA.
BOOL CallWinHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data);

// HtmlHelpA, from hhctrl.ocx in the system folder, loaded at the first
// call. False when that library or the function is not there: then nothing
// was called. HtmlHelpA's own result is not looked at.
bool CallHtmlHelp(HWND window, const char* helpFile, UINT command, DWORD_PTR data);

// GetModuleFileNameA for the program's module; returns the length copied.
DWORD ReadProgramFileName(char* buffer, DWORD size);
