// hvdtool range: the draws between two settings files, the wizard's
// verdict on them, the run's statistics and its one-at-a-time sensitivity.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tests/tools/settings_sources.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/range/draw_blocks.h"
#include "tools/hvdtool/range/observation.h"
#include "tools/hvdtool/range/range_report.h"
#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/range/range_sampler.h"
#include "tools/hvdtool/range/range_svg.h"
#include "tools/hvdtool/range/sobol_indices.h"
#include "tools/hvdtool/range/sobol_run.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/tool_files.h"

namespace {

// Two settings made from the worked example, each with its own changes.
struct SpreadFiles {
    SettingsSource a = ParsedSource(WorkedExampleSource());
    SettingsSource b = ParsedSource(WorkedExampleSource());

    void Set(const char* name, long double valueA, long double valueB)
    {
        SetField(&a, name, valueA);
        SetField(&b, name, valueB);
    }
};

std::size_t IndexOf(const char* name)
{
    return static_cast<std::size_t>(&FieldNamed(name) - SettingsFields);
}

RangeRun RunOf(std::uint64_t samples, std::uint64_t seed, unsigned threads = 1)
{
    RangeRun run;
    run.samples = samples;
    run.seed = seed;
    run.threads = threads;
    return run;
}

RangeReport RunBetween(const SpreadFiles& files, std::uint64_t samples, std::uint64_t seed, unsigned threads = 1)
{
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    RangeReport report;
    std::string problem;
    EXPECT_TRUE(RunRange(sampler, RunOf(samples, seed, threads), &report, &problem)) << problem;
    return report;
}

// The model's results for a stored block, computed the program's way.
ResultValues ResultsOf(const unsigned char* block, StageProducts* products = nullptr)
{
    std::memcpy(StoredBlockBytes(), block, StoredBlockSize);
    Settings.MaxYears = FixedMaxYears;
    ComputeResults();
    if (products) *products = LastStageProducts();
    return CurrentResults();
}

bool SameValue(const ResultValue& x, const ResultValue& y)
{
    return x.distance == y.distance && (x.distance ? std::memcmp(&x.lightYears, &y.lightYears, sizeof(float)) == 0
                                                   : x.count == y.count && x.exponent == y.exponent);
}

long double Ln(long double x)
{
    return LnExtended(x);
}

}  // namespace

TEST(HvdtoolRandom, SeededSequencesRepeatAndDiffer)
{
    RandomSource a(42), b(42), c(43);
    long double sum = 0;
    bool differs = false;
    for (int i = 0; i < 10000; ++i) {
        std::uint64_t x = a.Next();
        EXPECT_EQ(x, b.Next());
        differs = differs || x != c.Next();
        long double u = a.Uniform();
        b.Uniform();
        c.Uniform();
        ASSERT_GE(u, 0.0L);
        ASSERT_LT(u, 1.0L);
        sum += u;
    }
    EXPECT_TRUE(differs);
    // Mean of 10,000 uniform draws: 0.5 with a standard error of 0.0029.
    EXPECT_NEAR(static_cast<double>(sum / 10000), 0.5, 4 * 0.0029);
}

TEST(HvdtoolSampler, SpreadsFollowTheTwoValuesEitherWayRound)
{
    struct Case {
        const char* name;
        long double a, b;
        Spread spread;
        long double low, high, median;
    } cases[] = {
        {"StarCount", 1e6L, 1e8L, Spread::LogUniform, 1e6L, 1e8L, 1e7L},
        {"GalaxyCount", 1e12L, 1e11L, Spread::Uniform, 1e11L, 1e12L, 5.5e11L},  // a factor of 10: not more
        {"FirstLifeYears", 100, 1001, Spread::LogUniform, 100, 1001, 316},        // sqrt(100,100) = 316.4, rounded
        {"CivilizationSpanYears", 0, 1000, Spread::Uniform, 0, 1000, 500},        // a zero bound
        {"StarDistanceLy", -3, 5, Spread::Uniform, -3, 5, 1},
        {"EcoGiantProb", 0.25f, 0.25f, Spread::Fixed, 0.25f, 0.25f, 0.25f},
        {"PlanetInEcoProb", 1.0f, 0.01f, Spread::LogUniform, 0.01f, 1.0f, 0.1f},  // the float nearest sqrt(0.01f)
    };
    SpreadFiles files;
    for (const Case& c : cases) files.Set(c.name, c.a, c.b);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    std::size_t varied = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParameterSpread& p = sampler.Parameter(IndexOf(c.name));
        EXPECT_EQ(p.spread, c.spread);
        EXPECT_EQ(p.low, c.low);
        EXPECT_EQ(p.high, c.high);
        EXPECT_EQ(p.median, c.median);
        varied += c.spread != Spread::Fixed;
    }
    EXPECT_EQ(sampler.VariedCount(), varied);
    for (std::size_t k = 1; k < sampler.VariedCount(); ++k) EXPECT_LT(sampler.Varied(k - 1), sampler.Varied(k));  // file order
}

TEST(HvdtoolSampler, DrawsStayWithinTheirSpreadAndSplitEvenlyAtTheMedian)
{
    SpreadFiles files;
    files.Set("StarCount", 1e8L, 1e6L);
    files.Set("PlanetShare", 0.2f, 0.8f);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    RandomSource random(7);
    unsigned char block[StoredBlockSize];
    sampler.WriteBase(block);
    const int n = 20000;
    int starsBelow = 0, shareBelow = 0;
    for (int i = 0; i < n; ++i) {
        sampler.Draw(random, block);
        std::int64_t stars = ReadCountField(block, FieldNamed("StarCount").offset);
        float share = ReadRealField(block, FieldNamed("PlanetShare").offset);
        ASSERT_GE(stars, 1000000);
        ASSERT_LE(stars, 100000000);
        ASSERT_GE(share, 0.2f);
        ASSERT_LE(share, 0.8f);
        starsBelow += stars < 10000000;  // the geometric mean
        shareBelow += share < 0.5f;      // the midpoint
        // Everything else stays as the first file has it.
        for (const SettingsField& f : SettingsFields) {
            if (std::strcmp(f.name, "StarCount") == 0 || std::strcmp(f.name, "PlanetShare") == 0) continue;
            ASSERT_EQ(std::memcmp(block + f.offset, files.a.storedBlock + f.offset, f.kind == FieldKind::Count ? 8 : 4), 0) << f.name;
        }
    }
    // Half of the draws below each median, with a standard error of 0.0035.
    EXPECT_NEAR(starsBelow / static_cast<double>(n), 0.5, 4 * 0.0035);
    EXPECT_NEAR(shareBelow / static_cast<double>(n), 0.5, 4 * 0.0035);
}

