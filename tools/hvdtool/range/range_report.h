// The reports of hvdtool range: the text a person reads and the JSON a
// script reads, from one RangeReport.
#pragma once

#include <string>

#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/range/range_sampler.h"

// How a parameter value reads in the reports: counts grouped, reals as
// the wizard shows them.
std::string SpreadValueText(const ParameterSpread& p, long double value);

// A product before rounding, to three significant digits: "0.0312",
// "8,050", "1.23e+21".
std::string ProductText(long double product);

std::string RangeReportText(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA,
                            const std::string& fileB);
std::string RangeReportJson(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA,
                            const std::string& fileB);
