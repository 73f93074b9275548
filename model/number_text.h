// Number texts: every number the user sees or types passes through here.
//
// The formats are fixed, whatever the regional settings: the decimal
// separator is the full stop and the grouping separator the comma. Each
// formatting routine returns a text in its own static buffer, valid until
// that routine's next call. User-interface thread only.
#pragma once

#include <cstdint>

// The wizard copies a field's text here (at most 23 characters and the NUL)
// before reading it; ParseCount removes the commas in place.
const int InputTextBufferSize = 28;
extern char InputTextBuffer[InputTextBufferSize];

// Set by ParseCount on entry, cleared only when it succeeds.
extern bool CountParseFailed;

// General real-to-text conversion, correctly rounded from the 80-bit value.
//  - NaN "Nan", infinities "+Inf" and "-Inf";
//  - fixed form (decimals >= 0 and magnitude below 2^120): the value rounded
//    ties-to-even to 18 significant digits (to 17 decimals below 10), then
//    rounded half away from zero at the last written decimal;
//  - exponent form otherwise: sign position (space or minus), d.ddd, 'E',
//    exponent sign and four digits, width - 8 significant digits (2 to 18);
//  - padded with spaces on the left up to width.
// decimals is limited to 40 and width to 100.
const char* RealToText(long double value, int width, int decimals);

// Plain decimal text of a count: digits and a leading minus sign. Exact below
// 10^18; from 10^18 on the 19 digits carry 18 significant ones.
const char* CountToText(std::int64_t value);

// Characters of CountToText(value): the decimal digits plus one for a minus.
int DecimalLength(std::int64_t value);

// Rounds to n significant digits, ties to even (5,371 -> 5,370 for n = 3).
// The minus sign of a negative count does not count as a digit. A result
// beyond the 64-bit range is held at the nearest end of the range.
std::int64_t RoundToSignificantDigits(std::uint8_t digits, std::int64_t value);

// Count text with a comma before every full group of three digits
// (1,234,567); rounded to 3 significant digits first when round is set.
// A negative count keeps its minus sign in front: -1,234.
const char* CountToGroupedText(bool round, std::int64_t value);

// Share text: RealToText(x, 3, 6) without trailing zeros, but keeping at
// least one decimal (0.5, 12.0, 0.007813). Exponent-form texts are kept.
const char* ShareToText(float value);

// The text of a real field that the wizard reads back (at most
// FieldTextLength characters) to exactly the same float: the share text
// where that reads back, else up to nine decimals (0.0078125, 0.0000001),
// else the fewest significant digits that do in exponent form (1.0E24,
// 3.4028235E38).
const int FieldTextLength = 23;
const char* RealFieldText(float value);

// 10^n as exp(n * ln 10) rounded to a whole number; exact for n = 0 to 16.
long double PowerOfTen(std::uint8_t exponent);

// Reads the count text in InputTextBuffer: commas are removed in place,
// then 1 to 16 ASCII digits are required. An invalid character is reported
// with ReportInvalidCharacter (the rightmost one); an empty or over-long
// text fails silently. Returns 0 on failure, with CountParseFailed set.
long double ParseCount();

// Message box '"c" is an invalid character.' with caption "Halvorendyne",
// exclamation icon, owned by the wizard frame.
void ReportInvalidCharacter(char character);

// Reads a decimal number: leading spaces, optional sign, digits with an
// optional full stop (at least one digit or an exponent after it), optional
// exponent E/e with an optional sign and at least one digit, nothing after.
// *errorPosition is 0 for a valid text, otherwise the 1-based position at
// which the text stopped being valid (1 for an empty text). A power of ten
// of 5120 or more gives infinity, -5120 or less gives zero.
long double TextToReal(const char* text, int* errorPosition);
