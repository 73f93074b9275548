#include "tools/hvdtool/settings/settings_check.h"

#include <cmath>
#include <cstring>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings/settings_fields.h"

std::string LastInputMessage;

namespace {

// Field indexes in SettingsFields.
enum : std::size_t {
    StarCount = 0,
    DwarfShare = 5,
    SunLikeShare = 6,
    GiantShare = 7,
    FirstLifeYears = 16,
    FirstCivilizationYears = 17,
    CivilizationSpanYears = 18,
};

WizardRules OwnRule(std::size_t field)
{
    return WizardRules(1) << field;
}

std::int64_t Count(const unsigned char* block, std::size_t field)
{
    return ReadCountField(block, SettingsFields[field].offset);
}

float Real(const unsigned char* block, std::size_t field)
{
    return ReadRealField(block, SettingsFields[field].offset);
}

// The count's text (digits and commas) holds 1 to 16 digits and nothing else.
bool CountReadable(std::int64_t count)
{
    return count >= 0 && count <= LargestFieldCount;
}

bool OwnRuleKept(const unsigned char* block, std::size_t field)
{
    const SettingsField& f = SettingsFields[field];
    if (f.kind == FieldKind::Real) {
        float value = Real(block, field);
        return f.fraction ? value >= 0.0f && value <= 1.0f : std::isfinite(value);
    }
    std::int64_t count = Count(block, field);
    if (!CountReadable(count)) return false;
    switch (field) {
    case StarCount: return count >= 1000;
    case FirstLifeYears:
    case FirstCivilizationYears: return count <= FixedMaxYears;
    default: return true;
    }
}

// The sum in extended precision, as the wizard adds: the x87 control word
// is the callers' to set (hvdtool's main and the draws' threads do), not
// set again for each of the millions of draws.
bool StarKindSumKept(const unsigned char* block)
{
    long double sum = static_cast<long double>(Real(block, DwarfShare)) + Real(block, SunLikeShare) + Real(block, GiantShare);
    return !(sum > 1.01L);
}

// The span rule compares with what the first civilization leaves; a
// first civilization the wizard cannot take has refused the block already.
bool SpanKept(const unsigned char* block)
{
    std::int64_t civilization = Count(block, FirstCivilizationYears);
    if (civilization < 0 || civilization > FixedMaxYears) return true;
    return Count(block, CivilizationSpanYears) <= FixedMaxYears - civilization;
}

// Messages for the refusals, from the texts the wizard shows.
struct Refusals {
    const unsigned char* block;
    WizardRules broken;
    std::vector<std::string> lines;

    bool Broken(WizardRules rule) const { return (broken & rule) != 0; }

    std::string Shown(std::size_t field) const
    {
        const SettingsField& f = SettingsFields[field];
        return f.kind == FieldKind::Count ? CountToGroupedText(false, Count(block, field)) : RealFieldText(Real(block, field));
    }

    void Add(std::size_t field, const std::string& why) { lines.push_back(std::string(SettingsFields[field].name) + " " + Shown(field) + ": " + why); }

    // Why the wizard cannot read the count back: its reader's own message
    // (an invalid character), or a text too long.
    std::string Unreadable(std::size_t field)
    {
        std::string shown = Shown(field);
        std::strncpy(InputTextBuffer, shown.c_str(), InputTextBufferSize - 1);
        InputTextBuffer[InputTextBufferSize - 1] = '\0';
        LastInputMessage.clear();
        ParseCount();
        return LastInputMessage.empty() ? "cannot be read: more than 16 digits" : "cannot be read: " + LastInputMessage;
    }

    void Own(std::size_t field, const char* outOfRange)
    {
        if (!Broken(OwnRule(field))) return;
        const SettingsField& f = SettingsFields[field];
        if (f.kind == FieldKind::Real) {
            Add(field, std::isnan(Real(block, field)) || std::isinf(Real(block, field)) ? "not a number" : "not between 0 and 1");
        } else {
            Add(field, CountReadable(Count(block, field)) ? outOfRange : Unreadable(field));
        }
    }

    void Fields(std::size_t first, std::size_t last)
    {
        for (std::size_t field = first; field <= last; ++field) Own(field, "");
    }
};

}  // namespace

WizardRules BrokenWizardRules(const unsigned char* storedBlock, WizardRules rules)
{
    WizardRules broken = 0;
    // Only the fields asked for: the draws of a range ask for few or none.
    for (WizardRules own = rules & ~JoiningRules; own != 0; own &= own - 1) {
        const std::size_t field = static_cast<std::size_t>(__builtin_ctz(own));  // the lowest field asked for
        if (!OwnRuleKept(storedBlock, field)) broken |= OwnRule(field);
    }
    if ((rules & StarKindSumRule) && !StarKindSumKept(storedBlock)) broken |= StarKindSumRule;
    if ((rules & FirstLifeRule) && Count(storedBlock, FirstLifeYears) > Count(storedBlock, FirstCivilizationYears)) {
        broken |= FirstLifeRule;
    }
    if ((rules & CivilizationSpanRule) && !SpanKept(storedBlock)) broken |= CivilizationSpanRule;
    return broken;
}

WizardRules RulesOfField(std::size_t field)
{
    // Looked up, not switched on: the draws ask for fields in no order.
    static const WizardRules Joining[SettingsFieldCount] = {
        0, 0, 0, 0, 0, StarKindSumRule, StarKindSumRule, StarKindSumRule, 0, 0, 0, 0, 0, 0, 0, 0,
        FirstLifeRule, FirstLifeRule | CivilizationSpanRule, CivilizationSpanRule, 0, 0, 0};
    static_assert(DwarfShare == 5 && GiantShare == 7 && FirstLifeYears == 16 && CivilizationSpanYears == 18, "field order");
    return OwnRule(field) | Joining[field];
}

std::vector<std::string> WizardRefusals(const unsigned char* storedBlock)
{
    Refusals r{storedBlock, BrokenWizardRules(storedBlock), {}};
    if (r.broken == 0) return r.lines;
    const std::string tenBillionYears = "more than 10,000,000,000 years";

    r.Own(StarCount, "below 1,000");
    r.Fields(1, GiantShare);
    if (r.Broken(StarKindSumRule)) r.lines.push_back("DwarfShare + SunLikeShare + GiantShare: sum above 1.01");
    r.Fields(GiantShare + 1, FirstLifeYears - 1);

    r.Own(FirstLifeYears, tenBillionYears.c_str());
    r.Own(FirstCivilizationYears, tenBillionYears.c_str());
    // Told once per field, and only against a first life that can be read.
    if (r.Broken(FirstLifeRule) && !r.Broken(OwnRule(FirstCivilizationYears)) && CountReadable(Count(storedBlock, FirstLifeYears))) {
        r.Add(FirstCivilizationYears, "earlier than FirstLifeYears");
    }
    r.Own(CivilizationSpanYears, "");
    if (r.Broken(CivilizationSpanRule) && !r.Broken(OwnRule(CivilizationSpanYears))) {
        r.Add(CivilizationSpanYears, tenBillionYears + " less FirstCivilizationYears");
    }
    r.Fields(CivilizationSpanYears + 1, SettingsFieldCount - 1);
    return r.lines;
}
