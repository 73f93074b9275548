#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "tests/support/input_message_recorder.h"

namespace {

long double Parse(const char* text)
{
    std::strncpy(InputTextBuffer, text, InputTextBufferSize - 1);
    InputTextBuffer[InputTextBufferSize - 1] = '\0';
    return ParseCount();
}

float NearestFloat(const char* decimal)
{
#ifdef _WIN32
    return __mingw_strtof(decimal, nullptr);
#else
    return std::strtof(decimal, nullptr);
#endif
}

}  // namespace

TEST(RealToText, FixedAndExponentForms)
{
    struct Case {
        long double value;
        int width;
        int decimals;
        const char* text;
    } cases[] = {
        {0.0078125L, 3, 6, "0.007813"},       // tie at the written decimal: away from zero
        {-0.0078125L, 3, 6, "-0.007813"},
        {0.5L, 3, 6, "0.500000"},
        {12, 3, 6, "12.000000"},
        {123456.703125L, 3, 6, "123456.703125"},
        {0, 0, 0, "0"},
        {0.4L, 0, 0, "0"},
        {2.5L, 0, 0, "3"},                    // rounding at the last written digit: away
        {9.9999999999999999999L, 0, 3, "10.000"},
        {1e17L, 0, 0, "100000000000000000"},
        {1234567890123456785.0L, 0, 0, "1234567890123456780"},  // 18 digits, tie to even
        {1234567890123456795.0L, 0, 0, "1234567890123456800"},
        {9223372036854775807.0L, 0, 0, "9223372036854775810"},
        {2e36L, 3, 6, " 2.0E+0036"},
        {-2e36L, 3, 6, "-2.0E+0036"},
        {3.4028234663852886e38L, 3, 6, " 3.4E+0038"},
        {1234.5L, 12, -1, " 1.235E+0003"},   // 4 digits, tie away
        {1234.5L, 13, -1, " 1.2345E+0003"},
        {0.00012345L, 14, -1, " 1.23450E-0004"},
        {0, 3, -1, " 0.0E+0000"},
        {7, 5, 0, "    7"},
        {NAN, 3, 6, "Nan"},
        {INFINITY, 3, 6, "+Inf"},
        {-INFINITY, 3, 6, "-Inf"},
        {-0.0L, 3, 6, "-0.000000"},           // the sign comes from the sign bit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(RealToText(c.value, c.width, c.decimals), c.text);
    }
    // Just below and at 2^120: the last fixed-form value and the first exponent-form one.
    long double twoTo120 = std::ldexp(1.0L, 120);
    EXPECT_STREQ(RealToText(std::nextafter(twoTo120, 0.0L), 0, 0), "1329227995784915870000000000000000000");
    EXPECT_STREQ(RealToText(twoTo120, 3, 6), " 1.3E+0036");
}

