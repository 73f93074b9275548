#include "model/extended_math.h"

#include <cmath>
#include <cstring>

static_assert(sizeof(long double) >= 10, "the model needs the x87 80-bit long double");

namespace {

// Precision control 11 (64-bit significand), rounding control 00 (nearest),
// all six exception masks set.
const std::uint16_t ModelControlWord = 0x037F;

// The 80-bit pattern: 8 bytes of significand (explicit integer bit), then
// 15 bits of biased exponent and the sign.
long double FromBits(std::uint64_t significand, std::uint16_t signAndExponent)
{
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &signAndExponent, 2);
    long double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

void SetExtendedPrecision()
{
    // Pending exception flags cleared first: with an unmasked exception
    // pending, the load itself would trap.
    std::uint16_t word = ModelControlWord;
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(word) : "memory");
}

std::uint16_t ReadX87ControlWord()
{
    std::uint16_t word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

long double OneThirdValue()
{
    return FromBits(0xAAAAAAAAAAAAAAABull, 0x3FFD);
}

bool SignBitOf(long double x)
{
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &x, sizeof x);
    return (bytes[9] & 0x80) != 0;
}

long double NearestReal(long double x)
{
    // frndint rounds by the control word's rounding field, which the model
    // keeps at round-to-nearest-even.
    long double result;
    __asm__("frndint" : "=t"(result) : "0"(x));
    return result;
}

long double LnExtended(long double x)
{
    // ln x = ln 2 * log2 x; fyl2x computes st(1) * log2(st(0)) and pops.
    const long double Ln2 = 0.693147180559945309417232121458176568L;
    long double result;
    __asm__("fyl2x" : "=t"(result) : "0"(x), "u"(Ln2) : "st(1)");
    return result;
}

long double ExpExtended(long double x)
{
    if (std::isnan(x)) return x;
    if (std::isinf(x)) return x > 0 ? x : 0.0L;
    // Beyond these bounds the result overflows or underflows the format
    // anyway; clamping keeps the split below meaningful.
    if (x > 12000.0L) x = 12000.0L;
    if (x < -12000.0L) x = -12000.0L;
    // e^x = 2^t with t = x * log2 e, split into an integer and a fraction
    // |f| <= 0.5 so that f2xm1 sees an argument in its domain.
    const long double Log2E = 1.442695040888963407359924681001892137L;
    long double t = x * Log2E;
    long double whole = NearestReal(t);
    long double fraction = t - whole;
    long double power;
    __asm__("f2xm1" : "=t"(power) : "0"(fraction));
    power += 1.0L;
    long double result;
    __asm__("fscale" : "=t"(result) : "0"(power), "u"(whole));
    return result;
}

bool RealToCount(long double x, std::int64_t* count)
{
    const long double TwoTo63 = 9223372036854775808.0L;
    if (std::isnan(x)) {
        *count = 0;
        return false;
    }
    long double rounded = NearestReal(x);
    if (rounded >= TwoTo63) {
        *count = INT64_MAX;
        return false;
    }
    if (rounded < -TwoTo63) {
        *count = INT64_MIN;
        return false;
    }
    *count = static_cast<std::int64_t>(rounded);
    return true;
}

float RealToFloat(long double x)
{
    // Halfway between FLT_MAX and 2^128: from there on IEEE rounding gives
    // infinity; C++ leaves the conversion undefined, so do it by hand.
    const long double Overflow = 340282356779733661637539395458142568448.0L;
    if (std::isnan(x)) return SignBitOf(x) ? -std::nanf("") : std::nanf("");
    if (x >= Overflow) return HUGE_VALF;
    if (x <= -Overflow) return -HUGE_VALF;
    return static_cast<float>(x);
}
