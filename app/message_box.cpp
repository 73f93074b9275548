#include "app/message_box.h"

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style)
{
    return MessageBoxA(owner, text, caption, style);
}