// The wizard's page reading, field by field from the texts it shows: a
// count's grouped digits through ParseCount, a real's field text through
// TextToReal, then the ranges, the star-kind sum of the values read and
// the year rules.
bool WizardTakes(const unsigned char* block)
{
    long double values[SettingsFieldCount];
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const SettingsField& f = SettingsFields[i];
        if (f.kind == FieldKind::Count) {
            std::strcpy(InputTextBuffer, CountToGroupedText(false, ReadCountField(block, f.offset)));
            values[i] = ParseCount();
            if (CountParseFailed) return false;
        } else {
            int error = 0;
            float read = RealToFloat(TextToReal(RealFieldText(ReadRealField(block, f.offset)), &error));
            if (error != 0 || std::isinf(read) || (f.fraction && !(read >= 0 && read <= 1))) return false;
            values[i] = read;
        }
    }
    const long double maxYears = FixedMaxYears;
    const long double life = values[IndexOf("FirstLifeYears")], civilization = values[IndexOf("FirstCivilizationYears")];
    return values[IndexOf("StarCount")] >= 1000 &&
           values[IndexOf("DwarfShare")] + values[IndexOf("SunLikeShare")] + values[IndexOf("GiantShare")] <= 1.01L &&
           life <= maxYears && civilization <= maxYears && life <= civilization &&
           values[IndexOf("CivilizationSpanYears")] <= maxYears - civilization;
}

// The verdict, the sampler's on its own draws (which tests only the rules
// a draw can break), and the verdict after one change that tests only that
// field's rules, against the wizard's reading: on draws across every rule
// between two files, every other one with a field then set to a value no
// draw gives (NaN, infinities, 17 digits, negative counts, the largest
// floats, shares just outside 0 to 1).
TEST(HvdtoolSampler, VerdictAgreesWithTheWizard)
{
    SpreadFiles files;
    files.Set("DwarfShare", 0.5f, 0.3f);
    files.Set("SunLikeShare", 0.5f, 0.7f);
    files.Set("GiantShare", 0.01f, 0.0f);                 // sums 1.01 and 1.0
    files.Set("FirstLifeYears", 1e9L, 5e9L);
    files.Set("FirstCivilizationYears", 4e9L, 6e9L);
    files.Set("CivilizationSpanYears", 6e9L, 1e9L);       // each exactly what is left, or less
    files.Set("StarDistanceLy", 1e20f, 1e23f);
    const float reals[] = {NAN, INFINITY, -INFINITY, 3.4028235e38f, -3.4028235e38f, 1.0000001f, -1e-45f, 1.4e-45f, 5.2e24f, 1.0f, 0.0f};
    const std::int64_t counts[] = {-1, 999, 1000, 9999999999999999LL, 10000000000000000LL, 10000000001LL, INT64_MIN, INT64_MAX, 0};
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    RandomSource random(11);
    unsigned char block[StoredBlockSize];
    int accepted = 0, refused = 0;
    for (int i = 0; i < 40000; ++i) {
        sampler.WriteBase(block);
        sampler.Draw(random, block);
        if (i % 2 == 1) {  // one field at an odd value
            const SettingsField& f = SettingsFields[random.Next() % SettingsFieldCount];
            if (f.kind == FieldKind::Count) {
                WriteCountField(block, f.offset, counts[random.Next() % (sizeof counts / sizeof counts[0])]);
            } else {
                WriteRealField(block, f.offset, reals[random.Next() % (sizeof reals / sizeof reals[0])]);
            }
        }
        const bool wizard = WizardTakes(block);
        ASSERT_EQ(BrokenWizardRules(block) == 0, wizard) << i;
        ASSERT_EQ(WizardRefusals(block).empty(), wizard) << i;
        if (i % 2 == 0) {  // the sampler's own draws
            ASSERT_EQ(sampler.Accepts(block), wizard) << i;
        }
        (wizard ? accepted : refused) += 1;

        // A parameter moved to one of the files' values, as the ends analysis does.
        const std::size_t parameter = sampler.Varied(random.Next() % sampler.VariedCount());
        const WizardRules before = BrokenWizardRules(block);
        const ParameterSpread& p = sampler.Parameter(parameter);
        const int end = static_cast<int>(random.Next() % 2);
        sampler.WriteValue(parameter, end == 0 ? p.low : p.high, block);
        ASSERT_EQ(sampler.AcceptsAtEnd(block, before, parameter, end), WizardTakes(block)) << i;
    }
    EXPECT_GT(accepted, 5000);
    EXPECT_GT(refused, 5000);
}

// The wizard adds the three shares as stored (a field the user did not
// type in keeps its float): just above 1.01 is refused, just below passes.
TEST(HvdtoolSampler, TheStarShareSumIsOfTheStoredFloats)
{
    struct Case {
        float dwarf, sunLike, giant;
        bool accepted;
    } cases[] = {
        {0.5f, 0.5f, 0.0100004f, false},             // 1.0100004
        {0.4999996f, 0.4999996f, 0.0100006f, true},  // 1.0099998
        {0.5f, 0.5f, 0.01f, true},                   // the float nearest 0.01 is below it
        {0.5f, 0.5f, 0.0100006f, false},
    };
    SpreadFiles files;
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.giant);
        SettingsSource block = files.a;
        SetField(&block, "DwarfShare", c.dwarf);
        SetField(&block, "SunLikeShare", c.sunLike);
        SetField(&block, "GiantShare", c.giant);
        EXPECT_EQ(WizardTakes(block.storedBlock), c.accepted);
        EXPECT_EQ(sampler.Accepts(block.storedBlock), c.accepted);
    }
}

TEST(HvdtoolRange, SameFileTwiceGivesItsOwnResultsAtEveryPoint)
{
    SpreadFiles worked;
    SpreadFiles lifeless;
    lifeless.Set("LifeEvolvesProb", 0, 0);            // no inhabited planet: infinite distance, 1 civilization
    SpreadFiles huge;
    huge.Set("GalaxySizeRatio", 1e30L, 1e30L);         // "more than 10^" in the universe
    for (const SpreadFiles* files : {&worked, &lifeless, &huge}) {
        RangeReport report = RunBetween(*files, 500, 3);
        StageProducts ownProducts;
        ResultValues own = ResultsOf(files->a.storedBlock, &ownProducts);
        for (int line = 0; line < ResultLineCount; ++line) {
            SCOPED_TRACE(line + 1);
            const ResultSpread& r = report.results[line];
            EXPECT_TRUE(SameValue(r.low, own.line[line]));
            EXPECT_TRUE(SameValue(r.median, own.line[line]));
            EXPECT_TRUE(SameValue(r.high, own.line[line]));
            long double value;
            if (ResultNumber(own.line[line], &value)) {
                EXPECT_TRUE(r.meanDefined);
                EXPECT_EQ(r.mean, value);
            } else if (own.line[line].distance) {
                EXPECT_TRUE(std::isinf(r.mean));
            } else {
                EXPECT_FALSE(r.meanDefined);
            }
        }
        EXPECT_EQ(report.refused, 0u);
        EXPECT_TRUE(report.sensitivity.empty());
        // Every draw in one bin, the one around the program's own product;
        // a product of 0 off the axis.
        const long double products[2] = {ownProducts.inhabitedPlanets, ownProducts.galaxyCivilizations};
        const Histogram* histograms[2] = {&report.inhabitedDistribution, &report.galaxyDistribution};
        for (int i = 0; i < 2; ++i) {
            const Histogram& h = *histograms[i];
            if (products[i] == 0) {
                EXPECT_TRUE(h.counts.empty());
                EXPECT_EQ(h.zero, 500u);
                continue;
            }
            ASSERT_EQ(h.counts.size(), 1u);
            EXPECT_EQ(h.counts[0], 500u);
            EXPECT_LE(h.BinEdge(h.firstBin), products[i]);
            EXPECT_LT(products[i], h.BinEdge(h.firstBin + 1));
            EXPECT_EQ(h.points[1], products[i]);
        }
        bool one = own.line[2].count == 1;
        EXPECT_EQ(report.galaxyExactlyOne, one ? 1 : 0);
        EXPECT_EQ(report.galaxyBelowOne, one ? 1 : 0);
    }
    EXPECT_EQ(ResultsOf(lifeless.a.storedBlock).line[2].count, 1);
}

