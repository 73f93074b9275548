#include "app/command_buttons.h"

#include "app/app_state.h"
#include "app/help_exit.h"

namespace {

// The id of a button, or 0 when the window is none of the five.
int ButtonId(HWND window)
{
    for (int id = 1; id <= CommandCount; ++id) {
        if (ButtonHandles[id] == window && window != nullptr) return id;
    }
    return 0;
}

void SetButtonStyle(HWND button, LONG style)
{
    SendMessageA(button, BM_SETSTYLE, static_cast<WPARAM>(style), TRUE);
    InvalidateRect(button, nullptr, FALSE);
}

void FocusButton(int id)
{
    FocusedButton = static_cast<std::uint8_t>(id);
    SetFocus(ButtonHandles[id]);
}

void OnButtonSetFocus(HWND button, HWND previous)
{
    if (ButtonId(previous) != 0) SetButtonStyle(previous, BS_PUSHBUTTON);
    // From the main window itself (after a reactivation) the focus may come
    // to another button than the one that last held it and wears the look.
    HWND last = ButtonHandles[FocusedButton];
    if (last != button && last != previous && ButtonId(last) != 0) SetButtonStyle(last, BS_PUSHBUTTON);
    SetButtonStyle(button, BS_DEFPUSHBUTTON);
    int id = ButtonId(button);
    if (id != 0) FocusedButton = static_cast<std::uint8_t>(id);
}

// Typed lower-case command letters (Shift or Caps Lock: nothing).
int CommandOfCharacter(WPARAM character)
{
    switch (character) {
    case 'e': return CommandEdit;
    case 'l': return CommandLoad;
    case 's': return CommandSave;
    case 'q': return CommandQuit;
    case 'h': return CommandHelp;
    default: return 0;
    }
}

// Alt+letter, by virtual key: either case.
int CommandOfAltKey(WPARAM virtualKey)
{
    switch (virtualKey) {
    case 'E': return CommandEdit;
    case 'L': return CommandLoad;
    case 'S': return CommandSave;
    case 'Q': return CommandQuit;
    case 'H': return CommandHelp;
    default: return 0;
    }
}

}  // namespace

void SendCommand(int id, HWND button)
{
    SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(button));
}

void ButtonKeyDown(HWND button, WPARAM virtualKey)
{
    if (virtualKey == VK_UP) virtualKey = VK_LEFT;
    if (virtualKey == VK_RIGHT || virtualKey == VK_DOWN) virtualKey = VK_TAB;
    switch (virtualKey) {
    case VK_TAB: FocusButton(FocusedButton >= CommandCount ? 1 : FocusedButton + 1); break;
    case VK_LEFT: FocusButton(FocusedButton <= 1 ? CommandCount : FocusedButton - 1); break;
    case VK_RETURN: {
        int id = ButtonId(button);
        if (id != 0) SendCommand(id, button);
        break;
    }
    case VK_ESCAPE: ExitProgram(); break;
    default: break;
    }
}

LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS: OnButtonSetFocus(button, reinterpret_cast<HWND>(wParam)); break;
    case WM_KEYDOWN: ButtonKeyDown(button, wParam); break;
    case WM_CHAR: {
        int id = CommandOfCharacter(wParam);
        if (id != 0) SendCommand(id, ButtonHandles[id]);
        break;
    }
    case WM_SYSKEYDOWN: {
        int id = CommandOfAltKey(wParam);
        if (id != 0) SendCommand(id, ButtonHandles[id]);
        break;
    }
    default: break;
    }
    // A Quit run from a key has destroyed the button with the main window.
    if (!IsWindow(button)) return 0;
    return CallWindowProcA(ButtonClassProc, button, message, wParam, lParam);
}
