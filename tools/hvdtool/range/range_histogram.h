// The distribution of a result over the draws of hvdtool range: how many
// draws fall in each bin of a logarithmic axis, the draws that axis cannot
// show, the nearest-rank 5 %, 50 % and 95 % points, and how far a finite
// number of draws leaves those points and shares uncertain.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// Nearest-rank positions of 5 %, 50 % and 95 % among n sorted draws: the
// smallest draw with at least that share of the draws at or below it.
void RankPositions(std::uint64_t n, std::size_t positions[3]);

// z of a two-sided 95 % interval: the 97.5 % point of the normal distribution.
const long double IntervalZ = 1.959963984540054L;

// The positions among n sorted draws (n at least 1) of the two order
// statistics that hold the percent point of the distribution the draws
// come from with 95 % confidence: the ranks n q -/+ z sqrt(n q (1 - q)),
// outwards to whole ranks (the upper one step further, as the draw at a
// rank lies at or above the point it stands for), within 1 to n. False
// when a rank had to be held at 1 or n: the draws are too few for a 95 %
// interval at that point, and the one given holds less.
bool IntervalPositions(std::uint64_t n, std::uint64_t percent, std::size_t* from, std::size_t* to);

// Whether n draws give the percent point a whole 95 % interval.
bool FullInterval(std::uint64_t n, std::uint64_t percent);

// Wilson's 95 % interval of a share of hits among n draws (n at least 1).
void WilsonInterval(std::uint64_t hits, std::uint64_t n, long double* from, long double* to);
// The same for a share of weighted draws, with Kish's effective number of
// draws (sum w)^2 / sum w^2 in place of n: the approximation that treats
// them as that many unweighted ones.
void WeightedWilsonInterval(long double share, long double effective, long double* from, long double* to);

// Weighted draws: the share of the draws' weight that a point or interval
// end stands for. The nearest-rank rule carried over: the point at q is the
// smallest draw with at least q of the weight at or below it; its 95 %
// interval the points at q -/+ z sqrt(q (1 - q) / effective), the upper
// one a draw's worth further as for the ranks. False when either end falls
// outside the weight: too few effective draws for a 95 % interval there.
bool WeightedIntervalShares(long double effective, std::uint64_t percent, long double* from, long double* to);

// The draws at the given positions of their sorted order (draws is
// reordered), by partial sorts in ascending order of the positions.
template <typename T, typename Less>
void SelectPositions(std::vector<T>* draws, Less less, const std::size_t* positions, std::size_t count, T* out)
{
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [positions](std::size_t a, std::size_t b) { return positions[a] < positions[b]; });
    auto at = [draws](std::size_t i) { return draws->begin() + static_cast<std::ptrdiff_t>(i); };
    std::size_t sortedUpTo = 0;  // the draws before this position are in place
    for (std::size_t i : order) {
        std::size_t p = positions[i];
        if (p >= sortedUpTo) {
            std::nth_element(at(sortedUpTo), at(p), draws->end(), less);
            sortedUpTo = p + 1;
        }
        out[i] = (*draws)[p];
    }
}

// The 5 %, 50 % and 95 % points of the draws (draws is reordered), and
// the two ends of each point's 95 % interval.
template <typename T, typename Less>
void SelectPoints(std::vector<T>* draws, Less less, T points[3], T intervals[3][2])
{
    std::size_t at[9];
    RankPositions(draws->size(), at);
    const std::uint64_t percents[3] = {5, 50, 95};
    for (int i = 0; i < 3; ++i) IntervalPositions(draws->size(), percents[i], &at[3 + 2 * i], &at[4 + 2 * i]);
    T values[9];
    SelectPositions(draws, less, at, 9, values);
    for (int i = 0; i < 3; ++i) {
        points[i] = values[i];
        intervals[i][0] = values[3 + 2 * i];
        intervals[i][1] = values[4 + 2 * i];
    }
}

template <typename T>
struct WeightedDraw {
    T value;
    double weight;
};

