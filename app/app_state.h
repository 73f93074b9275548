// The program's global state, shared by the shell, the wizard, the file
// dialogs and the results screen. User-interface thread only, except the
// screen size, which the banner reveal thread reads after it is fixed.
#pragma once

#include <windows.h>

#include <cstdint>

// The five commands; also the buttons' control identifiers, left to right.
enum CommandId : std::uint8_t {
    CommandEdit = 1,
    CommandLoad = 2,
    CommandSave = 3,
    CommandQuit = 4,
    CommandHelp = 5,
};
const int CommandCount = 5;

const int PathBufferSize = 264;

// The full-screen main window; owner of message boxes, dialogs and help.
// Null until the window is created.
extern HWND MainWindowHandle;

// The command buttons, indexed 1..5 by CommandId (index 0 unused).
extern HWND ButtonHandles[CommandCount + 1];

// CommandId of the button that holds, or last held, the keyboard focus.
extern std::uint8_t FocusedButton;

// The system button class's own window procedure, shared by all five.
extern WNDPROC ButtonClassProc;

// The parameters were changed in the wizard since the last successful save.
// Set by the Edit command, cleared by SaveSettings, read when quitting.
extern bool SettingsChanged;

// The current wizard run changed something (cleared when the wizard starts).
extern bool WizardModified;

// The current settings file: what the file dialogs start with and where
// Load, Save and the exit's save under another name go.
extern char SettingsFileName[PathBufferSize];

// Scratch path: ProgramFilePath's result, valid until the next use.
extern char PathBuffer[PathBufferSize];

// Primary screen size, taken once at start; the window and the off-screen
// buffers have this size.
extern std::int16_t ScreenWidth;
extern std::int16_t ScreenHeight;

// The row of five 96 x 26 buttons, 14 pixels apart, centred near the bottom.
extern std::int16_t ButtonRowLeft;
extern std::int16_t ButtonRowTop;
extern std::int16_t ButtonRowWidth;
extern std::int16_t ButtonHeight;

// The stock fixed system font is taller than 15 units: result columns widen.
extern bool LargeSystemFont;

// The next paint is the first: it composes the background and starts the
// banner reveal.
extern bool FirstPaint;

// The parameter block and everything the wizard's pages 3 and 4 recompute
// (the two counts and their exponents), as they were before the wizard ran,
// for Cancel.
struct EditSnapshotData {
    unsigned char parameters[188];
    std::int64_t suitableStarCount;
    std::int64_t inhabitedPlanetTotal;
    std::uint8_t suitableStarExponent;
    std::uint8_t inhabitedPlanetExponent;
};
extern EditSnapshotData EditSnapshot;

// Program start: MaxYears and the default settings file name.
void InitStartValues();
