// Draws per second of hvdtool range between the shipped scenarios, on one
// thread and on one per processor (make bench, beside the model's
// operations): the plain draws, and the whole run with each parameter
// held at its ends.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/settings_record.h"
#include "tools/hvdtool/range/draw_blocks.h"
#include "tools/hvdtool/range/range_model.h"
#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/range/range_sampler.h"
#include "tools/hvdtool/range/sobol_run.h"
#include "tools/hvdtool/settings/settings_source.h"
#include "tools/hvdtool/tool_files.h"

namespace {

SettingsSource Scenario(const char* name)
{
    std::vector<unsigned char> bytes;
    std::string problem;
    SettingsSource source;
    if (!ReadWholeFile(std::string(HALV_SOURCE_DIR "/resources/scenarios/") + name + ".txt", &bytes, &problem) ||
        !ParseSettingsSource(std::string(bytes.begin(), bytes.end()), &source, &problem)) {
        std::fprintf(stderr, "%s: %s\n", name, problem.c_str());
    }
    return source;
}

// The optimistic scenario with the galaxies 2 x 10^15 times our size: a
// real whose field text is in exponent form, which once sent every draw
// through the slow, locked check.
SettingsSource HugeGalaxies(const SettingsSource& optimistic)
{
    SettingsSource huge = optimistic;
    float ratio = 2e15f;
    std::memcpy(huge.storedBlock + offsetof(SettingsRecord, GalaxySizeRatio), &ratio, sizeof ratio);
    return huge;
}

// The two scenarios' model with four parameters drawn from the other
// families instead.
RangeModel FamiliesModel(const SettingsSource& pessimistic, const SettingsSource& optimistic)
{
    RangeModel model = ModelBetween(pessimistic.storedBlock, optimistic.storedBlock, "", "");
    RangeModel families;
    std::string error;
    BaseLoader none = [](const std::string&, unsigned char*, std::string*) { return false; };
    if (!ParseRangeModel("StarCount = normal(2.5e11, 5e10)\nPlanetShare = beta(5, 2)\nMassMixProb = values(0.05, 0.2, 0.8)\n"
                         "LifeEvolvesProb = atleastone(log10normal(0, 2))\n",
                         none, &families, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
    }
    for (const char* name : {"StarCount", "PlanetShare", "MassMixProb", "LifeEvolvesProb"}) {
        for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
            if (std::strcmp(SettingsFields[i].name, name) == 0) model.parameters[i] = families.parameters[i];
        }
    }
    return model;
}

void Range(benchmark::State& state, std::uint64_t samples, bool endShares, bool hugeGalaxies = false, bool families = false,
           Observation observation = Observation::None)
{
    static const SettingsSource pessimistic = Scenario("Pessimistic"), optimistic = Scenario("Optimistic");
    static const SettingsSource huge = HugeGalaxies(optimistic);
    static const RangeModel familiesModel = FamiliesModel(pessimistic, optimistic);
    SettingsSampler sampler(families ? familiesModel
                                     : ModelBetween(pessimistic.storedBlock, (hugeGalaxies ? huge : optimistic).storedBlock, "", ""));
    RangeRun run;
    run.samples = samples;
    run.threads = state.range(0) == 0 ? DefaultThreadCount() : static_cast<unsigned>(state.range(0));
    run.endShares = endShares;
    run.observation = observation;
    std::string problem;
    for (auto _ : state) {
        RangeReport report;
        if (!RunRange(sampler, run, &report, &problem)) state.SkipWithError(problem.c_str());
        benchmark::DoNotOptimize(report.galaxyBelowOne);
    }
    state.counters["threads"] = run.threads;
    state.counters["draws/s"] = benchmark::Counter(static_cast<double>(samples * state.iterations()), benchmark::Counter::kIsRate);
}

// 1,000,000 draws; argument 1: one thread, 0: one per processor.
void BM_RangeDraws(benchmark::State& state)
{
    Range(state, 1000000, false);
}
BENCHMARK(BM_RangeDraws)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same with a normal, a beta, listed values and atleastone of a
// log10normal among the parameters.
void BM_RangeDrawsOtherFamilies(benchmark::State& state)
{
    Range(state, 1000000, false, false, true);
}
BENCHMARK(BM_RangeDrawsOtherFamilies)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

// hvdtool range as it runs by default: 100,000 draws, then 44 x 100,000
// with a parameter at an end.
void BM_RangeWithEnds(benchmark::State& state)
{
    Range(state, 100000, true);
}
BENCHMARK(BM_RangeWithEnds)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

// A million draws as a user asks for them, the ends from the first 100,000,
// as they are and weighted by the settlement update: within 5 s of CPU, the
// update at no cost worth the name.
void BM_RangeMillionWithEnds(benchmark::State& state)
{
    Range(state, 1000000, true);
}
BENCHMARK(BM_RangeMillionWithEnds)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RangeMillionSettlement(benchmark::State& state)
{
    Range(state, 1000000, true, false, false, Observation::Settlement);
}
BENCHMARK(BM_RangeMillionSettlement)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

// 20,000 draws with the ends, as shipped and with 2 x 10^15 for the galaxies'
// size: the same time within half as much again, and less on more threads.
void BM_RangeWithEnds20k(benchmark::State& state)
{
    Range(state, 20000, true);
}
BENCHMARK(BM_RangeWithEnds20k)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RangeWithEnds20kHugeGalaxies(benchmark::State& state)
{
    Range(state, 20000, true, true);
}
BENCHMARK(BM_RangeWithEnds20kHugeGalaxies)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

// range --sobol's own part between the shipped scenarios: 100,000 draws
// each for A and B and 22 x 100,000 mixed rows, 2.4 million runs of the
// estimate, and the 200 bootstrap resamples of the rows.
void BM_RangeSobol(benchmark::State& state)
{
    static const SettingsSource pessimistic = Scenario("Pessimistic"), optimistic = Scenario("Optimistic");
    SettingsSampler sampler(ModelBetween(pessimistic.storedBlock, optimistic.storedBlock, "", ""));
    SobolRun run;
    run.threads = state.range(0) == 0 ? DefaultThreadCount() : static_cast<unsigned>(state.range(0));
    std::string problem;
    for (auto _ : state) {
        SobolReport report;
        if (!RunSobol(sampler, run, &report, &problem)) state.SkipWithError(problem.c_str());
        benchmark::DoNotOptimize(report.firstSum);
    }
    state.counters["threads"] = run.threads;
    state.counters["runs/s"] = benchmark::Counter(static_cast<double>(run.samples * (sampler.VariedCount() + 2) * state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RangeSobol)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