TEST(CountText, PlainGroupedAndRounded)
{
    EXPECT_STREQ(CountToText(0), "0");
    EXPECT_STREQ(CountToText(-42), "-42");
    EXPECT_STREQ(CountToText(999999999999999999LL), "999999999999999999");
    EXPECT_STREQ(CountToText(INT64_MAX), "9223372036854775810");  // 19 characters
    EXPECT_STREQ(CountToText(INT64_MIN), "-9223372036854775810");

    struct Case {
        bool round;
        std::int64_t value;
        const char* text;
    } cases[] = {
        {false, 0, "0"},
        {false, 123, "123"},
        {false, 1234, "1,234"},
        {false, 123456, "123,456"},
        {false, 1234567, "1,234,567"},
        {false, INT64_MAX, "9,223,372,036,854,775,810"},
        {false, -1234567, "-1,234,567"},
        {true, 1000, "1,000"},
        {true, 5371, "5,370"},
        {true, 0, "0"},
        {true, 999, "999"},
        {true, 12345, "12,300"},
        {true, 12350, "12,400"},
        {true, 12450, "12,400"},
        {true, 99951, "100,000"},
        {true, -5371, "-5,370"},
        {true, INT64_MAX, "9,220,000,000,000,000,000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(CountToGroupedText(c.round, c.value), c.text);
    }
    EXPECT_EQ(RoundToSignificantDigits(18, INT64_MAX), INT64_MAX);  // held at the range's end
}

TEST(ShareText, ExamplesAndRoundTrip)
{
    struct Case {
        float value;
        const char* text;
    } cases[] = {
        {0.5f, "0.5"},          {1, "1.0"},          {12, "12.0"},      {0, "0.0"},
        {0.1f, "0.1"},          {0.7f, "0.7"},       {1.0f / 128, "0.007813"},
        {0.0000004f, "0.0"},    {0.0000005f, "0.0"}, {0.00000051f, "0.000001"},
        {123456.7f, "123456.703125"},                {-0.25f, "-0.25"},
        {2e36f, " 2.0E+0036"},  {1e-45f, "0.0"},     {INFINITY, "+Inf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(ShareToText(c.value), c.text);
    }
    int error = 0;
    EXPECT_EQ(TextToReal(ShareToText(12), &error), 12.0L);
    EXPECT_EQ(error, 0);
    TextToReal(ShareToText(INFINITY), &error);
    EXPECT_NE(error, 0);
}

// Every finite float's share text is accepted; a float that came from a
// decimal with at most six places comes back exactly.
TEST(ShareText, RoundTripOfSixDecimalPlaces)
{
    std::uint64_t state = 7;
    auto next = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 33;
    };
    char decimal[64];
    int failures = 0;
    for (int i = 0; i < 1000000 && failures < 10; ++i) {
        // A value with up to 6 decimals between 0.000001 and 10^9.
        int places = static_cast<int>(next() % 7);
        int integerDigits = static_cast<int>(next() % 10);
        std::uint64_t integerPart = integerDigits == 0 ? 0 : next() % static_cast<std::uint64_t>(std::pow(10.0, integerDigits));
        std::uint64_t fractionPart = places == 0 ? 0 : next() % static_cast<std::uint64_t>(std::pow(10.0, places));
        if (integerPart == 0 && fractionPart == 0) fractionPart = 1, places = 6;
        if (places == 0) {
            std::snprintf(decimal, sizeof decimal, "%llu", static_cast<unsigned long long>(integerPart));
        } else {
            std::snprintf(decimal, sizeof decimal, "%llu.%0*llu", static_cast<unsigned long long>(integerPart), places,
                          static_cast<unsigned long long>(fractionPart));
        }
        float original = NearestFloat(decimal);
        const char* text = ShareToText(original);
        int error = -1;
        float back = RealToFloat(TextToReal(text, &error));
        if (error != 0 || back != original) {
            ++failures;
            ADD_FAILURE() << decimal << " -> " << text << " (error " << error << ")";
        }
    }
    // Any bit pattern of a finite float gives a text that reads back.
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(next());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        int error = -1;
        TextToReal(ShareToText(value), &error);
        ASSERT_EQ(error, 0) << ShareToText(value);
    }
}

// What the wizard shows in a real field reads back, within the field's
// length, to the very same float: the share text where it does, else an
// exponent form. Large values (1e24) and tiny shares (1e-7) included.
TEST(RealFieldText, ReadsBackToTheSameFloatWithinTheField)
{
    const struct {
        float value;
        const char* text;
    } examples[] = {
        {0.5f, "0.5"}, {0.1f, "0.1"}, {12.0f, "12.0"}, {0.0f, "0.0"}, {123456.7f, "123456.703125"},
        {1e-7f, "0.0000001"}, {1e24f, "1.0E24"}, {-1e21f, "-1.0E21"}, {3.4028235e38f, "3.4028235E38"},
        {0.0078125f, "0.0078125"}, {1e-9f, "0.000000001"}, {1.5e-9f, "1.5E-9"}, {1.5e-38f, "1.5E-38"},
    };
    for (const auto& e : examples) EXPECT_STREQ(RealFieldText(e.value), e.text);

    std::uint64_t state = 11;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        std::uint32_t bits = static_cast<std::uint32_t>(state >> 32);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        const char* text = RealFieldText(value);
        int error = -1;
        float back = RealToFloat(TextToReal(text, &error));
        ASSERT_LE(std::strlen(text), static_cast<std::size_t>(FieldTextLength)) << text;
        ASSERT_EQ(error, 0) << text;
        ASSERT_EQ(std::memcmp(&back, &value, sizeof value), 0) << text << " for bits " << std::hex << bits;
    }
}

