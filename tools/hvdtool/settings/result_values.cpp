#include "tools/hvdtool/settings/result_values.h"

#include <cmath>

#include "model/settings_record.h"
#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"

namespace {

// With an exponent, the record's count may be a stale one (the digit guards
// keep the previous value); only its sign mark INT64_MIN matters then.
ResultValue CountResult(std::int64_t count, std::uint8_t exponent)
{
    if (exponent != 0 && count != INT64_MIN) count = INT64_MAX;
    return ResultValue{false, count, exponent, 0.0f};
}

ResultValue DistanceResult(float lightYears)
{
    return ResultValue{true, 0, 0, lightYears};
}

}  // namespace

ResultValues CurrentResults()
{
    return RecordResults(Settings);
}

ResultValues RecordResults(const SettingsRecord& s)
{
    ResultValues values = {{
        CountResult(s.InhabitedPlanetTotal, s.InhabitedPlanetExponent),
        DistanceResult(s.PlanetDistanceLy),
        CountResult(s.GalaxyCivilizationCount, s.GalaxyCivilizationExponent),
        DistanceResult(s.CivilizationDistanceLy),
        CountResult(s.UniverseCivilizationCount, s.UniverseCivilizationExponent),
    }};
    return values;
}

std::string ResultWording(const ResultValue& value)
{
    if (value.distance) return std::string(DistanceText(value.lightYears)) + " ly";
    return ResultCountText(value.exponent, value.count);
}

bool ResultNumber(const ResultValue& value, long double* number)
{
    if (value.distance) {
        *number = value.lightYears;
        return std::isfinite(value.lightYears);
    }
    *number = static_cast<long double>(value.count);
    return value.exponent == 0;
}

std::string ResultJson(const ResultValue& value)
{
    if (value.distance) {
        if (std::isfinite(value.lightYears)) return FloatText(value.lightYears);
        return JsonAnsiString(DistanceText(value.lightYears));
    }
    if (value.exponent == 0) return std::to_string(static_cast<long long>(value.count));
    return JsonAnsiString(ResultCountText(value.exponent, value.count));
}
