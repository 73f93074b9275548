#include "tools/hvdtool/range/range_histogram.h"

#include <cmath>

#include "model/estimation.h"
#include "model/extended_math.h"

namespace {

// Over more than this many decades a tenth of a decade makes bins too
// narrow to see; a quarter is used instead.
const long double FineBinsUpTo = 30;

bool LessNaNLast(long double a, long double b)
{
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
}

// The bin of a positive finite value, from its logarithm: the exact bin or
// its neighbour, for the edges to decide.
long double ApproximateBin(long double value, int binsPerDecade)
{
    return std::floor(LnExtended(value) / LnExtended(10.0L) * binsPerDecade);
}

}  // namespace

void RankPositions(std::uint64_t n, std::size_t positions[3])
{
    const std::uint64_t percents[3] = {5, 50, 95};
    for (int i = 0; i < 3; ++i) positions[i] = static_cast<std::size_t>((n * percents[i] + 99) / 100 - 1);
}

bool IntervalPositions(std::uint64_t n, std::uint64_t percent, std::size_t* from, std::size_t* to)
{
    const long double count = static_cast<long double>(n);
    const long double q = static_cast<long double>(percent) / 100;
    const long double spread = IntervalZ * std::sqrt(count * q * (1 - q));
    // Ranks counted from 1; clamped before the conversions, which keeps
    // them defined.
    long double lower = std::floor(count * q - spread);
    long double upper = std::ceil(count * q + spread) + 1;
    const bool full = lower >= 1 && upper <= count;
    if (lower < 1) lower = 1;
    if (upper > count) upper = count;
    *from = static_cast<std::size_t>(lower) - 1;
    *to = static_cast<std::size_t>(upper) - 1;
    return full;
}

bool FullInterval(std::uint64_t n, std::uint64_t percent)
{
    std::size_t from, to;
    return IntervalPositions(n, percent, &from, &to);
}

void WilsonInterval(std::uint64_t hits, std::uint64_t n, long double* from, long double* to)
{
    const long double count = static_cast<long double>(n);
    const long double share = static_cast<long double>(hits) / count;
    const long double z2 = IntervalZ * IntervalZ;
    const long double centre = (share + z2 / (2 * count)) / (1 + z2 / count);
    const long double half = IntervalZ / (1 + z2 / count) * std::sqrt(share * (1 - share) / count + z2 / (4 * count * count));
    *from = hits == 0 ? 0 : centre - half;
    *to = hits == n ? 1 : centre + half;
}

void WeightedWilsonInterval(long double share, long double effective, long double* from, long double* to)
{
    const long double z2 = IntervalZ * IntervalZ;
    const long double centre = (share + z2 / (2 * effective)) / (1 + z2 / effective);
    const long double half = IntervalZ / (1 + z2 / effective) * std::sqrt(share * (1 - share) / effective + z2 / (4 * effective * effective));
    *from = share <= 0 ? 0 : std::max(0.0L, centre - half);
    *to = share >= 1 ? 1 : std::min(1.0L, centre + half);
}

bool WeightedIntervalShares(long double effective, std::uint64_t percent, long double* from, long double* to)
{
    const long double q = static_cast<long double>(percent) / 100;
    const long double spread = IntervalZ * std::sqrt(q * (1 - q) / effective);
    *from = q - spread;
    *to = q + spread + 1 / effective;
    const bool full = *from * effective >= 1 && *to <= 1;
    *from = std::max(0.0L, *from);
    *to = std::min(1.0L, *to);
    return full;
}

long double Histogram::BinEdge(int bin) const
{
    // A whole power goes through IntegerPower: 1 is an edge exactly.
    return Power(10.0L, static_cast<long double>(bin) / binsPerDecade);
}

namespace {

// Counts the values into the histogram's bins, with their weights' shares
// where weights is not null.
void CountBins(const std::vector<long double>& values, const std::vector<double>* weights, Histogram* h)
{
    // The smallest and the largest value the axis shows decide the bins.
    long double smallest = 0, largest = 0, total = 0;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const long double v = values[k];
        const long double w = weights ? (*weights)[k] : 1;
        total += w;
        if (std::isnan(v)) {
            ++h->undefined;
        } else if (v < 1) {
            ++h->belowOne;
            h->belowOneWeight += w;
            h->zero += v == 0;
            h->negative += v < 0;
        } else if (std::isinf(v)) {
            ++h->infinite;
        }
        if (!(v > 0) || std::isinf(v)) continue;
        if (smallest == 0 || v < smallest) smallest = v;
        if (v > largest) largest = v;
    }
    h->belowOneWeight = weights ? h->belowOneWeight / total : 0;
    if (largest == 0) return;
    long double decades = (LnExtended(largest) - LnExtended(smallest)) / LnExtended(10.0L);
    h->binsPerDecade = decades > FineBinsUpTo ? 4 : 10;

    // Edges from one below the smallest value's bin to two above the
    // largest's; each value goes to the bin whose edges enclose it.
    int low = static_cast<int>(ApproximateBin(smallest, h->binsPerDecade)) - 1;
    int high = static_cast<int>(ApproximateBin(largest, h->binsPerDecade)) + 2;
    std::vector<long double> edges;
    for (int bin = low; bin <= high; ++bin) edges.push_back(h->BinEdge(bin));
    std::vector<std::uint64_t> counts(edges.size() - 1);
    std::vector<long double> shares(weights ? counts.size() : 0);
    const std::size_t last = counts.size() - 1;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const long double v = values[k];
        if (!(v > 0) || std::isinf(v)) continue;
        int guess = static_cast<int>(ApproximateBin(v, h->binsPerDecade)) - low;
        std::size_t i = guess < 0 ? 0 : std::min(static_cast<std::size_t>(guess), last);
        while (i > 0 && v < edges[i]) --i;
        while (i < last && v >= edges[i + 1]) ++i;
        ++counts[i];
        if (weights) shares[i] += (*weights)[k] / total;
    }
    std::size_t first = 0, end = counts.size();
    while (counts[first] == 0) ++first;
    while (counts[end - 1] == 0) --end;
    h->firstBin = low + static_cast<int>(first);
    h->counts.assign(counts.begin() + static_cast<std::ptrdiff_t>(first), counts.begin() + static_cast<std::ptrdiff_t>(end));
    if (weights) h->weightShares.assign(shares.begin() + static_cast<std::ptrdiff_t>(first), shares.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace

Histogram BuildHistogram(std::vector<long double>* values)
{
    Histogram h;
    h.samples = values->size();
    if (values->empty()) return h;
    SelectPoints(values, LessNaNLast, h.points, h.intervals);
    CountBins(*values, nullptr, &h);
    return h;
}

Histogram BuildWeightedHistogram(std::vector<long double>* values, const std::vector<double>& weights, long double effective,
                                 Histogram* unweighted)
{
    Histogram h;
    h.samples = values->size();
    h.effective = effective;
    if (values->empty()) {
        *unweighted = Histogram();
        return h;
    }
    SelectWeightedPoints(*values, weights, LessNaNLast, effective, h.points, h.intervals);
    CountBins(*values, &weights, &h);
    // The same draws in the same bins: only the points differ.
    *unweighted = h;
    unweighted->weightShares.clear();
    unweighted->belowOneWeight = 0;
    unweighted->effective = 0;
    SelectPoints(values, LessNaNLast, unweighted->points, unweighted->intervals);
    return h;
}
