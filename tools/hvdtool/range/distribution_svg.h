// The distribution chart of hvdtool range --svg: a histogram of the draws
// over a logarithmic axis, the share below one shaded, the 5 %, 50 % and
// 95 % points marked, the draws the axis cannot show said in words.
#pragma once

#include <string>

#include "tools/hvdtool/range/range_histogram.h"

// Appends the chart of the galaxy's civilizations or the inhabited planets
// from top; returns the height it takes. With prior (the draws before an
// update, h the weighted ones), its bars stand faintly behind h's.
int DistributionChart(std::string* svg, const Histogram& h, const Histogram* prior, bool galaxy, int top);
