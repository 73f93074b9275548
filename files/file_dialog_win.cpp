// The file selection dialogs are still to come: until then Load and Save
// choose nothing.
#include "files/file_dialog.h"

bool ChooseSettingsFile(bool)
{
    return false;
}

std::int16_t FileDialogLeft = 0;
std::int16_t FileDialogTop = 0;
bool FileDialogFirstCall = false;
WNDPROC FileDialogClassProc = nullptr;
