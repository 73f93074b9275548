#include "app/message_box.h"

#include "app/app_state.h"

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style)
{
    int answer = MessageBoxA(owner, text, caption, style);
    // The keys work at once: no waiting for a repaint to hand the focus back.
    if (owner != nullptr && owner == MainWindowHandle && ButtonHandles[FocusedButton] != nullptr) {
        SetFocus(ButtonHandles[FocusedButton]);
    }
    return answer;
}
