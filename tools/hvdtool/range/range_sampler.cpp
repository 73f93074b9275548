#include "tools/hvdtool/range/range_sampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/extended_math.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings/settings_check.h"

namespace {

std::uint64_t SplitMix64(std::uint64_t* state)
{
    std::uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t RotateLeft(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

const long double TwoTo53 = 9007199254740992.0L;
const long double TwoToMinus64 = 1.0L / 18446744073709551616.0L;

}  // namespace

RandomSource::RandomSource(std::uint64_t seed)
{
    for (std::uint64_t& word : state_) word = SplitMix64(&seed);
}

std::uint64_t RandomSource::Next()
{
    std::uint64_t* s = state_;
    std::uint64_t result = RotateLeft(s[1] * 5, 7) * 9;
    std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = RotateLeft(s[3], 45);
    return result;
}

void RandomSource::Jump()
{
    // The polynomial of xoshiro256**'s published jump: the state 2^128
    // steps on is a sum (in GF(2)) of the states of the next 256 steps.
    static const std::uint64_t Polynomial[4] = {0x180EC6D33CFD0ABAull, 0xD5A61266F0C9392Cull, 0xA9582618E03FC9AAull,
                                                0x39ABDC4529B1661Cull};
    std::uint64_t sum[4] = {};
    for (std::uint64_t word : Polynomial) {
        for (int bit = 0; bit < 64; ++bit) {
            if (word & (1ull << bit)) {
                for (int i = 0; i < 4; ++i) sum[i] ^= state_[i];
            }
            Next();
        }
    }
    for (int i = 0; i < 4; ++i) state_[i] = sum[i];
}

long double RandomSource::Uniform()
{
    const long double TwoToMinus64 = 1.0L / 18446744073709551616.0L;
    return static_cast<long double>(Next()) * TwoToMinus64;
}

SettingsSampler::SettingsSampler(const unsigned char* blockA, const unsigned char* blockB)
    : SettingsSampler(ModelBetween(blockA, blockB, "", ""))
{
}

SettingsSampler::SettingsSampler(const RangeModel& model) : model_(model)
{
    SetExtendedPrecision();
    std::memcpy(base_, model.base, sizeof base_);
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const SettingsField& f = SettingsFields[i];
        ParameterSpread& p = spreads_[i];
        p.field = &f;
        p.distribution = model.parameters[i];
        p.spread = p.distribution.spread;
        const Distribution& d = p.distribution;
        p.betweenEnds = false;
        if (p.spread == Spread::Fixed) {
            p.low = p.high = p.median = d.a;
            continue;
        }
        varied_[variedCount_++] = i;
        p.betweenEnds = (p.spread == Spread::Uniform || p.spread == Spread::LogUniform) && !d.atLeastOne;
        if (p.betweenEnds) {
            p.low = d.a;
            p.high = d.b;
            p.median = p.spread == Spread::LogUniform ? ExpExtended((d.lnA + d.lnB) / 2) : (d.a + d.b) / 2;
        } else {
            // Held at their 5 % and 95 % points, in the stored form.
            unsigned char scratch[189] = {};
            const long double shares[3] = {0.05L, 0.95L, 0.5L};
            long double* points[3] = {&p.low, &p.high, &p.median};
            for (int k = 0; k < 3; ++k) {
                StoreDrawn(i, d.Quantile(shares[k]), scratch);
                *points[k] = f.kind == FieldKind::Count ? static_cast<long double>(ReadCountField(scratch, f.offset))
                                                        : static_cast<long double>(ReadRealField(scratch, f.offset));
            }
            continue;
        }
        // In its stored form: a whole number or a float, within the spread.
        unsigned char scratch[189] = {};
        WriteValue(i, p.median, scratch);
        p.median = f.kind == FieldKind::Count ? static_cast<long double>(ReadCountField(scratch, f.offset))
                                              : static_cast<long double>(ReadRealField(scratch, f.offset));
    }
    // A field's own rule need not be tested on draws between two values it
    // keeps, nor at the ends the ends analysis holds it at once they are
    // known to keep it; the rules that join fields always are.
    checkedRules_ = JoiningRules;
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const ParameterSpread& p = spreads_[i];
        const WizardRules own = RulesOfField(i) & ~JoiningRules;
        unsigned char low[189], high[189];
        std::memcpy(low, base_, sizeof low);
        std::memcpy(high, base_, sizeof high);
        WriteValue(i, p.low, low);
        WriteValue(i, p.high, high);
        endKeepsOwnRule_[i][0] = BrokenWizardRules(low, own) == 0;
        endKeepsOwnRule_[i][1] = BrokenWizardRules(high, own) == 0;
        if (!(p.betweenEnds || p.spread == Spread::Fixed) || !endKeepsOwnRule_[i][0] || !endKeepsOwnRule_[i][1]) {
            checkedRules_ |= own;
        }
    }
    std::vector<std::size_t> correlatedFields;
    for (const Correlation& c : model.correlations) {
        for (std::size_t field : {c.first, c.second}) {
            if (std::find(correlatedFields.begin(), correlatedFields.end(), field) == correlatedFields.end()) correlatedFields.push_back(field);
        }
    }
    std::sort(correlatedFields.begin(), correlatedFields.end());
    std::size_t failed;
    if (!correlatedFields.empty() && CorrelationFactor(correlatedFields, model.correlations, &factor_, &failed)) {
        for (std::size_t field : correlatedFields) {
            for (std::size_t k = 0; k < variedCount_; ++k) {
                if (varied_[k] == field) correlated_.push_back(k);
            }
        }
    }
}

