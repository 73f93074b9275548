#include "tools/hvdtool/range_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/estimation.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings_check.h"
#include "tools/hvdtool/settings_source.h"

namespace {

const std::uint64_t ProgressEvery = 16384;

// Below one accepted draw in this many (after the first million draws) the
// run gives up: the two files leave the wizard almost no room.
const std::uint64_t HopelessRefusalRate = 1000;
const std::uint64_t HopelessAfter = 1000000;

// The order of a count result: "less than -10^" below every number, "more
// than 10^" above, each by its exponent.
struct CountRank {
    std::int8_t tier;    // -1, 0, 1
    std::int64_t value;  // the count, or the exponent (negated for tier -1)
};

bool operator<(const CountRank& a, const CountRank& b)
{
    return a.tier != b.tier ? a.tier < b.tier : a.value < b.value;
}

CountRank RankOf(std::int64_t count, std::uint8_t exponent)
{
    if (exponent == 0) return CountRank{0, count};
    if (count == INT64_MIN) return CountRank{-1, -static_cast<std::int64_t>(exponent)};
    return CountRank{1, exponent};
}

ResultValue CountOf(const CountRank& rank)
{
    if (rank.tier == 0) return ResultValue{false, rank.value, 0, 0.0f};
    std::uint8_t exponent = static_cast<std::uint8_t>(rank.tier > 0 ? rank.value : -rank.value);
    return ResultValue{false, rank.tier > 0 ? INT64_MAX : INT64_MIN, exponent, 0.0f};
}

// Distances in ascending order, "undefined" (NaN) last.
bool DistanceLess(float a, float b)
{
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
}

// What the run keeps of each accepted draw: the stored results only.
struct DrawnResults {
    std::vector<std::int64_t> counts[3];   // lines 1, 3, 5
    std::vector<std::uint8_t> exponents[3];
    std::vector<float> distances[2];       // lines 2, 4
    std::vector<long double> products[2];  // inhabited planets, galaxy civilizations before rounding

    explicit DrawnResults(std::size_t n)
    {
        for (int i = 0; i < 3; ++i) {
            counts[i].resize(n);
            exponents[i].resize(n);
        }
        for (int i = 0; i < 2; ++i) {
            distances[i].resize(n);
            products[i].resize(n);
        }
    }
};

void SummarizeCounts(const std::vector<std::int64_t>& counts, const std::vector<std::uint8_t>& exponents, ResultSpread* out)
{
    std::vector<CountRank> ranks(counts.size());
    long double sum = 0;
    bool defined = true;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        ranks[i] = RankOf(counts[i], exponents[i]);
        if (exponents[i] != 0) defined = false;
        sum += static_cast<long double>(counts[i]);
    }
    CountRank points[3];
    SelectPoints(&ranks, [](const CountRank& a, const CountRank& b) { return a < b; }, points);
    out->low = CountOf(points[0]);
    out->median = CountOf(points[1]);
    out->high = CountOf(points[2]);
    out->meanDefined = defined;
    out->mean = defined ? sum / static_cast<long double>(counts.size()) : 0.0L;
}

void SummarizeDistances(std::vector<float>* distances, ResultSpread* out)
{
    long double sum = 0;
    for (float d : *distances) sum += d;
    float points[3];
    SelectPoints(distances, DistanceLess, points);
    out->low = ResultValue{true, 0, 0, points[0]};
    out->median = ResultValue{true, 0, 0, points[1]};
    out->high = ResultValue{true, 0, 0, points[2]};
    out->meanDefined = true;
    out->mean = sum / static_cast<long double>(distances->size());
}

SensitivityEntry MoveOne(const SettingsSampler& sampler, std::size_t parameter)
{
    SensitivityEntry entry;
    entry.parameter = parameter;
    unsigned char* block = StoredBlockBytes();
    const ParameterSpread& p = sampler.Parameter(parameter);
    const long double ends[2] = {p.low, p.high};
    for (int end = 0; end < 2; ++end) {
        sampler.WriteBase(block);
        sampler.WriteMedians(block);
        sampler.WriteValue(parameter, ends[end], block);
        ComputeResults();
        ResultValues results = CurrentResults();
        entry.inhabited[end] = results.line[0];
        entry.galaxy[end] = results.line[2];
        entry.galaxyProduct[end] = LastStageProducts().galaxyCivilizations;
        entry.refused[end] = !WizardRefusals(block).empty();
    }
    return entry;
}

std::vector<std::size_t> Ranking(const std::vector<SensitivityEntry>& entries, bool galaxy)
{
    std::vector<long double> keys(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        long double factor;
        if (galaxy) {
            ProductFactor(entries[i].galaxyProduct[0], entries[i].galaxyProduct[1], &factor, &keys[i]);
        } else {
            ChangeFactor(entries[i].inhabited[0], entries[i].inhabited[1], &factor, &keys[i]);
        }
    }
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) { return keys[a] > keys[b]; });
    return order;
}

}  // namespace

