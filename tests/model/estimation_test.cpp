#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "display/result_text.h"
#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tests/support/worked_example.h"

namespace {

// The worked example: every stage has a known whole-number result.
void LoadWorkedExample()
{
    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
    FillWorkedExample();
}

float CubeRootDistance(double stars, double objects, double distance)
{
    return static_cast<float>(std::cbrt(stars / objects) * distance);
}

}  // namespace

TEST(Estimation, WorkedExampleEndToEnd)
{
    LoadWorkedExample();
    ComputeSuitableStars();
    EXPECT_EQ(Settings.SuitableStarCount, 85938);  // 62,500 single + nearest(23,437.5)
    ComputeInhabitedPlanets();
    EXPECT_EQ(Settings.InhabitedPlanetTotal, 5371);  // nearest(5,371.125)
    ComputeResults();
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 0);
    EXPECT_EQ(Settings.GalaxyCivilizationCount, 54);  // nearest(53.71)
    EXPECT_EQ(Settings.PlanetDistanceLy, CubeRootDistance(500000, 5371, 5));
    EXPECT_EQ(Settings.CivilizationDistanceLy, CubeRootDistance(500000, 54, 5));
    EXPECT_NEAR(Settings.PlanetDistanceLy, 22.660786, 5e-6);
    EXPECT_NEAR(Settings.CivilizationDistanceLy, 104.99342, 5e-5);
    EXPECT_EQ(Settings.UniverseCivilizationExponent, 0);
    EXPECT_EQ(Settings.UniverseCivilizationCount, 5400000000000LL);
    EXPECT_EQ(Settings.SuitableStarExponent, 0);
    EXPECT_EQ(Settings.InhabitedPlanetExponent, 0);
}

TEST(Estimation, StagesRoundTiesToEven)
{
    // A = 7 with a companion share of 0.5: W = nearest(3.5) = 4 and
    // Lone = nearest(3.5) = 4; with 2.5 both give 2.
    LoadWorkedExample();
    Settings.StarCount = 7;
    Settings.PlanetShare = Settings.PopulationIShare = Settings.HeavyElementShare = Settings.SunLikeShare = 1;
    Settings.EcoSingleProb = 1;
    Settings.EcoDwarfProb = Settings.EcoSunLikeProb = Settings.EcoGiantProb = 0;
    ComputeSuitableStars();
    EXPECT_EQ(Settings.SuitableStarCount, 4);
    Settings.StarCount = 5;
    ComputeSuitableStars();
    EXPECT_EQ(Settings.SuitableStarCount, 2);
}

TEST(Estimation, GalaxyCountOfZeroBecomesOne)
{
    LoadWorkedExample();
    Settings.CivilizationSpanYears = 1;  // 5,371 * 10^-10 rounds to 0
    ComputeResults();
    EXPECT_EQ(Settings.GalaxyCivilizationCount, 1);
    EXPECT_EQ(Settings.CivilizationDistanceLy, CubeRootDistance(500000, 1, 5));
}

TEST(Estimation, HalfOfMaxYearsCountsOneDigitInTheGuard)
{
    LoadWorkedExample();
    Settings.CivilizationSpanYears = 5000000000LL;
    ComputeResults();
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 0);
    EXPECT_EQ(Settings.GalaxyCivilizationCount, 2686);  // nearest(2,685.5)
}

