#include "model/estimation.h"

#include <cmath>

#include "model/decimal_expansion.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"

// Where a stage's result cannot be stored in its count field (beyond the
// 64-bit range, possible only with a huge PlanetInEcoProb or GalaxySizeRatio
// or with values from a file), the next stage goes on with the extended
// value itself, and the stored count gets an exponent instead. Likewise,
// when the galaxy guard trips, the distance and the universe steps use the
// galaxy product in extended precision, never the stale count of an earlier
// run, and the universe result is shown as "more than 10^" too, with an
// exponent at least the galaxy's.

namespace {

const std::uint8_t DigitLimit = 20;

DecimalDigits LengthDigits;

std::uint8_t SaturatedSum(std::uint8_t a, std::uint8_t b)
{
    unsigned sum = static_cast<unsigned>(a) + b;
    return static_cast<std::uint8_t>(sum > 255 ? 255 : sum);
}

// Stores a whole-number stage result; returns 0, or for a result beyond the
// 64-bit range the power of ten it exceeds (its digit count less one), for
// "more than 10^".
std::uint8_t StoreCount(long double value, std::int64_t* field)
{
    if (RealToCount(value, field) || std::isnan(value)) return 0;
    std::uint8_t digits = RealDecimalLength(std::fabs(value));
    return digits == 255 ? 255 : static_cast<std::uint8_t>(digits - 1);
}

long double SuitableStars()
{
    const SettingsRecord& s = Settings;
    long double a = NearestReal(static_cast<long double>(s.StarCount) * s.PlanetShare * s.PopulationIShare *
                                s.HeavyElementShare * s.SunLikeShare);
    long double lone = NearestReal((1.0L - s.MultipleSystemShare) * a * s.EcoSingleProb);
    long double withCompanion = NearestReal(a * s.MultipleSystemShare);
    long double paired = NearestReal(withCompanion * s.DwarfShare * s.EcoDwarfProb +
                                     withCompanion * s.SunLikeShare * s.EcoSunLikeProb +
                                     withCompanion * s.GiantShare * s.EcoGiantProb);
    // Both are whole numbers below 2^63 in the normal case: the sum is exact.
    long double suitable = lone + paired;
    Settings.SuitableStarExponent = StoreCount(suitable, &Settings.SuitableStarCount);
    return suitable;
}

long double InhabitedPlanets()
{
    long double suitable = SuitableStars();
    const SettingsRecord& s = Settings;
    long double maxYears = static_cast<long double>(s.MaxYears);
    long double timeShare = (maxYears - s.FirstLifeYears) / maxYears;
    long double inhabited =
        NearestReal(suitable * s.PlanetInEcoProb * s.MassMixProb * s.OrbitAxisProb * s.LifeEvolvesProb * timeShare);
    Settings.InhabitedPlanetExponent = StoreCount(inhabited, &Settings.InhabitedPlanetTotal);
    return inhabited;
}

// Population I stars per counted object, cube root, times the star distance.
float AverageDistance(long double objects)
{
    const SettingsRecord& s = Settings;
    long double starsPerObject = static_cast<long double>(s.StarCount) * s.PopulationIShare / objects;
    return RealToFloat(Power(starsPerObject, OneThird()) * s.StarDistanceLy);
}

}  // namespace

void ComputeSuitableStars()
{
    SuitableStars();
}

void ComputeInhabitedPlanets()
{
    InhabitedPlanets();
}

void ComputeResults()
{
    long double inhabited = InhabitedPlanets();
    SettingsRecord& s = Settings;

    // Galaxy guard: the product's length estimated from its factors' lengths.
    long double timeShare = static_cast<long double>(s.CivilizationSpanYears) / static_cast<long double>(s.MaxYears);
    std::uint8_t galaxyLength = SaturatedSum(RealDecimalLength(inhabited), RealDecimalLength(NearestReal(timeShare)));
    long double galaxy = NearestReal(timeShare * inhabited);
    if (galaxy == 0) galaxy = 1;  // at least one civilization: ours
    if (galaxyLength < DigitLimit) {
        s.GalaxyCivilizationExponent = StoreCount(galaxy, &s.GalaxyCivilizationCount);
    } else {
        s.GalaxyCivilizationExponent = galaxyLength;  // the count keeps its previous value
    }

    s.PlanetDistanceLy = AverageDistance(inhabited);
    s.CivilizationDistanceLy = AverageDistance(galaxy);

    // Universe guard.
    std::uint8_t universeLength =
        SaturatedSum(RealDecimalLength(NearestReal(galaxy * s.GalaxySizeRatio)), static_cast<std::uint8_t>(DecimalLength(s.GalaxyCount)));
    if (s.GalaxyCivilizationExponent != 0) {
        std::uint8_t galaxyExponent = s.GalaxyCivilizationExponent;
        s.UniverseCivilizationExponent = universeLength > galaxyExponent ? universeLength : galaxyExponent;
    } else if (universeLength < DigitLimit) {
        long double universe = NearestReal(galaxy * s.GalaxySizeRatio * s.GalaxyCount);
        s.UniverseCivilizationExponent = StoreCount(universe, &s.UniverseCivilizationCount);
    } else {
        s.UniverseCivilizationExponent = universeLength;  // the count keeps its previous value
    }
}

long double Power(long double base, long double exponent)
{
    if (exponent == 0) return 1.0L;
    long double whole = std::trunc(exponent);
    // The lower bound keeps the conversion and IntegerPower's negation defined.
    if (exponent - whole == 0 && exponent < 2147483647.0L && exponent > -2147483648.0L) {
        return IntegerPower(base, static_cast<std::int32_t>(whole));
    }
    if (base < 0) return 0.0L;
    return ExpExtended(exponent * LnExtended(base));
}

long double IntegerPower(long double base, std::int32_t n)
{
    if (n == 0) return 1.0L;
    std::uint32_t bits = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    long double result = 1.0L;
    long double power = base;
    while (bits != 0) {
        if (bits & 1) result *= power;
        bits >>= 1;
        if (bits != 0) power *= power;
    }
    return n < 0 ? 1.0L / result : result;
}

long double OneThird()
{
    return OneThirdValue();
}

std::uint8_t RealDecimalLength(long double x)
{
    long double whole = NearestReal(x);
    if (std::isnan(whole)) return 1;
    if (std::isinf(whole)) return 255;
    std::int64_t count;
    if (RealToCount(whole, &count)) return static_cast<std::uint8_t>(DecimalLength(count));
    ExpandDecimal(whole, &LengthDigits);
    int length = LeadingExponent(LengthDigits) + 1 + (whole < 0 ? 1 : 0);
    return static_cast<std::uint8_t>(length > 255 ? 255 : length);
}
