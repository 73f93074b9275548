// The update of hvdtool range's draws on our observation that we see no one
// (Sandberg, Drexler and Ord 2018): each draw weighs as much as the chance
// of that observation given its civilizations in our galaxy, N, and how long
// a civilization lasts, L.
#pragma once

#include <string>

enum class Observation { None, Sampling, Poisson, NoK3, Settlement };

// The --observe word of each kind ("none", "sampling", ...) and back; false
// for a word that names none.
const char* ObservationName(Observation kind);
bool ObservationFromName(const std::string& name, Observation* kind);

// What the kind says we see, in words, and its likelihood as a formula of
// N and L, for the report.
const char* ObservationWords(Observation kind);
const char* ObservationFormula(Observation kind);

// The chance of seeing no one given N (the galaxy's product before rounding
// and the "at least 1" rule) and L in years, capped at 1. N of 0 or below
// (no one there) gives 1; an undefined N leaves the draw's weight at 1, as
// the observation cannot speak to it.
long double ObservationLikelihood(Observation kind, long double civilizations, long double spanYears);
