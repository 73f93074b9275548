// What differs between two settings files (hvdtool diff): the stored
// values and texts, and the five results side by side.
#pragma once

#include <string>
#include <vector>

#include "files/settings_image.h"
#include "tools/hvdtool/settings/result_values.h"

struct SettingsChange {
    std::string field;                  // "StarCount", "CurrentPage", "Reserved", "AuthorName" ...
    std::string before, after;          // readable form: as show and the wizard display them
    std::string beforeJson, afterJson;  // JSON values: numbers where finite, else strings
};

// Every parameter, CurrentPage, Reserved and text whose stored bytes
// differ, in file order. Values are shown as show and the wizard show them;
// where two different values look alike there, their exact texts follow in
// brackets.
std::vector<SettingsChange> SettingsChanges(const SettingsFileView& a, const SettingsFileView& b);

struct ResultComparison {
    ResultValue a, b;
    bool ratioDefined;  // both are numbers and a is not 0
    long double ratio;  // b / a
};

// The results of each file as the program computes them after loading it
// (this loads both, B last, into the SettingsRecord).
void CompareResults(const SettingsFileView& a, const SettingsFileView& b, ResultComparison out[ResultLineCount]);

// The ratio with three significant digits ("0.0123", "1,230"), or "n/a".
std::string RatioText(const ResultComparison& comparison);
