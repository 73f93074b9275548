#include "tools/hvdtool/range/range_run.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/settings_record.h"
#include "tools/hvdtool/range/draw_blocks.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/settings/settings_source.h"

namespace {

// How often a block asks whether it should give up.
const std::uint64_t CheckEvery = 16384;

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

// A record of the thread's own, with the fixed time base that
// InitSettingsRecord gives the program's.
SettingsRecord WorkRecord()
{
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    record.MaxYears = FixedMaxYears;
    return record;
}

unsigned char* BlockOf(SettingsRecord* record)
{
    return reinterpret_cast<unsigned char*>(record);
}

// What the run keeps of each accepted draw: the stored results only.
struct DrawnResults {
    std::vector<std::int64_t> counts[3];   // lines 1, 3, 5
    std::vector<std::uint8_t> exponents[3];
    std::vector<float> distances[2];       // lines 2, 4
    std::vector<long double> products[2];  // inhabited planets, galaxy civilizations before rounding
    std::vector<double> weights;           // with an update: each draw's likelihood of the observation

    DrawnResults(std::size_t n, bool weighted) : weights(weighted ? n : 0)
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

// The points come as ranks; the result is the count or the text it stands for.
void StorePoints(const CountRank points[3], const CountRank intervals[3][2], ResultSpread* out)
{
    out->low = CountOf(points[0]);
    out->median = CountOf(points[1]);
    out->high = CountOf(points[2]);
    for (int i = 0; i < 3; ++i) {
        for (int end = 0; end < 2; ++end) out->intervals[i][end] = CountOf(intervals[i][end]);
    }
}

void StorePoints(const float points[3], const float intervals[3][2], ResultSpread* out)
{
    out->low = ResultValue{true, 0, 0, points[0]};
    out->median = ResultValue{true, 0, 0, points[1]};
    out->high = ResultValue{true, 0, 0, points[2]};
    for (int i = 0; i < 3; ++i) {
        for (int end = 0; end < 2; ++end) out->intervals[i][end] = ResultValue{true, 0, 0, intervals[i][end]};
    }
}

// The points and the mean of a count result; with weights (not empty) the
// weighted ones, of effective draws.
void SummarizeCounts(const std::vector<std::int64_t>& counts, const std::vector<std::uint8_t>& exponents, const std::vector<double>& weights,
                     long double effective, ResultSpread* out)
{
    std::vector<CountRank> ranks(counts.size());
    long double sum = 0, total = 0;
    bool defined = true;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const long double w = weights.empty() ? 1 : weights[i];
        ranks[i] = RankOf(counts[i], exponents[i]);
        if (exponents[i] != 0) defined = false;
        sum += w * static_cast<long double>(counts[i]);
        total += w;
    }
    CountRank points[3], intervals[3][2];
    auto less = [](const CountRank& a, const CountRank& b) { return a < b; };
    if (weights.empty()) {
        SelectPoints(&ranks, less, points, intervals);
    } else {
        SelectWeightedPoints(ranks, weights, less, effective, points, intervals);
    }
    StorePoints(points, intervals, out);
    out->meanDefined = defined;
    out->mean = defined ? sum / total : 0.0L;
}

// The same for a distance (the distances are reordered when unweighted).
void SummarizeDistances(std::vector<float>* distances, const std::vector<double>& weights, long double effective, ResultSpread* out)
{
    long double sum = 0, total = 0;
    for (std::size_t i = 0; i < distances->size(); ++i) {
        const long double w = weights.empty() ? 1 : weights[i];
        // A draw of no weight adds nothing, even an infinite distance.
        if (w > 0) sum += w * static_cast<long double>((*distances)[i]);
        total += w;
    }
    float points[3], intervals[3][2];
    if (weights.empty()) {
        SelectPoints(distances, DistanceLess, points, intervals);
    } else {
        SelectWeightedPoints(*distances, weights, DistanceLess, effective, points, intervals);
    }
    StorePoints(points, intervals, out);
    out->meanDefined = true;
    out->mean = sum / total;
}

SensitivityEntry MoveOne(const SettingsSampler& sampler, std::size_t parameter)
{
    SensitivityEntry entry;
    entry.parameter = parameter;
    SettingsRecord record = WorkRecord();
    unsigned char* block = BlockOf(&record);
    const ParameterSpread& p = sampler.Parameter(parameter);
    const long double ends[2] = {p.low, p.high};
    for (int end = 0; end < 2; ++end) {
        sampler.WriteBase(block);
        sampler.WriteMedians(block);
        sampler.WriteValue(parameter, ends[end], block);
        StageProducts products = ComputeResultsFor(&record);
        ResultValues results = RecordResults(record);
        entry.inhabited[end] = results.line[0];
        entry.galaxy[end] = results.line[2];
        entry.galaxyProduct[end] = products.galaxyCivilizations;
        entry.refused[end] = !sampler.Accepts(block);
    }
    return entry;
}

// The parameters whose rules refused the most draws, most first.
std::string MostRefused(const std::uint64_t* refusedBy)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        if (refusedBy[i] > 0) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [refusedBy](std::size_t a, std::size_t b) { return refusedBy[a] > refusedBy[b]; });
    std::string text;
    for (std::size_t k = 0; k < order.size() && k < 3; ++k) {
        text += std::string(k == 0 ? "; refused most for " : ", ") + SettingsFields[order[k]].name + " (" +
                ExactCountText(static_cast<long long>(refusedBy[order[k]])) + ")";
    }
    return text;
}

