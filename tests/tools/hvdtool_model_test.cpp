// hvdtool range descriptions: the families against their known moments
// and quantiles, the beta's quantiles against Boost's exact ones, rank
// correlations, a share below one known in closed form, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/beta.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/extended_math.h"
#include "tests/tools/settings_sources.h"
#include "tools/hvdtool/range/distributions.h"
#include "tools/hvdtool/range/range_model.h"
#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/range/range_sampler.h"

namespace {

RangeModel Model(const std::string& text)
{
    RangeModel model;
    std::string error;
    BaseLoader noBase = [](const std::string&, unsigned char*, std::string* why) {
        *why = "cannot open";
        return false;
    };
    EXPECT_TRUE(ParseRangeModel(text, noBase, &model, &error)) << error;
    return model;
}

std::string ModelError(const std::string& text)
{
    RangeModel model;
    std::string error;
    BaseLoader worked = [](const std::string& path, unsigned char* block, std::string* why) {
        if (path != "Worked.hvd") return (*why = "cannot open"), false;
        std::memcpy(block, ParsedSource(WorkedExampleSource()).storedBlock, StoredBlockSize);
        return true;
    };
    EXPECT_FALSE(ParseRangeModel(text, worked, &model, &error)) << text;
    return error;
}

// The drawn values of one parameter, from its distribution alone.
std::vector<long double> Draws(const Distribution& d, int n, std::uint64_t seed)
{
    RandomSource random(seed);
    std::vector<long double> values(static_cast<std::size_t>(n));
    for (long double& v : values) v = d.FromBits(random.Next());
    return values;
}

long double Mean(const std::vector<long double>& values)
{
    long double sum = 0;
    for (long double v : values) sum += v;
    return sum / static_cast<long double>(values.size());
}

long double ShareBelow(const std::vector<long double>& values, long double limit)
{
    return static_cast<long double>(std::count_if(values.begin(), values.end(), [limit](long double v) { return v < limit; })) /
           static_cast<long double>(values.size());
}

}  // namespace

// 200,000 draws of each family: the mean and the share below a point
// within four standard errors of their exact values. atleastone of a
// log-uniform X on [0.1, 10]: 1 - (E1(0.1) - E1(10)) / ln 100 = 0.604159.
TEST(HvdtoolDistributions, EachFamilyMatchesItsMomentsAndQuantiles)
{
    const struct {
        const char* text;
        double mean, sd;        // of the draws
        double point, shareBelow;
    } cases[] = {
        {"uniform(2, 6)", 4, 1.1547, 3, 0.25},
        {"loguniform(1, 100)", 99 / std::log(100.0), 23.96, 10, 0.5},
        {"normal(2, 0.5)", 2, 0.5, 2 - 1.6448536 * 0.5, 0.05},
        {"log10normal(0, 1)", std::exp(0.5 * std::log(10.0) * std::log(10.0)), 0, 10, 0.8413447},
        {"beta(2, 5)", 2.0 / 7, 0.1597, 0.5818034, 0.95},
        {"values(1, 2, 4)", 7.0 / 3, 1.2472, 2, 1.0 / 3},
        {"atleastone(loguniform(0.1, 10))", 0.604159, 0.3152, 1 - std::exp(-1.0), 0.5},
    };
    const int n = 200000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        RangeModel model = Model(std::string("PlanetInEcoProb = ") + c.text + "\n");
        const Distribution& d = model.parameters[12];
        ASSERT_EQ(d.Text(false), c.text);  // written back as given
        std::vector<long double> draws = Draws(d, n, 5);
        if (c.sd > 0) {
            EXPECT_NEAR(static_cast<double>(Mean(draws)), c.mean, 4 * c.sd / std::sqrt(n));
        }
        const double se = std::sqrt(c.shareBelow * (1 - c.shareBelow) / n);
        EXPECT_NEAR(static_cast<double>(ShareBelow(draws, c.point)), c.shareBelow, 4 * se + 1e-9);
        if (d.spread != Spread::Values) {  // a discrete quantile jumps at the share
            EXPECT_NEAR(static_cast<double>(d.Quantile(c.shareBelow)), c.point, 1e-6 * std::max(1.0, c.point));
        }
    }
}