// Three blocks of draws, on one thread and on two: the same reports.
TEST(HvdtoolRange, SameSeedSameReportOnAnyThreadsOtherSeedOtherDraws)
{
    SpreadFiles files;
    files.Set("StarCount", 1e6L, 1e8L);
    files.Set("LifeEvolvesProb", 0.001f, 1.0f);
    files.Set("CivilizationSpanYears", 100, 1e9L);
    files.Set("DwarfShare", 0.25f, 0.3f);  // refused now and then with SunLikeShare
    files.Set("SunLikeShare", 0.46f, 0.5f);
    ASSERT_GT(DrawBlockCount(5000), 2u);
    RangeReport first = RunBetween(files, 5000, 99), again = RunBetween(files, 5000, 99, 2), other = RunBetween(files, 5000, 100);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    EXPECT_EQ(RangeReportJson(first, sampler, "a", "b"), RangeReportJson(again, sampler, "a", "b"));
    EXPECT_EQ(RangeSvg(first, sampler, "a", "b"), RangeSvg(again, sampler, "a", "b"));
    EXPECT_GT(first.refused, 0u);
    for (int line = 0; line < ResultLineCount; ++line) {
        SCOPED_TRACE(line + 1);
        EXPECT_TRUE(SameValue(first.results[line].low, again.results[line].low));
        EXPECT_TRUE(SameValue(first.results[line].median, again.results[line].median));
        EXPECT_TRUE(SameValue(first.results[line].high, again.results[line].high));
        EXPECT_EQ(std::memcmp(&first.results[line].mean, &again.results[line].mean, 10), 0);
        EXPECT_NE(first.results[line].mean, other.results[line].mean);
    }
    EXPECT_EQ(first.galaxyBelowOne, again.galaxyBelowOne);

    // Weighted by an observation too: the weights belong to the draws, and
    // every weighted figure is summed in the same order on any threads.
    SettingsSampler observed(files.a.storedBlock, files.b.storedBlock);
    RangeReport weighted[2];
    for (unsigned threads = 1; threads <= 2; ++threads) {
        RangeRun run = RunOf(5000, 99, threads);
        run.observation = Observation::Settlement;
        std::string problem;
        ASSERT_TRUE(RunRange(observed, run, &weighted[threads - 1], &problem)) << problem;
    }
    EXPECT_EQ(RangeReportJson(weighted[0], sampler, "a", "b"), RangeReportJson(weighted[1], sampler, "a", "b"));
    EXPECT_EQ(RangeSvg(weighted[0], sampler, "a", "b"), RangeSvg(weighted[1], sampler, "a", "b"));
    EXPECT_LT(weighted[0].effectiveSamples, 5000);
    EXPECT_GT(weighted[0].galaxyBelowOne, first.galaxyBelowOne);
}

// Each likelihood worked out by hand, its cap at 1 and the N that say
// nothing or everything.
TEST(HvdtoolObserve, LikelihoodsOfSeeingNoOne)
{
    const long double inf = INFINITY;
    struct Case {
        Observation kind;
        long double n, span, likelihood;
    } cases[] = {
        {Observation::None, 1e9L, 100, 1},
        {Observation::Sampling, 3e8L, 100, 0.36769542477096373L},  // 0.999^1000
        {Observation::Sampling, 3e11L, 100, 0},
        {Observation::Sampling, 0, 100, 1},
        {Observation::Sampling, -2, 100, 1},
        {Observation::Poisson, 2.3e11L / (4 * 3.14159265358979323846L * 5832), 100, 0.36787944117144233L},  // e^-1
        {Observation::Poisson, inf, 100, 0},
        {Observation::NoK3, 1e-5L, 100, 0.505L},  // 1 - 0.5 (1 - 0.01)
        {Observation::NoK3, 1, 100, 0.5L},
        {Observation::NoK3, inf, 100, 0.5L},
        {Observation::Settlement, 1, 1e8L, 0.47880003288259954L},  // e^-129.6 + e^-0.4 (1 - 1 / 3.5)
        {Observation::Settlement, 2, 1e10L, 0.7834643748288745L},
        {Observation::Settlement, 1, 1.3e10L, 1},  // 1.08 by the formula: capped
        {Observation::Settlement, 0, 1e8L, 1},     // no one: 1.71 by the formula
        {Observation::Settlement, 1, 0, 0},        // someone, gone at once: settled forever
        {Observation::Settlement, inf, 1e8L, 0},
        {Observation::Poisson, NAN, 100, 1},
    };
    SetExtendedPrecision();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ObservationName(c.kind)) + " N " + std::to_string(static_cast<double>(c.n)));
        EXPECT_NEAR(static_cast<double>(ObservationLikelihood(c.kind, c.n, c.span)), static_cast<double>(c.likelihood),
                    1e-13 + 1e-12 * static_cast<double>(c.likelihood));
    }
    // Far beyond any chance the likelihoods skip the exponential: it is 0 there.
    EXPECT_EQ(ExpExtended(-11500), 0);
    EXPECT_GT(ExpExtended(-11350), 0);
    Observation kind;
    EXPECT_TRUE(ObservationFromName("nok3", &kind) && kind == Observation::NoK3);
    EXPECT_FALSE(ObservationFromName("Poisson", &kind));
}

// The weighted points keep the nearest-rank rule: with equal weights the
// unweighted points; with no weight on the lower half, the points of the
// upper half.
TEST(HvdtoolObserve, WeightedPointsAreNearestRanksOfTheWeight)
{
    std::vector<long double> draws;
    for (int i = 0; i < 1000; ++i) draws.push_back(static_cast<long double>((i * 7919) % 1000));
    std::vector<double> equal(draws.size(), 2.5), upperOnly(draws.size());
    for (std::size_t i = 0; i < draws.size(); ++i) upperOnly[i] = draws[i] >= 500 ? 1 : 0;
    long double points[3], intervals[3][2], plain[3], plainIntervals[3][2];
    SelectWeightedPoints(draws, equal, [](long double a, long double b) { return a < b; }, 1000, points, intervals);
    std::vector<long double> copy = draws;
    SelectPoints(&copy, [](long double a, long double b) { return a < b; }, plain, plainIntervals);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(points[i], plain[i]) << i;
    EXPECT_EQ(points[1], 499);
    EXPECT_LT(intervals[1][0], 499);
    EXPECT_GT(intervals[1][1], 499);
    SelectWeightedPoints(draws, upperOnly, [](long double a, long double b) { return a < b; }, 500, points, intervals);
    EXPECT_EQ(points[0], 524);  // the 25th of 500
    EXPECT_EQ(points[1], 749);
    EXPECT_EQ(points[2], 974);
}

