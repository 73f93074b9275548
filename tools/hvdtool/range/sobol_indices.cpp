#include "tools/hvdtool/range/sobol_indices.h"

#include <algorithm>
#include <limits>

#include "tools/hvdtool/range/draw_blocks.h"
#include "tools/hvdtool/range/range_sampler.h"

namespace {

// The bootstrap's own sequence: the seed with these bits flipped, far from
// the draws' sequences in xoshiro256**'s period of 2^256.
const std::uint64_t BootstrapSeedBits = 0xB0075724A5E5A3C1ull;

// A whole number from 0 to n - 1, each equally likely, from the high half
// of a draw (Lemire's multiply and shift: no division). threshold is 2^32
// mod n: the products whose low half falls below it would favour some
// results, and are drawn again.
std::uint32_t UniformBelow(RandomSource& random, std::uint32_t n, std::uint32_t threshold)
{
    for (;;) {
        const std::uint64_t product = (random.Next() >> 32) * n;
        if (static_cast<std::uint32_t>(product) >= threshold) return static_cast<std::uint32_t>(product >> 32);
    }
}

const long double NaN = std::numeric_limits<long double>::quiet_NaN();

// The 2.5 % and 97.5 % points of the resamples' estimates (nearest rank).
void PercentileInterval(std::vector<long double>* estimates, long double* interval)
{
    std::vector<long double>& e = *estimates;
    std::sort(e.begin(), e.end(), [](long double x, long double y) { return x < y || (x == x && y != y); });  // NaN last
    const std::size_t n = e.size();
    const std::size_t low = (n * 25 + 999) / 1000, high = (n * 975 + 999) / 1000;  // ranks, from 1
    interval[0] = e[low == 0 ? 0 : low - 1];
    interval[1] = e[high == 0 ? 0 : high - 1];
}

}  // namespace

void SobolOutputs::Resize(std::size_t n, std::size_t k)
{
    rows = n;
    parameters = k;
    a.assign(n, 0.0);
    b.assign(n, 0.0);
    mixed.assign(n * k, 0.0);
}

long double SaltelliFirstOrder(const SobolSums& sums)
{
    return sums.variance > 0 ? sums.first / sums.weight / sums.variance : NaN;
}

long double JansenTotal(const SobolSums& sums)
{
    return sums.variance > 0 ? sums.total / sums.weight / (2 * sums.variance) : NaN;
}

namespace {

// The rows a resample holds, each once with its multiplicity, in row
// order, and what every input's sums need of them: kept from resample to
// resample so that the bootstrap allocates once per group.
struct HeldRows {
    std::vector<std::uint32_t> index;
    std::vector<double> weight, a, centredB;  // w, f(A), w (f(B) - mean)
    // Inputs whose A_B^i outputs are f(A) in every row (the input does not
    // reach f): their sums are 0 in every resample.
    std::vector<bool> unchanged;

    explicit HeldRows(const SobolOutputs& outputs) : unchanged(outputs.parameters)
    {
        for (std::size_t i = 0; i < outputs.parameters; ++i) {
            unchanged[i] = std::equal(outputs.a.begin(), outputs.a.end(), outputs.mixed.begin() + static_cast<std::ptrdiff_t>(i * outputs.rows));
        }
    }

