#include "tools/hvdtool/range/observation.h"

#include <cmath>

// The x87 routines of the model, not the C library's: every build weighs
// the draws alike.
#include "model/extended_math.h"

namespace {

struct ObservationKind {
    Observation kind;
    const char* name;
    const char* words;
    const char* formula;
};

const ObservationKind Kinds[] = {
    {Observation::None, "none", "no update: the draws as drawn", "1"},
    {Observation::Sampling, "sampling", "1,000 of our galaxy's 3 x 10^11 stars checked, all found empty",
     "(1 - min(1, N / 3e11))^1000"},
    {Observation::Poisson, "poisson", "no one within 18 parsecs, in a galaxy of 2.3 x 10^11 cubic parsecs",
     "exp(-4 pi 18^3 N / 2.3e11)"},
    {Observation::NoK3, "nok3", "no galaxy-spanning civilization seen among 10^5 galaxies", "1 - 0.5 (1 - 0.01^(1e5 N))"},
    {Observation::Settlement, "settlement", "no one has settled our galaxy in 13 billion years, settling taking 40 million",
     "exp(-(N / L)(13e9 - 4e7)) + exp(-(N / L) 4e7)(1 - 1 / 3.5)"},
};

const ObservationKind& KindOf(Observation kind)
{
    for (const ObservationKind& k : Kinds) {
        if (k.kind == kind) return k;
    }
    return Kinds[0];
}

const long double Pi = 3.14159265358979323846264338327950288L;
const long double Ln10 = 2.30258509299404568401799145468436421L;

// e^x, where below e^-11500 (under half the least extended number, so
// ExpExtended's result too) 0 at once: the ends analysis weighs millions of
// draws, most of them far beyond any chance of the observation.
long double ExpOrZero(long double x)
{
    return x < -11500 ? 0 : ExpExtended(x);
}

// x^n by squaring: for x within 0 and 1, a relative error of about n
// roundings, far below what a weight needs.
long double WholePower(long double x, unsigned n)
{
    long double result = 1;
    for (; n > 0; n >>= 1, x *= x) {
        if (n & 1) result *= x;
    }
    return result;
}

}  // namespace

const char* ObservationName(Observation kind)
{
    return KindOf(kind).name;
}

bool ObservationFromName(const std::string& name, Observation* kind)
{
    for (const ObservationKind& k : Kinds) {
        if (name == k.name) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

const char* ObservationWords(Observation kind)
{
    return KindOf(kind).words;
}

const char* ObservationFormula(Observation kind)
{
    return KindOf(kind).formula;
}

long double ObservationLikelihood(Observation kind, long double civilizations, long double spanYears)
{
    if (std::isnan(civilizations)) return 1;
    const long double n = civilizations > 0 ? civilizations : 0;
    long double likelihood = 1;
    switch (kind) {
    case Observation::None: break;
    case Observation::Sampling: {
        // 1 - share in extended precision keeps the tiny shares of most
        // draws to 11 digits at least, more than a weight needs.
        const long double share = n / 3e11L;
        likelihood = share >= 1 ? 0 : WholePower(1 - share, 1000);
        break;
    }
    case Observation::Poisson: likelihood = ExpOrZero(-4 * Pi * 18 * 18 * 18 * n / 2.3e11L); break;
    // 1 - 0.5 (1 - 0.01^(1e5 N)), without the cancellation; 0.01^x is e^(-2 x ln 10).
    case Observation::NoK3: likelihood = 0.5L + 0.5L * ExpOrZero(-2e5L * n * Ln10); break;
    case Observation::Settlement: {
        // No one there: nothing can have settled, whatever L is.
        if (n == 0) return 1;
        // exp(-r (13e9 - 4e7)) is exp(-r 4e7) to the power 324: one
        // exponential per draw instead of two, the ends analysis's
        // millions of draws included.
        const long double rate = spanYears > 0 ? n / spanYears : INFINITY;
        const long double settling = ExpOrZero(-rate * 4e7L);
        const long double untouched = WholePower(settling, 324);
        likelihood = untouched + settling * (1 - 1 / 3.5L);
        break;
    }
    }
    return likelihood > 1 ? 1 : likelihood;
}
