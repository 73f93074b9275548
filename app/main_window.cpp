// The full-screen main window: creation, its window procedure and the
// commands it carries out itself (Edit, Load, Save).
#include "app/main_window.h"

#include <cstring>

#include "app/app_state.h"
#include "app/command_buttons.h"
#include "app/help_exit.h"
#include "app/message_box.h"
#include "display/display_surfaces.h"
#include "display/results_screen.h"
#include "files/file_dialog.h"
#include "files/settings_file.h"
#include "model/estimation.h"
#include "model/settings_record.h"
#include "wizard/settings_wizard.h"

namespace {

const char WindowClassName[] = "HalWnd";
const char* const ButtonLabels[CommandCount + 1] = {"", "&Edit", "&Load", "&Save", "&Quit", "&Help"};
const int ButtonWidth = 96;
const int ButtonPitch = 110;  // 96 pixels and a 14-pixel gap

void TakeEditSnapshot()
{
    std::memcpy(EditSnapshot.parameters, StoredBlockBytes(), ParameterBlockSize);
    EditSnapshot.suitableStarCount = Settings.SuitableStarCount;
    EditSnapshot.inhabitedPlanetTotal = Settings.InhabitedPlanetTotal;
    EditSnapshot.suitableStarExponent = Settings.SuitableStarExponent;
    EditSnapshot.inhabitedPlanetExponent = Settings.InhabitedPlanetExponent;
}

void RestoreEditSnapshot()
{
    std::memcpy(StoredBlockBytes(), EditSnapshot.parameters, ParameterBlockSize);
    Settings.SuitableStarCount = EditSnapshot.suitableStarCount;
    Settings.InhabitedPlanetTotal = EditSnapshot.inhabitedPlanetTotal;
    Settings.SuitableStarExponent = EditSnapshot.suitableStarExponent;
    Settings.InhabitedPlanetExponent = EditSnapshot.inhabitedPlanetExponent;
}

void EditCommand()
{
    TakeEditSnapshot();
    if (!RunSettingsWizard(Settings.CurrentPage)) {
        RestoreEditSnapshot();  // CurrentPage and the texts stay as the wizard left them
    } else {
        if (std::memcmp(EditSnapshot.parameters, StoredBlockBytes(), ParameterBlockSize) != 0) WizardModified = true;
        if (WizardModified) {
            ComputeResults();
            SettingsChanged = true;
            PaintResults(true);
        }
    }
    SetFocus(ButtonHandles[FocusedButton]);
}

void LoadCommand()
{
    if (!ChooseSettingsFile(true)) return;
    LoadSettings(SettingsFileName);  // a failure has shown its message; repaint all the same
    PaintResults(true);
}

void SaveCommand()
{
    if (!ChooseSettingsFile(false)) return;
    SaveSettings(SettingsFileName, true);
    PaintResults(true);  // the settings line shows the file's new date
}

void RunCommand(int id)
{
    switch (id) {
    case CommandEdit: EditCommand(); break;
    case CommandLoad: LoadCommand(); break;
    case CommandSave: SaveCommand(); break;
    case CommandQuit: ExitProgram(); break;
    case CommandHelp: ShowHelp(1); break;
    default: break;
    }
}

// Windows ends the process once WM_ENDSESSION returns, without WM_CLOSE or
// WM_DESTROY: the settings would be lost. An open wizard's pages count only
// when it ends with OK: what is saved is what a Cancel would leave.
void OnEndSession(bool ending)
{
    if (!ending) return;
    const bool wizardOpen = SettingsWizardOpen();
    unsigned char edited[ParameterBlockSize];
    if (wizardOpen) {
        std::memcpy(edited, StoredBlockBytes(), ParameterBlockSize);
        std::memcpy(StoredBlockBytes(), EditSnapshot.parameters, ParameterBlockSize);
    }
    SaveAtSessionEnd();
    if (wizardOpen) std::memcpy(StoredBlockBytes(), edited, ParameterBlockSize);
}

void OnCreate(HWND window)
{
    MainWindowHandle = window;
    CreateDisplaySurfaces(window);
}

void OnDestroy(HWND window)
{
    CloseHelp();
    DestroyDisplaySurfaces(window);
    PostQuitMessage(0);
}

// The window itself handles no keys: the focus it gets (back from a message
// box or dialog, or at a reactivation) goes on to the focused button.
void OnSetFocus()
{
    RefreshPalette();
    HWND button = ButtonHandles[FocusedButton];
    if (button != nullptr) SetFocus(button);
}

void CreateButtons(HINSTANCE instance)
{
    FocusedButton = CommandEdit;
    for (int id = 1; id <= CommandCount; ++id) {
        HWND button = CreateWindowExA(0, "Button", ButtonLabels[id], WS_CHILD, ButtonRowLeft + (id - 1) * ButtonPitch,
                                      ButtonRowTop - 3, ButtonWidth, ButtonHeight, MainWindowHandle, nullptr, instance, nullptr);
        ButtonHandles[id] = button;
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT)), FALSE);
        ShowWindow(button, SW_SHOW);
        LONG_PTR previous = SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProc));
        if (id == 1) ButtonClassProc = reinterpret_cast<WNDPROC>(previous);
        SetWindowLongPtrA(button, GWLP_ID, id);
    }
    SetFocus(ButtonHandles[CommandEdit]);
    SendMessageA(ButtonHandles[CommandEdit], BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(window); break;
    case WM_CLOSE: CloseHtmlHelp(); break;  // then destroyed by the default processing
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_SETFOCUS: OnSetFocus(); break;
    case WM_PAINT:
        // Painted and validated: DefWindowProc's BeginPaint would find
        // nothing left, at the cost of a second one.
        PaintResults(FirstPaint);
        return 0;
    case WM_HELP: ShowHelp(1); break;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0) RunCommand(LOWORD(wParam));
        break;
    case WM_PALETTECHANGED: NotePaletteChange(); break;
    case WM_ENDSESSION: OnEndSession(wParam != 0); return 0;
    case WM_NCPAINT:
    case WM_NCACTIVATE: NoteBorderDrawn(); break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CreateMainWindow(HINSTANCE instance)
{
    InitStartValues();
    RemoveLeftoverNewFiles(ProgramFilePath(""));
    if (!LoadSettings("Internal.hvd")) return false;  // the message has been shown
    ComputeResults();

    ScreenWidth = static_cast<std::int16_t>(GetSystemMetrics(SM_CXSCREEN));
    ScreenHeight = static_cast<std::int16_t>(GetSystemMetrics(SM_CYSCREEN));
    ButtonRowWidth = 536;
    ButtonRowLeft = static_cast<std::int16_t>(ScreenWidth / 2 - ButtonRowWidth / 2);
    ButtonRowTop = static_cast<std::int16_t>(ScreenHeight - 70);
    ButtonHeight = 26;

    LOGFONTA fixedFont = {};
    GetObjectA(GetStockObject(SYSTEM_FIXED_FONT), sizeof fixedFont, &fixedFont);
    LargeSystemFont = fixedFont.lfHeight > 15;

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.lpszClassName = WindowClassName;
    RegisterClassA(&windowClass);  // a failure shows up as the window's

    MainWindowHandle = CreateWindowExA(0, WindowClassName, "Halvorendyne", WS_POPUP | WS_BORDER | WS_SYSMENU, 0, 0,
                                       ScreenWidth, ScreenHeight, nullptr, nullptr, instance, nullptr);
    if (MainWindowHandle == nullptr) {
        ShowMessage(nullptr, "Error", "Halvorendyne", MB_ICONERROR | MB_SYSTEMMODAL);
        return false;
    }
    ShowWindow(MainWindowHandle, SW_SHOWDEFAULT);
    SendMessageA(MainWindowHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(1))));
    CreateButtons(instance);
    return true;
}

int RunMessageLoop()
{
    MSG message;
    // An error result (-1) goes on like any other non-zero one.
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
