#include "tools/hvdtool/range/sobol_run.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/settings_record.h"
#include "tools/hvdtool/range/draw_blocks.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/settings/settings_source.h"

namespace {

const std::size_t StoredSize = 189;

// How a block of the design ended.
struct SobolTally {
    std::uint64_t refused = 0, refusedMixed = 0, floored = 0;
    std::string problem;  // not empty: the block gave up
};

// Each block draws its rows of A and B, then forms its rows of every
// A_B^i, and writes the outputs at its own positions.
struct SobolDesign {
    const SettingsSampler& sampler;
    std::uint64_t rows;
    std::vector<RandomSource> sources;
    SobolOutputs outputs;
    std::vector<SobolTally> tallies;
    std::atomic<std::uint64_t> runs{0};
    // The rules an A_B^i row is tested on: A keeps every rule, and B's
    // value keeps its parameter's own rule, so only the rules that join
    // that parameter to others can break.
    WizardRules mixedRules[SettingsFieldCount];

    SobolDesign(const SettingsSampler& s, std::uint64_t n, std::uint64_t seed)
        : sampler(s), rows(n), sources(DrawBlockSources(seed, DrawBlockCount(n))), tallies(sources.size())
    {
        outputs.Resize(static_cast<std::size_t>(n), s.VariedCount());
        for (std::size_t k = 0; k < s.VariedCount(); ++k) mixedRules[k] = RulesOfField(s.Varied(k)) & JoiningRules;
    }

    // The output of the record's settings; a row of A or B counts it in
    // tally when it is floored (tally nullptr for the A_B^i rows).
    double Output(SettingsRecord* record, SobolTally* tally) const
    {
        bool floored = false;
        const double f = SobolOutput(GalaxyProductFor(record), &floored);
        if (tally) tally->floored += floored;
        return f;
    }

    void Block(std::size_t index)
    {
        SettingsRecord record;
        std::memset(&record, 0, sizeof record);
        record.MaxYears = FixedMaxYears;
        unsigned char* block = reinterpret_cast<unsigned char*>(&record);
        sampler.WriteBase(block);
        RandomSource random = sources[index];
        SobolTally& tally = tallies[index];
        const std::size_t start = static_cast<std::size_t>(DrawBlockStart(index));
        const std::size_t length = static_cast<std::size_t>(DrawBlockLength(rows, index));
        std::vector<unsigned char> drawn[2] = {std::vector<unsigned char>(length * StoredSize),
                                               std::vector<unsigned char>(length * StoredSize)};
        double* f[2] = {outputs.a.data() + start, outputs.b.data() + start};
        std::uint64_t attempts = 0, accepted = 0;
        for (std::size_t j = 0; j < length; ++j) {
            for (int m = 0; m < 2; ++m) {  // A's row, then B's
                for (;;) {
                    ++attempts;
                    sampler.Draw(random, block);
                    if (sampler.Accepts(block)) break;
                    ++tally.refused;
                    if (DrawsHopeless(attempts, accepted)) {
                        tally.problem = "the settings wizard would refuse " + ExactCountText(static_cast<long long>(tally.refused)) +
                                        " of the first " + ExactCountText(static_cast<long long>(attempts)) + " draws";
                        return;
                    }
                }
                ++accepted;
                std::memcpy(&drawn[m][j * StoredSize], block, StoredSize);
                f[m][j] = Output(&record, &tally);
            }
        }
        runs += 2 * length;
        for (std::size_t k = 0; k < outputs.parameters; ++k) {
            const SettingsField& field = *sampler.Parameter(sampler.Varied(k)).field;
            const std::size_t size = field.kind == FieldKind::Count ? 8 : 4;
            double* mixed = outputs.mixed.data() + k * outputs.rows + start;
            for (std::size_t j = 0; j < length; ++j) {
                const unsigned char* a = &drawn[0][j * StoredSize];
                const unsigned char* b = &drawn[1][j * StoredSize];
                if (std::memcmp(a + field.offset, b + field.offset, size) == 0) {
                    mixed[j] = f[0][j];  // the same row as A's
                    continue;
                }
                std::memcpy(block, a, StoredSize);
                std::memcpy(block + field.offset, b + field.offset, size);
                if (mixedRules[k] != 0 && BrokenWizardRules(block, mixedRules[k]) != 0) ++tally.refusedMixed;
                mixed[j] = Output(&record, nullptr);
            }
            runs += length;
        }
    }
};

}  // namespace

bool SobolAllowed(const RangeModel& model, std::string* problem)
{
    if (model.correlations.empty()) return true;
    const Correlation& c = model.correlations[0];
    *problem = std::string("--sobol: Sobol indices assume independent parameters, and line ") + std::to_string(c.line) + " correlates " +
               SettingsFields[c.first].name + " with " + SettingsFields[c.second].name + "; leave out --sobol or the correlations";
    return false;
}

double SobolOutput(long double galaxyProduct, bool* floored)
{
    // Once for all calls (the x87 logarithm does not depend on the precision control).
    static const long double ln10 = LnExtended(10.0L);
    *floored = !(galaxyProduct > 0);
    if (*floored) return SobolFloorPower;
    return static_cast<double>(LnExtended(galaxyProduct) / ln10);
}

bool RunSobol(const SettingsSampler& sampler, const SobolRun& run, SobolReport* report, std::string* problem)
{
    if (!SobolAllowed(sampler.Model(), problem)) return false;
    const std::uint64_t n = std::min(run.samples, SobolMaxBaseSamples);
    const std::uint64_t total = n * (sampler.VariedCount() + 2);
    SobolDesign design(sampler, n, run.seed);
    auto show = [&run, total](std::uint64_t runs, bool done) {
        if (run.progress) run.progress(run.progressContext, runs, total, done);
    };
    RunBlocks(design.sources.size(), run.threads, [&design](std::size_t block) { design.Block(block); },
              [&]() { show(design.runs, false); });
    *report = SobolReport();
    for (const SobolTally& t : design.tallies) {
        if (!t.problem.empty()) {
            *problem = t.problem;
            return false;
        }
        report->refused += t.refused;
        report->refusedMixed += t.refusedMixed;
        report->floored += t.floored;
    }
    show(total, true);

    std::vector<SobolIndex> indices = SobolWithIntervals(design.outputs, run.seed, run.resamples, run.threads, &report->variance);
    // Largest total index first, ties (and undefined ones) in file order.
    std::vector<std::size_t> order(indices.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&indices](std::size_t x, std::size_t y) { return indices[x].total > indices[y].total; });
    for (std::size_t k : order) {
        report->parameters.push_back(sampler.Varied(k));
        report->indices.push_back(indices[k]);
        report->firstSum += indices[k].first;
    }
    report->computed = true;
    report->baseSamples = n;
    report->capped = run.samples > n;
    report->resamples = run.resamples;
    return true;
}
