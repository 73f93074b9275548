// The model's only way to speak to the user: one message box.
//
// The program implements it with MessageBoxA, owned by the wizard frame,
// which is where every count text is typed; tests link a recorder instead.
#pragma once

// The values of the Win32 MB_ flags, so the model needs no windows.h.
const unsigned int InputMessageOk = 0x00000000u;           // MB_OK
const unsigned int InputMessageExclamation = 0x00000030u;  // MB_ICONEXCLAMATION

void ShowInputMessage(const char* text, const char* caption, unsigned int style);