// How a block of the plain run ended.
struct BlockOutcome {
    std::uint64_t refused = 0;
    std::uint64_t refusedBy[SettingsFieldCount] = {};  // draws refused by a rule of each parameter
    std::uint64_t exactlyOne = 0;
    std::string problem;  // not empty: the block gave up
};

// The plain run: each block draws its share of the accepted settings into
// its own positions of drawn.
struct PlainDraws {
    const SettingsSampler& sampler;
    std::uint64_t samples;
    std::vector<RandomSource> sources;
    DrawnResults drawn;
    std::vector<BlockOutcome> outcomes;
    std::atomic<std::uint64_t> accepted{0};
    // The first block that gave up: the run fails with its problem. Later
    // blocks stop early; earlier ones run on, so the one named is the same
    // on any number of threads.
    std::atomic<std::size_t> firstHopeless{std::numeric_limits<std::size_t>::max()};

    Observation observation;

    PlainDraws(const SettingsSampler& s, std::uint64_t n, std::uint64_t seed, Observation seen)
        : sampler(s), samples(n), sources(DrawBlockSources(seed, DrawBlockCount(n))),
          drawn(static_cast<std::size_t>(n), seen != Observation::None), outcomes(sources.size()), observation(seen)
    {
    }

    void GiveUp(std::size_t block)
    {
        std::size_t first = firstHopeless.load();
        while (block < first && !firstHopeless.compare_exchange_weak(first, block)) {
        }
    }

    void Block(std::size_t index)
    {
        SettingsRecord record = WorkRecord();
        unsigned char* block = BlockOf(&record);
        sampler.WriteBase(block);
        RandomSource random = sources[index];
        BlockOutcome& out = outcomes[index];
        const std::size_t start = static_cast<std::size_t>(DrawBlockStart(index));
        const std::uint64_t length = DrawBlockLength(samples, index);
        std::uint64_t attempts = 0;
        for (std::uint64_t n = 0; n < length;) {
            ++attempts;
            if (attempts % CheckEvery == 0 && index > firstHopeless.load()) return;
            sampler.Draw(random, block);
            if (WizardRules broken = sampler.BrokenRules(block)) {
                ++out.refused;
                for (std::size_t i = 0; i < SettingsFieldCount; ++i) out.refusedBy[i] += (broken & RulesOfField(i)) != 0;
                if (DrawsHopeless(attempts, n)) {
                    out.problem = "the settings wizard would refuse " + ExactCountText(static_cast<long long>(out.refused)) + " of the first " +
                                  ExactCountText(static_cast<long long>(attempts)) + " draws" + MostRefused(out.refusedBy);
                    GiveUp(index);
                    return;
                }
                continue;
            }
            StageProducts products = ComputeResultsFor(&record);
            const std::size_t i = start + static_cast<std::size_t>(n);
            drawn.counts[0][i] = record.InhabitedPlanetTotal;
            drawn.exponents[0][i] = record.InhabitedPlanetExponent;
            drawn.counts[1][i] = record.GalaxyCivilizationCount;
            drawn.exponents[1][i] = record.GalaxyCivilizationExponent;
            drawn.counts[2][i] = record.UniverseCivilizationCount;
            drawn.exponents[2][i] = record.UniverseCivilizationExponent;
            drawn.distances[0][i] = record.PlanetDistanceLy;
            drawn.distances[1][i] = record.CivilizationDistanceLy;
            drawn.products[0][i] = products.inhabitedPlanets;
            drawn.products[1][i] = products.galaxyCivilizations;
            if (observation != Observation::None) {
                drawn.weights[i] = static_cast<double>(ObservationLikelihood(
                    observation, products.galaxyCivilizations, static_cast<long double>(record.CivilizationSpanYears)));
            }
            out.exactlyOne += record.GalaxyCivilizationExponent == 0 && record.GalaxyCivilizationCount == 1;
            ++n;
        }
        accepted += length;
    }
};

