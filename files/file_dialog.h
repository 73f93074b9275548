// The open and save dialogs for settings files.
#pragma once

// Lets the user choose a settings file, starting from SettingsFileName,
// which holds the chosen full name afterwards. True when a file was chosen.
bool ChooseSettingsFile(bool forOpen);