// StarCount log-uniform from 10^6 to 10^8 and PlanetInEcoProb from 0.01 to
// 1: the inhabited planets are S x P x 0.00537109375 (the worked example's
// other factors), so ln of them is a constant plus the sum of two uniform
// draws of width w = ln 100 - a triangle on [-w, w] around
// ln(10^7 x 0.1 x 0.00537109375) = ln 5371.09.
TEST(HvdtoolRange, PointsOfATwoParameterSpreadMatchTheirHandComputedValues)
{
    SpreadFiles files;
    files.Set("StarCount", 1e6L, 1e8L);
    files.Set("PlanetInEcoProb", 1.0f, 0.01f);
    const std::uint64_t n = 40000;
    RangeReport report = RunBetween(files, n, 2024);
    const long double perStarAndShare = 0.5L * 0.5L * 1 * 0.5L * (0.5L * 1 + 0.5L * (0.25L * 0.5L + 0.5L * 0.5L)) * 0.5L * 0.5L * 0.5L * 0.5L;
    const long double center = 1e7L * 0.1L * perStarAndShare;
    const long double w = Ln(100);
    const long double root_n = std::sqrt(static_cast<long double>(n));

    // Median: the triangle's density at 0 is 1/w, so ln(median) has a
    // standard error of w / (2 sqrt(n)) (1.2 % here).
    long double se = w / (2 * root_n);
    EXPECT_NEAR(static_cast<double>(Ln(report.results[0].median.count / center)), 0, static_cast<double>(4 * se));

    // 5 % and 95 %: -w (1 - sqrt(0.1)) and +w (1 - sqrt(0.1)) from the
    // center, where the density is sqrt(0.1)/w: a standard error of
    // sqrt(0.05 x 0.95 / n) w / sqrt(0.1) (1.6 % here).
    long double offset = w * (1 - std::sqrt(0.1L));
    long double tailSe = std::sqrt(0.05L * 0.95L / n) * w / std::sqrt(0.1L);
    EXPECT_NEAR(static_cast<double>(Ln(report.results[0].low.count / center) + offset), 0, static_cast<double>(4 * tailSe));
    EXPECT_NEAR(static_cast<double>(Ln(report.results[0].high.count / center) - offset), 0, static_cast<double>(4 * tailSe));

    // Mean: a log-uniform X on [a, b] has E X = (b - a) / ln(b / a) and
    // E X^2 = (b^2 - a^2) / (2 ln(b / a)); the two draws are independent.
    long double mean1 = (10 - 0.1L) / w, square1 = (100 - 0.01L) / (2 * w);  // of S / 10^7 and of P / 0.1
    long double mean = mean1 * mean1, sd = std::sqrt(square1 * square1 - mean * mean);
    EXPECT_NEAR(static_cast<double>(report.results[0].mean / (center * mean)), 1, static_cast<double>(4 * sd / mean / root_n));
    EXPECT_EQ(report.refused, 0u);
}

// Dwarf share uniform on [0, 0.5] and sun-like share on [0.5, 1]: the sum
// passes 1.01 with probability p = (2 - 1.02)^2 / 2 = 0.4802, so n accepted
// draws take p / (1 - p) n refused ones on average, with a variance of
// p / (1 - p)^2 n.
TEST(HvdtoolRange, RefusedDrawsAreCountedAndDrawnAgain)
{
    SpreadFiles files;
    files.Set("DwarfShare", 0.5f, 0.0f);
    files.Set("SunLikeShare", 0.5f, 1.0f);
    files.Set("GiantShare", 0.0f, 0.0f);
    const std::uint64_t n = 20000;
    RangeReport report = RunBetween(files, n, 5);
    const double p = (2 - 1.02) * (2 - 1.02) / 2;
    double expected = p / (1 - p) * n, sd = std::sqrt(p * n) / (1 - p);
    EXPECT_NEAR(static_cast<double>(report.refused), expected, 4 * sd);
}

// Civilization span uniform on [0, 10^7] with 5,371 inhabited planets: the
// galaxy product 5,371 x span / 10^10 is below 1 for a span below
// 10^10 / 5,371, and rounds to 0 or 1 (a count of 1 by the "at least 1"
// rule) below 1.5 x 10^10 / 5,371.
TEST(HvdtoolRange, SharesOfFewerThanOneCivilizationAndOfACountOfOne)
{
    SpreadFiles files;
    files.Set("CivilizationSpanYears", 0, 1e7L);
    const std::uint64_t n = 40000;
    RangeReport report = RunBetween(files, n, 8);
    double below = 1e10 / 5371 / 1e7, one = 1.5e10 / 5371 / 1e7;
    EXPECT_NEAR(static_cast<double>(report.galaxyBelowOne), below, 4 * std::sqrt(below * (1 - below) / n));
    EXPECT_NEAR(static_cast<double>(report.galaxyExactlyOne), one, 4 * std::sqrt(one * (1 - one) / n));
    EXPECT_EQ(report.results[2].low.count, 1);

    // The distributions count every draw once, and the chart gives the
    // share below one as the text report does.
    for (const Histogram* h : {&report.inhabitedDistribution, &report.galaxyDistribution}) {
        std::uint64_t total = h->zero + h->negative + h->infinite + h->undefined;
        for (std::uint64_t c : h->counts) total += c;
        EXPECT_EQ(total, n);
    }
    EXPECT_EQ(report.galaxyDistribution.belowOne, static_cast<std::uint64_t>(report.galaxyBelowOne * n));
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    std::string share = PercentText(report.galaxyBelowOne);
    EXPECT_NE(RangeReportText(report, sampler, "a", "b").find("\nin " + share + " % of the draws"), std::string::npos) << share;
    EXPECT_NE(RangeSvg(report, sampler, "a", "b").find("Fewer than one in " + share + " % of the "), std::string::npos) << share;
}