    void Estimate(const SobolOutputs& outputs, const std::uint32_t* weights, long double* variance, long double* first, long double* total)
    {
        const std::size_t n = outputs.rows;
        const double* fa = outputs.a.data();
        const double* fb = outputs.b.data();
        index.clear();
        weight.clear();
        a.clear();
        // Weighted mean and variance over A and B, in two passes: f is
        // centred before it is squared.
        long double rows = 0, sum = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const std::uint32_t w = weights ? weights[j] : 1;
            if (w == 0) continue;
            index.push_back(static_cast<std::uint32_t>(j));
            weight.push_back(w);
            a.push_back(fa[j]);
            rows += w;
            sum += w * (static_cast<long double>(fa[j]) + fb[j]);
        }
        const long double mean = sum / (2 * rows);
        const std::size_t m = index.size();
        centredB.resize(m);
        long double squares = 0;
        for (std::size_t h = 0; h < m; ++h) {
            const long double da = fa[index[h]] - mean, db = fb[index[h]] - mean;
            squares += weight[h] * (da * da + db * db);
            centredB[h] = static_cast<double>(weight[h] * db);
        }
        SobolSums sums;
        sums.weight = rows;
        sums.variance = squares / (2 * rows);
        *variance = sums.variance;
        for (std::size_t i = 0; i < outputs.parameters; ++i) {
            const double* mixed = outputs.Mixed(i);
            const std::size_t held = unchanged[i] ? 0 : m;
            // Two sums of each kind, even and odd rows, so that the
            // additions need not wait for each other; their order is fixed
            // all the same.
            long double first0 = 0, first1 = 0, total0 = 0, total1 = 0;
            std::size_t h = 0;
            for (; h + 1 < held; h += 2) {
                const long double d0 = static_cast<long double>(mixed[index[h]]) - a[h];
                const long double d1 = static_cast<long double>(mixed[index[h + 1]]) - a[h + 1];
                first0 += centredB[h] * d0;
                first1 += centredB[h + 1] * d1;
                total0 += weight[h] * d0 * d0;
                total1 += weight[h + 1] * d1 * d1;
            }
            if (h < held) {
                const long double d0 = static_cast<long double>(mixed[index[h]]) - a[h];
                first0 += centredB[h] * d0;
                total0 += weight[h] * d0 * d0;
            }
            sums.first = first0 + first1;
            sums.total = total0 + total1;
            first[i] = SaltelliFirstOrder(sums);
            total[i] = JansenTotal(sums);
        }
    }
};

// Resamples per group of the bootstrap: each group allocates its rows once.
const unsigned ResamplesPerGroup = 25;

}  // namespace

void SobolIndicesOf(const SobolOutputs& outputs, const std::uint32_t* weights, long double* variance, long double* first,
                    long double* total)
{
    HeldRows rows(outputs);
    rows.Estimate(outputs, weights, variance, first, total);
}

std::vector<SobolIndex> SobolWithIntervals(const SobolOutputs& outputs, std::uint64_t seed, unsigned resamples, unsigned threads,
                                           long double* variance)
{
    const std::size_t k = outputs.parameters, n = outputs.rows;
    std::vector<SobolIndex> indices(k);
    std::vector<long double> first(k), total(k);
    SobolIndicesOf(outputs, nullptr, variance, first.data(), total.data());
    for (std::size_t i = 0; i < k; ++i) {
        indices[i].first = first[i];
        indices[i].total = total[i];
    }
    if (n == 0 || resamples == 0) return indices;

    std::vector<RandomSource> sources;
    RandomSource source(seed ^ BootstrapSeedBits);
    for (unsigned r = 0; r < resamples; ++r) {
        sources.push_back(source);
        source.Jump();
    }
    // Resample r's estimates at [r * k + i]: each resample writes its own.
    std::vector<long double> firsts(resamples * k), totals(resamples * k);
    const std::size_t groups = (resamples + ResamplesPerGroup - 1) / ResamplesPerGroup;
    RunBlocks(
        groups, threads,
        [&](std::size_t group) {
            HeldRows rows(outputs);
            std::vector<std::uint32_t> weights(n);
            const std::uint32_t rowCount = static_cast<std::uint32_t>(n), threshold = (0u - rowCount) % rowCount;
            for (std::size_t r = group * ResamplesPerGroup; r < resamples && r < (group + 1) * ResamplesPerGroup; ++r) {
                RandomSource random = sources[r];
                std::fill(weights.begin(), weights.end(), 0);
                for (std::size_t j = 0; j < n; ++j) ++weights[UniformBelow(random, rowCount, threshold)];
                long double v;
                rows.Estimate(outputs, weights.data(), &v, &firsts[r * k], &totals[r * k]);
            }
        },
        []() {});
    std::vector<long double> estimates(resamples);
    for (std::size_t i = 0; i < k; ++i) {
        for (unsigned r = 0; r < resamples; ++r) estimates[r] = firsts[r * k + i];
        PercentileInterval(&estimates, indices[i].firstInterval);
        for (unsigned r = 0; r < resamples; ++r) estimates[r] = totals[r * k + i];
        PercentileInterval(&estimates, indices[i].totalInterval);
    }
    return indices;
}
