#include "app/app_state.h"

#include <cstring>

#include "model/settings_record.h"

HWND MainWindowHandle = nullptr;
HWND ButtonHandles[CommandCount + 1] = {};
std::uint8_t FocusedButton = CommandEdit;
WNDPROC ButtonClassProc = nullptr;
bool SettingsChanged = false;
bool WizardModified = false;
char SettingsFileName[PathBufferSize] = "";
char PathBuffer[PathBufferSize] = "";
std::int16_t ScreenWidth = 0;
std::int16_t ScreenHeight = 0;
std::int16_t ButtonRowLeft = 0;
std::int16_t ButtonRowTop = 0;
std::int16_t ButtonRowWidth = 536;
std::int16_t ButtonHeight = 26;
bool LargeSystemFont = false;
bool FirstPaint = true;
EditSnapshotData EditSnapshot;

static_assert(sizeof EditSnapshot.parameters == ParameterBlockSize, "the parameter block");

void InitStartValues()
{
    InitSettingsRecord();
    std::strcpy(SettingsFileName, "Default Settings.hvd");
}
