// The wizard's pages are still to come: until then Edit changes nothing.
#include "wizard/settings_wizard.h"

#include "app/app_state.h"

bool RunSettingsWizard(std::uint8_t)
{
    WizardModified = false;
    return false;
}
