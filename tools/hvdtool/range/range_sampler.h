// Drawing settings for hvdtool range from a model (two settings files, or a
// range description): each parameter from its distribution, with the stored
// forms' rounding, and the settings wizard's verdict on each draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/hvdtool/range/distributions.h"
#include "tools/hvdtool/range/range_model.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/settings/settings_fields.h"

// A seeded random source: xoshiro256** with its state filled by
// splitmix64 from the seed. Integer arithmetic only, so every build draws
// the same numbers.
class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed);
    std::uint64_t Next();
    // A uniform draw from [0, 1): all 64 bits, exact in extended precision.
    long double Uniform();
    // Moves on by 2^128 draws at once: a sequence that no run's draws from
    // the position before will reach.
    void Jump();

private:
    std::uint64_t state_[4];
};

struct ParameterSpread {
    const SettingsField* field;
    Spread spread;
    Distribution distribution;
    // Uniform and log-uniform: the ends; the others: the 5 % and 95 % points
    // (the values the sensitivity and the ends analysis hold a parameter at).
    long double low, high;
    long double median;  // median of the drawing distribution, in its stored form
    bool betweenEnds;    // uniform or log-uniform: every draw within low and high
};

class SettingsSampler {
public:
    // Both blocks are 189-byte stored blocks; the drawn blocks take
    // everything that is not drawn (CurrentPage, Reserved) from A.
    SettingsSampler(const unsigned char* blockA, const unsigned char* blockB);
    explicit SettingsSampler(const RangeModel& model);

    const RangeModel& Model() const { return model_; }

    const ParameterSpread& Parameter(std::size_t i) const { return spreads_[i]; }  // file order
    std::size_t VariedCount() const { return variedCount_; }
    std::size_t Varied(std::size_t i) const { return varied_[i]; }  // index of the i-th varied parameter

    // Copies A's block with the fixed values into block.
    void WriteBase(unsigned char* block) const;
    // Draws every varied parameter into block: counts rounded to whole
    // numbers, reals rounded to floats; uniform and log-uniform draws within
    // their ends. One random number per varied parameter, in file order;
    // correlated ones through their normal scores.
    void Draw(RandomSource& random, unsigned char* block) const;
    // Every varied parameter at the median of its drawing distribution:
    // the geometric mean where log-uniform, the midpoint where uniform.
    void WriteMedians(unsigned char* block) const;
    // One parameter at a value (rounded to its stored form, kept within
    // its spread).
    void WriteValue(std::size_t parameter, long double value, unsigned char* block) const;

    // Whether the settings wizard accepts a block this sampler drew, and the
    // rules it breaks (BrokenWizardRules, without the rules no draw can break).
    bool Accepts(const unsigned char* block) const;
    WizardRules BrokenRules(const unsigned char* block) const;
    // The same for a block that broke brokenBefore (BrokenRules) until one
    // parameter was set to its low (end 0) or high (end 1) value: only the
    // rules that join that parameter to others are tested again, its own
    // rule at its ends once for all.
    bool AcceptsAtEnd(const unsigned char* block, WizardRules brokenBefore, std::size_t parameter, int end) const;

private:
    void StoreDrawn(std::size_t parameter, long double value, unsigned char* block) const;

    RangeModel model_;
    ParameterSpread spreads_[SettingsFieldCount];
    // The correlated parameters (positions among the varied ones) and the
    // lower triangle that turns independent normal scores into correlated ones.
    std::vector<std::size_t> correlated_;
    std::vector<long double> factor_;
    WizardRules checkedRules_ = AllWizardRules;  // the rules a draw can break
    bool endKeepsOwnRule_[SettingsFieldCount][2];
    std::size_t varied_[SettingsFieldCount];
    std::size_t variedCount_ = 0;
    unsigned char base_[189];
};