// Wilson's interval and the ranks of the order statistics, worked out by
// hand: 3 of 10 is 0.3 with centre (0.3 + z^2/20) / (1 + z^2/10) = 0.35551
// and half-width z / (1 + z^2/10) sqrt(0.021 + z^2/400) = 0.24771; the
// median of 100 draws lies between the 40th and the 61st with 96.5 %
// (the binomial's 40 to 60), rank 100 q -/+ 1.96 sqrt(100 q (1 - q)).
TEST(HvdtoolRange, IntervalsMatchTheirHandComputedValues)
{
    struct Share {
        std::uint64_t hits, n;
        double from, to;
    } shares[] = {{3, 10, 0.10779, 0.60322}, {0, 10, 0, 0.27753}, {10, 10, 0.72247, 1}, {500, 1000, 0.46907, 0.53093}};
    for (const Share& c : shares) {
        SCOPED_TRACE(c.hits);
        long double from, to;
        WilsonInterval(c.hits, c.n, &from, &to);
        EXPECT_NEAR(static_cast<double>(from), c.from, 5e-6);
        EXPECT_NEAR(static_cast<double>(to), c.to, 5e-6);
    }
    // A rank outside the draws is held at the first or the last: no 95 %
    // interval there (5 +/- 4.27 of 100 needs the 0.73rd).
    struct Ranks {
        std::uint64_t n, percent;
        std::size_t from, to;  // positions: ranks less one
        bool full;
    } ranks[] = {{100, 50, 39, 60, true},  {100, 5, 0, 10, false}, {100, 95, 89, 99, false}, {1, 50, 0, 0, false},
                 {1000, 5, 35, 64, true},  {20, 50, 4, 15, true},  {20, 5, 0, 3, false},     {200, 95, 182, 197, true}};
    for (const Ranks& c : ranks) {
        SCOPED_TRACE(c.n * 100 + c.percent);
        std::size_t from, to;
        EXPECT_EQ(IntervalPositions(c.n, c.percent, &from, &to), c.full);
        EXPECT_EQ(from, c.from);
        EXPECT_EQ(to, c.to);
    }
}

// Over 400 seeds of a run of 200 draws, the 95 % intervals hold the value
// they stand for in 95 % of the runs (a standard error of 1.1 %). The
// civilization span is uniform on [0, 10^7] with 5,371 inhabited
// planets: the share below one is 10^10 / 5,371 / 10^7 = 0.18619, and the
// median of the galaxy's product comes from one run of 400,000 draws. (The
// tail points' intervals hold more often with so few draws: the ranks'
// normal approximation is cautious there.)
TEST(HvdtoolRange, IntervalsHoldTheirValueInNineteenRunsOfTwenty)
{
    SpreadFiles files;
    files.Set("CivilizationSpanYears", 0, 1e7L);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    RangeRun run = RunOf(400000, 1, 2);
    run.endShares = false;
    RangeReport large;
    std::string problem;
    ASSERT_TRUE(RunRange(sampler, run, &large, &problem));
    const long double share = 1e10L / 5371 / 1e7L;
    EXPECT_NEAR(static_cast<double>(large.galaxyBelowOne), static_cast<double>(share), 0.002);

    const int runs = 400;
    int held[2] = {};
    run.samples = 200;
    for (int seed = 1; seed <= runs; ++seed) {
        run.seed = static_cast<std::uint64_t>(seed);
        RangeReport small;
        ASSERT_TRUE(RunRange(sampler, run, &small, &problem));
        held[0] += small.galaxyBelowOneInterval[0] <= share && share <= small.galaxyBelowOneInterval[1];
        const long double* interval = small.galaxyDistribution.intervals[1];
        held[1] += interval[0] <= large.galaxyDistribution.points[1] && large.galaxyDistribution.points[1] <= interval[1];
    }
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(held[i] / static_cast<double>(runs), 0.95, 3.5 * 0.011) << held[i];
    }
}

// Each parameter held at its ends, the others drawn with the same numbers:
// the civilization span decides everything (every draw below one at a span
// of 0, none at 10^7, where the product is 5.371), the star distance
// nothing, to the last draw; the star-kind shares are refused at one end
// and drawn again there: with the sun-like share at 1 whenever the dwarf
// share, uniform on [0, 0.5], passes 0.01 (98 % of the draws, so 49 draws
// again per accepted one), never at 0.5.
TEST(HvdtoolRange, SharesBelowOneWithEachParameterAtItsEnds)
{
    SpreadFiles files;
    files.Set("CivilizationSpanYears", 0, 1e7L);
    files.Set("StarDistanceLy", 4, 7);
    files.Set("DwarfShare", 0.5f, 0.0f);
    files.Set("SunLikeShare", 0.5f, 1.0f);
    files.Set("GiantShare", 0.0f, 0.0f);
    const std::uint64_t n = 4000;
    RangeReport report = RunBetween(files, n, 6);
    ASSERT_EQ(report.endShares.size(), 4u);
    auto shares = [&report](const char* name) {
        for (const EndShares& e : report.endShares) {
            if (e.parameter == IndexOf(name)) return e;
        }
        ADD_FAILURE() << name;
        return EndShares{};
    };
    const EndShares span = shares("CivilizationSpanYears"), distance = shares("StarDistanceLy"), sunLike = shares("SunLikeShare");
    EXPECT_EQ(span.ends[0].belowOne, n);
    EXPECT_EQ(span.ends[1].belowOne, 0u);
    EXPECT_EQ(distance.ends[0].belowOne, report.galaxyDistribution.belowOne);
    EXPECT_EQ(distance.ends[1].belowOne, report.galaxyDistribution.belowOne);
    EXPECT_EQ(distance.ends[0].refused, report.refused);
    EXPECT_EQ(sunLike.ends[0].refused, 0u);
    const double p = 0.98, expected = p / (1 - p) * n, sd = std::sqrt(p * n) / (1 - p);
    EXPECT_NEAR(static_cast<double>(sunLike.ends[1].refused), expected, 4 * sd);
    EXPECT_FALSE(sunLike.ends[1].hopeless);
    // Largest gap first: the span; the star distance, with none, last.
    EXPECT_EQ(report.endShares[report.endShareRanking.front()].parameter, IndexOf("CivilizationSpanYears"));
    EXPECT_EQ(report.endShares[report.endShareRanking.back()].parameter, IndexOf("StarDistanceLy"));
}

// Values at and around the bin edges, and those the axis cannot show.
TEST(HvdtoolRange, HistogramBinsEncloseTheirValues)
{
    const long double below1 = std::nextafter(1.0L, 0.0L);
    std::vector<long double> values = {1, below1, 10, 9.999L, 0.5L, 0.5L, 1e20L, 0, -3, NAN, INFINITY};
    Histogram h = BuildHistogram(&values);
    EXPECT_EQ(h.binsPerDecade, 10);
    EXPECT_EQ(h.zero, 1u);
    EXPECT_EQ(h.negative, 1u);
    EXPECT_EQ(h.infinite, 1u);
    EXPECT_EQ(h.undefined, 1u);
    EXPECT_EQ(h.belowOne, 5u);  // below1, 0.5 twice, 0, -3
    struct Bin {
        int bin;
        std::uint64_t count;
    } bins[] = {{-4, 2}, {-1, 1}, {0, 1}, {9, 1}, {10, 1}, {200, 1}};  // 0.5 is 10^-0.301
    EXPECT_EQ(h.firstBin, -4);
    ASSERT_EQ(h.counts.size(), 205u);
    std::uint64_t total = 0;
    for (std::uint64_t c : h.counts) total += c;
    EXPECT_EQ(total, 7u);
    for (const Bin& b : bins) EXPECT_EQ(h.counts[static_cast<std::size_t>(b.bin - h.firstBin)], b.count) << b.bin;
    EXPECT_EQ(h.points[0], -3);             // nearest ranks of 11: the 1st,
    EXPECT_EQ(h.points[1], 1);              // the 6th,
    EXPECT_TRUE(std::isnan(h.points[2]));  // the 11th: NaN ranks last

    // Over more than 30 decades, bins of a quarter of a decade.
    std::vector<long double> wide = {1e-20L, 1e20L, 3};
    Histogram q = BuildHistogram(&wide);
    EXPECT_EQ(q.binsPerDecade, 4);
    EXPECT_EQ(q.firstBin, -80);
    EXPECT_EQ(q.counts.size(), 161u);
    EXPECT_EQ(q.counts[80 + 1], 1u);  // 3 is 10^0.477
}