// The draws with one parameter at an end. Variant 2k + end holds the k-th
// varied parameter at its low (end 0) or high (end 1) value. Each block
// draws from the same numbers as the plain run's block and gives every
// variant the draw until that variant has the block's number accepted; a
// draw the wizard refuses in one variant may still serve another.
struct EndDraws {
    struct Tally {
        std::uint64_t attempts = 0, accepted = 0, belowOne = 0, refused = 0;
        long double weight = 0, belowOneWeight = 0;  // with an update
        bool hopeless = false;
    };

    const SettingsSampler& sampler;
    std::uint64_t samples;
    std::vector<RandomSource> sources;
    std::size_t variants;
    std::vector<Tally> tallies;  // block by block, variant by variant
    std::atomic<std::uint64_t> accepted{0};
    // A variant that one block gave up on is hopeless whatever the others
    // find: they may skip it.
    std::unique_ptr<std::atomic<bool>[]> givenUp;

    Observation observation;

    EndDraws(const SettingsSampler& s, std::uint64_t n, std::uint64_t seed, Observation seen)
        : sampler(s), samples(n), sources(DrawBlockSources(seed, DrawBlockCount(n))), variants(2 * s.VariedCount()),
          tallies(sources.size() * variants), givenUp(new std::atomic<bool>[variants]), observation(seen)
    {
        for (std::size_t v = 0; v < variants; ++v) givenUp[v] = false;
    }

    void Block(std::size_t index)
    {
        SettingsRecord record = WorkRecord();
        unsigned char* block = BlockOf(&record);
        sampler.WriteBase(block);
        RandomSource random = sources[index];
        Tally* tally = &tallies[index * variants];
        const std::uint64_t length = DrawBlockLength(samples, index);
        std::size_t open = variants;
        std::uint64_t blockAccepted = 0;
        while (open > 0) {
            sampler.Draw(random, block);
            // Each variant changes one parameter: only its rules are tested again.
            const WizardRules drawBroken = sampler.BrokenRules(block);
            for (std::size_t v = 0; v < variants; ++v) {
                Tally& t = tally[v];
                if (t.accepted == length || t.hopeless) continue;
                if (givenUp[v]) {
                    t.hopeless = true;
                    --open;
                    continue;
                }
                if (DrawsHopeless(++t.attempts, t.accepted)) {
                    t.hopeless = givenUp[v] = true;
                    --open;
                    continue;
                }
                const ParameterSpread& p = sampler.Parameter(sampler.Varied(v / 2));
                unsigned char drawnValue[8];  // either kind of field, and what follows a real
                std::memcpy(drawnValue, block + p.field->offset, sizeof drawnValue);
                sampler.WriteValue(sampler.Varied(v / 2), v % 2 == 0 ? p.low : p.high, block);
                if (sampler.AcceptsAtEnd(block, drawBroken, sampler.Varied(v / 2), static_cast<int>(v % 2))) {
                    const long double galaxy = GalaxyProductFor(&record);
                    t.belowOne += galaxy < 1;
                    if (observation != Observation::None) {
                        const long double w = static_cast<double>(
                            ObservationLikelihood(observation, galaxy, static_cast<long double>(record.CivilizationSpanYears)));
                        t.weight += w;
                        if (galaxy < 1) t.belowOneWeight += w;
                    }
                    ++blockAccepted;
                    if (++t.accepted == length) --open;
                } else {
                    ++t.refused;
                }
                std::memcpy(block + p.field->offset, drawnValue, sizeof drawnValue);
            }
        }
        accepted += blockAccepted;
    }

