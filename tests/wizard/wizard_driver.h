// Drives the real, modal settings wizard from inside its own message loop.
//
// The test opens the wizard as the program does (RunSettingsWizard, or the
// main window's Edit command); a thread timer then runs the test's steps,
// one per tick, inside the dialog's modal loop. Keys and clicks that a step
// sends with SendInput are handled by that loop before the next tick, as
// timer messages come after input. A tick does nothing while a step runs
// (a message box's own loop) or while the frame is disabled (a message box
// is up; the spy answers it). When the steps are done the wizard must have
// closed; if it has not, the driver cancels it and says so.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/app/program_window_fixture.h"

using WizardStep = std::function<void()>;

// Each page's caption and its first and last edit field, by page 1..5.
extern const char* const PageCaptions[6];
extern const int FirstEditOf[6];
extern const int LastEditOf[6];

struct WizardRun {
    std::size_t stepsRun;
    bool leftOpen;  // still open after the last step (or after 20 s): cancelled by the driver
};

// Runs open(), which shows the wizard modally and returns when it is
// closed, with the steps acting inside it.
WizardRun DriveWizard(const std::vector<WizardStep>& steps, const std::function<void()>& open);

// --- for use inside a step ---------------------------------------------------------

// A field of the page on show, a button of the frame.
HWND PageControl(int id);
HWND FrameButton(int id);
void SetField(int id, const std::string& text);
std::string FieldText(int id);
std::string FrameCaption();

// BM_CLICK on a frame button (the button takes the focus, as under a click).
void PressButton(int id);
// Real key strokes (SendInput): the modifiers go down first, up last.
void SendKey(WORD virtualKey, std::initializer_list<WORD> modifiers = {});
// A real left click in the middle of a page field.
void ClickInField(int id);

// Closes the wizard as the dialog manager does for Escape (IDCANCEL).
void CancelWizard();

// The record's value behind a page's edit field, by the field map (counts
// and reals alike); NaN for an id that is no edit field.
long double StoredValue(int id);

// The control with the focus: an edit's id on the page, a button's id on
// the frame, 0 for no focus at all, -1 for a window outside the wizard.
int FocusedControl();

// The main window and the program's state as after a start on the example
// settings (page 2 of the wizard last shown), the frame at its start
// position (0, 0), as in a new process.
class WizardTest : public ProgramWindowTest {
protected:
    void SetUp() override;
    // Runs the wizard at startPage with the steps; the wizard's result.
    bool RunWizard(std::uint8_t startPage, const std::vector<WizardStep>& steps);
};
