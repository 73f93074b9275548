// Extended-precision (x87, 64-bit significand) building blocks of the model.
//
// Every model computation is done in `long double`, which GCC maps to the
// x87 80-bit format on both Windows targets and on Linux. The transcendental
// functions use the x87 instructions directly, so the native and the Windows
// builds produce the same bits without depending on either C library.
#pragma once

#include <cstdint>

// Loads the x87 control word for the model: 64-bit significands,
// round-to-nearest-even, all exceptions masked (so 1/0 gives infinity and
// 0/0 a NaN instead of a trap), after clearing pending exception flags.
// Windows starts new threads with 53-bit precision, and DLLs that load into
// the program's thread (shell extensions in the file dialogs, input
// methods, drivers) may change the word at any time: every model routine
// that computes in extended precision (the estimation stages, the number
// texts and their readers) calls this first.
void SetExtendedPrecision();

// The x87 control word currently in force (for tests and diagnostics).
std::uint16_t ReadX87ControlWord();

// The extended number nearest to 1/3: sign 0, biased exponent 3FFD,
// significand AAAAAAAAAAAAAAAB. Built from its bits, not computed, so it is
// the same whatever the precision control says at the time.
long double OneThirdValue();

// x rounded to the nearest whole number, ties to the even neighbour
// (0.5 -> 0, 1.5 -> 2, 2.5 -> 2). Infinities and NaN come back unchanged.
long double NearestReal(long double x);

// Natural logarithm and exponential in extended precision.
// LnExtended(0) = -inf, LnExtended(negative) = NaN, LnExtended(+inf) = +inf.
// ExpExtended(-inf) = 0, ExpExtended(+inf) = +inf; overflow gives +inf.
long double LnExtended(long double x);
long double ExpExtended(long double x);

// Conversion of an extended value to a signed 64-bit count without undefined
// behaviour. The value is rounded with NearestReal first. Returns true and
// stores the count when it lies in the signed 64-bit range; otherwise stores
// INT64_MAX (for values above the range and +inf), INT64_MIN (below the
// range and -inf) or 0 (NaN) and returns false.
bool RealToCount(long double x, std::int64_t* count);

// Conversion of an extended value to a 32-bit float without undefined
// behaviour: rounds to the nearest float; beyond the float range the result
// is the infinity of the value's sign, as IEEE 754 prescribes.
float RealToFloat(long double x);

// Sign bit, including the sign of -0 and of NaNs.
bool SignBitOf(long double x);