// A guard's sum of factor lengths only bounds the product from above: the
// shown result comes from the product itself, never from that bound or from
// an earlier run's count.
TEST(Estimation, TrippedGuardsShowTheProductItself)
{
    LoadWorkedExample();
    Settings.CivilizationSpanYears = 1861850680LL;  // 5,371 * 0.186185068 = 1,000.0000002
    Settings.GalaxyCount = 1000000000000000LL;      // 16 digits: the universe guard trips
    Settings.UniverseCivilizationCount = 777;       // an earlier run's result
    ComputeResults();
    ASSERT_EQ(Settings.GalaxyCivilizationCount, 1000);
    EXPECT_EQ(Settings.UniverseCivilizationExponent, 0);
    EXPECT_EQ(Settings.UniverseCivilizationCount, 1000000000000000000LL);

    // Every factor at its most, 17 + 1 digits: about 5 * 10^16 civilizations.
    Settings.StarCount = 9999999999999999LL;
    Settings.PlanetShare = Settings.PopulationIShare = Settings.HeavyElementShare = Settings.SunLikeShare = 1;
    Settings.DwarfShare = Settings.GiantShare = 1;
    Settings.EcoSingleProb = Settings.EcoDwarfProb = Settings.EcoSunLikeProb = Settings.EcoGiantProb = 1;
    Settings.MultipleSystemShare = 0;
    Settings.PlanetInEcoProb = 500;
    Settings.MassMixProb = Settings.OrbitAxisProb = Settings.LifeEvolvesProb = 1;
    Settings.FirstLifeYears = 0;
    Settings.CivilizationSpanYears = 100000000;
    Settings.GalaxyCivilizationCount = 54;  // stale
    ComputeResults();
    ASSERT_EQ(Settings.InhabitedPlanetTotal, 4999999999999999500LL);
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 0);
    EXPECT_EQ(Settings.GalaxyCivilizationCount, 49999999999999995LL);

    // No galaxies: no civilizations in the universe, guard or not.
    Settings.GalaxyCount = 0;
    ComputeResults();
    EXPECT_EQ(Settings.UniverseCivilizationExponent, 0);
    EXPECT_EQ(Settings.UniverseCivilizationCount, 0);

    // A negative product beyond the range reads "less than -10^", whatever
    // count an earlier run left.
    Settings.GalaxyCount = 1000000000000LL;
    Settings.GalaxySizeRatio = -1e20f;  // only a file holds such a value
    Settings.UniverseCivilizationCount = 777;
    ComputeResults();
    EXPECT_EQ(Settings.UniverseCivilizationExponent, 48);
    EXPECT_EQ(Settings.UniverseCivilizationCount, INT64_MIN);
    EXPECT_STREQ(ResultCountText(Settings.UniverseCivilizationExponent, Settings.UniverseCivilizationCount),
                 "less than -10^48");
}

TEST(Estimation, GalaxyProductBeyondTheRangeIsUsedForTheDistance)
{
    LoadWorkedExample();
    Settings.StarCount = 4000000000000000LL;
    Settings.PlanetInEcoProb = 1000000.0f;  // accepted by the wizard: no range
    Settings.CivilizationSpanYears = Settings.MaxYears;
    Settings.GalaxyCivilizationCount = 54;  // stale
    ComputeResults();
    ASSERT_EQ(Settings.InhabitedPlanetExponent, 19);
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 19);
    EXPECT_EQ(Settings.GalaxyCivilizationCount, INT64_MAX);
    // The distance comes from the galaxy product (time share 1), not from 54.
    EXPECT_EQ(Settings.CivilizationDistanceLy, Settings.PlanetDistanceLy);
    EXPECT_GE(Settings.UniverseCivilizationExponent, Settings.GalaxyCivilizationExponent);
}

TEST(Estimation, ResultsBeyondTheCountRangeGetAnExponent)
{
    LoadWorkedExample();
    Settings.PlanetInEcoProb = 1e30f;  // 5,371 * 10^30 inhabited planets
    ComputeResults();
    EXPECT_EQ(Settings.InhabitedPlanetExponent, 33);
    EXPECT_EQ(Settings.InhabitedPlanetTotal, INT64_MAX);
    // The galaxy product: 5,371 * 10^30 times the time share 10^-2.
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 31);
    EXPECT_GE(Settings.UniverseCivilizationExponent, 31);
    EXPECT_TRUE(std::isfinite(Settings.PlanetDistanceLy));

    Settings.PlanetInEcoProb = -1e30f;
    ComputeResults();
    EXPECT_EQ(Settings.InhabitedPlanetExponent, 33);
    EXPECT_EQ(Settings.InhabitedPlanetTotal, INT64_MIN);
    EXPECT_EQ(Settings.PlanetDistanceLy, 0.0f);  // negative base

    // A universe product just past 2^63 with both guard lengths below 20.
    LoadWorkedExample();
    Settings.StarCount = 8;
    Settings.PlanetShare = Settings.PopulationIShare = Settings.HeavyElementShare = Settings.SunLikeShare = 1;
    Settings.MultipleSystemShare = 0;
    Settings.PlanetInEcoProb = 1;
    Settings.MassMixProb = Settings.OrbitAxisProb = Settings.LifeEvolvesProb = 1;
    Settings.FirstLifeYears = 0;
    Settings.CivilizationSpanYears = INT64_MAX;  // from a file: time share 922,337,203
    Settings.GalaxySizeRatio = 1.3f;             // 9,592,306,... (10 digits)
    Settings.GalaxyCount = 999999999;            // 9 digits
    ComputeResults();
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 0);
    EXPECT_EQ(Settings.GalaxyCivilizationCount, 7378697629LL);
    EXPECT_EQ(Settings.UniverseCivilizationExponent, 18);  // 9.59 * 10^18
    EXPECT_EQ(Settings.UniverseCivilizationCount, INT64_MAX);
}

