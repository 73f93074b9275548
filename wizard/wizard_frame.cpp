#include "wizard/wizard_frame.h"

#include <cstring>

#include "app/app_state.h"
#include "app/help_exit.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "resources/resource_ids.h"
#include "wizard/settings_wizard.h"
#include "wizard/wizard_pages.h"

// WizardFrameHandle lives with the model's message box (input_message_win.cpp).
HWND WizardPageHandle = nullptr;
std::uint16_t FocusControlId = 0;
const std::uint16_t PageLastEditId[6] = {0, IDC_PAGE1_LAST_EDIT, IDC_PAGE2_LAST_EDIT, IDC_PAGE3_LAST_EDIT,
                                         IDC_PAGE4_LAST_EDIT, IDC_PAGE5_LAST_EDIT};
std::int16_t WizardLeft = 0;
std::int16_t WizardTop = 0;
HHOOK WizardKeyboardHook = nullptr;
bool ShiftKeyDown = false;

namespace {

const char* const PageTitles[6] = {"", "Stars in our Galaxy #1", "Stars in our Galaxy #2", "Habitable Planets",
                                   "Advanced Civilizations", "Textual Settings Description"};

// The page's own focus notification at its start is not a user's move.
bool IgnoreNextEditFocus = false;

std::uint16_t FirstEditId()
{
    return static_cast<std::uint16_t>(Settings.CurrentPage * 100 + 1);
}

HINSTANCE ProgramInstance()
{
    return GetModuleHandleA(nullptr);
}

// Changes only the button type, keeping other style bits (BS_NOTIFY).
void SetButtonType(int id, LONG type, BOOL redraw)
{
    HWND button = GetDlgItem(WizardFrameHandle, id);
    LONG style = static_cast<LONG>(GetWindowLongPtrA(button, GWL_STYLE));
    SendMessageA(button, BM_SETSTYLE, static_cast<WPARAM>((style & 0xFFFF & ~BS_TYPEMASK) | type), redraw);
}

void AddNotifyStyle(int id)
{
    HWND button = GetDlgItem(WizardFrameHandle, id);
    SetWindowLongPtrA(button, GWL_STYLE, GetWindowLongPtrA(button, GWL_STYLE) | BS_NOTIFY);
}

// Points the ring at a control that has just received the focus: walks it
// backward from OK until that control comes up (one turn at most).
void ResynchroniseFocus(HWND control)
{
    FocusControlId = IDC_WIZARD_OK;
    for (int step = 0; step < 24; ++step) {
        if (StepFocus(true, false) == control) return;
    }
}

std::uint16_t NextRingId(std::uint16_t id, bool backward)
{
    const std::uint16_t first = FirstEditId();
    const std::uint16_t last = PageLastEditId[Settings.CurrentPage];
    if (!backward) {
        if (id > 100) return id + 1 > last ? IDC_WIZARD_PREVIOUS : id + 1;
        switch (id) {
        case IDC_WIZARD_OK: return IDC_WIZARD_HELP;
        case IDC_WIZARD_HELP: return first;
        case IDC_WIZARD_PREVIOUS: return IDC_WIZARD_NEXT;
        case IDC_WIZARD_NEXT: return IDC_WIZARD_OK;
        default: return id;
        }
    }
    if (id > 100) return id - 1 == first - 1 ? IDC_WIZARD_HELP : id - 1;
    switch (id) {
    case IDC_WIZARD_OK: return IDC_WIZARD_NEXT;
    case IDC_WIZARD_HELP: return IDC_WIZARD_OK;
    case IDC_WIZARD_PREVIOUS: return last;
    case IDC_WIZARD_NEXT: return IDC_WIZARD_PREVIOUS;
    default: return id;
    }
}

void OnFrameInit(HWND frame)
{
    WizardFrameHandle = frame;
    RECT outer;
    GetWindowRect(frame, &outer);
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;
    if (WizardLeft == 0 && WizardTop == 0) {
        WizardLeft = static_cast<std::int16_t>(ScreenWidth / 2 - width / 2);
        WizardTop = static_cast<std::int16_t>(ScreenHeight / 2 - height / 2 - 10);
    }
    SetWindowPos(frame, nullptr, WizardLeft, WizardTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    AddNotifyStyle(IDC_WIZARD_OK);
    AddNotifyStyle(IDC_WIZARD_HELP);
    AddNotifyStyle(IDC_WIZARD_PREVIOUS);
    AddNotifyStyle(IDC_WIZARD_NEXT);
    ShowWizardPage(Settings.CurrentPage);
}

void OnFrameDestroy(HWND frame)
{
    RECT outer;
    GetWindowRect(frame, &outer);
    WizardLeft = static_cast<std::int16_t>(outer.left);
    WizardTop = static_cast<std::int16_t>(outer.top);
}

}  // namespace

bool RunSettingsWizard(std::uint8_t startPage)
{
    // A settings file may carry any page byte: out of range opens page 1.
    Settings.CurrentPage = startPage >= 1 && startPage <= 5 ? startPage : 1;
    WizardPageHandle = nullptr;
    WizardModified = false;
    // A Shift released while no wizard was watching must not reverse Tab.
    ShiftKeyDown = false;
    INT_PTR result = DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_WIZARD_FRAME), MainWindowHandle,
                                     WizardFrameProc, 0);
    WizardFrameHandle = nullptr;
    WizardPageHandle = nullptr;
    return result == IDOK;
}