TEST(HvdtoolRange, SensitivityMovesOneParameterAtATimeFromTheMedians)
{
    SpreadFiles files;
    files.Set("StarCount", 1e6L, 1e8L);
    files.Set("PlanetInEcoProb", 0.01f, 1.0f);
    files.Set("PlanetShare", 0.6f, 0.5f);
    files.Set("CivilizationSpanYears", 1e6L, 1e8L);
    files.Set("StarDistanceLy", 5, 6);
    RangeReport report = RunBetween(files, 1000, 1);

    // The medians written by hand: geometric means and midpoints.
    SettingsSource medians = files.a;
    SetField(&medians, "StarCount", 1e7L);
    SetField(&medians, "PlanetInEcoProb", 0.1f);
    SetField(&medians, "PlanetShare", 0.55f);
    SetField(&medians, "CivilizationSpanYears", 1e7L);
    SetField(&medians, "StarDistanceLy", 5.5f);
    ResultValues atMedians = ResultsOf(medians.storedBlock);
    EXPECT_TRUE(SameValue(report.atMedians.line[0], atMedians.line[0]));
    EXPECT_TRUE(SameValue(report.atMedians.line[2], atMedians.line[2]));

    struct Move {
        const char* name;
        long double low, high;
    } moves[] = {{"StarCount", 1e6L, 1e8L}, {"PlanetShare", 0.5f, 0.6f}, {"PlanetInEcoProb", 0.01f, 1.0f},
                 {"CivilizationSpanYears", 1e6L, 1e8L}, {"StarDistanceLy", 5, 6}};
    ASSERT_EQ(report.sensitivity.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const SensitivityEntry& e = report.sensitivity[i];
        SCOPED_TRACE(moves[i].name);
        EXPECT_EQ(e.parameter, IndexOf(moves[i].name));
        SettingsSource moved = medians;
        SetField(&moved, moves[i].name, moves[i].low);
        ResultValues low = ResultsOf(moved.storedBlock);
        SetField(&moved, moves[i].name, moves[i].high);
        ResultValues high = ResultsOf(moved.storedBlock);
        EXPECT_TRUE(SameValue(e.inhabited[0], low.line[0]));
        EXPECT_TRUE(SameValue(e.inhabited[1], high.line[0]));
        EXPECT_TRUE(SameValue(e.galaxy[0], low.line[2]));
        EXPECT_TRUE(SameValue(e.galaxy[1], high.line[2]));
        EXPECT_FALSE(e.refused[0] || e.refused[1]);
    }

    // Rankings: every entry once, largest factor first; the span changes
    // only the civilizations, the star distance neither count.
    for (bool galaxy : {false, true}) {
        const std::vector<std::size_t>& ranking = galaxy ? report.galaxyRanking : report.inhabitedRanking;
        ASSERT_EQ(ranking.size(), 5u);
        long double previous = INFINITY;
        for (std::size_t index : ranking) {
            const SensitivityEntry& e = report.sensitivity[index];
            long double factor, key;
            ChangeFactor(galaxy ? e.galaxy[0] : e.inhabited[0], galaxy ? e.galaxy[1] : e.inhabited[1], &factor, &key);
            EXPECT_LE(key, previous);
            previous = key;
        }
        EXPECT_EQ(report.sensitivity[ranking.back()].parameter, IndexOf("StarDistanceLy"));
    }
    EXPECT_TRUE(SameValue(report.sensitivity[3].inhabited[0], report.sensitivity[3].inhabited[1]));
    EXPECT_FALSE(SameValue(report.sensitivity[3].galaxy[0], report.sensitivity[3].galaxy[1]));
}

// With a span of 10^5 years the galaxy's product stays below 0.1 at every
// end, so every rounded count is 1; the product still tells the parameter
// that moves it by 10 (LifeEvolvesProb) from the one that moves it by 2
// (StarCount), though StarCount comes first in the file.
TEST(HvdtoolRange, GalaxyRankingFollowsTheProductWhereEveryCountIsOne)
{
    SpreadFiles files;
    files.Set("CivilizationSpanYears", 1e5L, 1e5L);
    files.Set("StarCount", 1e6L, 2e6L);
    files.Set("LifeEvolvesProb", 0.05f, 0.5f);
    RangeReport report = RunBetween(files, 100, 1);
    ASSERT_EQ(report.sensitivity.size(), 2u);
    for (const SensitivityEntry& e : report.sensitivity) {
        EXPECT_EQ(e.galaxy[0].count, 1);
        EXPECT_EQ(e.galaxy[1].count, 1);
    }
    ASSERT_EQ(report.galaxyRanking.size(), 2u);
    const SensitivityEntry& first = report.sensitivity[report.galaxyRanking[0]];
    const SensitivityEntry& second = report.sensitivity[report.galaxyRanking[1]];
    EXPECT_EQ(first.parameter, IndexOf("LifeEvolvesProb"));
    EXPECT_EQ(second.parameter, IndexOf("StarCount"));
    long double factor, key;
    ASSERT_TRUE(ProductFactor(first.galaxyProduct[0], first.galaxyProduct[1], &factor, &key));
    EXPECT_NEAR(static_cast<double>(factor), 10, 0.01);
    ASSERT_TRUE(ProductFactor(second.galaxyProduct[0], second.galaxyProduct[1], &factor, &key));
    EXPECT_NEAR(static_cast<double>(factor), 2, 0.01);
}

TEST(HvdtoolRange, ChangeFactorsAndTheirOrder)
{
    auto count = [](std::int64_t c, std::uint8_t e) { return ResultValue{false, c, e, 0.0f}; };
    struct Case {
        ResultValue low, high;
        bool defined;
        long double factor, key;
    } cases[] = {
        {count(537, 0), count(53711, 0), true, 53711.0L / 537, 53711.0L / 537},
        {count(8, 0), count(2, 0), true, 4, 4},  // either direction
        {count(5, 0), count(5, 0), true, 1, 1},
        {count(0, 0), count(5, 0), false, 0, INFINITY},
        {count(-4, 0), count(8, 0), false, 0, INFINITY},
        {count(7, 0), count(INT64_MAX, 20), false, 0, INFINITY},
        {count(INT64_MAX, 20), count(INT64_MAX, 20), false, 0, 1},
    };
    for (const Case& c : cases) {
        long double factor, key;
        EXPECT_EQ(ChangeFactor(c.low, c.high, &factor, &key), c.defined);
        if (c.defined) {
            EXPECT_EQ(factor, c.factor);
        }
        EXPECT_EQ(key, c.key);
    }
}