TEST(ParseCount, AcceptsDigitsAndCommasOnly)
{
    struct Case {
        const char* text;
        long double value;
        bool failed;
        const char* message;  // nullptr: no message
    } cases[] = {
        {"1,000,000", 1000000, false, nullptr},
        {"1000000", 1000000, false, nullptr},
        {"1,234,567,890,123,456", 1234567890123456.0L, false, nullptr},
        {"9999999999999999", 9999999999999999.0L, false, nullptr},
        {"12345678901234567", 0, true, nullptr},  // 17 digits
        {"", 0, true, nullptr},
        {",,,", 0, true, nullptr},
        {"0", 0, false, nullptr},
        {"12a4b", 0, true, "\"b\" is an invalid character."},
        {"-5", 0, true, "\"-\" is an invalid character."},
        {"5 ", 0, true, "\" \" is an invalid character."},
        {"1 000", 0, true, "\" \" is an invalid character."},
        {"1.5", 0, true, "\".\" is an invalid character."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ClearRecordedMessages();
        CountParseFailed = !c.failed;
        EXPECT_EQ(Parse(c.text), c.value);
        EXPECT_EQ(CountParseFailed, c.failed);
        if (c.message == nullptr) {
            EXPECT_TRUE(RecordedMessages().empty());
        } else {
            ASSERT_EQ(RecordedMessages().size(), 1u);
            EXPECT_EQ(RecordedMessages()[0].text, c.message);
            EXPECT_EQ(RecordedMessages()[0].caption, "Halvorendyne");
            EXPECT_EQ(RecordedMessages()[0].style, 0x30u);  // MB_OK | MB_ICONEXCLAMATION
        }
    }
    Parse("1,2,3");
    EXPECT_STREQ(InputTextBuffer, "123");  // commas removed in place
}

TEST(PowerOfTen, ExactForEveryExponentInUse)
{
    long double expected = 1;
    for (int n = 0; n <= 16; ++n) {
        EXPECT_EQ(PowerOfTen(static_cast<std::uint8_t>(n)), expected) << n;
        expected *= 10;
    }
    EXPECT_TRUE(std::isfinite(PowerOfTen(255)));
}

TEST(TextToReal, SyntaxAndValues)
{
    struct Case {
        const char* text;
        long double value;
        int error;  // 0: valid
    } cases[] = {
        {"0.5", 0.5L, 0},       {".5", 0.5L, 0},         {"-0.25", -0.25L, 0},   {"+1", 1, 0},
        {"1e-3", 0.001L, 0},    {"1.E2", 100, 0},        {"e5", 0, 0},           {"  7", 7, 0},
        {"12.0", 12, 0},        {"1e4931", IntegerPower(10, 4931), 0},  {"1e5120", INFINITY, 0}, {"0e5120", INFINITY, 0},
        {"-1e5120", -INFINITY, 0}, {"1e-5120", 0, 0},    {"0e5000", 0, 0},       {"1e99999999999999999999", INFINITY, 0},
        {"1.", 0, 3},           {".", 0, 2},             {"0,5", 0, 2},          {"1e", 0, 3},
        {"1e+", 0, 4},          {"5%", 0, 2},            {"0.5 ", 0, 4},         {"", 0, 1},
        {"   ", 0, 4},          {"-", 0, 2},             {"1.2.3", 0, 4},        {"x", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int error = -1;
        long double value = TextToReal(c.text, &error);
        EXPECT_EQ(error, c.error);
        if (c.error == 0) {
            EXPECT_EQ(value, c.value);
        }
    }
    int error;
    EXPECT_TRUE(SignBitOf(TextToReal("-0", &error)));
    // Thousands of digits: the value stays finite and right.
    std::string longFraction = "0." + std::string(6000, '3');
    EXPECT_NEAR(static_cast<double>(TextToReal(longFraction.c_str(), &error)), 1.0 / 3, 1e-18);
    EXPECT_EQ(error, 0);
    std::string longWhole = std::string(100, '1') + ".5";
    EXPECT_NEAR(static_cast<double>(TextToReal(longWhole.c_str(), &error) / 1e99L), 1.1111111111111111, 1e-15);
    EXPECT_EQ(TextToReal("0.1", &error), 1.0L / 10);  // one division, correctly rounded
}
