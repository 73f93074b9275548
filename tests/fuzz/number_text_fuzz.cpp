// Fuzzes the two readers of typed numbers: ParseCount on the first 27 bytes
// as the wizard's InputTextBuffer, and TextToReal on the whole input as one
// text (both end at the first NUL). Whatever they read is then written back
// with the number texts and checked to read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/extended_math.h"
#include "model/input_message.h"
#include "model/number_text.h"
#include "tests/fuzz/text_checks.h"

namespace {

// The last message the model asked for, instead of a message box.
int MessageCount = 0;
std::string MessageText;
std::string MessageCaption;
unsigned int MessageStyle = 0;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t CutLengthOf(const std::uint8_t* data, std::size_t size)
{
    const void* nul = std::memchr(data, 0, size);
    return nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : size;
}

void CheckParseCount(const std::uint8_t* data, std::size_t size)
{
    std::memset(InputTextBuffer, 0, InputTextBufferSize);
    std::memcpy(InputTextBuffer, data, size < InputTextBufferSize - 1 ? size : InputTextBufferSize - 1);
    std::string typed = InputTextBuffer;

    std::string digits;
    for (char c : typed) {
        if (c != ',') digits += c;
    }
    bool lengthOk = !digits.empty() && digits.size() <= 16;
    std::size_t invalid = digits.find_last_not_of("0123456789");
    bool valid = lengthOk && invalid == std::string::npos;

    MessageCount = 0;
    CountParseFailed = valid;  // ParseCount must set or clear it itself
    long double value = ParseCount();
    FUZZ_CHECK(digits == InputTextBuffer);  // commas removed in place
    FUZZ_CHECK(CountParseFailed == !valid);
    if (!valid) {
        FUZZ_CHECK(value == 0);
        if (!lengthOk) {
            FUZZ_CHECK(MessageCount == 0);
        } else {
            FUZZ_CHECK(MessageCount == 1);
            FUZZ_CHECK(MessageText == std::string("\"") + digits[invalid] + "\" is an invalid character.");
            FUZZ_CHECK(MessageCaption == "Halvorendyne");
            FUZZ_CHECK(MessageStyle == (InputMessageOk | InputMessageExclamation));
        }
        return;
    }

    FUZZ_CHECK(MessageCount == 0);
    std::uint64_t expected = 0;
    for (char c : digits) expected = expected * 10 + static_cast<std::uint64_t>(c - '0');
    FUZZ_CHECK(value == static_cast<long double>(expected));
    FUZZ_CHECK(value == NearestReal(value) && value >= 0 && value <= 9999999999999999.0L);

    // The count's grouped text, typed again, reads as the same count.
    std::int64_t count = static_cast<std::int64_t>(expected);
    CheckCountTexts(count);
    const char* grouped = CountToGroupedText(false, count);
    FUZZ_CHECK(std::strlen(grouped) < InputTextBufferSize);
    std::strcpy(InputTextBuffer, grouped);
    FUZZ_CHECK(ParseCount() == value && !CountParseFailed);
}

// A text of sign, at most 19 significant digits and a power of ten within
// 10^27 either way: every operand of TextToReal is then exact and its one
// rounding must give the correctly rounded value, which strtold also gives.
bool ExactlyReadable(const char* text)
{
    const char* p = text;
    while (*p == ' ') ++p;
    if (*p == '+' || *p == '-') ++p;
    int significant = 0;
    long decimals = 0;
    bool anyDigit = false;
    bool inFraction = false;
    for (; IsDigit(*p) || (*p == '.' && !inFraction); ++p) {
        if (*p == '.') {
            inFraction = true;
            continue;
        }
        anyDigit = true;
        if (significant > 0 || *p != '0') ++significant;
        if (inFraction) ++decimals;
    }
    if (!anyDigit) return false;  // strtold wants a digit before any exponent
    long exponent = 0;
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negative = *p == '-';
        if (*p == '+' || *p == '-') ++p;
        for (; IsDigit(*p); ++p) {
            exponent = exponent * 10 + (*p - '0');
            if (exponent > 100000000) return false;  // far beyond any decimals of the input
        }
        if (negative) exponent = -exponent;
    }
    long power = exponent - decimals;
    return *p == '\0' && significant <= 19 && power >= -27 && power <= 27;
}

void CheckTextToReal(const std::uint8_t* data, std::size_t size)
{
    // A buffer of the text's own size, so that AddressSanitizer sees any
    // read past its NUL.
    std::size_t length = CutLengthOf(data, size);
    char* text = new char[length + 1];
    std::memcpy(text, data, length);
    text[length] = '\0';

    int errorPosition = -1;
    long double value = TextToReal(text, &errorPosition);
    FUZZ_CHECK(errorPosition >= 0 && static_cast<std::size_t>(errorPosition) <= length + 1);
    const char* const Allowed = " +-.0123456789Ee";
    std::size_t firstForeign = std::strspn(text, Allowed);
    if (errorPosition == 0) {
        FUZZ_CHECK(length > 0);
        FUZZ_CHECK(firstForeign == length);
        FUZZ_CHECK(!std::isnan(value));
    } else {
        // Everything before the stopping point belongs to a number.
        FUZZ_CHECK(static_cast<std::size_t>(errorPosition) <= firstForeign + 1);
        delete[] text;
        return;
    }

    if (ExactlyReadable(text)) {
        char* end = nullptr;
        long double expected = std::strtold(text, &end);
        FUZZ_CHECK(end == text + length);
        FUZZ_CHECK(value == expected && SignBitOf(value) == SignBitOf(expected));
    }
    delete[] text;

    CheckRealTexts(value);
    if (std::fabs(value) <= 3.4028234663852886e38L) CheckShareText(RealToFloat(value));
    std::int64_t count;
    if (RealToCount(value, &count)) CheckCountTexts(count);
}

}  // namespace

void ShowInputMessage(const char* text, const char* caption, unsigned int style)
{
    ++MessageCount;
    MessageText = text;
    MessageCaption = caption;
    MessageStyle = style;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetExtendedPrecision();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckParseCount(data, size);
    CheckTextToReal(data, size);
    return 0;
}
