// hvdtool range --sobol --svg: the Sobol indices as one more chart of the
// range SVG, a bar per drawn parameter, largest total index at the top.
#pragma once

#include <string>

#include "tools/hvdtool/range/range_sampler.h"
#include "tools/hvdtool/range/sobol_run.h"

// Appends <g class="sobol-chart">: each parameter a <g class="index"
// data-parameter="NAME"> with a <title>, a <rect class="total"> from 0 to
// its total index, a <rect class="first"> from 0 to its first-order index
// over it, and a <g class="total-interval"> and a <g
// class="first-interval"> whisker for the two 95 % intervals. On a linear
// axis of 0 to 1, estimates beyond drawn at its ends. Returns the height it
// takes from top.
int SobolChart(std::string* svg, const SobolReport& sobol, const SettingsSampler& sampler, int top);
