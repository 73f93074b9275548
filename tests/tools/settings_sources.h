// Settings for the hvdtool tests: the worked example's parameters (every
// stage a known whole number) and helpers to vary them by field name.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tools/hvdtool/settings/settings_fields.h"
#include "tools/hvdtool/settings/settings_source.h"

// 85,938 suitable stars, 5,371 inhabited planets, 54 civilizations in our
// galaxy, 5,400,000,000,000 in the universe.
inline std::string WorkedExampleSource()
{
    return "StarCount = 1,000,000\n"
           "PlanetShare = 0.5\nPopulationIShare = 0.5\nMultipleSystemShare = 0.5\nHeavyElementShare = 1\n"
           "DwarfShare = 0.25\nSunLikeShare = 0.5\nGiantShare = 0.25\n"
           "EcoSingleProb = 1\nEcoDwarfProb = 0.5\nEcoSunLikeProb = 0.5\nEcoGiantProb = 0\n"
           "PlanetInEcoProb = 1\nMassMixProb = 0.5\nOrbitAxisProb = 0.5\nLifeEvolvesProb = 0.5\n"
           "FirstLifeYears = 5,000,000,000\nFirstCivilizationYears = 6,000,000,000\nCivilizationSpanYears = 100,000,000\n"
           "StarDistanceLy = 5\nGalaxySizeRatio = 1\nGalaxyCount = 100,000,000,000\n";
}

inline SettingsSource ParsedSource(const std::string& text)
{
    SettingsSource source;
    std::string error;
    EXPECT_TRUE(ParseSettingsSource(text, &source, &error)) << error;
    return source;
}

inline const SettingsField& FieldNamed(const char* name)
{
    for (const SettingsField& f : SettingsFields) {
        if (std::strcmp(f.name, name) == 0) return f;
    }
    ADD_FAILURE() << "no field " << name;
    return SettingsFields[0];
}

inline void SetField(SettingsSource* source, const char* name, long double value)
{
    const SettingsField& f = FieldNamed(name);
    if (f.kind == FieldKind::Count) {
        WriteCountField(source->storedBlock, f.offset, static_cast<std::int64_t>(value));
    } else {
        WriteRealField(source->storedBlock, f.offset, static_cast<float>(value));
    }
}

// A view of the source as a decoded file would give it.
inline SettingsFileView ViewOf(const SettingsSource& source)
{
    SettingsFileView view;
    view.storedBlock = source.storedBlock;
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        view.texts[i].bytes = reinterpret_cast<const unsigned char*>(source.texts[i].data());
        view.texts[i].length = static_cast<std::uint16_t>(source.texts[i].size());
    }
    view.size = 0;
    return view;
}
