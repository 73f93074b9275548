// Nanoseconds per call of the model's hot operations (make bench).
#include <benchmark/benchmark.h>

#include <cstring>

#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"

namespace {

void LoadTypicalSettings()
{
    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
    SettingsRecord& s = Settings;
    s.StarCount = 200000000000LL;
    s.PlanetShare = 0.5f;
    s.PopulationIShare = 0.1f;
    s.MultipleSystemShare = 0.5f;
    s.HeavyElementShare = 0.5f;
    s.DwarfShare = 0.7f;
    s.SunLikeShare = 0.25f;
    s.GiantShare = 0.05f;
    s.EcoSingleProb = 1;
    s.EcoDwarfProb = 0.3f;
    s.EcoSunLikeProb = 0.1f;
    s.EcoGiantProb = 0.01f;
    s.PlanetInEcoProb = 1;
    s.MassMixProb = 0.1f;
    s.OrbitAxisProb = 0.1f;
    s.LifeEvolvesProb = 0.5f;
    s.FirstLifeYears = 1000000000LL;
    s.FirstCivilizationYears = 4500000000LL;
    s.CivilizationSpanYears = 10000000LL;
    s.StarDistanceLy = 5;
    s.GalaxySizeRatio = 1;
    s.GalaxyCount = 200000000000LL;
}

void BM_ComputeResults(benchmark::State& state)
{
    SetExtendedPrecision();
    LoadTypicalSettings();
    for (auto _ : state) {
        ComputeResults();
        benchmark::DoNotOptimize(Settings.UniverseCivilizationCount);
    }
}
BENCHMARK(BM_ComputeResults);

void BM_RealToTextShare(benchmark::State& state)
{
    long double value = 0.123457f;
    for (auto _ : state) benchmark::DoNotOptimize(RealToText(value, 3, 6));
}
BENCHMARK(BM_RealToTextShare);

void BM_RealToTextCount(benchmark::State& state)
{
    long double value = 5400000000000.0L;
    for (auto _ : state) benchmark::DoNotOptimize(RealToText(value, 0, 0));
}
BENCHMARK(BM_RealToTextCount);

void BM_ShareToText(benchmark::State& state)
{
    float value = 0.7f;
    for (auto _ : state) benchmark::DoNotOptimize(ShareToText(value));
}
BENCHMARK(BM_ShareToText);

void BM_TextToReal(benchmark::State& state)
{
    int error;
    for (auto _ : state) benchmark::DoNotOptimize(TextToReal("0.123457", &error));
}
BENCHMARK(BM_TextToReal);

void BM_ParseCount(benchmark::State& state)
{
    for (auto _ : state) {
        std::memcpy(InputTextBuffer, "100,000,000,000", 16);
        benchmark::DoNotOptimize(ParseCount());
    }
}
BENCHMARK(BM_ParseCount);

}  // namespace

BENCHMARK_MAIN();