    std::vector<EndShares> Shares() const
    {
        std::vector<EndShares> shares(variants / 2);
        for (std::size_t v = 0; v < variants; ++v) {
            EndShare& share = shares[v / 2].ends[v % 2];
            shares[v / 2].parameter = sampler.Varied(v / 2);
            shares[v / 2].weighted = observation != Observation::None;
            for (std::size_t b = 0; b < sources.size(); ++b) {
                const Tally& t = tallies[b * variants + v];
                share.belowOne += t.belowOne;
                share.refused += t.refused;
                shares[v / 2].weight[v % 2] += t.weight;
                shares[v / 2].belowOneWeight[v % 2] += t.belowOneWeight;
                share.hopeless = share.hopeless || t.hopeless;
            }
            if (share.hopeless) {
                share.belowOne = share.refused = 0;
                shares[v / 2].weight[v % 2] = shares[v / 2].belowOneWeight[v % 2] = 0;
            }
        }
        return shares;
    }
};

std::vector<std::size_t> EndShareRanking(const std::vector<EndShares>& shares, std::uint64_t samples)
{
    std::vector<long double> gaps(shares.size());
    for (std::size_t i = 0; i < shares.size(); ++i) {
        const EndShares& e = shares[i];
        gaps[i] = !e.Known(0) || !e.Known(1) ? -1 : std::fabs(e.Share(1, samples) - e.Share(0, samples));
    }
    std::vector<std::size_t> order(shares.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&gaps](std::size_t a, std::size_t b) { return gaps[a] > gaps[b]; });
    return order;
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

namespace {

// The figures that need the draws in their drawn order, before the
// summaries reorder them: the weights' effective number, the weighted
// share of counts of exactly 1, and the mean of e^-N with its interval.
void SumOverDraws(const DrawnResults& drawn, bool weighted, RangeReport* report)
{
    const std::vector<long double>& galaxy = drawn.products[1];
    const std::size_t n = galaxy.size();
    long double total = 0, squares = 0, exactlyOne = 0, noOther = 0, noOtherSquares = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double w = weighted ? static_cast<long double>(drawn.weights[i]) : 1.0L;
        // e^-N: 1 for no one (0 or below), 0 for an undefined N, which says
        // nothing of anyone's absence.
        const long double x = std::isnan(galaxy[i]) ? 0.0L : galaxy[i] <= 0 ? 1.0L : ExpExtended(-galaxy[i]);
        total += w;
        squares += w * w;
        exactlyOne += drawn.exponents[1][i] == 0 && drawn.counts[1][i] == 1 ? w : 0;
        noOther += w * x;
        noOtherSquares += w * x * x;
    }
    report->effectiveSamples = squares > 0 ? total * total / squares : 0;
    if (weighted) report->galaxyExactlyOne = total > 0 ? exactlyOne / total : 0;
    // Values within 0 and 1: the variance from the two sums loses nothing
    // that matters in extended precision.
    const long double mean = total > 0 ? noOther / total : 0;
    const long double variance = total > 0 ? std::max(0.0L, noOtherSquares / total - mean * mean) : 0;
    const long double standardError = report->effectiveSamples > 0 ? std::sqrt(variance / report->effectiveSamples) : 0;
    report->galaxyNoOther = mean;
    report->galaxyNoOtherInterval[0] = std::max(0.0L, mean - IntervalZ * standardError);
    report->galaxyNoOtherInterval[1] = std::min(1.0L, mean + IntervalZ * standardError);
}

}  // namespace

bool FullPointInterval(const RangeReport& report, std::uint64_t percent)
{
    if (!report.Weighted()) return FullInterval(report.samples, percent);
    long double from, to;
    return WeightedIntervalShares(report.effectiveSamples, percent, &from, &to);
}

