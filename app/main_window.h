// The main window: a captionless popup over the whole primary screen with
// the results painted behind a row of five command buttons.
#pragma once

#include <windows.h>

// Start-up: the program folder's leftovers of unfinished saves deleted, the
// working settings "Internal.hvd" from the current directory (the program
// does not run without them), the results, the screen size,
// the window and its buttons with the focus on Edit. False means the
// program must end at once; the reason has been shown.
bool CreateMainWindow(HINSTANCE instance);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs until WM_QUIT; the program's exit code, always 0.
int RunMessageLoop();
