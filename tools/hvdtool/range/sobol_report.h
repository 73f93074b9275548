// The Sobol indices in hvdtool range's reports: a section of the text and
// the JSON key "sobol".
#pragma once

#include <string>

#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/range/range_sampler.h"
#include "tools/hvdtool/range/sobol_run.h"

// An index as the reports write it: three decimals ("0.512", "-0.003"),
// "n/a" where log10 N does not vary.
std::string SobolIndexText(long double index);

// The section: one line per drawn parameter, largest total index first.
void AppendSobolText(std::string* out, const SobolReport& sobol, const SettingsSampler& sampler, std::uint64_t seed);

// "sobol": {"output", "baseSamples", "floored", "refusedMixed", ..., "indices": [...]}.
void WriteSobolJson(JsonWriter* json, const SobolReport& sobol, const SettingsSampler& sampler);
