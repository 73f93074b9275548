#include "tools/hvdtool/settings_check.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings_fields.h"

std::string LastInputMessage;

namespace {

const std::size_t WizardFieldChars = 23;  // the wizard reads this much of a field

// The number texts and readers keep their results in buffers of their own.
std::mutex NumberTextsInUse;

struct Checker {
    const unsigned char* block;
    std::vector<std::string> refusals;

    const SettingsField& Field(const char* name)
    {
        for (const SettingsField& f : SettingsFields) {
            if (std::strcmp(f.name, name) == 0) return f;
        }
        return SettingsFields[0];
    }

    void Refuse(const char* name, const std::string& shown, const std::string& why)
    {
        refusals.push_back(std::string(name) + " " + shown + ": " + why);
    }

    // The count as the wizard shows it and reads it back; false if unreadable.
    bool ReadCount(const char* name, long double* value)
    {
        std::string shown = CountToGroupedText(false, ReadCountField(block, Field(name).offset));
        std::strncpy(InputTextBuffer, shown.c_str(), WizardFieldChars);
        InputTextBuffer[WizardFieldChars] = '\0';
        LastInputMessage.clear();
        *value = ParseCount();
        if (!CountParseFailed) return true;
        Refuse(name, shown, LastInputMessage.empty() ? "cannot be read: more than 16 digits" : "cannot be read: " + LastInputMessage);
        return false;
    }

    // The real as the wizard shows it and reads it back; false if refused.
    bool ReadReal(const char* name, bool fraction, float* value)
    {
        std::string shown = ShareToText(ReadRealField(block, Field(name).offset));
        std::string read = shown.substr(0, WizardFieldChars);
        int error = 0;
        long double real = TextToReal(read.c_str(), &error);
        *value = RealToFloat(real);
        if (error != 0) {
            Refuse(name, shown, "not a number");
            return false;
        }
        if (std::isinf(*value)) {
            Refuse(name, shown, "beyond the 32-bit float range");
            return false;
        }
        if (fraction && !(*value >= 0.0f && *value <= 1.0f)) {
            Refuse(name, shown, "not between 0 and 1");
            return false;
        }
        return true;
    }

    void CheckReals(const char* const names[], std::size_t count)
    {
        float value;
        for (std::size_t i = 0; i < count; ++i) ReadReal(names[i], Field(names[i]).fraction, &value);
    }
};

}  // namespace

std::vector<std::string> WizardRefusals(const unsigned char* storedBlock)
{
    std::lock_guard<std::mutex> oneAtATime(NumberTextsInUse);
    Checker c{storedBlock, {}};
    const long double maxYears = static_cast<long double>(FixedMaxYears);

    long double stars;
    if (c.ReadCount("StarCount", &stars) && stars < 1000) c.Refuse("StarCount", CountToGroupedText(false, static_cast<std::int64_t>(stars)), "below 1,000");
    const char* const page1[] = {"PlanetShare", "PopulationIShare", "MultipleSystemShare", "HeavyElementShare"};
    c.CheckReals(page1, 4);

    float dwarf = 0, sunLike = 0, giant = 0;
    bool shares = c.ReadReal("DwarfShare", true, &dwarf);
    shares = c.ReadReal("SunLikeShare", true, &sunLike) && shares;
    shares = c.ReadReal("GiantShare", true, &giant) && shares;
    if (shares && static_cast<long double>(dwarf) + sunLike + giant > 1.01L) {
        c.refusals.push_back("DwarfShare + SunLikeShare + GiantShare: sum above 1.01");
    }
    const char* const page2[] = {"EcoSingleProb", "EcoDwarfProb", "EcoSunLikeProb", "EcoGiantProb"};
    c.CheckReals(page2, 4);

    const char* const page3[] = {"PlanetInEcoProb", "MassMixProb", "OrbitAxisProb", "LifeEvolvesProb"};
    c.CheckReals(page3, 4);

    long double firstLife = 0, firstCivilization = 0, span = 0, galaxies = 0;
    bool lifeRead = c.ReadCount("FirstLifeYears", &firstLife);
    if (lifeRead && firstLife > maxYears) c.Refuse("FirstLifeYears", CountToGroupedText(false, static_cast<std::int64_t>(firstLife)), "more than 10,000,000,000 years");
    if (c.ReadCount("FirstCivilizationYears", &firstCivilization)) {
        std::string shown = CountToGroupedText(false, static_cast<std::int64_t>(firstCivilization));
        if (firstCivilization > maxYears) {
            c.Refuse("FirstCivilizationYears", shown, "more than 10,000,000,000 years");
        } else if (lifeRead && firstLife > firstCivilization) {
            c.Refuse("FirstCivilizationYears", shown, "earlier than FirstLifeYears");
        }
        if (c.ReadCount("CivilizationSpanYears", &span) && span > maxYears - firstCivilization) {
            c.Refuse("CivilizationSpanYears", CountToGroupedText(false, static_cast<std::int64_t>(span)),
                     "more than 10,000,000,000 years less FirstCivilizationYears");
        }
    } else {
        c.ReadCount("CivilizationSpanYears", &span);
    }
    const char* const page4[] = {"StarDistanceLy", "GalaxySizeRatio"};
    c.CheckReals(page4, 2);
    c.ReadCount("GalaxyCount", &galaxies);
    return c.refusals;
}