TEST(HvdtoolRange, GivesUpWhenTheWizardRefusesEveryDraw)
{
    SpreadFiles files;
    files.Set("FirstLifeYears", 7e9L, 8e9L);  // after the first civilization (6e9): refused
    files.Set("StarCount", 1e6L, 2e6L);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    RangeReport report;
    std::string problem;
    EXPECT_FALSE(RunRange(sampler, RunOf(10, 1), &report, &problem));
    EXPECT_EQ(problem, "the settings wizard would refuse 10,000 of the first 10,000 draws; refused most for FirstLifeYears (10,000), "
                       "FirstCivilizationYears (10,000)");
}

TEST(HvdtoolTornado, OneBarPerVariedParameterInEachChart)
{
    SpreadFiles files;
    files.Set("StarCount", 1e6L, 1e8L);
    files.Set("LifeEvolvesProb", 0.0f, 1.0f);  // a count of 0 at the low end
    files.Set("GalaxyCount", 1e9L, 1e10L);     // changes neither count
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    RangeReport report;
    std::string problem;
    ASSERT_TRUE(RunRange(sampler, RunOf(200, 1), &report, &problem));
    std::string svg = RangeSvg(report, sampler, "a <&> \xC3\xA9.hvd", "b.hvd");
    auto occurrences = [&svg](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(occurrences("<g class=\"chart\""), 3u);  // two tornado charts, and the share below one at the ends
    EXPECT_EQ(occurrences("<g class=\"bar\""), 3 * sampler.VariedCount());
    EXPECT_EQ(occurrences("data-parameter=\"GalaxyCount\""), 3u);
    EXPECT_EQ(occurrences("<rect x="), 6 * sampler.VariedCount());  // two per bar
    EXPECT_EQ(occurrences("<g class=\"distribution\""), 2u);
    EXPECT_NE(svg.find("a &lt;&amp;&gt; &#xE9;.hvd"), std::string::npos);
    EXPECT_EQ(svg.find("width=\"-"), std::string::npos);
}

namespace {

// The Ishigami function, f = sin x1 + a sin^2 x2 + b x3^4 sin x1 with a = 7,
// b = 0.1 and every x uniform on [-pi, pi]: A, B and A_B^i of n rows.
SobolOutputs IshigamiOutputs(std::size_t n, std::uint64_t seed)
{
    const long double pi = 3.14159265358979323846L;
    auto f = [](const long double* x) {
        return static_cast<double>(std::sin(x[0]) + 7 * std::sin(x[1]) * std::sin(x[1]) + 0.1L * x[2] * x[2] * x[2] * x[2] * std::sin(x[0]));
    };
    SobolOutputs out;
    out.Resize(n, 3);
    RandomSource random(seed);
    for (std::size_t j = 0; j < n; ++j) {
        long double a[3], b[3];
        for (long double& x : a) x = pi * (2 * random.Uniform() - 1);
        for (long double& x : b) x = pi * (2 * random.Uniform() - 1);
        out.a[j] = f(a);
        out.b[j] = f(b);
        for (std::size_t i = 0; i < 3; ++i) {
            long double mixed[3] = {a[0], a[1], a[2]};
            mixed[i] = b[i];
            out.mixed[i * n + j] = f(mixed);
        }
    }
    return out;
}

}  // namespace

// Ishigami's indices in closed form: V1 = (1 + b pi^4 / 5)^2 / 2, V2 =
// a^2 / 8, V13 = 8 b^2 pi^8 / 225, V3 = 0. Over 20 seeds of 10,000 rows
// the estimates scatter around them with no bias (the mean within four of
// its standard errors), the bootstrap's 95 % intervals are as wide as that
// scatter says (half-width 1.96 sd, within 0.7 to 1.4 times) and hold the
// true value in at least 85 % of the 120 cases (95 % expected, sd 2 %).
TEST(HvdtoolSobol, IshigamiEstimatesAndIntervalsMeetTheKnownIndices)
{
    const long double pi = 3.14159265358979323846L, pi4 = pi * pi * pi * pi;
    const long double v1 = (1 + 0.1L * pi4 / 5) * (1 + 0.1L * pi4 / 5) / 2, v2 = 49.0L / 8, v13 = 8 * 0.01L * pi4 * pi4 / 225;
    const long double v = v1 + v2 + v13;
    const long double truth[2][3] = {{v1 / v, v2 / v, 0}, {(v1 + v13) / v, v2 / v, v13 / v}};
    const double published[2][3] = {{0.3139, 0.4424, 0}, {0.5576, 0.4424, 0.2437}};
    const int seeds = 20;
    long double sum[2][3] = {}, squares[2][3] = {}, halfWidth[2][3] = {};
    int held = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        long double variance;
        std::vector<SobolIndex> indices = SobolWithIntervals(IshigamiOutputs(10000, 1000 + seed), seed, 200, 2, &variance);
        ASSERT_EQ(indices.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const long double estimates[2] = {indices[i].first, indices[i].total};
            const long double* intervals[2] = {indices[i].firstInterval, indices[i].totalInterval};
            for (int kind = 0; kind < 2; ++kind) {
                sum[kind][i] += estimates[kind];
                squares[kind][i] += estimates[kind] * estimates[kind];
                halfWidth[kind][i] += (intervals[kind][1] - intervals[kind][0]) / 2 / seeds;
                held += intervals[kind][0] <= truth[kind][i] && truth[kind][i] <= intervals[kind][1];
            }
        }
    }
    for (int kind = 0; kind < 2; ++kind) {
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(std::string(kind == 0 ? "first order " : "total ") + std::to_string(i + 1));
            EXPECT_NEAR(static_cast<double>(truth[kind][i]), published[kind][i], 0.00005);
            const long double mean = sum[kind][i] / seeds;
            const long double sd = std::sqrt((squares[kind][i] - seeds * mean * mean) / (seeds - 1));
            EXPECT_NEAR(static_cast<double>(mean), static_cast<double>(truth[kind][i]), static_cast<double>(4 * sd / std::sqrt(seeds)));
            EXPECT_GT(halfWidth[kind][i], 0.7L * 1.96L * sd);
            EXPECT_LT(halfWidth[kind][i], 1.4L * 1.96L * sd);
        }
    }
    EXPECT_GE(held, 102);
}