bool SettingsWizardOpen()
{
    return WizardFrameHandle != nullptr;
}

void HandleWizardCommand(std::uint16_t id)
{
    switch (id) {
    case IDC_WIZARD_OK:
        if (ValidateAndStorePage()) EndDialog(WizardFrameHandle, IDOK);
        break;
    case IDC_WIZARD_CANCEL: EndDialog(WizardFrameHandle, IDCANCEL); break;
    case IDC_WIZARD_HELP: ShowHelp(static_cast<std::uint8_t>(Settings.CurrentPage + 2)); break;
    case IDC_WIZARD_PREVIOUS:
        if (ValidateAndStorePage()) ShowWizardPage(static_cast<std::uint8_t>(Settings.CurrentPage - 1));
        break;
    case IDC_WIZARD_NEXT:
        if (ValidateAndStorePage()) ShowWizardPage(static_cast<std::uint8_t>(Settings.CurrentPage + 1));
        break;
    default: break;
    }
}

void ShowWizardPage(std::uint8_t page)
{
    if (WizardPageHandle) DestroyWindow(WizardPageHandle);  // its WM_DESTROY removes the hook
    WizardPageHandle = nullptr;
    Settings.CurrentPage = page;
    CreateDialogParamA(ProgramInstance(), MAKEINTRESOURCEA(page), WizardFrameHandle, WizardPageProc, 0);
    SetButtonType(IDC_WIZARD_OK, BS_DEFPUSHBUTTON, TRUE);
    SetButtonType(IDC_WIZARD_PREVIOUS, BS_PUSHBUTTON, FALSE);
    SetButtonType(IDC_WIZARD_NEXT, BS_PUSHBUTTON, FALSE);
}

void InitWizardPage(HWND page)
{
    WizardPageHandle = page;
    IgnoreNextEditFocus = true;
    SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    EnableWindow(GetDlgItem(WizardFrameHandle, IDC_WIZARD_PREVIOUS), Settings.CurrentPage > 1);
    EnableWindow(GetDlgItem(WizardFrameHandle, IDC_WIZARD_NEXT), Settings.CurrentPage < 5);
    FocusControlId = FirstEditId();
    SetFocus(GetDlgItem(page, FocusControlId));

    char caption[64] = "Step ";
    std::strcat(caption, CountToText(Settings.CurrentPage));
    std::strcat(caption, " of 5: ");
    std::strcat(caption, PageTitles[Settings.CurrentPage]);
    SetWindowTextA(WizardFrameHandle, caption);

    if (WizardKeyboardHook == nullptr) {
        DWORD thread = GetWindowThreadProcessId(MainWindowHandle, nullptr);
        WizardKeyboardHook = SetWindowsHookExA(WH_KEYBOARD, WizardKeyboardProc, ProgramInstance(), thread);
    }
    FillWizardPage();
}