bool ChangeFactor(const ResultValue& low, const ResultValue& high, long double* factor, long double* sortKey)
{
    long double x, y;
    bool lowNumber = ResultNumber(low, &x), highNumber = ResultNumber(high, &y);
    *factor = 0;
    if (lowNumber && highNumber) {
        if (x == y) {
            *factor = *sortKey = 1;
            return true;
        }
        if (x == 0 || y == 0 || (x < 0) != (y < 0)) {
            *sortKey = std::numeric_limits<long double>::infinity();
            return false;
        }
        x = std::fabs(x);
        y = std::fabs(y);
        *factor = *sortKey = x > y ? x / y : y / x;
        return true;
    }
    bool same = !lowNumber && !highNumber && low.exponent == high.exponent && (low.count == INT64_MIN) == (high.count == INT64_MIN);
    *sortKey = same ? 1 : std::numeric_limits<long double>::infinity();
    return false;
}

bool ProductFactor(long double low, long double high, long double* factor, long double* sortKey)
{
    *factor = 0;
    if (low == high) {
        *factor = *sortKey = 1;
        return true;
    }
    if (!std::isfinite(low) || !std::isfinite(high) || low == 0 || high == 0 || (low < 0) != (high < 0)) {
        *sortKey = std::numeric_limits<long double>::infinity();
        return false;
    }
    low = std::fabs(low);
    high = std::fabs(high);
    *factor = *sortKey = low > high ? low / high : high / low;
    return true;
}

bool RunRange(const SettingsSampler& sampler, std::uint64_t samples, std::uint64_t seed, RangeProgress progress,
              void* progressContext, RangeReport* report, std::string* problem)
{
    report->samples = samples;
    report->seed = seed;
    report->refused = 0;
    DrawnResults drawn(static_cast<std::size_t>(samples));
    RandomSource random(seed);
    unsigned char* block = StoredBlockBytes();
    sampler.WriteBase(block);
    std::uint64_t exactlyOne = 0, attempts = 0;

    for (std::size_t n = 0; n < samples;) {
        ++attempts;
        if (attempts % ProgressEvery == 0) {
            if (progress) progress(progressContext, attempts, n, samples);
            if (attempts >= HopelessAfter && n < attempts / HopelessRefusalRate) {
                *problem = "the settings wizard would refuse " + ExactCountText(static_cast<long long>(report->refused)) + " of the first " +
                           ExactCountText(static_cast<long long>(attempts)) + " draws: the two files leave it almost no room";
                return false;
            }
        }
        sampler.Draw(random, block);
        if (!sampler.Accepts(block)) {
            ++report->refused;
            continue;
        }
        ComputeResults();
        const SettingsRecord& s = Settings;
        drawn.counts[0][n] = s.InhabitedPlanetTotal;
        drawn.exponents[0][n] = s.InhabitedPlanetExponent;
        drawn.counts[1][n] = s.GalaxyCivilizationCount;
        drawn.exponents[1][n] = s.GalaxyCivilizationExponent;
        drawn.counts[2][n] = s.UniverseCivilizationCount;
        drawn.exponents[2][n] = s.UniverseCivilizationExponent;
        drawn.distances[0][n] = s.PlanetDistanceLy;
        drawn.distances[1][n] = s.CivilizationDistanceLy;
        StageProducts products = LastStageProducts();
        drawn.products[0][n] = products.inhabitedPlanets;
        drawn.products[1][n] = products.galaxyCivilizations;
        exactlyOne += s.GalaxyCivilizationExponent == 0 && s.GalaxyCivilizationCount == 1;
        ++n;
    }
    if (progress) progress(progressContext, attempts, samples, samples);

    SummarizeCounts(drawn.counts[0], drawn.exponents[0], &report->results[0]);
    SummarizeDistances(&drawn.distances[0], &report->results[1]);
    SummarizeCounts(drawn.counts[1], drawn.exponents[1], &report->results[2]);
    SummarizeDistances(&drawn.distances[1], &report->results[3]);
    SummarizeCounts(drawn.counts[2], drawn.exponents[2], &report->results[4]);
    report->inhabitedDistribution = BuildHistogram(&drawn.products[0]);
    report->galaxyDistribution = BuildHistogram(&drawn.products[1]);
    report->galaxyBelowOne = static_cast<long double>(report->galaxyDistribution.belowOne) / static_cast<long double>(samples);
    report->galaxyExactlyOne = static_cast<long double>(exactlyOne) / static_cast<long double>(samples);

    sampler.WriteBase(block);
    sampler.WriteMedians(block);
    ComputeResults();
    report->atMedians = CurrentResults();
    report->galaxyProductAtMedians = LastStageProducts().galaxyCivilizations;
    report->sensitivity.clear();
    for (std::size_t k = 0; k < sampler.VariedCount(); ++k) report->sensitivity.push_back(MoveOne(sampler, sampler.Varied(k)));
    report->inhabitedRanking = Ranking(report->sensitivity, false);
    report->galaxyRanking = Ranking(report->sensitivity, true);
    return true;
}
