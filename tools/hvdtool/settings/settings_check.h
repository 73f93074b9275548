// What the settings wizard would refuse in a stored block.
//
// The wizard shows each field with the program's own field text (a count
// with all its digits, a real in a text that reads back to the very same
// float) and keeps a field the user did not type in as stored; a value the
// user types is read from such a text. So a real is accepted whenever it is
// finite (and from 0 to 1 where the field is a share or a probability), a
// count whenever its 0 to 16 digits can be read back, and then the
// ranges and the rules that join fields apply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The wizard's rules, one bit each: bit i is the own rule of the i-th field
// of SettingsFields (its text reads back, its range), the bits above join
// fields.
typedef std::uint32_t WizardRules;
const WizardRules StarKindSumRule = 1u << 22;   // DwarfShare + SunLikeShare + GiantShare at most 1.01
const WizardRules FirstLifeRule = 1u << 23;     // first life no later than the first civilization
const WizardRules CivilizationSpanRule = 1u << 24;  // the span within what the first civilization leaves
const WizardRules JoiningRules = StarKindSumRule | FirstLifeRule | CivilizationSpanRule;
const WizardRules AllWizardRules = (1u << 25) - 1;

// The rules among `rules` that the block breaks; 0 when it keeps them all.
// Arithmetic only, no shared buffers: any number of threads may call it,
// each with the x87 set to extended precision (SetExtendedPrecision).
WizardRules BrokenWizardRules(const unsigned char* storedBlock, WizardRules rules = AllWizardRules);

// The rules that a field's value takes part in: its own and the joining
// ones. A block that keeps every other rule is accepted with a new value in
// that field when it keeps these.
WizardRules RulesOfField(std::size_t field);

// The largest count the wizard reads back: 16 digits.
const std::int64_t LargestFieldCount = 9999999999999999LL;

// One line per broken rule, in page order, e.g. "StarCount 999: below
// 1,000". Empty exactly when BrokenWizardRules is 0. Uses the number texts'
// buffers: one thread, while no other uses them.
std::vector<std::string> WizardRefusals(const unsigned char* storedBlock);

// The last message the number readers showed (hvdtool collects them
// instead of showing message boxes).
extern std::string LastInputMessage;
