// The texts of the results screen: the five result lines (label, value,
// unit) and the settings line. Portable: the Win32 painting draws them, and
// hvdtool prints them. Each routine returns its own static buffer, valid
// until its next call.
#pragma once

#include <cstdint>

const int ResultLineCount = 5;

// Lines 1..5: inhabited planets, their distance, civilizations in our
// galaxy, their distance, civilizations in the universe.
const char* ResultLabel(int line);
const char* ResultValueText(int line);  // from the SettingsRecord's results
const char* ResultUnit(int line);       // "ly" for the distances, else ""

// A count rounded to three significant digits and grouped (5,370), or
// "more than 10^" and the exponent when the exponent is not 0 ("less than
// -10^" for a negative result beyond the 64-bit range).
const char* ResultCountText(std::uint8_t exponent, std::int64_t count);

// A distance in light-years rounded to the nearest whole number, ties to
// even (12345.5 -> 12346, 12344.5 -> 12344). A distance that has no number
// reads "undefined" (no inhabited planet and no stars) or "infinite" (no
// inhabited planet); one beyond the 64-bit range "more than 10^" and its
// power of ten.
const char* DistanceText(float lightYears);

// Month abbreviations, index 1..12; September has four letters.
extern const char MonthNames[13][5];

// Decimal digits with a "0" in front of a single digit: 7 -> 07, 1998 -> 1998.
const char* TwoDigitText(std::uint16_t number);

// "Mar 07 1998": month name, day and year, no weekday or time.
const char* FormatCalendarDate(std::uint16_t month, std::uint16_t day, std::uint16_t year);

// "Current settings by " author ", " date "." with "[unknown]" for a missing
// author. An author text too long for the 65,536-byte line is cut and ends
// in "...".
const char* ComposeSettingsLine(const char* author, const char* dateText);