// Four factors of the galaxy's product log-uniform over 2, 2, 3 and 4
// decades, the rest the worked example's (at least 2 x 10^6 inhabited
// planets, so the rounding moves log10 N by less than 10^-6): log10 N is
// a constant plus four independent uniforms, and each index is its width
// squared over the sum of the widths squared, 33, first order and total
// alike. At 20,000 rows the standard errors are at most 0.007 (first
// order, sqrt(E[(f(B) - mean)^2 (f(A_B^i) - f(A))^2] / N) / V of the
// widest) and 0.004 (total): 0.03 is four of them.
TEST(HvdtoolSobol, LogUniformFactorsShareTheVarianceBySquaredWidths)
{
    SpreadFiles files;
    files.Set("StarCount", 1e13L, 1e15L);
    files.Set("PlanetShare", 0.01f, 1.0f);
    files.Set("OrbitAxisProb", 0.001f, 1.0f);
    files.Set("CivilizationSpanYears", 100, 1e6L);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    SobolRun run;
    run.samples = 20000;
    run.seed = 5;
    run.threads = 2;
    SobolReport report;
    std::string problem;
    ASSERT_TRUE(RunSobol(sampler, run, &report, &problem)) << problem;
    EXPECT_EQ(report.baseSamples, 20000u);
    EXPECT_EQ(report.refused + report.refusedMixed + report.floored, 0u);
    EXPECT_NEAR(static_cast<double>(report.variance), 33.0 / 12, 0.05);  // the four uniforms' w^2 / 12
    // Largest total first; StarCount and PlanetShare tie.
    const std::size_t order[4] = {IndexOf("CivilizationSpanYears"), IndexOf("OrbitAxisProb"), IndexOf("StarCount"), IndexOf("PlanetShare")};
    const double widths[4] = {4, 3, 2, 2};
    ASSERT_EQ(report.indices.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const SobolIndex& s = report.indices[i];
        const double truth = widths[i] * widths[i] / 33;
        SCOPED_TRACE(SettingsFields[report.parameters[i]].name);
        EXPECT_TRUE(report.parameters[i] == order[i] || (i >= 2 && report.parameters[i] == order[5 - i]));
        EXPECT_NEAR(static_cast<double>(s.first), truth, 0.03);
        EXPECT_NEAR(static_cast<double>(s.total), truth, 0.03);
        EXPECT_TRUE(s.firstInterval[0] <= truth && truth <= s.firstInterval[1]) << s.firstInterval[0] << " " << s.firstInterval[1];
        EXPECT_TRUE(s.totalInterval[0] <= truth && truth <= s.totalInterval[1]) << s.totalInterval[0] << " " << s.totalInterval[1];
    }
    EXPECT_NEAR(static_cast<double>(report.firstSum), 1, 0.06);
}

// DwarfShare uniform on [0, 0.5] and SunLikeShare on [0.5, 1]: the wizard
// refuses a sum above 1.01, p = 0.4802 of the draws, drawn again for A and
// B (p / (1 - p) per accepted one, variance p / (1 - p)^2). A row of A
// with B's dwarf or B's sun-like share breaks the rule with the chance q
// that two accepted settings' shares, taken across, pass 1.01 (found from
// draws of our own): those 2 N q rows are counted and computed.
TEST(HvdtoolSobol, MixedRowsTheWizardRefusesAreCountedAndComputed)
{
    SpreadFiles files;
    files.Set("DwarfShare", 0.0f, 0.5f);
    files.Set("SunLikeShare", 0.5f, 1.0f);
    files.Set("GiantShare", 0.0f, 0.0f);
    files.Set("StarCount", 1e6L, 1e8L);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    SobolRun run;
    run.samples = 20000;
    run.threads = 2;
    SobolReport report;
    std::string problem;
    ASSERT_TRUE(RunSobol(sampler, run, &report, &problem)) << problem;
    const double n = 20000, p = 0.4802;
    EXPECT_NEAR(static_cast<double>(report.refused), 2 * n * p / (1 - p), 4 * std::sqrt(2 * n * p) / (1 - p));
    RandomSource random(99);
    std::vector<float> dwarf, sunLike;
    while (dwarf.size() < 400000) {
        const float d = static_cast<float>(0.5L * random.Uniform()), s = static_cast<float>(0.5L + 0.5L * random.Uniform());
        if (static_cast<long double>(d) + s > 1.01L) continue;
        dwarf.push_back(d);
        sunLike.push_back(s);
    }
    double across = 0;
    for (std::size_t k = 0; k + 1 < dwarf.size(); k += 2) across += static_cast<long double>(dwarf[k + 1]) + sunLike[k] > 1.01L;
    const double q = across / (dwarf.size() / 2);
    EXPECT_NEAR(q, 1.0 / 6, 0.02);  // nearly the triangle x + y < 1, where it is 1/6
    // The two kinds of row share their A rows: at most twice one kind's sd.
    EXPECT_NEAR(static_cast<double>(report.refusedMixed), 2 * n * q, 4 * 2 * std::sqrt(n * q * (1 - q)));
    // Computed, not dropped: the star count still carries its share.
    ASSERT_EQ(report.indices.size(), 3u);
    EXPECT_STREQ(SettingsFields[report.parameters[0]].name, "StarCount");
    EXPECT_GT(report.indices[0].total, 0.9L);
}

// LifeEvolvesProb uniform on [0, 2 / c], c the inhabited planets at a
// LifeEvolvesProb of 1: below 0.5 planets, a quarter of the draws, the
// count rounds to 0 and so does the galaxy's product, counted as 10^-30.
TEST(HvdtoolSobol, ProductsOfZeroCountAsTenToTheMinusThirty)
{
    bool floored = false;
    EXPECT_EQ(SobolOutput(0, &floored), -30);
    EXPECT_TRUE(floored);
    EXPECT_EQ(SobolOutput(-2, &floored), -30);
    EXPECT_TRUE(floored);
    EXPECT_EQ(SobolOutput(1000, &floored), 3);
    EXPECT_FALSE(floored);
    EXPECT_NEAR(SobolOutput(1e-8L, &floored), -8, 1e-15);

    SpreadFiles files;
    SetField(&files.a, "LifeEvolvesProb", 1);
    StageProducts products;
    ResultsOf(files.a.storedBlock, &products);
    const long double c = products.inhabitedPlanets;
    files.Set("LifeEvolvesProb", 0.0f, 2 / c);
    const long double top = ReadRealField(files.b.storedBlock, FieldNamed("LifeEvolvesProb").offset);
    SettingsSampler sampler(files.a.storedBlock, files.b.storedBlock);
    SobolRun run;
    run.samples = 10000;
    SobolReport report;
    std::string problem;
    ASSERT_TRUE(RunSobol(sampler, run, &report, &problem)) << problem;
    const double share = static_cast<double>(0.5L / (c * top)), draws = 20000;
    EXPECT_NEAR(static_cast<double>(report.floored), draws * share, 4 * std::sqrt(draws * share * (1 - share)));
    ASSERT_EQ(report.indices.size(), 1u);
    // The only parameter: both indices 1, to a few times 1 / sqrt(N).
    EXPECT_NEAR(static_cast<double>(report.indices[0].first), 1, 0.04);
    EXPECT_NEAR(static_cast<double>(report.indices[0].total), 1, 0.04);
}
