// Every message box of the program goes through here.
#pragma once

#include <windows.h>

// MessageBoxA with the given owner (null before the main window exists).
int ShowMessage(HWND owner, const char* text, const char* caption, UINT style);
