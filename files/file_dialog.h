// The open and save dialogs for settings files.
#pragma once

#include <windows.h>

#include <cstdint>

// Where the next file dialog goes; (0, 0) until one has been placed.
extern std::int16_t FileDialogLeft;
extern std::int16_t FileDialogTop;
// Set before each dialog, cleared once it has been placed (as it is first
// shown).
extern bool FileDialogFirstCall;
// The file dialog's own procedure, kept when it is subclassed.
extern WNDPROC FileDialogClassProc;

// Lets the user choose a settings file, offering SettingsFileName's bare
// name; afterwards SettingsFileName holds the chosen full name (".hvd"
// appended to names chosen for saving). False when cancelled or failed; the
// previous name is then back. The focus returns to the focused button.
bool ChooseSettingsFile(bool forOpen);

UINT_PTR CALLBACK FileDialogHook(HWND hookDialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The file name after the last backslash (or colon); the whole text if none.
const char* FileNamePart(const char* text);
// The text after the last full stop anywhere; the whole text if none.
const char* ExtensionPart(const char* text);
