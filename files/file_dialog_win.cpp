// The file selection dialogs are still to come: until then Load and Save
// choose nothing.
#include "files/file_dialog.h"

bool ChooseSettingsFile(bool)
{
    return false;
}
