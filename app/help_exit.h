// Help and the Quit procedure.
#pragma once

#include <cstdint>

// The program's directory, with its trailing backslash, followed by name.
// The result lies in PathBuffer, valid until the buffer's next use.
const char* ProgramFilePath(const char* name);

// Opens help at a context: 1 for the main window, 3..7 for the wizard's
// pages. "Halvdyne.chm" in the program directory with HTML Help, when the
// file is there and the system has HTML Help; else "Halvdyne.hlp" there
// with WinHelp. The help window is owned by the main window; a missing
// file or context is reported by the help viewer.
void ShowHelp(std::uint8_t context);

// An HTML Help window may be open (ShowHelp used HTML Help since the last
// CloseHtmlHelp).
extern bool HtmlHelpOpened;

// Closes the HTML Help windows, when the main window is about to close
// (before it is destroyed, which would take its owned windows first).
void CloseHtmlHelp();

// Closes the WinHelp viewer, when the main window goes.
void CloseHelp();

// Quit: saves the working settings silently as "Internal.hvd" in the
// program directory and closes the main window. Only when that save fails
// while there are unsaved changes does it ask whether to save elsewhere;
// Cancel, a cancelled file dialog or a failed save there returns with the
// program running.
void ExitProgram();

// The end of the Windows session: the working settings saved as Quit saves
// them, but without any message box or question, since Windows ends the
// process right after.
void SaveAtSessionEnd();
