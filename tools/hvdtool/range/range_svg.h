// The charts of hvdtool range --svg, in one standalone SVG image: for the
// civilizations in our galaxy and then for the inhabited planets, the
// distribution of the draws and a tornado chart of the one-at-a-time
// sensitivity, one bar per varied parameter, largest change at the top;
// after the civilizations' two, a tornado chart of the share of draws with
// fewer than one of them with each parameter held at its ends.
// With --sobol the Sobol indices' chart follows (sobol_svg.h).
#pragma once

#include <string>

#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/range/range_sampler.h"

// Each distribution is a <g class="distribution" data-count="NAME">, NAME
// being "galaxy-civilizations" or "inhabited-planets"; each tornado chart
// a <g class="chart" data-count="NAME">, each of its bars a <g class="bar"
// data-parameter="PARAMETER"> with a <title> and one <rect> per side of the
// value at the medians (of the share over all draws in the chart whose NAME
// is "below-one-at-ends").
std::string RangeSvg(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA, const std::string& fileB);