TEST(Estimation, FileValuesThatBreakTheRangeNeverWrapOrTrap)
{
    // Floats at their maximum make the true product exceed 255 digits: the
    // guard's length sum must saturate, not wrap around to a small number.
    LoadWorkedExample();
    Settings.StarCount = INT64_MAX;
    const float big = 3.4e38f;
    Settings.PlanetShare = Settings.PopulationIShare = Settings.HeavyElementShare = Settings.SunLikeShare = big;
    Settings.PlanetInEcoProb = Settings.MassMixProb = Settings.OrbitAxisProb = Settings.LifeEvolvesProb = big;
    Settings.FirstLifeYears = INT64_MIN;
    ComputeResults();
    EXPECT_EQ(Settings.InhabitedPlanetExponent, 255);
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 255);
    EXPECT_EQ(Settings.UniverseCivilizationExponent, 255);

    // NaN and infinite parameters (only a file can hold them).
    LoadWorkedExample();
    Settings.PlanetShare = std::nanf("");
    Settings.StarDistanceLy = INFINITY;
    ComputeResults();
    EXPECT_EQ(Settings.SuitableStarCount, 0);
    EXPECT_EQ(Settings.InhabitedPlanetExponent, 0);
}

TEST(Estimation, NoInhabitedPlanetsGiveAnInfiniteOrUndefinedDistance)
{
    LoadWorkedExample();
    Settings.LifeEvolvesProb = 0;
    ComputeResults();
    EXPECT_EQ(Settings.InhabitedPlanetTotal, 0);
    EXPECT_TRUE(std::isinf(Settings.PlanetDistanceLy));
    EXPECT_EQ(Settings.GalaxyCivilizationCount, 1);
    EXPECT_TRUE(std::isfinite(Settings.CivilizationDistanceLy));

    Settings.PopulationIShare = 0;  // 0 / 0
    ComputeResults();
    EXPECT_TRUE(std::isnan(Settings.PlanetDistanceLy));

    LoadWorkedExample();
    Settings.FirstLifeYears = Settings.MaxYears;
    ComputeResults();
    EXPECT_EQ(Settings.InhabitedPlanetTotal, 0);
    EXPECT_TRUE(std::isinf(Settings.PlanetDistanceLy));
}

TEST(Estimation, PowerAndIntegerPower)
{
    EXPECT_EQ(Power(-5, 0), 1.0L);
    EXPECT_EQ(Power(2, 10), 1024.0L);
    EXPECT_EQ(Power(2, -2), 0.25L);
    EXPECT_EQ(Power(-2, 3), -8.0L);            // whole exponent: IntegerPower
    EXPECT_EQ(Power(-8, OneThird()), 0.0L);    // negative base otherwise: 0
    EXPECT_EQ(Power(0, OneThird()), 0.0L);
    EXPECT_EQ(Power(2, -3e9L), 0.0L);          // beyond the int range: exp/ln, no UB
    EXPECT_TRUE(std::isinf(Power(2, 3e9L)));
    EXPECT_EQ(Power(2, -2147483648.0L), 0.0L);
    long double cubeRoot = Power(27, OneThird());
    EXPECT_NEAR(static_cast<double>(cubeRoot), 3.0, 1e-17);

    EXPECT_EQ(IntegerPower(10, 0), 1.0L);
    EXPECT_EQ(IntegerPower(10, 27), 1e27L);  // still exact in 64 bits
    EXPECT_EQ(IntegerPower(3, 5), 243.0L);
    EXPECT_EQ(IntegerPower(2, -3), 0.125L);
    EXPECT_EQ(IntegerPower(1, INT32_MIN), 1.0L);
    EXPECT_EQ(IntegerPower(2, INT32_MIN), 0.0L);
}

