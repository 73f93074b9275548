// The SettingsRecord: the program's one model.
//
// The first 189 bytes (StarCount through CurrentPage) are the stored block
// that settings files hold byte for byte; its first 188 bytes are the
// parameter block that the Edit command snapshots and compares. The rest is
// never stored: the texts go to files separately, the file time comes from
// the file system, and the derived results are recomputed from the
// parameters. Counts are signed 64-bit, reals 32-bit floats, all
// little-endian; shares and probabilities are fractions (1 means all).
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct SettingsRecord {
    // --- stored block ---
    std::int64_t StarCount;            // stars in our galaxy
    float PlanetShare;                 // share of stars with planets
    float PopulationIShare;            // share of 2nd-generation population I stars
    float MultipleSystemShare;         // share of stars in multiple systems
    float HeavyElementShare;           // share of those born with heavy elements at hand
    float DwarfShare;                  // share of dwarf stars
    float SunLikeShare;                // share of sun-like stars (0.33 to 1.4 sun masses)
    float GiantShare;                  // share of giant stars
    float EcoSingleProb;               // suitable ecosphere, single sun-like star
    float EcoDwarfProb;                //   ... with a dwarf companion
    float EcoSunLikeProb;              //   ... with a sun-like companion
    float EcoGiantProb;                //   ... with a giant companion
    float PlanetInEcoProb;             // a planet within that ecosphere
    float MassMixProb;                 // life-enabling mass and element mixture
    float OrbitAxisProb;               // suitable orbit, axis, rotation, atmosphere
    float LifeEvolvesProb;             // life actually evolves
    std::int64_t FirstLifeYears;       // years until first life, on average
    std::int64_t FirstCivilizationYears;  // years until the first advanced civilization
    std::int64_t CivilizationSpanYears;   // years a planet holds advanced civilizations
    float StarDistanceLy;              // distance between neighbouring population I stars
    float GalaxySizeRatio;             // average galaxy size relative to ours
    std::int64_t GalaxyCount;          // galaxies in the universe
    std::uint8_t Reserved[80];         // carried through files unchanged
    std::uint8_t CurrentPage;          // wizard page (1..5) shown last

    // --- never stored ---
    std::uint8_t Alignment[3];
    std::uint64_t SettingsFileTime;    // FILETIME of the last loaded or saved file; 0 before
    std::int64_t MaxYears;             // 10^10: bound of the year settings, time base
    std::int64_t SuitableStarCount;          // derived; shown in the wizard (352)
    std::int64_t InhabitedPlanetTotal;       // derived; shown in the wizard (452)
    std::int64_t GalaxyCivilizationCount;    // derived
    std::int64_t UniverseCivilizationCount;  // derived
    float CivilizationDistanceLy;            // derived; may be +inf or NaN
    float PlanetDistanceLy;                  // derived; may be +inf or NaN
    // 0 when the count above holds the result; otherwise the result is shown
    // as "more than 10^" and this exponent. The galaxy and universe exponents
    // come from the digit-count guards; all four are also set when a result
    // lies beyond the 64-bit range (the count then holds INT64_MAX, or
    // INT64_MIN for a negative result).
    std::uint8_t GalaxyCivilizationExponent;
    std::uint8_t UniverseCivilizationExponent;
    std::uint8_t SuitableStarExponent;
    std::uint8_t InhabitedPlanetExponent;
    std::uint8_t Alignment2[4];
    // Texts: null means empty; otherwise a heap copy owned by the record.
    char* AuthorName;                  // "These settings by:"
    char* AuthorAbout;                 // "About you (optional) ..."
    char* SettingsComments;            // "Comments:"
};
#pragma pack(pop)

const std::size_t StoredBlockSize = 189;     // StarCount through CurrentPage
const std::size_t ParameterBlockSize = 188;  // StarCount through Reserved

static_assert(offsetof(SettingsRecord, StarCount) == 0, "file layout");
static_assert(offsetof(SettingsRecord, PlanetShare) == 8, "file layout");
static_assert(offsetof(SettingsRecord, PopulationIShare) == 12, "file layout");
static_assert(offsetof(SettingsRecord, MultipleSystemShare) == 16, "file layout");
static_assert(offsetof(SettingsRecord, HeavyElementShare) == 20, "file layout");
static_assert(offsetof(SettingsRecord, DwarfShare) == 24, "file layout");
static_assert(offsetof(SettingsRecord, SunLikeShare) == 28, "file layout");
static_assert(offsetof(SettingsRecord, GiantShare) == 32, "file layout");
static_assert(offsetof(SettingsRecord, EcoSingleProb) == 36, "file layout");
static_assert(offsetof(SettingsRecord, EcoDwarfProb) == 40, "file layout");
static_assert(offsetof(SettingsRecord, EcoSunLikeProb) == 44, "file layout");
static_assert(offsetof(SettingsRecord, EcoGiantProb) == 48, "file layout");
static_assert(offsetof(SettingsRecord, PlanetInEcoProb) == 52, "file layout");
static_assert(offsetof(SettingsRecord, MassMixProb) == 56, "file layout");
static_assert(offsetof(SettingsRecord, OrbitAxisProb) == 60, "file layout");
static_assert(offsetof(SettingsRecord, LifeEvolvesProb) == 64, "file layout");
static_assert(offsetof(SettingsRecord, FirstLifeYears) == 68, "file layout");
static_assert(offsetof(SettingsRecord, FirstCivilizationYears) == 76, "file layout");
static_assert(offsetof(SettingsRecord, CivilizationSpanYears) == 84, "file layout");
static_assert(offsetof(SettingsRecord, StarDistanceLy) == 92, "file layout");
static_assert(offsetof(SettingsRecord, GalaxySizeRatio) == 96, "file layout");
static_assert(offsetof(SettingsRecord, GalaxyCount) == 100, "file layout");
static_assert(offsetof(SettingsRecord, Reserved) == 108, "file layout");
static_assert(offsetof(SettingsRecord, CurrentPage) == 188, "file layout");
static_assert(offsetof(SettingsRecord, CurrentPage) + 1 == StoredBlockSize, "file layout");
static_assert(offsetof(SettingsRecord, Reserved) + 80 == ParameterBlockSize, "parameter block");
static_assert(offsetof(SettingsRecord, SettingsFileTime) % 8 == 0, "aligned tail");
static_assert(offsetof(SettingsRecord, AuthorName) % 8 == 0, "aligned tail");
static_assert(sizeof(float) == 4, "32-bit reals");
#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the stored block is little-endian");
#endif

extern SettingsRecord Settings;

// The time span of the estimate, 10^10 years; not editable, not stored.
const std::int64_t FixedMaxYears = 10000000000LL;

// Program start: sets MaxYears to 1,000,000,000 * 10.0 in extended precision
// (the rest of the record stays zero until the working file is loaded).
void InitSettingsRecord();

// The stored block and the parameter block as bytes (file image, snapshot).
unsigned char* StoredBlockBytes();