void SettingsSampler::StoreDrawn(std::size_t parameter, long double value, unsigned char* block) const
{
    const SettingsField& f = *spreads_[parameter].field;
    if (f.kind == FieldKind::Count) {
        std::int64_t count;
        RealToCount(value, &count);  // beyond the 64-bit range: held at its end, which the wizard refuses
        WriteCountField(block, f.offset, count);
    } else {
        WriteRealField(block, f.offset, RealToFloat(value));
    }
}

void SettingsSampler::WriteBase(unsigned char* block) const
{
    std::memcpy(block, base_, sizeof base_);
}

namespace {

// A value held within [low, high], which are stored values of the field,
// in its stored form. Inline: the draws' hottest step.
inline void WriteWithin(const ParameterSpread& p, long double value, unsigned char* block)
{
    if (value < p.low) value = p.low;
    if (value > p.high) value = p.high;
    if (p.field->kind == FieldKind::Count) {
        // low and high are counts: the rounded value is one too. Below 2^53
        // it passes exactly through a double, which spares the x87 control
        // word switch of a direct conversion.
        long double whole = NearestReal(value);
        std::int64_t count;
        if (whole < TwoTo53 && whole > -TwoTo53) {
            count = static_cast<std::int64_t>(static_cast<double>(whole));
        } else {
            RealToCount(whole, &count);
        }
        WriteCountField(block, p.field->offset, count);
    } else {
        // A finite value between two floats: the conversion rounds to one of
        // them or to a float between (RealToFloat's checks are not needed).
        WriteRealField(block, p.field->offset, static_cast<float>(value));
    }
}

}  // namespace

void SettingsSampler::WriteValue(std::size_t parameter, long double value, unsigned char* block) const
{
    WriteWithin(spreads_[parameter], value, block);
}

void SettingsSampler::Draw(RandomSource& random, unsigned char* block) const
{
    if (correlated_.empty()) {
        for (std::size_t k = 0; k < variedCount_; ++k) {
            const ParameterSpread& p = spreads_[varied_[k]];
            const Distribution& d = p.distribution;
            const std::uint64_t bits = random.Next();
            const long double u = static_cast<long double>(bits) * TwoToMinus64;
            if (!p.betweenEnds) {
                StoreDrawn(varied_[k], d.FromBits(bits), block);
            } else if (p.spread == Spread::Uniform) {
                WriteWithin(p, d.a + u * (d.b - d.a), block);
            } else {
                WriteWithin(p, ExpExtended(d.lnA + u * (d.lnB - d.lnA)), block);
            }
        }
        return;
    }
    std::uint64_t bits[SettingsFieldCount];
    for (std::size_t k = 0; k < variedCount_; ++k) bits[k] = random.Next();
    long double shares[SettingsFieldCount];
    bool correlated[SettingsFieldCount] = {};
    if (!correlated_.empty()) {
        // Normal scores of the correlated parameters' numbers, correlated
        // by the factor, back to shares for each one's own distribution.
        const std::size_t m = correlated_.size();
        long double scores[SettingsFieldCount];
        for (std::size_t j = 0; j < m; ++j) scores[j] = NormalScore(static_cast<long double>(bits[correlated_[j]] | 1) * TwoToMinus64);
        for (std::size_t j = 0; j < m; ++j) {
            long double z = 0;
            for (std::size_t l = 0; l <= j; ++l) z += factor_[j * m + l] * scores[l];
            long double u = NormalProbability(z);
            shares[correlated_[j]] = u < TwoToMinus64 ? TwoToMinus64 : (u > 1 - TwoToMinus64 ? 1 - TwoToMinus64 : u);
            correlated[correlated_[j]] = true;
        }
    }
    for (std::size_t k = 0; k < variedCount_; ++k) {
        const ParameterSpread& p = spreads_[varied_[k]];
        const Distribution& d = p.distribution;
        if (correlated[k]) {
            const long double value = d.Quantile(shares[k]);
            if (p.betweenEnds) {
                WriteWithin(p, value, block);
            } else {
                StoreDrawn(varied_[k], value, block);
            }
            continue;
        }
        if (p.betweenEnds) {
            WriteWithin(p, d.FromBits(bits[k]), block);
        } else {
            StoreDrawn(varied_[k], d.FromBits(bits[k]), block);
        }
    }
}

void SettingsSampler::WriteMedians(unsigned char* block) const
{
    for (std::size_t k = 0; k < variedCount_; ++k) WriteValue(varied_[k], spreads_[varied_[k]].median, block);
}

bool SettingsSampler::Accepts(const unsigned char* block) const
{
    return BrokenRules(block) == 0;
}

WizardRules SettingsSampler::BrokenRules(const unsigned char* block) const
{
    return BrokenWizardRules(block, checkedRules_);
}

bool SettingsSampler::AcceptsAtEnd(const unsigned char* block, WizardRules brokenBefore, std::size_t parameter, int end) const
{
    const WizardRules rules = RulesOfField(parameter);
    if ((brokenBefore & ~rules) != 0 || !endKeepsOwnRule_[parameter][end]) return false;
    const WizardRules joining = rules & JoiningRules;
    return joining == 0 || BrokenWizardRules(block, joining) == 0;
}
