// The model's message box in the program: a Win32 message box owned by the
// wizard frame, the window in which count texts are typed.
#include <windows.h>

#include "app/message_box.h"
#include "model/input_message.h"
#include "wizard/wizard_frame.h"

static_assert(InputMessageOk == MB_OK, "MB_ flag values");
static_assert(InputMessageExclamation == MB_ICONEXCLAMATION, "MB_ flag values");

// The wizard frame owns the messages of the number readers.
HWND WizardFrameHandle = nullptr;

void ShowInputMessage(const char* text, const char* caption, unsigned int style)
{
    ShowMessage(WizardFrameHandle, text, caption, style);
}
