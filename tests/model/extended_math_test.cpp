#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "display/result_text.h"
#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tests/support/worked_example.h"

namespace {

std::uint64_t SignificandOf(long double x)
{
    std::uint64_t significand;
    std::memcpy(&significand, &x, 8);
    return significand;
}

std::uint64_t SignificandOfOneThird()
{
    volatile long double one = 1;
    volatile long double three = 3;
    return SignificandOf(one / three);
}

void LoadControlWord(std::uint16_t word)
{
    __asm__ volatile("fldcw %0" : : "m"(word));
}

}  // namespace

// Windows starts threads with 53-bit precision (control word 0x27F); the
// model's setting must give full 64-bit significands whatever came before.
TEST(ExtendedPrecision, SetExtendedPrecisionGivesSixtyFourBitSignificands)
{
    std::uint64_t before = 0, after = 0;
    std::uint16_t fresh = 0, set = 0;
    std::thread worker([&]() {
        fresh = ReadX87ControlWord();
        LoadControlWord(0x027F);  // as a new Windows thread starts
        before = SignificandOfOneThird();
        SetExtendedPrecision();
        set = ReadX87ControlWord();
        after = SignificandOfOneThird();
    });
    worker.join();
    std::printf("x87 control word of a new thread: %04X\n", fresh);
    EXPECT_EQ(before, 0xAAAAAAAAAAAAA800ull);
    EXPECT_EQ(after, 0xAAAAAAAAAAAAAAABull);
    EXPECT_EQ(set, 0x037F);
    EXPECT_EQ(SignificandOfOneThird(), 0xAAAAAAAAAAAAAAABull);  // this thread, set by main
}

namespace {

// The record's eight results, bit for bit.
std::string ResultsImage()
{
    const SettingsRecord& s = Settings;
    char text[256];
    std::snprintf(text, sizeof text, "%lld %lld %lld %lld %a %a %u %u", static_cast<long long>(s.SuitableStarCount),
                  static_cast<long long>(s.InhabitedPlanetTotal), static_cast<long long>(s.GalaxyCivilizationCount),
                  static_cast<long long>(s.UniverseCivilizationCount), static_cast<double>(s.PlanetDistanceLy),
                  static_cast<double>(s.CivilizationDistanceLy), s.GalaxyCivilizationExponent, s.UniverseCivilizationExponent);
    return text;
}

}  // namespace

