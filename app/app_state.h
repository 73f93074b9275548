// The program's global state that every subsystem reads or writes.
#pragma once

#include <windows.h>

// The full-screen main window; owner of message boxes, dialogs and help.
// Null until the window is created.
extern HWND MainWindowHandle;

// The parameters were changed in the wizard since the last successful save.
// Set by the Edit command, cleared by SaveSettings, read when quitting.
extern bool SettingsChanged;
