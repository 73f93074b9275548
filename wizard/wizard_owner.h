// The wizard frame's window: owner of the wizard's message boxes while the
// wizard runs, null otherwise.
#pragma once

#include <windows.h>

extern HWND WizardFrameHandle;
