#include "tools/hvdtool/range/distributions.h"

#include <boost/math/distributions/beta.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/special_functions/log1p.hpp>
#include <cmath>
#include <exception>

#include "model/extended_math.h"
#include "tools/hvdtool/output/number_format.h"

namespace {

// Errors as values, never exceptions; long double throughout.
typedef boost::math::policies::policy<boost::math::policies::domain_error<boost::math::policies::ignore_error>,
                                      boost::math::policies::pole_error<boost::math::policies::ignore_error>,
                                      boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
                                      boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
                                      boost::math::policies::evaluation_error<boost::math::policies::ignore_error>,
                                      boost::math::policies::promote_double<false>>
    QuietPolicy;

const long double TwoToMinus64 = 1.0L / 18446744073709551616.0L;

// The beta's knots: log-odds of the share from -46 to 46 (every share a
// 64-bit draw gives, 2^-64 included) in 16,384 steps: within a part in
// 10^9 of the exact quantiles for alpha and beta from 0.05 to 10,000.
const long double KnotSpan = 46;
const int KnotSteps = 16384;
const long double KnotStep = 2 * KnotSpan / KnotSteps;
// Log-odds of values too near 0 or 1 for an 80-bit number.
const long double LogOddsLimit = 11000;

const long double Ln10 = 2.302585092994045684017991454684364208L;

long double Clamped(long double x, long double limit)
{
    return x < -limit ? -limit : (x > limit ? limit : x);
}

// x with I_x(alpha, beta) = u. Boost's inversion gives up with an
// exception (whatever the policy) for some plain cases, beta(5, 5) among
// them; there the value is bisected on the incomplete beta instead.
long double BetaInverse(long double alpha, long double beta, long double u)
{
    try {
        return boost::math::ibeta_inv(alpha, beta, u, QuietPolicy());
    } catch (const std::exception&) {
    }
    long double low = 0, high = 1;
    try {
        for (int i = 0; i < 128 && high - low > 0; ++i) {
            // Halved in the logarithm while the bracket spans orders of magnitude.
            long double middle = low > 0 && high / low > 4 ? std::sqrt(low * high) : (low == 0 && high < 1e-3L ? high / 1024 : (low + high) / 2);
            (boost::math::ibeta(alpha, beta, middle, QuietPolicy()) < u ? low : high) = middle;
        }
    } catch (const std::exception&) {  // the bracket found so far
    }
    return (low + high) / 2;
}

}  // namespace

BetaQuantiles::BetaQuantiles(long double alpha, long double beta) : logOdds_(KnotSteps + 1), slopes_(KnotSteps + 1)
{
    const long double lnBeta = boost::math::lgamma(alpha, QuietPolicy()) + boost::math::lgamma(beta, QuietPolicy()) -
                               boost::math::lgamma(alpha + beta, QuietPolicy());
    bool exactSlopes = true;
    for (int i = 0; i <= KnotSteps; ++i) {
        const long double t = -KnotSpan + i * KnotStep;
        // The share u and 1 - u, each without cancellation.
        const long double lnU = -boost::math::log1p(ExpExtended(-t), QuietPolicy());
        const long double lnRest = -boost::math::log1p(ExpExtended(t), QuietPolicy());
        // The value x and 1 - x from the smaller of the two shares, which
        // the other (near 1) would lose digits of: 1 - X is beta(beta, alpha).
        long double lnX, lnY;
        if (t <= 0) {
            const long double x = BetaInverse(alpha, beta, ExpExtended(lnU));
            lnX = LnExtended(x);
            lnY = boost::math::log1p(-x, QuietPolicy());
        } else {
            const long double y = BetaInverse(beta, alpha, ExpExtended(lnRest));
            lnY = LnExtended(y);
            lnX = boost::math::log1p(-y, QuietPolicy());
        }
        logOdds_[i] = static_cast<double>(Clamped(lnX - lnY, LogOddsLimit));
        // d logodds(value) / d logodds(u) = u (1 - u) / (density x (1 - x)).
        const long double slope = ExpExtended(lnU + lnRest + lnBeta - alpha * lnX - beta * lnY);
        const bool usable = std::isfinite(lnX - lnY) && slope < 1e300L;  // else not even a double
        slopes_[i] = usable ? static_cast<double>(slope) : 0;
        exactSlopes = exactSlopes && usable;
    }
    if (exactSlopes) return;
    // Values beyond an 80-bit number in a tail: the slopes from the knots.
    for (int i = 0; i <= KnotSteps; ++i) {
        const int before = i > 0 ? i - 1 : i, after = i < KnotSteps ? i + 1 : i;
        slopes_[i] = (logOdds_[after] - logOdds_[before]) / static_cast<double>((after - before) * KnotStep);
    }
}