bool RunRange(const SettingsSampler& sampler, const RangeRun& run, RangeReport* report, std::string* problem)
{
    const std::uint64_t samples = run.samples;
    const bool weighted = run.observation != Observation::None;
    report->samples = samples;
    report->seed = run.seed;
    report->refused = 0;
    report->observation = run.observation;
    report->endSamples = std::min(samples, EndDrawsAtMost);
    RangeProgressState state{0, samples, 0, run.endShares ? report->endSamples * 2 * sampler.VariedCount() : 0, false};
    auto show = [&run, &state]() {
        if (run.progress) run.progress(run.progressContext, state);
    };

    PlainDraws plain(sampler, samples, run.seed, run.observation);
    RunBlocks(plain.outcomes.size(), run.threads, [&plain](std::size_t block) { plain.Block(block); },
              [&]() {
                  state.drawn = plain.accepted;
                  show();
              });
    std::size_t hopeless = plain.firstHopeless;
    if (hopeless < plain.outcomes.size()) {
        *problem = plain.outcomes[hopeless].problem;
        return false;
    }
    std::uint64_t exactlyOne = 0;
    for (const BlockOutcome& out : plain.outcomes) {
        report->refused += out.refused;
        exactlyOne += out.exactlyOne;
    }
    state.drawn = samples;
    report->galaxyExactlyOne = static_cast<long double>(exactlyOne) / static_cast<long double>(samples);
    SumOverDraws(plain.drawn, weighted, report);
    if (!(report->effectiveSamples > 0)) {
        *problem = std::string("no draw leaves any chance of the observation (") + ObservationName(run.observation) +
                   "): every weight is 0";
        return false;
    }

    report->endShares.clear();
    if (run.endShares && sampler.VariedCount() > 0) {
        EndDraws ends(sampler, report->endSamples, run.seed, run.observation);
        RunBlocks(ends.sources.size(), run.threads, [&ends](std::size_t block) { ends.Block(block); },
                  [&]() {
                      state.endsDrawn = ends.accepted;
                      show();
                  });
        report->endShares = ends.Shares();
        state.endsDrawn = state.endsTotal;
    }
    report->endShareRanking = EndShareRanking(report->endShares, report->endSamples);
    state.done = true;
    show();

    // The summaries are independent of each other: on the threads too,
    // the two histograms, the longest, first.
    DrawnResults& drawn = plain.drawn;
    const std::vector<double>& w = drawn.weights;
    const long double effective = report->effectiveSamples;
    // A histogram of the draws as drawn, and with an update the weighted
    // one beside it.
    auto histograms = [&](int product, Histogram* distribution, Histogram* prior) {
        if (weighted) {
            *distribution = BuildWeightedHistogram(&drawn.products[product], w, effective, prior);
        } else {
            *distribution = BuildHistogram(&drawn.products[product]);
        }
    };
    auto counts = [&](int i, ResultSpread* out) { SummarizeCounts(drawn.counts[i], drawn.exponents[i], w, effective, out); };
    auto distances = [&](int i, ResultSpread* out) { SummarizeDistances(&drawn.distances[i], w, effective, out); };
    const std::function<void()> summaries[] = {
        [&]() { histograms(0, &report->inhabitedDistribution, &report->inhabitedPrior); },
        [&]() { histograms(1, &report->galaxyDistribution, &report->galaxyPrior); },
        [&]() { counts(0, &report->results[0]); },
        [&]() { distances(0, &report->results[1]); },
        [&]() { counts(1, &report->results[2]); },
        [&]() { distances(1, &report->results[3]); },
        [&]() { counts(2, &report->results[4]); },
    };
    RunBlocks(sizeof summaries / sizeof summaries[0], run.threads, [&summaries](std::size_t i) { summaries[i](); }, []() {});
    if (weighted) {
        report->galaxyBelowOne = report->galaxyDistribution.belowOneWeight;
        WeightedWilsonInterval(report->galaxyBelowOne, effective, &report->galaxyBelowOneInterval[0], &report->galaxyBelowOneInterval[1]);
    } else {
        report->galaxyBelowOne = static_cast<long double>(report->galaxyDistribution.belowOne) / static_cast<long double>(samples);
        WilsonInterval(report->galaxyDistribution.belowOne, samples, &report->galaxyBelowOneInterval[0], &report->galaxyBelowOneInterval[1]);
    }

    SettingsRecord record = WorkRecord();
    sampler.WriteBase(BlockOf(&record));
    sampler.WriteMedians(BlockOf(&record));
    report->galaxyProductAtMedians = ComputeResultsFor(&record).galaxyCivilizations;
    report->atMedians = RecordResults(record);
    report->sensitivity.clear();
    for (std::size_t k = 0; k < sampler.VariedCount(); ++k) report->sensitivity.push_back(MoveOne(sampler, sampler.Varied(k)));
    report->inhabitedRanking = Ranking(report->sensitivity, false);
    report->galaxyRanking = Ranking(report->sensitivity, true);
    return true;
}