// For each of count weights needed (ascending) the first draw, in the
// sorted order of [begin, end), with at least that much weight at or below
// it, counting before for the draws below the range, and some weight: by
// partitions around middle draws (nth_element), not a whole sort, as a
// million draws need only nine answers. A weight beyond all (rounding)
// gives the largest draw.
template <typename T, typename Less>
void SelectWeighted(WeightedDraw<T>* begin, WeightedDraw<T>* end, long double before, const long double* needed, std::size_t count, T* out,
                    Less less)
{
    if (count == 0) return;
    auto byValue = [less](const WeightedDraw<T>& a, const WeightedDraw<T>& b) { return less(a.value, b.value); };
    if (end - begin <= 32) {
        std::sort(begin, end, byValue);
        std::size_t k = 0;
        long double sum = before;
        for (WeightedDraw<T>* d = begin; d != end && k < count; ++d) {
            sum += d->weight;
            while (k < count && sum >= needed[k] && sum > 0) out[k++] = d->value;
        }
        while (k < count) out[k++] = (end - 1)->value;
        return;
    }
    WeightedDraw<T>* middle = begin + (end - begin) / 2;
    std::nth_element(begin, middle, end, byValue);
    long double left = before;
    for (WeightedDraw<T>* d = begin; d != middle; ++d) left += d->weight;
    std::size_t inLeft = 0;
    while (inLeft < count && needed[inLeft] <= left && left > 0) ++inLeft;
    SelectWeighted(begin, middle, before, needed, inLeft, out, less);
    SelectWeighted(middle, end, left, needed + inLeft, count - inLeft, out + inLeft, less);
}

// The weighted form of SelectPoints: the points at 5 %, 50 % and 95 % of
// the draws' weight (which must not all be 0) and their intervals
// (WeightedIntervalShares). The draws are left as they are.
template <typename T, typename Less>
void SelectWeightedPoints(const std::vector<T>& draws, const std::vector<double>& weights, Less less, long double effective, T points[3],
                          T intervals[3][2])
{
    std::vector<WeightedDraw<T>> pairs(draws.size());
    long double total = 0;
    for (std::size_t i = 0; i < draws.size(); ++i) {
        pairs[i] = WeightedDraw<T>{draws[i], weights[i]};
        total += weights[i];
    }
    // Points and interval ends by share, in ascending order for the search.
    long double shares[9];
    const std::uint64_t percents[3] = {5, 50, 95};
    for (int i = 0; i < 3; ++i) {
        shares[i] = static_cast<long double>(percents[i]) / 100;
        WeightedIntervalShares(effective, percents[i], &shares[3 + 2 * i], &shares[4 + 2 * i]);
    }
    std::size_t order[9];
    for (std::size_t i = 0; i < 9; ++i) order[i] = i;
    std::sort(order, order + 9, [&shares](std::size_t a, std::size_t b) { return shares[a] < shares[b]; });
    long double needed[9];
    for (std::size_t i = 0; i < 9; ++i) needed[i] = shares[order[i]] * total;
    T found[9];
    SelectWeighted(pairs.data(), pairs.data() + pairs.size(), 0.0L, needed, 9, found, less);
    T values[9];
    for (std::size_t i = 0; i < 9; ++i) values[order[i]] = found[i];
    for (int i = 0; i < 3; ++i) {
        points[i] = values[i];
        intervals[i][0] = values[3 + 2 * i];
        intervals[i][1] = values[4 + 2 * i];
    }
}

struct Histogram {
    std::uint64_t samples = 0;
    int binsPerDecade = 10;  // 4 when the draws spread over more than 30 decades
    // counts[i] holds the draws from BinEdge(firstBin + i) up to the next
    // edge; the first and the last bin hold at least one draw.
    int firstBin = 0;
    std::vector<std::uint64_t> counts;
    // Draws the logarithmic axis cannot show.
    std::uint64_t zero = 0, negative = 0, infinite = 0, undefined = 0;
    std::uint64_t belowOne = 0;  // zero and negative draws included
    long double points[3] = {};  // 5 %, 50 %, 95 % (undefined draws rank last)
    long double intervals[3][2] = {};  // their 95 % intervals
    // Weighted draws only: each bin's share of the weight (beside counts),
    // the share below one, and the effective number of draws.
    std::vector<long double> weightShares;
    long double belowOneWeight = 0;
    long double effective = 0;

    bool Weighted() const { return effective > 0; }

    long double BinEdge(int bin) const;  // 10^(bin / binsPerDecade)
};

// The histogram of the values (which are reordered).
Histogram BuildHistogram(std::vector<long double>* values);
// The histogram of weighted values, with the effective number of draws of
// those weights, and in unweighted the same values' plain histogram (the
// values are reordered).
Histogram BuildWeightedHistogram(std::vector<long double>* values, const std::vector<double>& weights, long double effective,
                                 Histogram* unweighted);
