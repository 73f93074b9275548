#include "tools/hvdtool/settings/settings_fields.h"

#include <cstddef>
#include <cstring>

#include "model/settings_record.h"

#define COUNT_FIELD(name) {#name, FieldKind::Count, offsetof(SettingsRecord, name), false}
#define SHARE_FIELD(name) {#name, FieldKind::Real, offsetof(SettingsRecord, name), true}
#define FREE_REAL_FIELD(name) {#name, FieldKind::Real, offsetof(SettingsRecord, name), false}

const SettingsField SettingsFields[SettingsFieldCount] = {
    COUNT_FIELD(StarCount),
    SHARE_FIELD(PlanetShare),
    SHARE_FIELD(PopulationIShare),
    SHARE_FIELD(MultipleSystemShare),
    SHARE_FIELD(HeavyElementShare),
    SHARE_FIELD(DwarfShare),
    SHARE_FIELD(SunLikeShare),
    SHARE_FIELD(GiantShare),
    SHARE_FIELD(EcoSingleProb),
    SHARE_FIELD(EcoDwarfProb),
    SHARE_FIELD(EcoSunLikeProb),
    SHARE_FIELD(EcoGiantProb),
    FREE_REAL_FIELD(PlanetInEcoProb),
    SHARE_FIELD(MassMixProb),
    SHARE_FIELD(OrbitAxisProb),
    SHARE_FIELD(LifeEvolvesProb),
    COUNT_FIELD(FirstLifeYears),
    COUNT_FIELD(FirstCivilizationYears),
    COUNT_FIELD(CivilizationSpanYears),
    FREE_REAL_FIELD(StarDistanceLy),
    FREE_REAL_FIELD(GalaxySizeRatio),
    COUNT_FIELD(GalaxyCount),
};

static_assert(offsetof(SettingsRecord, Reserved) == ReservedOffset, "stored block layout");
static_assert(offsetof(SettingsRecord, CurrentPage) == CurrentPageOffset, "stored block layout");

const char* const TextFieldNames[3] = {"AuthorName", "AuthorAbout", "SettingsComments"};

std::int64_t ReadCountField(const unsigned char* block, std::size_t offset)
{
    std::int64_t value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

float ReadRealField(const unsigned char* block, std::size_t offset)
{
    float value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

void WriteCountField(unsigned char* block, std::size_t offset, std::int64_t value)
{
    std::memcpy(block + offset, &value, sizeof value);
}

void WriteRealField(unsigned char* block, std::size_t offset, float value)
{
    std::memcpy(block + offset, &value, sizeof value);
}