HWND StepFocus(bool backward, bool setFocus)
{
    // Disabled buttons are skipped; the ring always holds enabled controls.
    for (int step = 0; step < 24; ++step) {
        FocusControlId = NextRingId(FocusControlId, backward);
        HWND control = FocusControlId > 100 ? GetDlgItem(WizardPageHandle, FocusControlId)
                                            : GetDlgItem(WizardFrameHandle, FocusControlId);
        if (control != nullptr && !IsWindowEnabled(control)) continue;
        if (setFocus) SetFocus(control);
        return control;
    }
    return nullptr;
}

INT_PTR CALLBACK WizardFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: OnFrameInit(frame); return FALSE;  // the page has placed the focus
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_SETFOCUS) {
            ResynchroniseFocus(GetDlgItem(frame, LOWORD(wParam)));
        } else if (HIWORD(wParam) != BN_KILLFOCUS) {
            HandleWizardCommand(LOWORD(wParam));
        }
        return FALSE;
    case WM_HELP: HandleWizardCommand(IDC_WIZARD_HELP); return TRUE;
    case WM_DESTROY: OnFrameDestroy(frame); return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitWizardPage(page); break;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_SETFOCUS) {
            if (IgnoreNextEditFocus) {
                IgnoreNextEditFocus = false;
            } else {
                ResynchroniseFocus(reinterpret_cast<HWND>(lParam));
            }
        }
        break;
    case WM_DESTROY:
        if (WizardKeyboardHook) {
            UnhookWindowsHookEx(WizardKeyboardHook);
            WizardKeyboardHook = nullptr;
        }
        break;
    default: break;
    }
    return FALSE;
}

namespace {

// Acts on a key the hook sees being taken from the queue; true swallows it.
bool HandleWizardKey(WPARAM virtualKey, LPARAM keyFlags)
{
    const bool pressed = (static_cast<DWORD>(keyFlags) & 0x80000000u) == 0;
    if (virtualKey == VK_SHIFT) {
        ShiftKeyDown = pressed;
        return false;
    }
    // Keys typed elsewhere on this thread are theirs: an HTML Help window
    // opened from a page runs on this thread under Wine.
    HWND focus = GetFocus();
    if (focus == nullptr) focus = GetActiveWindow();
    if (!pressed || focus == nullptr || (focus != WizardFrameHandle && !IsChild(WizardFrameHandle, focus))) return false;
    if (FocusControlId > 500 && virtualKey == VK_ESCAPE) {
        HandleWizardCommand(IDC_WIZARD_CANCEL);
        return true;
    }
    if (virtualKey == VK_TAB) {
        StepFocus(ShiftKeyDown, true);
        return true;
    }
    if ((virtualKey == VK_UP || virtualKey == VK_DOWN) && FocusControlId <= IDC_AUTHOR_NAME) {
        StepFocus(virtualKey == VK_UP, true);
        return true;
    }
    return false;
}

}  // namespace

LRESULT CALLBACK WizardKeyboardProc(int code, WPARAM virtualKey, LPARAM keyFlags)
{
    // Only a key being removed from the queue counts: HC_NOREMOVE is a peek,
    // and the same key comes again. Every key left alone goes on to the
    // other hooks in the chain.
    if (code == HC_ACTION && HandleWizardKey(virtualKey, keyFlags)) return 1;
    return CallNextHookEx(WizardKeyboardHook, code, virtualKey, keyFlags);
}
