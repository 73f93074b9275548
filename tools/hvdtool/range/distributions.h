// The distributions hvdtool range draws a parameter from, and the normal
// scores that correlate two of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class Spread {
    Fixed,        // the same value every time
    Uniform,      // uniform between a and b
    LogUniform,   // uniform in the logarithm between a and b (0 < a <= b)
    Normal,       // mean a, standard deviation b
    Log10Normal,  // 10^x, x normal with mean a and standard deviation b
    Beta,         // beta with alpha a and beta b
    Values,       // one of the listed values, each equally likely
};

// The beta's quantiles in the log-odds of both the probability and the
// value, where they run smoothly from tail to tail: cubic pieces through
// exact quantiles and their slopes, built once per distribution.
class BetaQuantiles {
public:
    BetaQuantiles(long double alpha, long double beta);
    long double At(long double u) const;  // 0 < u < 1

private:
    std::vector<double> logOdds_, slopes_;  // of the value, at each knot
};

struct Distribution {
    Spread spread = Spread::Fixed;
    long double a = 0, b = 0;
    std::vector<long double> values;  // Values
    bool atLeastOne = false;          // the draw X becomes 1 - e^(-X)
    long double lnA = 0, lnB = 0;     // LogUniform: the ends' natural logarithms
    std::shared_ptr<const BetaQuantiles> beta;

    // Fills lnA, lnB and the beta's quantiles once a, b and the spread are set.
    void Prepare();
    // The value below which a share u (0 < u < 1) of the draws lies.
    long double Quantile(long double u) const;
    // A draw from 64 random bits: uniform and log-uniform from the share
    // bits / 2^64 (0 included), the others from their quantile at a share
    // strictly between 0 and 1.
    long double FromBits(std::uint64_t bits) const;
    // As a range description writes it: "uniform(0.2, 0.8)".
    std::string Text(bool count) const;
};

// The standard normal distribution function and its inverse (0 < u < 1).
long double NormalProbability(long double z);
long double NormalScore(long double u);
// 1 - e^(-x), exact for small x too.
long double AtLeastOne(long double x);
