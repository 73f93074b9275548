#include "app/app_state.h"

HWND MainWindowHandle = nullptr;
bool SettingsChanged = false;