// A DLL in the program's thread may leave 53-bit precision and the invalid,
// divide-by-zero and overflow exceptions unmasked: each model routine sets
// its own word, so the results are the same and nothing traps, also where
// the chain meets an infinite or undefined intermediate.
TEST(ExtendedPrecision, ModelRoutinesSetTheirOwnControlWord)
{
    const std::uint16_t foreign = 0x0272;  // 53-bit, round to nearest, IM, ZM, OM unmasked
    const struct {
        const char* name;
        std::function<std::string()> run;
    } cases[] = {
        {"worked example", [] { FillWorkedExample(); ComputeResults(); return ResultsImage(); }},
        {"no inhabited planet: infinite distance", [] {
             FillWorkedExample();
             Settings.LifeEvolvesProb = 0;
             ComputeResults();
             return ResultsImage() + " " + DistanceText(Settings.PlanetDistanceLy);
         }},
        {"no stars: undefined distance", [] {
             FillWorkedExample();
             Settings.StarCount = 0;
             Settings.PopulationIShare = 0;
             ComputeResults();
             return ResultsImage() + " " + DistanceText(Settings.PlanetDistanceLy);
         }},
        {"a power of ten beyond the range", [] {
             int error = -1;
             long double value = TextToReal("1e5000", &error);
             return std::string(RealToText(value, 3, 6)) + " " + std::to_string(error);
         }},
        {"one third in text", [] { return std::string(RealToText(OneThirdValue(), 3, 6)); }},
        {"a share and a count", [] { return std::string(ShareToText(0.1f)) + " " + CountToGroupedText(true, 5371); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetExtendedPrecision();
        const std::string expected = c.run();
        __asm__ volatile("fnclex");
        LoadControlWord(foreign);
        const std::string got = c.run();
        const std::uint16_t after = ReadX87ControlWord();
        SetExtendedPrecision();
        EXPECT_EQ(got, expected);
        EXPECT_EQ(after, 0x037F);
    }
}

TEST(ExtendedPrecision, OneThirdHasItsExactBits)
{
    long double third = OneThird();
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &third, sizeof third);
    EXPECT_EQ(SignificandOf(third), 0xAAAAAAAAAAAAAAABull);
    EXPECT_EQ(bytes[8] | (bytes[9] << 8), 0x3FFD);
}

TEST(ExtendedPrecision, NearestRoundsTiesToEven)
{
    const long double cases[][2] = {{0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {53.5L, 54}, {-0.5L, 0}, {-1.5L, -2},
                                    {0.49999999999999999995L, 0}, {4503599627370497.5L, 4503599627370498.0L}};
    for (const auto& c : cases) EXPECT_EQ(NearestReal(c[0]), c[1]) << static_cast<double>(c[0]);
    EXPECT_TRUE(std::isinf(NearestReal(INFINITY)));
    EXPECT_TRUE(std::isnan(NearestReal(NAN)));
}

TEST(ExtendedPrecision, ConversionsWithoutUndefinedBehaviour)
{
    std::int64_t count = 5;
    EXPECT_TRUE(RealToCount(-9223372036854775808.0L, &count));
    EXPECT_EQ(count, INT64_MIN);
    EXPECT_TRUE(RealToCount(9223372036854775807.0L - 0.5L, &count));  // rounds within range
    EXPECT_FALSE(RealToCount(9223372036854775808.0L, &count));
    EXPECT_EQ(count, INT64_MAX);
    EXPECT_FALSE(RealToCount(-1e30L, &count));
    EXPECT_EQ(count, INT64_MIN);
    EXPECT_FALSE(RealToCount(NAN, &count));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(RealToCount(INFINITY, &count));
    EXPECT_EQ(count, INT64_MAX);

    const long double floatMax = 3.40282346638528859812e38L;
    const long double halfwayToInfinity = std::ldexp(1.0L, 128) - std::ldexp(1.0L, 103);
    EXPECT_EQ(RealToFloat(floatMax), 3.40282346638528859812e38f);
    EXPECT_EQ(RealToFloat(std::nextafter(halfwayToInfinity, 0.0L)), 3.40282346638528859812e38f);
    EXPECT_TRUE(std::isinf(RealToFloat(halfwayToInfinity)));
    EXPECT_TRUE(std::isinf(RealToFloat(-1e300L)));
    EXPECT_TRUE(std::isnan(RealToFloat(NAN)));
    EXPECT_EQ(RealToFloat(1.0L / 3), 1.0f / 3);
}

TEST(ExtendedPrecision, LogarithmAndExponential)
{
    EXPECT_EQ(LnExtended(1), 0.0L);
    EXPECT_EQ(ExpExtended(0), 1.0L);
    EXPECT_TRUE(std::isinf(LnExtended(0)) && LnExtended(0) < 0);
    EXPECT_TRUE(std::isnan(LnExtended(-1)));
    EXPECT_TRUE(std::isinf(ExpExtended(20000)));
    EXPECT_EQ(ExpExtended(-20000), 0.0L);
    EXPECT_EQ(ExpExtended(-INFINITY), 0.0L);
    // Within a few units in the last place of the 64-bit significand.
    const long double e = 2.718281828459045235360287471352662498L;
    EXPECT_LE(std::fabs(ExpExtended(1) - e) / e, 4e-19L);
    EXPECT_LE(std::fabs(LnExtended(e) - 1), 4e-19L);
    EXPECT_LE(std::fabs(ExpExtended(LnExtended(1e10L) / 3) - 2154.4346900318837217592935665193504952L) / 2154.43L, 1e-18L);
}
