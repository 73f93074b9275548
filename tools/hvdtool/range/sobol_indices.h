// Variance-based sensitivity (Sobol indices) from the outputs of a
// Saltelli design, apart from any model: two independent matrices A and B
// of rows of inputs and, for each input i, A_B^i, A with column i taken
// from B. The estimators see only the outputs f of those rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The outputs of a design of `rows` rows (fewer than 2^32) and
// `parameters` inputs: f(A), f(B), and f(A_B^i) of input i at mixed[i *
// rows] to mixed[i * rows + rows - 1]. Row j of all of them belongs
// together (A_B^i's row j is A's row j with B's row j's input i).
struct SobolOutputs {
    std::size_t rows = 0, parameters = 0;
    std::vector<double> a, b, mixed;

    void Resize(std::size_t n, std::size_t k);
    const double* Mixed(std::size_t parameter) const { return mixed.data() + parameter * rows; }
};

// The sums one input's indices are made of, over the rows each counted
// with its weight (a bootstrap resample's multiplicity, or 1).
struct SobolSums {
    long double weight = 0;    // sum of the weights: the rows
    long double variance = 0;  // V: of f over A and B together (2 x weight values)
    long double first = 0;     // sum of w (f(B) - mean f) (f(A_B^i) - f(A))
    long double total = 0;     // sum of w (f(A) - f(A_B^i))^2
};

// First-order index S_i = mean(f(B) (f(A_B^i) - f(A))) / V: Saltelli et
// al. 2010, Computer Physics Communications 181, 259, table 2 (b). f(B) is
// taken from the mean of f over A and B, so the estimate does not depend
// on where f's zero lies (the expectation is the same).
long double SaltelliFirstOrder(const SobolSums& sums);

// Total index S_Ti = mean((f(A) - f(A_B^i))^2) / (2 V): Jansen 1999, as
// in Saltelli et al. 2010, table 2 (f).
long double JansenTotal(const SobolSums& sums);

// The variance of f over A and B and each input's sums, every row counted
// weights[j] times (nullptr: once). first[i] and total[i] receive the
// indices of input i (NaN where f does not vary).
void SobolIndicesOf(const SobolOutputs& outputs, const std::uint32_t* weights, long double* variance, long double* first,
                    long double* total);

// Both indices of one input with their 95 % intervals.
struct SobolIndex {
    long double first = 0, total = 0;
    long double firstInterval[2] = {}, totalInterval[2] = {};
};

// The indices of the whole design and their 95 % percentile intervals from
// `resamples` bootstrap resamples of the rows (each row drawn with its A,
// B and every A_B^i row, n of n with replacement): resample r draws from
// its own generator, the seed's bootstrap sequence jumped r times, and the
// resamples run on up to `threads` threads, so the intervals are the same
// on any number. *variance receives V of the whole design.
std::vector<SobolIndex> SobolWithIntervals(const SobolOutputs& outputs, std::uint64_t seed, unsigned resamples, unsigned threads,
                                           long double* variance);