TEST(Estimation, RealDecimalLengthMatchesTheCountTextAndGoesBeyond)
{
    const std::int64_t counts[] = {0, 9, 10, -1, -10, 999999999999999999LL, 1000000000000000000LL, INT64_MAX, INT64_MIN};
    for (std::int64_t c : counts) {
        SCOPED_TRACE(c);
        EXPECT_EQ(DecimalLength(c), static_cast<int>(std::strlen(CountToText(c))));
        EXPECT_EQ(RealDecimalLength(static_cast<long double>(c)), DecimalLength(c));
    }
    EXPECT_EQ(RealDecimalLength(-0.4L), 1);  // rounds to zero: "0"
    EXPECT_EQ(RealDecimalLength(1e19L), 20);
    EXPECT_EQ(RealDecimalLength(-1e30L), 32);
    EXPECT_EQ(RealDecimalLength(1e300L), 255);
    EXPECT_EQ(RealDecimalLength(INFINITY), 255);
}

namespace {

// A record's derived results and stage products, bit for bit.
std::string ResultBits(const SettingsRecord& s, const StageProducts& p)
{
    char text[320];
    std::snprintf(text, sizeof text, "%lld %lld %lld %lld %a %a %u %u %u %u %La %La %La", static_cast<long long>(s.SuitableStarCount),
                  static_cast<long long>(s.InhabitedPlanetTotal), static_cast<long long>(s.GalaxyCivilizationCount),
                  static_cast<long long>(s.UniverseCivilizationCount), static_cast<double>(s.PlanetDistanceLy),
                  static_cast<double>(s.CivilizationDistanceLy), s.SuitableStarExponent, s.InhabitedPlanetExponent,
                  s.GalaxyCivilizationExponent, s.UniverseCivilizationExponent, p.inhabitedPlanets, p.galaxyCivilizations,
                  p.universeCivilizations);
    return text;
}

}  // namespace

