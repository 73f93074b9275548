#include "tests/support/worked_example.h"

#include "model/settings_record.h"

void FillWorkedExample()
{
    SettingsRecord& s = Settings;
    s.StarCount = 1000000;
    s.PlanetShare = 0.5f;
    s.PopulationIShare = 0.5f;
    s.MultipleSystemShare = 0.5f;
    s.HeavyElementShare = 1;
    s.DwarfShare = 0.25f;
    s.SunLikeShare = 0.5f;
    s.GiantShare = 0.25f;
    s.EcoSingleProb = 1;
    s.EcoDwarfProb = 0.5f;
    s.EcoSunLikeProb = 0.5f;
    s.EcoGiantProb = 0;
    s.PlanetInEcoProb = 1;
    s.MassMixProb = 0.5f;
    s.OrbitAxisProb = 0.5f;
    s.LifeEvolvesProb = 0.5f;
    s.FirstLifeYears = 5000000000LL;
    s.FirstCivilizationYears = 6000000000LL;
    s.CivilizationSpanYears = 100000000LL;
    s.StarDistanceLy = 5;
    s.GalaxySizeRatio = 1;
    s.GalaxyCount = 100000000000LL;
}
