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

    long double BinEdge(int bin) const;  // 10^(bin / binsPerDecade)
};

// The histogram of the values (which are reordered).
Histogram BuildHistogram(std::vector<long double>* values);
