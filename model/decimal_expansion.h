// Exact decimal digits of an extended-precision value.
//
// Every finite x87 value is m * 2^e with a 64-bit m, so it has a finite
// decimal expansion: m * 2^e itself for e >= 0, and m * 5^-e scaled by
// 10^e for e < 0. The digits are computed exactly with a fixed-size big
// integer, which lets the number texts round correctly (ties included)
// instead of trusting a C library that may not print `long double` at all.
#pragma once

#include <cstdint>

// Enough for the longest expansion, the smallest subnormal:
// 2^-16445 has 11,496 significant digits.
const int MaxExpansionDigits = 11600;

// The value sum(digits[i] * 10^(lastExponent + count - 1 - i)).
struct DecimalDigits {
    char digits[MaxExpansionDigits];  // '0'..'9', most significant first
    int count;                        // at least 1; "0" alone for zero
    int lastExponent;                 // power of ten of digits[count - 1]
};

// Writes the exact expansion of |x| (finite x only; the sign is ignored).
// The first digit is non-zero unless x is zero; trailing zeros are dropped.
// Keeps no state: threads may expand into digits of their own at once.
void ExpandDecimal(long double x, DecimalDigits* out);

// Power of ten of the leading digit; 0 for zero.
int LeadingExponent(const DecimalDigits& d);

bool IsZeroDigits(const DecimalDigits& d);

// Rounds to a multiple of 10^exponent. A tie goes to the even neighbour, or
// away from zero when tieAway is set. Nothing happens when the value has no
// digits below that position.
void RoundDigitsAt(DecimalDigits* d, int exponent, bool tieAway);

// The digit ('0'..'9') at the given power of ten.
char DigitAt(const DecimalDigits& d, int exponent);
