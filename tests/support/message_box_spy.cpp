#include "tests/support/message_box_spy.h"

#include <algorithm>

namespace {

// The static control that holds a message box's text, on Windows and Wine.
const int MessageTextId = 0xFFFF;
const UINT_PTR AnswerTimerId = 0x5EB0;

HHOOK SpyHook = nullptr;
int ChosenAnswer = 0;
std::vector<SpiedMessage> Messages;
// Boxes recorded but not yet answered, with their place in Messages: a
// box is activated again when focus comes back to it, and must be recorded
// only the first time.
struct WaitingBox {
    HWND box;
    std::size_t message;
};
std::vector<WaitingBox> WaitingBoxes;

std::vector<WaitingBox>::iterator FindWaiting(HWND box)
{
    return std::find_if(WaitingBoxes.begin(), WaitingBoxes.end(),
                        [box](const WaitingBox& waiting) { return waiting.box == box; });
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    if (window == nullptr) return std::string();
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

LONG_PTR StyleOf(HWND window)
{
    return GetWindowLongPtrA(window, GWL_STYLE);
}

bool IsMessageBox(HWND box)
{
    if (ClassOf(box) != "#32770" || GetDlgItem(box, MessageTextId) == nullptr) return false;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::string name = ClassOf(child);
        if (name != "Static" && name != "Button") return false;
    }
    return true;
}

// The box's icon as the MB_ICON flag that asked for it. Both Windows and
// Wine put the icon into an SS_ICON static; Wine loads it with
// LoadIcon(0, IDI_...), which hands out one shared handle per icon, so the
// handle tells the four apart.
UINT IconOf(HWND box)
{
    static const struct {
        LPCSTR resource;
        UINT flag;
    } SystemIcons[] = {
        {IDI_HAND, MB_ICONERROR},
        {IDI_ASTERISK, MB_ICONINFORMATION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
        {IDI_QUESTION, MB_ICONQUESTION},
    };
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Static" || (StyleOf(child) & SS_TYPEMASK) != SS_ICON) continue;
        HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (shown == nullptr) continue;
        for (const auto& icon : SystemIcons) {
            if (shown == LoadIconA(nullptr, icon.resource)) return icon.flag;
        }
        return MB_USERICON;
    }
    return 0;
}

// The box's default button. Inside the modal loop the focus is on it (a
// message box gives it the focus, and it does not move until a user moves
// it). Wine leaves BS_DEFPUSHBUTTON on the template's OK button as well as
// on the chosen default, so the style is only the second guess.
int DefaultButtonOf(HWND box)
{
    HWND focus = GetFocus();
    if (focus != nullptr && GetParent(focus) == box && ClassOf(focus) == "Button") return GetDlgCtrlID(focus);
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Button" && IsWindowVisible(child) &&
            (StyleOf(child) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            return GetDlgCtrlID(child);
        }
    }
    return IDOK;
}

// Runs inside the box's modal loop: presses the button as a click would.
void CALLBACK AnswerBox(HWND box, UINT, UINT_PTR timerId, DWORD)
{
    KillTimer(box, timerId);
    auto waiting = FindWaiting(box);
    if (waiting == WaitingBoxes.end()) return;
    int button = ChosenAnswer != 0 ? ChosenAnswer : DefaultButtonOf(box);
    if (waiting->message < Messages.size()) Messages[waiting->message].answer = button;
    WaitingBoxes.erase(waiting);
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

void RecordBox(HWND box)
{
    SpiedMessage message;
    message.text = TextOf(GetDlgItem(box, MessageTextId));
    message.caption = TextOf(box);
    message.owner = GetWindow(box, GW_OWNER);
    message.icon = IconOf(box);
    message.answer = 0;  // set when the button is pressed
    Messages.push_back(message);
    WaitingBoxes.push_back({box, Messages.size() - 1});
    SetTimer(box, AnswerTimerId, 0, AnswerBox);
}

// HCBT_ACTIVATE comes after WM_INITDIALOG, so text and icon are in place.
LRESULT CALLBACK WatchActivations(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && FindWaiting(window) == WaitingBoxes.end() && IsMessageBox(window)) {
        RecordBox(window);
    } else if (code == HCBT_DESTROYWND) {
        auto waiting = FindWaiting(window);
        if (waiting != WaitingBoxes.end()) WaitingBoxes.erase(waiting);
    }
    return CallNextHookEx(SpyHook, code, wParam, lParam);
}

}  // namespace

bool SpyOnMessageBoxes(int answer)
{
    ChosenAnswer = answer;
    Messages.clear();
    // A box still waiting keeps its timer, but no longer has a record.
    WaitingBoxes.erase(std::remove_if(WaitingBoxes.begin(), WaitingBoxes.end(),
                                      [](const WaitingBox& waiting) { return !IsWindow(waiting.box); }),
                       WaitingBoxes.end());
    for (WaitingBox& waiting : WaitingBoxes) waiting.message = static_cast<std::size_t>(-1);
    if (SpyHook == nullptr) {
        SpyHook = SetWindowsHookExA(WH_CBT, WatchActivations, nullptr, GetCurrentThreadId());
    }
    return SpyHook != nullptr;
}

void StopSpying()
{
    // Boxes already seen keep their timers and are still answered.
    if (SpyHook != nullptr) UnhookWindowsHookEx(SpyHook);
    SpyHook = nullptr;
}

const std::vector<SpiedMessage>& SpiedMessages()
{
    return Messages;
}
