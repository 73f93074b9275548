// The five-page settings wizard.
#pragma once

#include <cstdint>

// Runs the wizard modally over the main window, starting at startPage.
// True when the user left it with OK; CurrentPage holds the last page.
bool RunSettingsWizard(std::uint8_t startPage);

// The wizard is on show (from its frame's creation until it has ended).
bool SettingsWizardOpen();
