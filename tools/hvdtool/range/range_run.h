// The Monte-Carlo run of hvdtool range: the program's own estimate
// (ComputeResultsFor, with its rounding after each stage) over settings
// drawn between two files, its statistics with their sampling error, the
// distributions of the two counts of our galaxy before their rounding, a
// one-at-a-time sensitivity of those counts, and for each parameter the
// share of draws with fewer than one civilization in our galaxy when that
// parameter is known to lie at one of its ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hvdtool/range/observation.h"
#include "tools/hvdtool/range/range_histogram.h"
#include "tools/hvdtool/range/range_sampler.h"
#include "tools/hvdtool/range/sobol_run.h"
#include "tools/hvdtool/settings/result_values.h"

// Statistics of one result over the draws. The points are draws
// themselves (nearest rank: the smallest draw with at least p of the draws
// at or below it), so they read like the results screen.
struct ResultSpread {
    ResultValue low;     // 5 %
    ResultValue median;  // 50 %
    ResultValue high;    // 95 %
    ResultValue intervals[3][2];  // the 95 % interval of each point: two draws (IntervalPositions)
    bool meanDefined;    // false when a draw was "more than 10^" (or "less than -10^")
    long double mean;    // may be infinite or undefined (NaN) for the distances
};

// One parameter from its low to its high value, the others at the medians
// of their drawing distributions.
struct SensitivityEntry {
    std::size_t parameter;       // index in SettingsFields
    ResultValue inhabited[2];    // inhabited planets at low, at high
    ResultValue galaxy[2];       // civilizations in our galaxy at low, at high
    long double galaxyProduct[2];  // their product before rounding and the "at least 1" rule
    bool refused[2];             // the wizard would refuse the setting at low, at high
};

// The factor by which a count changes between two values, the larger by
// the smaller. Defined (true) for two numbers of the same sign that are not
// zero, or two equal ones (factor 1); else false, with sortKey +infinity
// ("from 0", "more than 10^") or 1 (two equal "more than 10^" texts).
bool ChangeFactor(const ResultValue& low, const ResultValue& high, long double* factor, long double* sortKey);
// The same for two products: defined for two finite numbers of the same
// sign that are not zero, or two equal ones; else +infinity as sortKey.
bool ProductFactor(long double low, long double high, long double* factor, long double* sortKey);

// The draws with one parameter held at one of its ends: the others drawn
// with the plain run's numbers, the same at both ends, so that the two
// shares differ by what that parameter does and not by chance.
struct EndShare {
    std::uint64_t belowOne = 0;  // accepted draws with the galaxy's product below 1
    std::uint64_t refused = 0;   // draws the wizard would refuse with the parameter there, drawn again
    bool hopeless = false;       // the wizard refuses nearly every such draw: no share
};

struct EndShares {
    std::size_t parameter;  // index in SettingsFields
    EndShare ends[2];       // at low, at high

    // Weighted draws (an observation): the weight of the draws below one
    // and of all, at each end.
    bool weighted = false;
    long double belowOneWeight[2] = {}, weight[2] = {};

    // Whether an end has a share: not when the wizard refuses nearly every
    // draw there, nor when the observation leaves its draws no weight.
    bool Known(int end) const { return !ends[end].hopeless && (!weighted || weight[end] > 0); }
    // The share below one at an end, of the analysis's draws (when Known).
    long double Share(int end, std::uint64_t samples) const
    {
        if (weighted) return belowOneWeight[end] / weight[end];
        return static_cast<long double>(ends[end].belowOne) / static_cast<long double>(samples);
    }
};

// The draws the ends analysis takes: the first of the run's, at most so
// many. Each takes a model run per parameter and end; these give the shares
// at the ends to a fraction of a percent.
const std::uint64_t EndDrawsAtMost = 100000;

struct RangeReport {
    std::uint64_t samples = 0;
    std::uint64_t seed = 0;
    std::uint64_t refused = 0;  // draws the wizard would refuse, drawn again
    // The update on our seeing no one; with one, every figure over the
    // draws below is weighted by its likelihood.
    Observation observation = Observation::None;
    long double effectiveSamples = 0;  // (sum w)^2 / sum w^2; the samples without an update
    ResultSpread results[ResultLineCount];
    long double galaxyBelowOne = 0;    // share of draws whose unrounded galaxy product was below 1
    long double galaxyBelowOneInterval[2] = {};  // its 95 % interval (Wilson)
    long double galaxyExactlyOne = 0;  // share whose galaxy count came out as exactly 1
    // The Poisson reading of "alone": the mean over the draws of e^-N, the
    // chance that no civilization but ours exists now if N is the expected
    // number, with its 95 % interval (normal, from the standard error).
    long double galaxyNoOther = 0;
    long double galaxyNoOtherInterval[2] = {};
    // The products before rounding (the galaxy's also before the "at least
    // 1" rule) over the draws; with an update, also the draws' own.
    Histogram inhabitedDistribution, galaxyDistribution;
    Histogram inhabitedPrior, galaxyPrior;
    ResultValues atMedians;            // every varied parameter at its median
    long double galaxyProductAtMedians = 0;
    std::vector<SensitivityEntry> sensitivity;  // one per varied parameter, in file order
    // Indexes into sensitivity, largest change first (ties in file order):
    // of the inhabited planets' count, and of the galaxy's product, which
    // rounding and the "at least 1" rule do not flatten.
    std::vector<std::size_t> inhabitedRanking, galaxyRanking;
    // One per varied parameter, in file order (empty when not asked for),
    // and their order by the gap between the shares at the two ends,
    // largest first (ties in file order), the hopeless ones last.
    std::vector<EndShares> endShares;
    std::vector<std::size_t> endShareRanking;
    std::uint64_t endSamples = 0;  // the draws each end share is of
    SobolReport sobol;  // range --sobol (RunSobol); not computed otherwise

    bool Weighted() const { return observation != Observation::None; }
};

// Whether the report's 95 % interval at a percent point holds 95 %: the
// draws, or with an update their effective number, are enough.
bool FullPointInterval(const RangeReport& report, std::uint64_t percent);

// How far a run has come: accepted draws of the plain run, then of the
// draws with a parameter at an end.
struct RangeProgressState {
    std::uint64_t drawn, samples;
    std::uint64_t endsDrawn, endsTotal;  // samples x 2 x the varied parameters
    bool done;
};

// Called now and then on the thread that called RunRange.
typedef void (*RangeProgress)(void* context, const RangeProgressState& state);

struct RangeRun {
    std::uint64_t samples = 100000;
    std::uint64_t seed = 1;
    unsigned threads = 1;     // the report is the same for any number
    bool endShares = true;    // also the shares below one at the parameters' ends
    Observation observation = Observation::None;
    RangeProgress progress = nullptr;
    void* progressContext = nullptr;
};

// Draws run.samples accepted settings with the seed, in blocks of
// DrawBlockSize on run.threads threads, and summarizes them. Both blocks
// must be accepted by the wizard. Fails (false, with the problem) only
// when the wizard refuses nearly every draw. Leaves the SettingsRecord alone.
bool RunRange(const SettingsSampler& sampler, const RangeRun& run, RangeReport* report, std::string* problem);
