// Files for hvdtool's commands: reading settings files, writing outputs,
// and the one-line failure report ("hvdtool: FILE: problem", status 2).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "files/settings_image.h"
#include "tools/tool_output.h"

// Prints "hvdtool: WHAT: PROBLEM" on stderr and returns 2. WHAT names the
// file or the option at fault.
int Fail(const std::string& what, const std::string& problem);

// The whole file; false with the problem ("cannot open: ...") on failure.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* problem);

// Reads and checks a settings file; the view points into bytes. On failure
// the problem is reported (Fail) and *status is 2.
bool ReadSettingsFile(const std::string& path, std::vector<unsigned char>* bytes, SettingsFileView* view, int* status);

// Whether the settings wizard accepts every field of the file; if not,
// the first refusal is reported (Fail, naming hvdtool check) and *status
// is 2.
bool WizardAccepts(const std::string& path, const SettingsFileView& view, int* status);

// The file's last-write date as the results screen writes it ("Mar 07
// 1998"), or "?".
std::string FileDateText(const std::string& path);

// The SettingsRecord as the program holds it after loading the file, with
// its results computed.
void LoadIntoRecord(const SettingsFileView& view);
