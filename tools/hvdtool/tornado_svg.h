// The tornado charts of hvdtool range --svg: a standalone SVG image of the
// one-at-a-time sensitivity, one chart for the inhabited planets and one
// for the civilizations in our galaxy. Each has one bar per varied
// parameter, largest change at the top, on a logarithmic axis.
#pragma once

#include <string>

#include "tools/hvdtool/range_run.h"
#include "tools/hvdtool/range_sampler.h"

// Each chart is a <g class="chart" data-count="inhabited-planets"> (or
// "galaxy-civilizations"); each of its bars a <g class="bar"
// data-parameter="NAME"> with a <title> and one <rect> per side of the
// value at the medians.
std::string TornadoSvg(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA,
                       const std::string& fileB);
