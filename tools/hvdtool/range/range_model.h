// What hvdtool range draws: for each parameter a distribution (or a fixed
// value), the correlations between drawn parameters, and the settings
// everything else comes from. Two settings files give one (each parameter
// between the files' values); a range description gives one in words:
//
//   # comments, blank lines
//   Base = Middle.hvd                  # optional; the program's defaults without it
//   StarCount = 200,000,000,000        # a plain value: fixed
//   PlanetShare = uniform(0.2, 0.8)
//   LifeEvolvesProb = atleastone(log10normal(0, 50))
//   Correlation(PlanetShare, PlanetInEcoProb) = 0.5
//
// Families: uniform(a, b), loguniform(a, b), normal(mean, sd),
// log10normal(m, s), beta(alpha, beta), values(v1, v2, ...), atleastone(X).
// Inside the parentheses commas separate the arguments, so numbers there
// have no digit grouping. Counts take the drawn value rounded to a whole
// number, reals the nearest 32-bit float; the ends of uniform and
// log-uniform and the listed values are such stored values themselves.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tools/hvdtool/range/distributions.h"
#include "tools/hvdtool/settings/settings_fields.h"

struct Correlation {
    std::size_t first, second;  // indexes in SettingsFields, first < second
    long double rank;           // Spearman's rank correlation
    std::size_t line;           // where the description gives it (0: none)
};

struct RangeModel {
    unsigned char base[189];                      // the fixed values and what is never drawn
    Distribution parameters[SettingsFieldCount];  // Spread::Fixed where not drawn
    std::vector<Correlation> correlations;
    // How the report names the model: the two files (A the base), or the
    // description with its base file (empty: the program's defaults).
    std::string fileA, fileB, description, baseName;
};

// The spread between two stored blocks, as hvdtool range A B draws it:
// each parameter on its own, log-uniform where both values are positive
// and more than a factor of 10 apart, else uniform; A gives the rest.
RangeModel ModelBetween(const unsigned char* blockA, const unsigned char* blockB, const std::string& nameA,
                        const std::string& nameB);

// Reads a settings file's stored block for Base (a path as the description
// writes it, relative to the description's folder); false with a problem.
typedef std::function<bool(const std::string& path, unsigned char* storedBlock, std::string* problem)> BaseLoader;

// Parses a range description; on failure "line N: problem".
bool ParseRangeModel(const std::string& text, const BaseLoader& loadBase, RangeModel* model, std::string* error);

// The description of a model, which ParseRangeModel reads back to the same
// draws: hvdtool range A B --print-model.
std::string WriteRangeModel(const RangeModel& model);

// The latent (normal-score) correlation of a rank correlation: 2 sin(pi r / 6).
long double LatentCorrelation(long double rank);

// The lower triangle L with L L' = the latent correlations of the correlated
// parameters (in the order given), row by row; false when the matrix is not
// positive semi-definite, with *failed the parameter where it broke.
bool CorrelationFactor(const std::vector<std::size_t>& parameters, const std::vector<Correlation>& correlations,
                       std::vector<long double>* factor, std::size_t* failed);

// The settings the program starts with when no Base is given.
void DefaultStoredBlock(unsigned char* storedBlock);
