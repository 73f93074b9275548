// Number texts of hvdtool's reports beyond the results screen's own:
// significant digits, percentages, floats that read back exactly. Built on
// the model's decimal conversion, not the C library's, so that the native
// and the Windows builds write the same characters.
#pragma once

#include <string>

// value rounded to `digits` significant digits (2 to 18) in plain decimal
// form without trailing zeros: 0.0123, 12.3, 1230000. From 10^21 up and
// below 10^-7 the exponent form 1.23e+21 instead. grouped puts commas in
// the digits before the point (1,230,000). Non-finite values read
// "infinite", "-infinite" and "undefined". keepZeros keeps the trailing
// zeros of the significant digits (4.00 rather than 4).
std::string SignificantText(long double value, int digits, bool grouped, bool keepZeros = false);

// share (0 to 1) as a percentage with one decimal: 0.4567 -> "45.7".
std::string PercentText(long double share);

// The shortest plain or exponent text (2 to 9 significant digits) that the
// program's own number reader turns back into exactly this float: 0.9f ->
// "0.9". Non-finite values as in SignificantText.
std::string FloatText(float value);
