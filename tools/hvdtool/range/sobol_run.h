// hvdtool range --sobol: how much of the spread of log10 of the
// civilizations in our galaxy each drawn parameter carries, alone (first
// order) and with the others (total), from a Saltelli design run through
// the program's own estimate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hvdtool/range/range_model.h"
#include "tools/hvdtool/range/range_sampler.h"
#include "tools/hvdtool/range/sobol_indices.h"

// The most base draws the indices take, whatever --samples says: N (k + 2)
// model runs for k drawn parameters, and the bootstrap goes over them
// all.
const std::uint64_t SobolMaxBaseSamples = 100000;

// A product of 0 or below counts as this power of ten: the chain's
// rounding makes many draws exactly 0, and every positive product is at
// least 10^-10 (a span of one year of one planet over the 10^10 years), so
// the two stay apart.
const int SobolFloorPower = -30;

const unsigned SobolResamples = 200;

struct SobolReport {
    bool computed = false;
    std::uint64_t baseSamples = 0;   // N: rows of A and of B
    bool capped = false;             // --samples asked for more than SobolMaxBaseSamples
    unsigned resamples = 0;          // of the bootstrap
    std::uint64_t floored = 0;       // rows of A and B whose output counts as 10^-30
    std::uint64_t refusedMixed = 0;  // A_B^i rows the wizard would refuse, computed all the same
    std::uint64_t refused = 0;       // draws for A and B the wizard refused, drawn again
    long double variance = 0;        // of log10 N over A and B
    long double firstSum = 0;        // the first-order indices added up
    std::vector<std::size_t> parameters;  // index in SettingsFields of each index, largest total first
    std::vector<SobolIndex> indices;      // in that order
};

// How far the model runs have come (called now and then on the thread that
// called RunSobol).
typedef void (*SobolProgress)(void* context, std::uint64_t runs, std::uint64_t total, bool done);

struct SobolRun {
    std::uint64_t samples = 100000;  // --samples: N is the smaller of it and SobolMaxBaseSamples
    std::uint64_t seed = 1;
    unsigned threads = 1;            // the report is the same for any number
    unsigned resamples = SobolResamples;
    SobolProgress progress = nullptr;
    void* progressContext = nullptr;
};

// Whether the indices can be had for this model: not with correlated
// parameters, whose estimators assume independent ones (false with the
// reason).
bool SobolAllowed(const RangeModel& model, std::string* problem);

// The output of one run of the chain: log10 of the galaxy's product before
// rounding and the "at least 1" rule; 0, below 0 or undefined counts as
// 10^SobolFloorPower (*floored true).
double SobolOutput(long double galaxyProduct, bool* floored);

// Draws A and B (rows the wizard refuses drawn again as a whole, A's and
// B's rows in turn from each block's generator of the plain run's seed),
// runs the estimate on every row of A, B and A_B^i, and estimates the
// indices with their bootstrap intervals. An A_B^i row the wizard would
// refuse is computed all the same and counted: redrawing or dropping it
// would make the inputs depend on each other. False with the problem when
// the model has correlations or the wizard refuses nearly every draw.
bool RunSobol(const SettingsSampler& sampler, const SobolRun& run, SobolReport* report, std::string* problem);
