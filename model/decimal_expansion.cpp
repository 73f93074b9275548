#include "model/decimal_expansion.h"

#include <cstring>

namespace {

// m * 5^16445 needs 64 + 38,180 bits; 2^16383 * m needs 16,447.
const int MaxLimbs = 1200;

// Little-endian base-2^32 big integer.
struct BigNumber {
    std::uint32_t limb[MaxLimbs];
    int used;  // limbs in use; the top one is non-zero unless used == 0
};

void SetSmall(BigNumber* n, std::uint64_t value)
{
    n->limb[0] = static_cast<std::uint32_t>(value);
    n->limb[1] = static_cast<std::uint32_t>(value >> 32);
    n->used = n->limb[1] ? 2 : (n->limb[0] ? 1 : 0);
}

void MultiplySmall(BigNumber* n, std::uint32_t factor)
{
    std::uint64_t carry = 0;
    for (int i = 0; i < n->used; ++i) {
        std::uint64_t product = static_cast<std::uint64_t>(n->limb[i]) * factor + carry;
        n->limb[i] = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry && n->used < MaxLimbs) n->limb[n->used++] = static_cast<std::uint32_t>(carry);
}

void ShiftLeft(BigNumber* n, int bits)
{
    int limbShift = bits / 32;
    int bitShift = bits % 32;
    if (n->used == 0) return;
    int top = n->used + limbShift + 1;
    if (top > MaxLimbs) top = MaxLimbs;  // cannot happen for x87 values
    for (int i = top - 1; i >= 0; --i) {
        int source = i - limbShift;
        std::uint64_t high = (source >= 0 && source < n->used) ? n->limb[source] : 0;
        std::uint64_t low = (source - 1 >= 0 && source - 1 < n->used) ? n->limb[source - 1] : 0;
        std::uint64_t pair = (high << 32) | low;
        n->limb[i] = static_cast<std::uint32_t>(pair >> (32 - bitShift));
    }
    n->used = top;
    while (n->used > 0 && n->limb[n->used - 1] == 0) --n->used;
}

// Divides in place and returns the remainder.
std::uint32_t DivideSmall(BigNumber* n, std::uint32_t divisor)
{
    std::uint64_t remainder = 0;
    for (int i = n->used - 1; i >= 0; --i) {
        std::uint64_t current = (remainder << 32) | n->limb[i];
        n->limb[i] = static_cast<std::uint32_t>(current / divisor);
        remainder = current % divisor;
    }
    while (n->used > 0 && n->limb[n->used - 1] == 0) --n->used;
    return static_cast<std::uint32_t>(remainder);
}

// Writes the decimal digits of n (destroying it), most significant first.
int ToDigits(BigNumber* n, char* out, int capacity)
{
    // Nine digits at a time from the low end, then reversed.
    int written = 0;
    while (n->used > 0 && written + 9 <= capacity) {
        std::uint32_t chunk = DivideSmall(n, 1000000000u);
        for (int i = 0; i < 9; ++i) {
            out[written++] = static_cast<char>('0' + chunk % 10);
            chunk /= 10;
        }
    }
    while (written > 1 && out[written - 1] == '0') --written;
    if (written == 0) out[written++] = '0';
    for (int i = 0, j = written - 1; i < j; ++i, --j) {
        char swap = out[i];
        out[i] = out[j];
        out[j] = swap;
    }
    return written;
}

void SetZero(DecimalDigits* d, int exponent)
{
    d->digits[0] = '0';
    d->count = 1;
    d->lastExponent = exponent;
}

}  // namespace

bool IsZeroDigits(const DecimalDigits& d)
{
    return d.count == 1 && d.digits[0] == '0';
}

int LeadingExponent(const DecimalDigits& d)
{
    return IsZeroDigits(d) ? 0 : d.lastExponent + d.count - 1;
}

char DigitAt(const DecimalDigits& d, int exponent)
{
    int index = d.count - 1 - (exponent - d.lastExponent);
    if (index < 0 || index >= d.count) return '0';
    return d.digits[index];
}

void ExpandDecimal(long double x, DecimalDigits* out)
{
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &x, sizeof x);
    std::uint64_t significand;
    std::memcpy(&significand, bytes, 8);
    int biased = ((bytes[9] & 0x7F) << 8) | bytes[8];
    if (significand == 0) {
        SetZero(out, 0);
        return;
    }
    // Subnormals have the exponent of the smallest normal.
    int exponent = (biased == 0 ? 1 : biased) - 16383 - 63;
    while ((significand & 1) == 0) {
        significand >>= 1;
        ++exponent;
    }
    // On the caller's stack: the estimate's digit counts run on the tools'
    // worker threads too.
    BigNumber work;
    SetSmall(&work, significand);
    if (exponent >= 0) {
        ShiftLeft(&work, exponent);
        out->lastExponent = 0;
    } else {
        // m * 2^e = m * 5^-e * 10^e; 5^13 is the largest power below 2^32.
        int fives = -exponent;
        for (; fives >= 13; fives -= 13) MultiplySmall(&work, 1220703125u);
        std::uint32_t rest = 1;
        while (fives-- > 0) rest *= 5;
        MultiplySmall(&work, rest);
        out->lastExponent = exponent;
    }
    out->count = ToDigits(&work, out->digits, MaxExpansionDigits);
    while (out->count > 1 && out->digits[out->count - 1] == '0') {
        --out->count;
        ++out->lastExponent;
    }
}

void RoundDigitsAt(DecimalDigits* d, int exponent, bool tieAway)
{
    if (d->lastExponent >= exponent) return;
    if (IsZeroDigits(*d)) {
        SetZero(d, exponent);
        return;
    }
    int keep = d->count - (exponent - d->lastExponent);  // digits at or above 10^exponent
    if (keep < 0) {
        // Below a tenth of the rounding unit: less than half of it.
        SetZero(d, exponent);
        return;
    }
    char first = d->digits[keep];
    bool restNonZero = false;
    for (int i = keep + 1; i < d->count; ++i) {
        if (d->digits[i] != '0') {
            restNonZero = true;
            break;
        }
    }
    bool keptOdd = keep > 0 && ((d->digits[keep - 1] - '0') & 1);
    bool up = first > '5' || (first == '5' && (restNonZero || tieAway || keptOdd));
    d->count = keep;
    d->lastExponent = exponent;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d->digits[i] == '9') d->digits[i--] = '0';
        if (i >= 0) {
            ++d->digits[i];
        } else {
            // Carry out of the top digit (or nothing was kept): a new leading 1.
            std::memmove(d->digits + 1, d->digits, static_cast<std::size_t>(d->count));
            d->digits[0] = '1';
            ++d->count;
        }
    }
    if (d->count == 0) {
        SetZero(d, exponent);
        return;
    }
    while (d->count > 1 && d->digits[d->count - 1] == '0') {
        --d->count;
        ++d->lastExponent;
    }
}
