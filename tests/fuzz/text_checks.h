// Checks shared by the fuzz targets: what every number text must satisfy,
// whatever the value. A failed check prints the condition and aborts, which
// libFuzzer reports as a crash with the input that caused it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/extended_math.h"
#include "model/number_text.h"

#define FUZZ_CHECK(condition)                                                                         \
    do {                                                                                              \
        if (!(condition)) FuzzCheckFailed(#condition, __FILE__, __LINE__);                           \
    } while (0)

[[noreturn]] inline void FuzzCheckFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

inline std::string WithoutCommas(const char* text)
{
    std::string plain;
    for (; *text; ++text) {
        if (*text != ',') plain += *text;
    }
    return plain;
}

// A grouped count: an optional minus, then digits with a comma before every
// full group of three, counted from the right.
inline void CheckGrouping(const char* grouped)
{
    const char* digits = *grouped == '-' ? grouped + 1 : grouped;
    std::size_t length = std::strlen(digits);
    FUZZ_CHECK(length > 0);
    for (std::size_t i = 0; i < length; ++i) {
        bool commaPlace = (length - i) % 4 == 0;
        FUZZ_CHECK(commaPlace ? digits[i] == ',' : (digits[i] >= '0' && digits[i] <= '9'));
    }
}

// CountToText, DecimalLength, RoundToSignificantDigits and the grouped texts
// of one count.
inline void CheckCountTexts(std::int64_t value)
{
    std::string plain = CountToText(value);
    FUZZ_CHECK(static_cast<int>(plain.size()) == DecimalLength(value));
    const std::int64_t Exact = 1000000000000000000LL;  // 10^18: exact below
    if (value > -Exact && value < Exact) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%lld", static_cast<long long>(value));
        FUZZ_CHECK(plain == expected);
    }

    const char* grouped = CountToGroupedText(false, value);
    CheckGrouping(grouped);
    FUZZ_CHECK(WithoutCommas(grouped) == plain);

    std::int64_t rounded = RoundToSignificantDigits(3, value);
    grouped = CountToGroupedText(true, value);
    CheckGrouping(grouped);
    FUZZ_CHECK(WithoutCommas(grouped) == CountToText(rounded));
    // Away from the ends of the range the rounding is exact integer work:
    // a multiple of the unit of the third digit, at most half a unit away,
    // and an even multiple on a tie.
    const std::int64_t Safe = 9200000000000000000LL;
    if (value > -Safe && value < Safe) {
        int digits = DecimalLength(value) - (value < 0 ? 1 : 0);
        __int128 unit = 1;
        for (int i = 3; i < digits; ++i) unit *= 10;
        __int128 difference = static_cast<__int128>(rounded) - value;
        __int128 twice = difference < 0 ? -2 * difference : 2 * difference;
        FUZZ_CHECK(rounded % unit == 0);
        FUZZ_CHECK(twice <= unit);
        if (twice == unit) FUZZ_CHECK((rounded / unit) % 2 == 0);
    }
}

inline std::string Trimmed(const char* text)
{
    while (*text == ' ') ++text;
    return text;
}

// The text of a non-finite value, or for a finite one a text that
// TextToReal reads back as valid, with the value's sign, and within
// tolerance of it.
inline void CheckReadBack(long double value, const char* text, long double tolerance)
{
    int errorPosition = -1;
    long double back = TextToReal(text, &errorPosition);
    FUZZ_CHECK(errorPosition == 0);
    if (value > 0) FUZZ_CHECK(back >= 0);
    if (value < 0) FUZZ_CHECK(back <= 0);
    FUZZ_CHECK(std::fabs(back - value) <= tolerance);
}

inline void CheckNonFinite(long double value, const char* text)
{
    std::string body = Trimmed(text);
    if (std::isnan(value)) FUZZ_CHECK(body == "Nan");
    if (std::isinf(value)) FUZZ_CHECK(body == (value > 0 ? "+Inf" : "-Inf"));
}

// RealToText in both forms: the fixed form with six decimals (exponent form
// from 2^120 on) and the exponent form with 18 significant digits.
inline void CheckRealTexts(long double value)
{
    const long double TwoTo120 = 1329227995784915872903807060280344576.0L;
    std::string fixed = RealToText(value, 3, 6);
    FUZZ_CHECK(fixed.size() >= 3);
    std::string exponentForm = RealToText(value, 26, -1);
    FUZZ_CHECK(exponentForm.size() >= 26);
    if (!std::isfinite(value)) {
        CheckNonFinite(value, fixed.c_str());
        CheckNonFinite(value, exponentForm.c_str());
        return;
    }
    long double magnitude = std::fabs(value);
    // Near the ends of the format the read-back's power of ten, or the
    // rounded text itself, lies beyond the range: zero or infinity comes
    // back, so there only the text's validity and sign are checked.
    bool inRange = magnitude == 0 || (magnitude > 1e-4900L && magnitude < 1e4900L);
    const long double Any = HUGE_VALL;
    if (magnitude < TwoTo120) {
        std::size_t stop = fixed.find('.');
        FUZZ_CHECK(stop != std::string::npos && fixed.size() - stop - 1 == 6);
        CheckReadBack(value, fixed.c_str(), 5e-7L + 1e-16L * magnitude + 1e-16L);
    } else {
        CheckReadBack(value, fixed.c_str(), inRange ? 0.051L * magnitude : Any);
    }

    // " d.ddddddddddddddddd" or "-d...", 'E', the exponent's sign, 4 digits.
    FUZZ_CHECK(exponentForm.size() == 26);
    FUZZ_CHECK(exponentForm[0] == (SignBitOf(value) ? '-' : ' '));
    FUZZ_CHECK(exponentForm[2] == '.' && exponentForm[20] == 'E');
    FUZZ_CHECK(exponentForm[21] == '+' || exponentForm[21] == '-');
    CheckReadBack(value, exponentForm.c_str(), inRange ? 1e-16L * magnitude : Any);

    // 18 significant digits, ties to even: glibc's correctly rounded
    // "%.17Le" must give the same digits and exponent.
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.17Le", magnitude);
    const char* e = std::strchr(expected, 'e');
    FUZZ_CHECK(e != nullptr && e - expected == 19);
    FUZZ_CHECK(exponentForm.compare(1, 19, expected, 19) == 0);
    FUZZ_CHECK(std::atoi(e + 1) == std::atoi(exponentForm.c_str() + 21));
}

// ShareToText: trailing zeros gone but one decimal kept, read back as valid.
inline void CheckShareText(float value)
{
    const char* text = ShareToText(value);
    std::size_t length = std::strlen(text);
    FUZZ_CHECK(length >= 3);
    if (!std::isfinite(value)) {
        CheckNonFinite(value, text);
        return;
    }
    const char* stop = std::strchr(text, '.');
    FUZZ_CHECK(stop != nullptr);
    long double magnitude = std::fabs(static_cast<long double>(value));
    if (std::strchr(text, 'E') == nullptr) {
        std::size_t decimals = length - static_cast<std::size_t>(stop - text) - 1;
        FUZZ_CHECK(decimals >= 1 && decimals <= 6);
        FUZZ_CHECK(decimals == 1 || text[length - 1] != '0');
        CheckReadBack(value, text, 5e-7L + 1e-16L * magnitude + 1e-16L);
    } else {
        CheckReadBack(value, text, 0.051L * magnitude);
    }
}