// Two threads at once on records of their own, each starting with the
// 53-bit precision of a new Windows thread: the bits of the SettingsRecord's
// chain, also where a result needs its exact digits beyond the count range,
// the galaxy's product alone with the same bits, and the SettingsRecord
// untouched.
TEST(Estimation, ComputeResultsForRunsOnRecordsOfTheirOwnOnSeveralThreads)
{
    LoadWorkedExample();
    SettingsRecord records[2] = {Settings, Settings};
    // 2^53 + 1 stars, every one counted: exact only with 64-bit significands.
    records[0].StarCount = 9007199254740993LL;
    records[0].PlanetShare = records[0].PopulationIShare = records[0].SunLikeShare = 1;
    records[0].MultipleSystemShare = 0;
    records[1].PlanetInEcoProb = 1e30f;  // more than 10^33 inhabited planets
    std::string expected[2];
    for (int i = 0; i < 2; ++i) {
        std::memcpy(&Settings, &records[i], offsetof(SettingsRecord, AuthorName));
        ComputeResults();
        expected[i] = ResultBits(Settings, LastStageProducts());
    }
    LoadWorkedExample();
    ComputeResults();
    const std::string untouched = ResultBits(Settings, LastStageProducts());
    EXPECT_EQ(expected[0].rfind("9007199254740993 ", 0), 0u) << expected[0];
    EXPECT_NE(expected[1].find(" 33 "), std::string::npos) << expected[1];
    // The worked example's products: 5,371.125 planets, 53.71 civilizations,
    // and 54 x 1 x 10^11 in the universe.
    EXPECT_EQ(LastStageProducts().inhabitedPlanets, 5371.125L);
    EXPECT_EQ(LastStageProducts().galaxyCivilizations, 5371 * (100000000.0L / 10000000000.0L));
    EXPECT_EQ(LastStageProducts().universeCivilizations, 5.4e12L);

    int mismatches[2] = {};
    auto work = [&records, &expected, &mismatches](int i) {
        std::uint16_t windowsWord = 0x027F;
        __asm__ volatile("fldcw %0" : : "m"(windowsWord));
        for (int n = 0; n < 500; ++n) {
            SettingsRecord own = records[i];
            StageProducts products = ComputeResultsFor(&own);
            mismatches[i] += ResultBits(own, products) != expected[i];
            // The galaxy's product alone: the same bits, from the same start.
            __asm__ volatile("fldcw %0" : : "m"(windowsWord));
            SettingsRecord alone = records[i];
            const long double galaxy = GalaxyProductFor(&alone);
            mismatches[i] += std::memcmp(&galaxy, &products.galaxyCivilizations, 10) != 0;
        }
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    EXPECT_EQ(mismatches[0], 0);
    EXPECT_EQ(mismatches[1], 0);
    EXPECT_EQ(ResultBits(Settings, LastStageProducts()), untouched);

    // A galaxy count that rounds to 0 leaves the universe's product at 0,
    // though the "at least 1" rule counts 10^11 civilizations there.
    Settings.CivilizationSpanYears = 1;
    ComputeResults();
    EXPECT_EQ(Settings.UniverseCivilizationCount, 100000000000LL);
    EXPECT_EQ(LastStageProducts().universeCivilizations, 0);
}

// Both builds must print and match this value: the same bits from the same
// chain on Linux and on Windows.
TEST(Estimation, ChecksumOverRandomParameterSetsIsTheSameOnEveryBuild)
{
    std::uint64_t state = 20261207;
    auto next = [&state]() {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    auto fraction = [&next]() { return static_cast<float>(next() >> 40) / 16777216.0f; };
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const void* data, std::size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };

    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
    for (int i = 0; i < 10000; ++i) {
        SettingsRecord& s = Settings;
        s.StarCount = static_cast<std::int64_t>(next() % 1000000000000000ull) + 1000;
        float* shares[] = {&s.PlanetShare, &s.PopulationIShare, &s.MultipleSystemShare, &s.HeavyElementShare,
                           &s.DwarfShare, &s.SunLikeShare, &s.GiantShare, &s.EcoSingleProb,
                           &s.EcoDwarfProb, &s.EcoSunLikeProb, &s.EcoGiantProb, &s.MassMixProb,
                           &s.OrbitAxisProb, &s.LifeEvolvesProb};
        for (float* share : shares) *share = fraction();
        s.PlanetInEcoProb = fraction() * 2;
        s.FirstLifeYears = static_cast<std::int64_t>(next() % 10000000001ull);
        s.CivilizationSpanYears = static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(s.MaxYears - s.FirstLifeYears + 1));
        s.StarDistanceLy = fraction() * 10;
        s.GalaxySizeRatio = fraction() * 2;
        s.GalaxyCount = static_cast<std::int64_t>(next() % 1000000000000ull);
        ComputeResults();
        const std::int64_t counts[] = {s.SuitableStarCount, s.InhabitedPlanetTotal, s.GalaxyCivilizationCount,
                                       s.UniverseCivilizationCount};
        const float distances[] = {s.PlanetDistanceLy, s.CivilizationDistanceLy};
        const std::uint8_t exponents[] = {s.SuitableStarExponent, s.InhabitedPlanetExponent,
                                          s.GalaxyCivilizationExponent, s.UniverseCivilizationExponent};
        mix(counts, sizeof counts);
        mix(distances, sizeof distances);
        mix(exponents, sizeof exponents);
        const char* texts[] = {CountToGroupedText(true, s.InhabitedPlanetTotal), ShareToText(s.PlanetDistanceLy),
                               RealToText(s.CivilizationDistanceLy, 0, 0), ShareToText(s.PlanetShare)};
        for (const char* text : texts) mix(text, std::strlen(text));
    }
    std::printf("model checksum: %016llx\n", static_cast<unsigned long long>(hash));
    EXPECT_EQ(hash, 0x7529acb4a1dcad02ull);
}