// The beta's cubic pieces against Boost's exact quantiles, from 10^-19 to
// within 10^-19 of 1: within a part in 10^9 of the value and of 1 less it
// (finer than a float), tiny and U-shaped betas included.
TEST(HvdtoolDistributions, BetaQuantilesMatchTheExactOnes)
{
    const double parameters[][2] = {{2, 5}, {0.5, 0.5}, {0.2, 3}, {50, 2}, {1, 1}, {0.05, 0.05}, {0.05, 10000}, {3000, 7000}};
    for (const auto& ab : parameters) {
        SCOPED_TRACE(std::to_string(ab[0]) + ", " + std::to_string(ab[1]));
        BetaQuantiles table(ab[0], ab[1]);
        boost::math::beta_distribution<long double> exact(ab[0], ab[1]), mirrored(ab[1], ab[0]);
        for (int i = -290; i <= 290; ++i) {  // 10^-19 up, 0.005 to 0.995, up to 1 - 10^-19
            long double u = i < -100 ? std::pow(10.0L, (i + 100) / 10.0L)
                                     : (i <= 100 ? 0.5L + i / 202.0L : 1 - std::pow(10.0L, (100 - i) / 10.0L));
            long double x = table.At(u), want = boost::math::quantile(exact, u);
            long double wantRest = boost::math::quantile(boost::math::complement(mirrored, u));  // 1 - x, exactly
            EXPECT_NEAR(static_cast<double>(x / want), 1, 1e-9) << "u " << static_cast<double>(u);
            // 1 - x as far as an 80-bit x near 1 can hold it.
            EXPECT_NEAR(static_cast<double>(1 - x), static_cast<double>(wantRest), static_cast<double>(1e-9L * wantRest + 1e-18L))
                << "u " << static_cast<double>(u);
        }
    }
}

// Where Boost's own inversion gives up (beta(5, 5) throws from its root
// finder), the table is built all the same: its values give back their
// shares through the incomplete beta.
TEST(HvdtoolDistributions, BetaQuantilesWhereBoostsInversionGivesUp)
{
    BetaQuantiles table(5, 5);
    for (long double u : {1e-12L, 0.01L, 0.25L, 0.5L, 0.75L, 0.99L}) {
        EXPECT_NEAR(static_cast<double>(boost::math::ibeta(5.0L, 5.0L, table.At(u)) / u), 1, 1e-9) << static_cast<double>(u);
    }
}

// Rank correlation 0.5 between a uniform and a beta: 0.5 within 0.01 at
// 100,000 draws, and each keeps its own distribution.
TEST(HvdtoolModel, RankCorrelationHoldsAndMarginalsStay)
{
    SettingsSampler sampler(Model("PlanetShare = uniform(0, 1)\nMassMixProb = beta(2, 5)\nCorrelation(MassMixProb, PlanetShare) = 0.5\n"));
    RandomSource random(3);
    const std::size_t n = 100000;
    std::vector<long double> x(n), y(n);
    unsigned char block[StoredBlockSize];
    sampler.WriteBase(block);
    for (std::size_t i = 0; i < n; ++i) {
        sampler.Draw(random, block);
        x[i] = ReadRealField(block, FieldNamed("PlanetShare").offset);
        y[i] = ReadRealField(block, FieldNamed("MassMixProb").offset);
    }
    EXPECT_NEAR(static_cast<double>(Mean(x)), 0.5, 4 * 0.2887 / std::sqrt(n));
    EXPECT_NEAR(static_cast<double>(Mean(y)), 2.0 / 7, 4 * 0.1597 / std::sqrt(n));
    EXPECT_NEAR(static_cast<double>(ShareBelow(y, 0.5818034L)), 0.95, 4 * 0.00069);
    auto ranks = [n](const std::vector<long double>& v) {
        std::vector<std::size_t> order(n);
        for (std::size_t i = 0; i < n; ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&v](std::size_t a, std::size_t b) { return v[a] < v[b]; });
        std::vector<long double> r(n);
        for (std::size_t k = 0; k < n; ++k) r[order[k]] = static_cast<long double>(k);
        return r;
    };
    std::vector<long double> rx = ranks(x), ry = ranks(y);
    long double mean = (n - 1) / 2.0L, sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sxy += (rx[i] - mean) * (ry[i] - mean);
        sxx += (rx[i] - mean) * (rx[i] - mean);
    }
    EXPECT_NEAR(static_cast<double>(sxy / sxx), 0.5, 0.01);
}

