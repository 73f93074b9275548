#include "model/number_text.h"

#include <cmath>
#include <cstring>

#include "model/decimal_expansion.h"
#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/input_message.h"

char InputTextBuffer[InputTextBufferSize];
bool CountParseFailed = false;

namespace {

const int MaxDecimals = 40;
const int MaxWidth = 100;
const int TextBufferSize = 160;

// Fixed form holds up to 37 integer digits (below 2^120), the full stop and
// the decimals; the exponent form at most 18 digits and 8 more characters.
char RealText[TextBufferSize];
char CountText[TextBufferSize];
char GroupedText[TextBufferSize];
char ShareText[TextBufferSize];

DecimalDigits Expansion;

void Append(char* text, int* length, char c)
{
    if (*length < TextBufferSize - 1) text[(*length)++] = c;
}

void WriteFixed(bool negative, int decimals, char* text, int* length)
{
    // 18 significant digits, or 17 decimals for magnitudes below 10, ties to
    // even; then the written decimals, ties away from zero.
    int lead = LeadingExponent(Expansion);
    int firstRounding = (IsZeroDigits(Expansion) || lead < 1) ? -17 : lead - 17;
    RoundDigitsAt(&Expansion, firstRounding, false);
    if (firstRounding < -decimals) RoundDigitsAt(&Expansion, -decimals, true);

    if (negative) Append(text, length, '-');
    int top = LeadingExponent(Expansion);
    if (top < 0) top = 0;
    for (int exponent = top; exponent >= 0; --exponent) Append(text, length, DigitAt(Expansion, exponent));
    if (decimals > 0) {
        Append(text, length, '.');
        for (int exponent = -1; exponent >= -decimals; --exponent) Append(text, length, DigitAt(Expansion, exponent));
    }
}

void WriteExponentForm(bool negative, int width, char* text, int* length)
{
    int significant = width - 8;
    if (significant < 2) significant = 2;
    if (significant > 18) significant = 18;
    if (!IsZeroDigits(Expansion)) {
        RoundDigitsAt(&Expansion, LeadingExponent(Expansion) - 17, false);
        RoundDigitsAt(&Expansion, LeadingExponent(Expansion) - (significant - 1), true);
    }
    int lead = LeadingExponent(Expansion);
    Append(text, length, negative ? '-' : ' ');
    Append(text, length, DigitAt(Expansion, lead));
    Append(text, length, '.');
    for (int i = 1; i < significant; ++i) Append(text, length, DigitAt(Expansion, lead - i));
    Append(text, length, 'E');
    Append(text, length, lead < 0 ? '-' : '+');
    int magnitude = lead < 0 ? -lead : lead;
    for (int divisor = 1000; divisor >= 1; divisor /= 10) Append(text, length, static_cast<char>('0' + magnitude / divisor % 10));
}

void CopyText(char* target, const char* source)
{
    std::size_t length = std::strlen(source);
    if (length > TextBufferSize - 1) length = TextBufferSize - 1;
    std::memcpy(target, source, length);
    target[length] = '\0';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

const char* RealToText(long double value, int width, int decimals)
{
    SetExtendedPrecision();
    if (width > MaxWidth) width = MaxWidth;
    if (decimals > MaxDecimals) decimals = MaxDecimals;
    int length = 0;
    bool negative = SignBitOf(value);
    char body[TextBufferSize];
    if (std::isnan(value)) {
        CopyText(body, "Nan");
        length = 3;
    } else if (std::isinf(value)) {
        CopyText(body, negative ? "-Inf" : "+Inf");
        length = 4;
    } else {
        const long double TwoTo120 = 1329227995784915872903807060280344576.0L;
        ExpandDecimal(value, &Expansion);
        if (decimals >= 0 && std::fabs(value) < TwoTo120) {
            WriteFixed(negative, decimals, body, &length);
        } else {
            WriteExponentForm(negative, width, body, &length);
        }
    }
    int padding = width > length ? width - length : 0;
    std::memset(RealText, ' ', static_cast<std::size_t>(padding));
    std::memcpy(RealText + padding, body, static_cast<std::size_t>(length));
    RealText[padding + length] = '\0';
    return RealText;
}

const char* CountToText(std::int64_t value)
{
    SetExtendedPrecision();
    CopyText(CountText, RealToText(static_cast<long double>(value), 0, 0));
    return CountText;
}

int DecimalLength(std::int64_t value)
{
    // Rounding to 18 significant digits never adds a digit within the
    // 64-bit range, so this equals the length of CountToText(value).
    int length = value < 0 ? 2 : 1;
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    while (magnitude >= 10) {
        magnitude /= 10;
        ++length;
    }
    return length;
}

std::int64_t RoundToSignificantDigits(std::uint8_t digits, std::int64_t value)
{
    SetExtendedPrecision();
    int length = DecimalLength(value) - (value < 0 ? 1 : 0);
    if (length <= digits) return value;
    long double unit = PowerOfTen(static_cast<std::uint8_t>(length - digits));
    long double quotient = NearestReal(static_cast<long double>(value) / unit);
    std::int64_t result;
    RealToCount(quotient * unit, &result);
    return result;
}

const char* CountToGroupedText(bool round, std::int64_t value)
{
    SetExtendedPrecision();
    if (round) value = RoundToSignificantDigits(3, value);
    const char* plain = CountToText(value);
    int length = 0;
    if (*plain == '-') GroupedText[length++] = *plain++;
    int digits = static_cast<int>(std::strlen(plain));
    for (int i = 0; i < digits; ++i) {
        if (i > 0 && (digits - i) % 3 == 0) GroupedText[length++] = ',';
        GroupedText[length++] = plain[i];
    }
    GroupedText[length] = '\0';
    return GroupedText;
}

const char* ShareToText(float value)
{
    SetExtendedPrecision();
    CopyText(ShareText, RealToText(value, 3, 6));
    if (std::strchr(ShareText, '.') && !std::strchr(ShareText, 'E')) {
        std::size_t length = std::strlen(ShareText);
        while (length > 0 && ShareText[length - 1] == '0' && ShareText[length - 2] != '.') --length;
        ShareText[length] = '\0';
    }
    return ShareText;
}

namespace {

char FieldText[TextBufferSize];

bool ReadsBackAs(const char* text, float value)
{
    if (std::strlen(text) > static_cast<std::size_t>(FieldTextLength)) return false;
    int error = 0;
    float back = RealToFloat(TextToReal(text, &error));
    return error == 0 && std::memcmp(&back, &value, sizeof value) == 0;
}

// d.ddd...E<exponent> with the given number of significant digits.
void ExponentText(float value, int digits)
{
    long double magnitude = std::fabs(static_cast<long double>(value));
    int exponent = static_cast<int>(std::floor(LnExtended(magnitude) / LnExtended(10.0L)));
    long double mantissa = magnitude / IntegerPower(10.0L, exponent);
    // The logarithm may miss by one at an exact power of ten.
    if (mantissa >= 10) {
        mantissa /= 10;
        ++exponent;
    } else if (mantissa < 1) {
        mantissa *= 10;
        --exponent;
    }
    const char* digitsText = RealToText(mantissa, 1, digits - 1);
    if (digitsText[0] == '1' && digitsText[1] == '0') {  // 9.99... rounded up to 10
        ++exponent;
        digitsText = RealToText(mantissa / 10, 1, digits - 1);
    }
    std::size_t length = 0;
    if (value < 0) FieldText[length++] = '-';
    std::size_t mantissaLength = std::strlen(digitsText);
    std::memcpy(FieldText + length, digitsText, mantissaLength);
    length += mantissaLength;
    FieldText[length++] = 'E';
    CopyText(FieldText + length, CountToText(exponent));
}

}  // namespace

const char* RealFieldText(float value)
{
    SetExtendedPrecision();
    const char* share = ShareToText(value);
    if (!std::isfinite(value) || value == 0 || ReadsBackAs(share, value)) return share;
    // More decimals where they fit (1/128 is 0.0078125), else exponent form.
    for (int decimals = 7; decimals <= 9; ++decimals) {
        CopyText(FieldText, RealToText(value, 1, decimals));
        std::size_t length = std::strlen(FieldText);
        while (FieldText[length - 1] == '0') FieldText[--length] = '\0';
        if (ReadsBackAs(FieldText, value)) return FieldText;
    }
    for (int digits = 2; digits <= 9; ++digits) {
        ExponentText(value, digits);
        if (ReadsBackAs(FieldText, value)) break;
    }
    return FieldText;
}

long double PowerOfTen(std::uint8_t exponent)
{
    SetExtendedPrecision();
    return NearestReal(ExpExtended(exponent * LnExtended(10.0L)));
}

void ReportInvalidCharacter(char character)
{
    char text[40] = "\"";
    std::size_t length = 1;
    text[length++] = character;
    CopyText(text + length, "\" is an invalid character.");
    ShowInputMessage(text, "Halvorendyne", InputMessageOk | InputMessageExclamation);
}

long double ParseCount()
{
    SetExtendedPrecision();
    CountParseFailed = true;
    InputTextBuffer[InputTextBufferSize - 1] = '\0';
    // Commas group digits and may stand anywhere.
    int length = 0;
    for (int i = 0; InputTextBuffer[i] != '\0'; ++i) {
        if (InputTextBuffer[i] != ',') InputTextBuffer[length++] = InputTextBuffer[i];
    }
    InputTextBuffer[length] = '\0';
    if (length == 0 || length > 16) return 0;

    long double value = 0;
    for (int position = 0; position < length; ++position) {
        char c = InputTextBuffer[length - 1 - position];
        if (!IsDigit(c)) {
            ReportInvalidCharacter(c);
            return 0;
        }
        value = NearestReal(value + (c - '0') * PowerOfTen(static_cast<std::uint8_t>(position)));
    }
    CountParseFailed = false;
    return value;
}

long double TextToReal(const char* text, int* errorPosition)
{
    SetExtendedPrecision();
    const char* p = text;
    *errorPosition = 0;
    while (*p == ' ') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p == '\0') {
        *errorPosition = static_cast<int>(p - text) + 1;
        return 0;
    }

    // Digits past the 40th significant one cannot change an 80-bit value;
    // dropping them keeps a text of thousands of digits from overflowing
    // the mantissa (and giving infinity over infinity).
    const int KeptDigits = 40;
    long double mantissa = 0;
    long decimals = 0;
    int significant = 0;
    while (IsDigit(*p)) {
        if (significant < KeptDigits) {
            mantissa = mantissa * 10 + (*p - '0');
            if (mantissa != 0) ++significant;
        } else if (decimals > -1000000) {
            --decimals;  // a dropped whole digit still counts as a power of ten
        }
        ++p;
    }
    if (*p == '.') {
        ++p;
        if (!IsDigit(*p) && *p != 'E' && *p != 'e') {
            *errorPosition = static_cast<int>(p - text) + 1;
            return 0;
        }
        while (IsDigit(*p)) {
            if (significant < KeptDigits) {
                mantissa = mantissa * 10 + (*p - '0');
                if (mantissa != 0) ++significant;
                if (decimals < 1000000) ++decimals;
            }
            ++p;
        }
    }
    long exponent = 0;
    if (*p == 'E' || *p == 'e') {
        ++p;
        bool exponentNegative = false;
        if (*p == '+' || *p == '-') exponentNegative = *p++ == '-';
        if (!IsDigit(*p)) {
            *errorPosition = static_cast<int>(p - text) + 1;
            return 0;
        }
        // Held below a million: far past both limits, and no overflow.
        while (IsDigit(*p)) {
            exponent = exponent * 10 + (*p++ - '0');
            if (exponent > 1000000) exponent = 1000000;
        }
        if (exponentNegative) exponent = -exponent;
    }
    if (*p != '\0') {
        *errorPosition = static_cast<int>(p - text) + 1;
        return 0;
    }

    long power = exponent - decimals;
    long double value;
    if (power >= 5120) {
        value = HUGE_VALL;
    } else if (power <= -5120 || mantissa == 0) {
        // A zero mantissa stays zero: 0e5000 must not become 0 * inf = NaN.
        value = 0;
    } else if (power >= 0) {
        value = mantissa * IntegerPower(10.0L, static_cast<int>(power));
    } else {
        value = mantissa / IntegerPower(10.0L, static_cast<int>(-power));
    }
    return negative ? -value : value;
}
