// The estimate: a fixed chain of products over the SettingsRecord's
// parameters, rounded to a whole number after each stage (ties to even),
// with two cube roots for the distances and digit-count guards before the
// two products that could leave the 64-bit range.
//
// All arithmetic is 80-bit extended precision in the written order; each
// stage sets the x87 control word for it first (SetExtendedPrecision).
#pragma once

#include <cstdint>

#include "model/settings_record.h"

// Writes Settings.SuitableStarCount: sun-like 2nd-generation population I
// stars with planets and a suitable ecosphere, single or with a companion.
void ComputeSuitableStars();

// Runs ComputeSuitableStars, then writes Settings.InhabitedPlanetTotal.
void ComputeInhabitedPlanets();

// The stage products of one run of the chain before their rounding to whole
// numbers (the galaxy's also before the "at least 1" rule): how far below
// one an estimate lies that the results screen shows as 0 or 1.
struct StageProducts {
    long double inhabitedPlanets;       // before its rounding
    long double galaxyCivilizations;    // time share x the rounded inhabited planets
    long double universeCivilizations;  // the galaxy's count, rounded but without "at least 1", x size ratio x galaxies
};

// Runs ComputeInhabitedPlanets, then writes the galaxy and universe counts,
// their exponents and the two distances: ComputeResultsFor(&Settings).
void ComputeResults();

// The whole chain on a record of the caller's own (its parameters and
// MaxYears in, the derived results out), as ComputeResults runs it on the
// SettingsRecord, with the same bits. Touches no other state, so threads
// may run it at once on records of their own; it sets the calling thread's
// x87 control word first.
StageProducts ComputeResultsFor(SettingsRecord* record);

// The galaxy's civilizations before rounding and the "at least 1" rule, as
// ComputeResultsFor gives them (the same bits), without the distances and
// the universe after them: for analyses that need that product alone, a
// million times over. Writes the record's suitable stars and inhabited
// planets; sets the x87 control word first.
long double GalaxyProductFor(SettingsRecord* record);

// The products of the last ComputeResults on the SettingsRecord.
StageProducts LastStageProducts();

// base^exponent: 1 for exponent 0; IntegerPower for a whole exponent of the
// int range; 0 for a negative base otherwise; else exp(exponent * ln base).
long double Power(long double base, long double exponent);

// base^n by squaring (lowest bit first); the reciprocal for negative n.
long double IntegerPower(long double base, std::int32_t n);

// The extended number nearest to 1/3, the exponent of the cube roots.
long double OneThird();

// Number of characters of the nearest whole number of x written in full
// (digits, plus one for a minus sign), held at 255. For an x in the 64-bit
// range this is DecimalLength; beyond it the exact digit count; infinity
// counts 255; NaN counts 1, as zero would.
std::uint8_t RealDecimalLength(long double x);
