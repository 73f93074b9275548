#include "model/estimation.h"

#include <cmath>

#include "model/decimal_expansion.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"

// Where a stage's result cannot be stored in its count field (beyond the
// 64-bit range, possible only with a huge PlanetInEcoProb or GalaxySizeRatio
// or with values from a file), the next stage goes on with the extended
// value itself, and the stored count gets an exponent instead.
//
// The civilization counts are guarded by the lengths of their factors, and
// such a sum of lengths only bounds a product's length from above: shown as
// "more than 10^" it could state what is not so (10^18 shown as more than
// 10^20). So both products are formed in extended precision, exact wherever
// the result fits a count, and the result itself decides: its count, or the
// power of ten it exceeds, with the count saturated to carry the sign.

namespace {

StageProducts LastProducts;

// Exact digits of a whole number beyond the 64-bit range. On the stack:
// records of their own are computed on several threads at once.
int WholeDigitCount(long double whole)
{
    DecimalDigits digits;
    ExpandDecimal(whole, &digits);
    return LeadingExponent(digits) + 1;
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

long double SuitableStars(SettingsRecord& s)
{
    long double a = NearestReal(static_cast<long double>(s.StarCount) * s.PlanetShare * s.PopulationIShare *
                                s.HeavyElementShare * s.SunLikeShare);
    long double lone = NearestReal((1.0L - s.MultipleSystemShare) * a * s.EcoSingleProb);
    long double withCompanion = NearestReal(a * s.MultipleSystemShare);
    long double paired = NearestReal(withCompanion * s.DwarfShare * s.EcoDwarfProb +
                                     withCompanion * s.SunLikeShare * s.EcoSunLikeProb +
                                     withCompanion * s.GiantShare * s.EcoGiantProb);
    // Both are whole numbers below 2^63 in the normal case: the sum is exact.
    long double suitable = lone + paired;
    s.SuitableStarExponent = StoreCount(suitable, &s.SuitableStarCount);
    return suitable;
}

long double InhabitedPlanets(SettingsRecord& s, StageProducts* products)
{
    long double suitable = SuitableStars(s);
    long double maxYears = static_cast<long double>(s.MaxYears);
    long double timeShare = (maxYears - s.FirstLifeYears) / maxYears;
    products->inhabitedPlanets = suitable * s.PlanetInEcoProb * s.MassMixProb * s.OrbitAxisProb * s.LifeEvolvesProb * timeShare;
    long double inhabited = NearestReal(products->inhabitedPlanets);
    s.InhabitedPlanetExponent = StoreCount(inhabited, &s.InhabitedPlanetTotal);
    return inhabited;
}

// The galaxy's civilizations before rounding and the "at least 1" rule:
// the share of the years a civilization lasts times the inhabited planets
// (rounded, also stored in inhabited).
long double GalaxyProduct(SettingsRecord& s, StageProducts* products, long double* inhabited)
{
    *inhabited = InhabitedPlanets(s, products);
    long double timeShare = static_cast<long double>(s.CivilizationSpanYears) / static_cast<long double>(s.MaxYears);
    return timeShare * *inhabited;
}

// Population I stars per counted object, cube root, times the star distance.
float AverageDistance(const SettingsRecord& s, long double objects)
{
    long double starsPerObject = static_cast<long double>(s.StarCount) * s.PopulationIShare / objects;
    return RealToFloat(Power(starsPerObject, OneThird()) * s.StarDistanceLy);
}

}  // namespace

void ComputeSuitableStars()
{
    SetExtendedPrecision();
    SuitableStars(Settings);
}

void ComputeInhabitedPlanets()
{
    SetExtendedPrecision();
    InhabitedPlanets(Settings, &LastProducts);
}

void ComputeResults()
{
    LastProducts = ComputeResultsFor(&Settings);
}

StageProducts ComputeResultsFor(SettingsRecord* record)
{
    SetExtendedPrecision();
    SettingsRecord& s = *record;
    StageProducts products;
    long double inhabited;
    products.galaxyCivilizations = GalaxyProduct(s, &products, &inhabited);
    long double galaxy = NearestReal(products.galaxyCivilizations);
    // The universe as it would be without the rule below: no civilization
    // in our galaxy, none anywhere.
    products.universeCivilizations = galaxy * s.GalaxySizeRatio * s.GalaxyCount;
    if (galaxy == 0) galaxy = 1;  // at least one civilization: ours
    s.GalaxyCivilizationExponent = StoreCount(galaxy, &s.GalaxyCivilizationCount);

    s.PlanetDistanceLy = AverageDistance(s, inhabited);
    s.CivilizationDistanceLy = AverageDistance(s, galaxy);

    // No galaxies give no civilizations; a negative product stays negative.
    long double universe = NearestReal(galaxy * s.GalaxySizeRatio * s.GalaxyCount);
    s.UniverseCivilizationExponent = StoreCount(universe, &s.UniverseCivilizationCount);
    return products;
}

long double GalaxyProductFor(SettingsRecord* record)
{
    SetExtendedPrecision();
    StageProducts products;
    long double inhabited;
    return GalaxyProduct(*record, &products, &inhabited);
}

StageProducts LastStageProducts()
{
    return LastProducts;
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
    int length = WholeDigitCount(whole) + (whole < 0 ? 1 : 0);
    return static_cast<std::uint8_t>(length > 255 ? 255 : length);
}
