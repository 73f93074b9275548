// RealToText against glibc's printf, which rounds long doubles correctly:
// the oracle takes printf's 18 significant digits (17 decimals below 10),
// then rounds the decimal string half away from zero at the written place.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/number_text.h"

namespace {

// Plain decimal digits and the power of ten of the first one.
struct Decimal {
    std::string digits;
    int leadExponent;
};

// printf's %.17Le: d.ddddddddddddddddde+X, 18 correctly rounded digits.
Decimal EighteenDigits(long double magnitude)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17Le", magnitude);
    Decimal d;
    d.digits = std::string(1, text[0]) + std::string(text + 2, 17);
    d.leadExponent = std::atoi(std::strchr(text, 'e') + 1);
    return d;
}

// printf's %.17Lf for magnitudes below 10: 17 correctly rounded decimals.
Decimal SeventeenDecimals(long double magnitude)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17Lf", magnitude);
    // Rounding may carry into a second integer digit (9.999... -> 10.000...).
    const char* point = std::strchr(text, '.');
    Decimal d;
    d.digits = std::string(text, static_cast<std::size_t>(point - text)) + std::string(point + 1);
    d.leadExponent = static_cast<int>(point - text) - 1;
    return d;
}

char DigitAt(const Decimal& d, int exponent)
{
    int index = d.leadExponent - exponent;
    return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[index] : '0';
}

// Keeps digits down to 10^lowest; the first dropped digit decides (half away).
Decimal RoundAway(Decimal d, int lowest)
{
    bool up = DigitAt(d, lowest - 1) >= '5';
    int keep = d.leadExponent - lowest + 1;
    if (keep < 0) keep = 0;
    if (keep < static_cast<int>(d.digits.size())) d.digits.resize(keep);
    while (static_cast<int>(d.digits.size()) < keep) d.digits += '0';
    if (up) {
        int i = static_cast<int>(d.digits.size()) - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.leadExponent;
        }
    }
    return d;
}

std::string Oracle(long double x, int width, int decimals)
{
    std::string text;
    if (std::isnan(x)) {
        text = "Nan";
    } else if (std::isinf(x)) {
        text = x > 0 ? "+Inf" : "-Inf";
    } else {
        bool negative = std::signbit(x);
        long double magnitude = std::fabs(x);
        if (decimals >= 0 && magnitude < std::ldexp(1.0L, 120)) {
            Decimal d = magnitude < 10 ? SeventeenDecimals(magnitude) : EighteenDigits(magnitude);
            d = RoundAway(d, -decimals);
            if (negative) text += '-';
            int top = d.leadExponent > 0 ? d.leadExponent : 0;
            for (int e = top; e >= 0; --e) text += DigitAt(d, e);
            if (decimals > 0) text += '.';
            for (int e = -1; e >= -decimals; --e) text += DigitAt(d, e);
        } else {
            int significant = width - 8 < 2 ? 2 : (width - 8 > 18 ? 18 : width - 8);
            Decimal d = EighteenDigits(magnitude);
            if (magnitude == 0) d.leadExponent = 0;
            d = RoundAway(d, d.leadExponent - significant + 1);
            text += negative ? '-' : ' ';
            text += d.digits[0];
            text += '.';
            text += d.digits.substr(1, significant - 1);
            char exponent[16];
            std::snprintf(exponent, sizeof exponent, "E%c%04d", d.leadExponent < 0 ? '-' : '+', std::abs(d.leadExponent));
            text += exponent;
        }
    }
    if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
    return text;
}

struct Generator {
    std::uint64_t state = 0x1234567;
    std::uint64_t Next()
    {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A long double with a random significand and a binary exponent in [low, high].
    long double Extended(int low, int high)
    {
        long double significand = static_cast<long double>(Next() | (1ull << 63)) / 18446744073709551616.0L;
        int exponent = low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
        long double value = std::ldexp(significand, exponent);
        return (Next() & 1) ? -value : value;
    }
};

int CompareWithOracle(long double x, int width, int decimals)
{
    std::string expected = Oracle(x, width, decimals);
    std::string actual = RealToText(x, width, decimals);
    if (expected == actual) return 0;
    ADD_FAILURE() << "value " << static_cast<double>(x) << " width " << width << " decimals " << decimals
                  << "\n  expected " << expected << "\n  actual   " << actual;
    return 1;
}

}  // namespace

TEST(RealToTextOracle, AgreesWithCorrectlyRoundedPrintf)
{
    Generator random;
    int failures = 0;
    int compared = 0;
    auto check = [&](long double x, int width, int decimals) {
        if (failures < 20) failures += CompareWithOracle(x, width, decimals);
        ++compared;
    };

    // Shares: every kind of float, as the wizard shows them.
    for (int i = 0; i < 40000; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(random.Next());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        check(value, 3, 6);
    }
    // Extended values around the fixed form's range, all decimals in use.
    for (int i = 0; i < 40000; ++i) check(random.Extended(-70, 125), 0, static_cast<int>(random.Next() % 9));
    // Whole numbers with ties at the 18th digit and at the written place.
    for (int i = 0; i < 10000; ++i) {
        std::uint64_t base = random.Next() % 922337203685477580ull;
        check(static_cast<long double>(base * 10 + 5), 0, 0);
        check(static_cast<long double>(random.Next() % 1000000) + 0.5L, 0, 0);
        check(static_cast<long double>(random.Next() % 1000000) / 128, 3, 6);
    }
    // Powers of ten and their neighbours, up to and past 2^120.
    for (int e = -30; e <= 40; ++e) {
        long double p = std::pow(10.0L, e);
        for (long double v : {p, std::nextafter(p, 0.0L), std::nextafter(p, 1e4000L)})
            for (int decimals : {0, 1, 6, 17}) check(v, 3, decimals);
    }
    long double twoTo120 = std::ldexp(1.0L, 120);
    for (long double v : {twoTo120, std::nextafter(twoTo120, 0.0L), std::nextafter(twoTo120, 1e4000L)}) {
        check(v, 3, 6);
        check(-v, 3, 0);
    }
    // Exponent form over the whole range, every width from 2 to 18 digits.
    for (int i = 0; i < 8000; ++i) check(random.Extended(-16440, 16380), 10 + static_cast<int>(random.Next() % 17), -1);
    for (int i = 0; i < 2000; ++i) check(random.Extended(120, 16380), 3, 6);
    // Subnormal floats and extended subnormals, zeros, infinities, NaN.
    for (int i = 1; i < 2000; i += 7) {
        float tiny;
        std::uint32_t bits = static_cast<std::uint32_t>(i);
        std::memcpy(&tiny, &bits, sizeof tiny);
        check(tiny, 3, 6);
        check(tiny, 20, -1);
    }
    check(std::ldexp(1.0L, -16445), 26, -1);
    for (long double v : {0.0L, -0.0L, (long double)INFINITY, -(long double)INFINITY, (long double)NAN}) {
        check(v, 3, 6);
        check(v, 12, -1);
    }
    std::printf("compared %d values with printf\n", compared);
    EXPECT_GE(compared, 100000);
    EXPECT_EQ(failures, 0);
}
