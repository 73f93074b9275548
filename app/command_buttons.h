// The five command buttons carry the main window's whole keyboard interface:
// arrows and Tab move the focus, Return, the lower-case command letters and
// Alt+letter run commands, and the focused button wears the default look.
#pragma once

#include <windows.h>

// Subclass procedure of all five buttons; always ends in ButtonClassProc.
LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);

// Tab, the arrows, Return and Escape.
void ButtonKeyDown(HWND button, WPARAM virtualKey);

// Sends a command to the main window as a click would: WM_COMMAND with
// notification code 0. Returns when the command has finished.
void SendCommand(int id, HWND button);