// log10 of the galaxy's product is log10 StarCount + log10 LifeEvolvesProb
// + log10 CivilizationSpanYears - 10 with the other factors 1: the sum of
// uniforms on (-1, 1), (-4, 0) and (2, 6). It is below 0 where three
// uniforms of widths 2, 4 and 4 sum to less than 3: (3^3 - 1^3) / (3! 2 4 4)
// = 26 / 192. The run's interval holds it.
TEST(HvdtoolModel, ShareBelowOneOfASumOfUniformLogarithms)
{
    const char* text =
        "PlanetShare = 1\nPopulationIShare = 1\nHeavyElementShare = 1\nMultipleSystemShare = 0\nEcoSingleProb = 1\n"
        "DwarfShare = 0\nSunLikeShare = 1\nGiantShare = 0\nPlanetInEcoProb = 1\nMassMixProb = 1\nOrbitAxisProb = 1\n"
        "FirstLifeYears = 0\nFirstCivilizationYears = 0\n"
        "StarCount = loguniform(1e9, 1e11)\nLifeEvolvesProb = loguniform(1e-4, 1)\nCivilizationSpanYears = loguniform(100, 1e6)\n";
    SettingsSampler sampler(Model(text));
    RangeRun run;
    run.samples = 100000;
    run.seed = 4;
    run.threads = 2;
    run.endShares = false;
    RangeReport report;
    std::string problem;
    ASSERT_TRUE(RunRange(sampler, run, &report, &problem)) << problem;
    EXPECT_EQ(report.refused, 0u);
    EXPECT_LE(report.galaxyBelowOneInterval[0], 26.0L / 192);
    EXPECT_GE(report.galaxyBelowOneInterval[1], 26.0L / 192);
}

// Every bad input names its line and what is wrong.
TEST(HvdtoolModel, BadDescriptionsNameTheirLine)
{
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"Frobnicate = 1\n", "line 1: unknown name 'Frobnicate'"},
        {"\nStarCount = gamma(1, 2)\n", "line 2: StarCount: unknown distribution 'gamma'"},
        {"PlanetShare = uniform(0.5)\n", "line 1: PlanetShare: uniform takes 2 arguments, not 1"},
        {"PlanetShare = uniform(0.8, 0.2)\n", "line 1: PlanetShare: uniform(a, b) needs a <= b"},
        {"StarCount = loguniform(0, 1e10)\n", "line 1: StarCount: loguniform(a, b) needs 0 < a <= b"},
        {"MassMixProb = beta(0, 2)\n", "line 1: MassMixProb: beta(alpha, beta) needs alpha > 0 and beta > 0"},
        {"MassMixProb = beta(0.01, 2)\n", "line 1: MassMixProb: beta(alpha, beta) is drawn for alpha and beta from 0.05 to 10000 only"},
        {"StarCount = uniform(1,000, 2,000)\n", "line 1: StarCount: uniform takes 2 arguments, not 4"},
        {"StarCount = normal(1e10, 0)\n", "line 1: StarCount: normal(mean, sd) needs sd > 0"},
        {"PlanetShare = atleastone(atleastone(1))\n", "line 1: PlanetShare: atleastone inside atleastone"},
        {"PlanetShare = 1e39\n", "line 1: PlanetShare: beyond what PlanetShare can hold: '1e39'"},
        {"PlanetShare = uniform(0, 1)\nPlanetShare = 0.5\n", "line 2: PlanetShare given twice"},
        {"PlanetShare = uniform(0, 1)\nCorrelation(PlanetShare, MassMixProb) = 0.5\n",
         "line 2: Correlation: MassMixProb is not drawn"},
        {"PlanetShare = uniform(0, 1)\nMassMixProb = uniform(0, 1)\nCorrelation(PlanetShare, MassMixProb) = 1.5\n",
         "line 3: Correlation(PlanetShare, MassMixProb): a correlation from -1 to 1, not '1.5'"},
        {"Base = Missing.hvd\n", "line 1: Base Missing.hvd: cannot open"},
        {"Between = B.hvd\n", "line 1: Between needs a Base: the run between the two files"},
        {"PlanetShare = uniform(0, 1)\nMassMixProb = uniform(0, 1)\nOrbitAxisProb = uniform(0, 1)\n"
         "Correlation(PlanetShare, MassMixProb) = 0.9\nCorrelation(MassMixProb, OrbitAxisProb) = 0.9\n"
         "Correlation(PlanetShare, OrbitAxisProb) = -0.9\n",
         "line 4: these correlations cannot hold together (their matrix is not positive definite): "
         "Correlation(PlanetShare, MassMixProb), Correlation(MassMixProb, OrbitAxisProb), Correlation(PlanetShare, OrbitAxisProb)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ModelError(c.text), c.error);
}
