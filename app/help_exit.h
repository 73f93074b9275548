// Help and the Quit procedure.
#pragma once

#include <cstdint>

// The program's directory, with its trailing backslash, followed by name.
// The result lies in PathBuffer, valid until the buffer's next use.
const char* ProgramFilePath(const char* name);

// Opens "Halvdyne.hlp" in the program directory at a context: 1 for the
// main window, 3..7 for the wizard's pages. The help window is owned by
// the main window; a missing file is reported by the help viewer.
void ShowHelp(std::uint8_t context);

// Closes the help viewer, when the main window goes.
void CloseHelp();

// Quit: saves the working settings silently as "Internal.hvd" in the
// program directory and closes the main window. Only when that save fails
// while there are unsaved changes does it ask whether to save elsewhere;
// Cancel (or a cancelled file dialog) returns with the program running.
void ExitProgram();

// The end of the Windows session: the working settings saved as Quit saves
// them, but without any message box or question, since Windows ends the
// process right after.
void SaveAtSessionEnd();
