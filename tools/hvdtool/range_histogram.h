// The distribution of a result over the draws of hvdtool range: how many
// draws fall in each bin of a logarithmic axis, the draws that axis cannot
// show, and the nearest-rank 5 %, 50 % and 95 % points.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// Nearest-rank positions of 5 %, 50 % and 95 % among n sorted draws: the
// smallest draw with at least that share of the draws at or below it.
void RankPositions(std::uint64_t n, std::size_t positions[3]);

// The three points of the draws by partial sorts (draws is reordered): the
// median first, then 5 % among the draws below it and 95 % among those above.
template <typename T, typename Less>
void SelectPoints(std::vector<T>* draws, Less less, T points[3])
{
    std::size_t at[3];
    RankPositions(draws->size(), at);
    auto position = [draws](std::size_t i) { return draws->begin() + static_cast<std::ptrdiff_t>(i); };
    std::nth_element(position(0), position(at[1]), draws->end(), less);
    points[1] = (*draws)[at[1]];
    std::nth_element(position(0), position(at[0]), position(at[1]), less);
    points[0] = at[0] < at[1] ? (*draws)[at[0]] : points[1];
    std::nth_element(position(at[1] + 1), position(at[2]), draws->end(), less);
    points[2] = at[2] > at[1] ? (*draws)[at[2]] : points[1];
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

    long double BinEdge(int bin) const;  // 10^(bin / binsPerDecade)
};

// The histogram of the values (which are reordered).
Histogram BuildHistogram(std::vector<long double>* values);