long double BetaQuantiles::At(long double u) const
{
    const long double t = Clamped(LnExtended(u / (1 - u)), KnotSpan);
    long double position = (t + KnotSpan) / KnotStep;
    // Through a double: a direct conversion switches the x87 rounding twice.
    int i = static_cast<int>(static_cast<double>(position));
    if (i >= KnotSteps) i = KnotSteps - 1;
    const long double s = position - i, s2 = s * s, s3 = s2 * s;
    // Cubic Hermite piece between knots i and i + 1.
    const long double logOdds = (2 * s3 - 3 * s2 + 1) * logOdds_[i] + (s3 - 2 * s2 + s) * KnotStep * slopes_[i] +
                                (-2 * s3 + 3 * s2) * logOdds_[i + 1] + (s3 - s2) * KnotStep * slopes_[i + 1];
    return 1 / (1 + ExpExtended(-logOdds));
}

long double NormalProbability(long double z)
{
    return boost::math::erfc(-z / std::sqrt(2.0L), QuietPolicy()) / 2;
}

long double NormalScore(long double u)
{
    // In double precision, three times as fast, and finer than a float.
    return -1.4142135623730950488L * boost::math::erfc_inv(2 * static_cast<double>(u), QuietPolicy());
}

long double AtLeastOne(long double x)
{
    if (std::fabs(x) < 1e-5L) return x * (1 - x / 2 * (1 - x / 3));
    return 1 - ExpExtended(-x);
}

void Distribution::Prepare()
{
    if (spread == Spread::LogUniform) {
        lnA = LnExtended(a);
        lnB = LnExtended(b);
    }
    if (spread == Spread::Beta) beta = std::make_shared<BetaQuantiles>(a, b);
}

long double Distribution::Quantile(long double u) const
{
    long double x;
    switch (spread) {
    case Spread::Fixed: x = a; break;
    case Spread::Uniform: x = a + u * (b - a); break;
    case Spread::LogUniform: x = ExpExtended(lnA + u * (lnB - lnA)); break;
    case Spread::Normal: x = a + b * NormalScore(u); break;
    case Spread::Log10Normal: x = ExpExtended((a + b * NormalScore(u)) * Ln10); break;
    case Spread::Beta: x = beta->At(u); break;
    case Spread::Values: {
        std::size_t n = values.size();
        std::size_t i = static_cast<std::size_t>(u * static_cast<long double>(n));
        x = values[i < n ? i : n - 1];
        break;
    }
    default: x = a;
    }
    return atLeastOne ? AtLeastOne(x) : x;
}

long double Distribution::FromBits(std::uint64_t bits) const
{
    if (spread == Spread::Uniform || spread == Spread::LogUniform || spread == Spread::Values) {
        return Quantile(static_cast<long double>(bits) * TwoToMinus64);
    }
    return Quantile(static_cast<long double>(bits | 1) * TwoToMinus64);
}

namespace {

std::string ArgumentText(long double value, bool count)
{
    if (count && value == std::floor(value) && std::fabs(value) < 9e18L) return std::to_string(static_cast<long long>(value));
    float single = RealToFloat(value);
    if (static_cast<long double>(single) == value) return FloatText(single);
    return SignificantText(value, 18, false);
}

}  // namespace

std::string Distribution::Text(bool count) const
{
    count = count && !atLeastOne;
    std::string inner;
    auto two = [&](const char* name, bool countArguments) {
        return std::string(name) + "(" + ArgumentText(a, countArguments) + ", " + ArgumentText(b, countArguments) + ")";
    };
    switch (spread) {
    case Spread::Fixed: inner = ArgumentText(a, count); break;
    case Spread::Uniform: inner = two("uniform", count); break;
    case Spread::LogUniform: inner = two("loguniform", count); break;
    case Spread::Normal: inner = two("normal", false); break;
    case Spread::Log10Normal: inner = two("log10normal", false); break;
    case Spread::Beta: inner = two("beta", false); break;
    case Spread::Values:
        inner = "values(";
        for (std::size_t i = 0; i < values.size(); ++i) inner += (i ? ", " : "") + ArgumentText(values[i], count);
        inner += ")";
        break;
    }
    return atLeastOne ? "atleastone(" + inner + ")" : inner;
}
