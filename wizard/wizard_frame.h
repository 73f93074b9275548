// The settings wizard's frame: a modal dialog with the navigation buttons
// and the caption, holding one page dialog at a time. A keyboard hook and a
// private focus ring move the focus over the page's edit fields and the
// frame's buttons with Tab, Shift+Tab, Up and Down.
#pragma once

#include <windows.h>

#include <cstdint>

// The frame and the page on show; null while the wizard is not running.
extern HWND WizardFrameHandle;
extern HWND WizardPageHandle;

// The control the focus ring regards as focused: above 100 an edit field of
// the current page, otherwise a frame button (1 OK, 3 Help, 4 Previous,
// 5 Next).
extern std::uint16_t FocusControlId;

// The highest edit field of each page, indexed 1..5.
extern const std::uint16_t PageLastEditId[6];

// The frame's last screen position; (0, 0) until it has been placed once.
extern std::int16_t WizardLeft;
extern std::int16_t WizardTop;

extern HHOOK WizardKeyboardHook;
extern bool ShiftKeyDown;

INT_PTR CALLBACK WizardFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK WizardKeyboardProc(int code, WPARAM virtualKey, LPARAM keyFlags);

// OK (1), Cancel (2), Help (3), Previous (4), Next (5); others do nothing.
void HandleWizardCommand(std::uint16_t id);

// Replaces the page on show with page 1..5.
void ShowWizardPage(std::uint8_t page);
void InitWizardPage(HWND page);

// Moves the focus ring one step (skipping disabled buttons) and returns the
// control reached; gives it the focus when setFocus is set.
HWND StepFocus(bool backward, bool setFocus);
