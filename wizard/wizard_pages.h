// The wizard's five pages: filling their fields from the SettingsRecord and
// reading, testing and storing them when a page is left.
#pragma once

#include <cstdint>

#include "model/settings_record.h"

// Fills the controls of the page on show (CurrentPage). Pages 3 and 4 first
// recompute the derived count they show from the values stored so far.
void FillWizardPage();

// Reads, tests and stores the fields of the page on show, in order; the
// first field that fails gets the focus (and, as a rule, a message) and the
// result is false. Every value is stored as soon as it is read, except the
// star count, which is stored only once it passed.
bool ValidateAndStorePage();

// A share or probability field: a number from 0 to 1.
bool ReadProbability(int id, float SettingsRecord::*field);
// Any number a 32-bit float holds.
bool ReadDecimal(int id, float SettingsRecord::*field);

// "Invalid setting found." (caption "Error"), then the focus on the field.
void ReportInvalidSetting(int id);
void FocusPageControl(int id);
// Sets a control's text; null sets an empty one.
void SetPageItemText(int id, const char* text);
