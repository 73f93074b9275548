#include "wizard/wizard_pages.h"

#include <windows.h>

#include <cmath>
#include <cstring>

#include "app/app_state.h"
#include "app/message_box.h"
#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "resources/resource_ids.h"
#include "wizard/wizard_frame.h"

namespace {

// The wizard reads at most this much of a numeric field.
const int NumericFieldChars = 23;
// Texts are limited so that a settings file's 16-bit length always fits.
const int MaxTextChars = 65534;

char TextBuffer[MaxTextChars + 1];

typedef std::int64_t SettingsRecord::*CountField;
typedef float SettingsRecord::*RealField;

void ShowError(const char* text)
{
    ShowMessage(WizardFrameHandle, text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

void SetCountText(int id, std::int64_t value)
{
    SetPageItemText(id, CountToGroupedText(false, value));
}

// The share text, or where that would not read back to the same float (a
// tiny share, a huge distance) a text that does.
void SetShareText(int id, float value)
{
    SetPageItemText(id, RealFieldText(value));
}

// Setting a field's text clears its modified flag; typing sets it. A field
// the user did not edit keeps its stored value exactly, whatever its text
// would read back as.
bool FieldEdited(int id)
{
    return SendDlgItemMessageA(WizardPageHandle, id, EM_GETMODIFY, 0, 0) != 0;
}

void ReadFieldText(int id)
{
    GetDlgItemTextA(WizardPageHandle, id, InputTextBuffer, NumericFieldChars + 1);
}

// Reads a count field (the stored count where it was not edited); false
// (with the focus on it) when it cannot be read. ParseCount has named an
// invalid character itself.
bool ReadCount(int id, std::int64_t stored, long double* value)
{
    if (!FieldEdited(id)) {
        *value = static_cast<long double>(stored);
        return true;
    }
    ReadFieldText(id);
    *value = ParseCount();
    if (CountParseFailed) {
        FocusPageControl(id);
        return false;
    }
    return true;
}

std::int64_t StoredCount(long double value)
{
    std::int64_t count;
    RealToCount(value, &count);  // at most 16 digits: always exact
    return count;
}

// Reads a real field into the record at once, valid or not. A value beyond
// the float range (1e39, 1e5120) cannot be stored and is refused.
bool ReadReal(int id, RealField field, bool fraction)
{
    int error = 0;
    float stored = Settings.*field;
    if (FieldEdited(id)) {
        ReadFieldText(id);
        stored = RealToFloat(TextToReal(InputTextBuffer, &error));
        Settings.*field = stored;
    }
    bool refused = error != 0 || std::isinf(stored);
    if (fraction) refused = refused || stored > 1.0f || !(stored >= 0.0f);
    if (refused) {
        ReportInvalidSetting(id);
        return false;
    }
    return true;
}

bool ReadProbabilities(const int* ids, const RealField* fields, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!ReadProbability(ids[i], fields[i])) return false;
    }
    return true;
}

// Replaces a text of the record with the field's text; true when it changed.
bool StoreText(int id, char* SettingsRecord::*field)
{
    const char* old = Settings.*field ? Settings.*field : "";
    GetDlgItemTextA(WizardPageHandle, id, TextBuffer, sizeof TextBuffer);
    bool changed = std::strcmp(old, TextBuffer) != 0;
    FreeText(Settings.*field);
    Settings.*field = DuplicateText(TextBuffer);
    return changed;
}

bool StorePage1()
{
    long double stars;
    if (!ReadCount(IDC_STAR_COUNT, Settings.StarCount, &stars)) return false;
    if (stars < 1000) {
        ReportInvalidSetting(IDC_STAR_COUNT);
        return false;
    }
    Settings.StarCount = StoredCount(stars);
    const int ids[] = {IDC_PLANET_SHARE, IDC_POPULATION_I_SHARE, IDC_MULTIPLE_SYSTEM_SHARE, IDC_HEAVY_ELEMENT_SHARE};
    const RealField fields[] = {&SettingsRecord::PlanetShare, &SettingsRecord::PopulationIShare,
                                &SettingsRecord::MultipleSystemShare, &SettingsRecord::HeavyElementShare};
    return ReadProbabilities(ids, fields, 4);
}

bool StorePage2()
{
    const int kinds[] = {IDC_DWARF_SHARE, IDC_SUN_LIKE_SHARE, IDC_GIANT_SHARE};
    const RealField kindFields[] = {&SettingsRecord::DwarfShare, &SettingsRecord::SunLikeShare, &SettingsRecord::GiantShare};
    if (!ReadProbabilities(kinds, kindFields, 3)) return false;
    SetExtendedPrecision();
    long double sum = static_cast<long double>(Settings.DwarfShare) + Settings.SunLikeShare + Settings.GiantShare;
    if (sum > 1.01L) {
        ShowError("Sum is not equal to 1.");
        FocusPageControl(IDC_GIANT_SHARE);
        return false;
    }
    const int ecospheres[] = {IDC_ECO_SINGLE_PROB, IDC_ECO_DWARF_PROB, IDC_ECO_SUN_LIKE_PROB, IDC_ECO_GIANT_PROB};
    const RealField ecoFields[] = {&SettingsRecord::EcoSingleProb, &SettingsRecord::EcoDwarfProb,
                                   &SettingsRecord::EcoSunLikeProb, &SettingsRecord::EcoGiantProb};
    return ReadProbabilities(ecospheres, ecoFields, 4);
}

bool StorePage3()
{
    if (!ReadDecimal(IDC_PLANET_IN_ECO_PROB, &SettingsRecord::PlanetInEcoProb)) return false;
    const int ids[] = {IDC_MASS_MIX_PROB, IDC_ORBIT_AXIS_PROB, IDC_LIFE_EVOLVES_PROB};
    const RealField fields[] = {&SettingsRecord::MassMixProb, &SettingsRecord::OrbitAxisProb,
                                &SettingsRecord::LifeEvolvesProb};
    return ReadProbabilities(ids, fields, 3);
}

// A year count, stored as soon as it is read (0 when it cannot be read).
bool ReadYears(int id, CountField field)
{
    long double years;
    bool readable = ReadCount(id, Settings.*field, &years);
    Settings.*field = StoredCount(years);
    return readable;
}

bool StorePage4()
{
    const long double maxYears = static_cast<long double>(Settings.MaxYears);
    if (!ReadYears(IDC_FIRST_LIFE_YEARS, &SettingsRecord::FirstLifeYears)) return false;
    if (Settings.FirstLifeYears > maxYears) {
        ReportInvalidSetting(IDC_FIRST_LIFE_YEARS);
        return false;
    }
    if (!ReadYears(IDC_FIRST_CIVILIZATION_YEARS, &SettingsRecord::FirstCivilizationYears)) return false;
    if (Settings.FirstCivilizationYears > maxYears || Settings.FirstLifeYears > Settings.FirstCivilizationYears) {
        ReportInvalidSetting(IDC_FIRST_CIVILIZATION_YEARS);
        return false;
    }
    if (!ReadYears(IDC_CIVILIZATION_SPAN_YEARS, &SettingsRecord::CivilizationSpanYears)) return false;
    if (Settings.CivilizationSpanYears > maxYears - Settings.FirstCivilizationYears) {
        ReportInvalidSetting(IDC_CIVILIZATION_SPAN_YEARS);
        return false;
    }
    if (!ReadDecimal(IDC_STAR_DISTANCE_LY, &SettingsRecord::StarDistanceLy)) return false;
    if (!ReadDecimal(IDC_GALAXY_SIZE_RATIO, &SettingsRecord::GalaxySizeRatio)) return false;
    return ReadYears(IDC_GALAXY_COUNT, &SettingsRecord::GalaxyCount);
}

void StorePage5()
{
    // Every text is saved in the file, so a change of any of them counts.
    if (StoreText(IDC_AUTHOR_NAME, &SettingsRecord::AuthorName)) WizardModified = true;
    if (StoreText(IDC_AUTHOR_ABOUT, &SettingsRecord::AuthorAbout)) WizardModified = true;
    if (StoreText(IDC_SETTINGS_COMMENTS, &SettingsRecord::SettingsComments)) WizardModified = true;
}

}  // namespace

void SetPageItemText(int id, const char* text)
{
    SetDlgItemTextA(WizardPageHandle, id, text ? text : "");
}

void FocusPageControl(int id)
{
    SetFocus(GetDlgItem(WizardPageHandle, id));
}

void ReportInvalidSetting(int id)
{
    ShowError("Invalid setting found.");
    FocusPageControl(id);
}

bool ReadProbability(int id, float SettingsRecord::*field)
{
    return ReadReal(id, field, true);
}

bool ReadDecimal(int id, float SettingsRecord::*field)
{
    return ReadReal(id, field, false);
}

void FillWizardPage()
{
    const SettingsRecord& s = Settings;
    switch (s.CurrentPage) {
    case 1:
        SetCountText(IDC_STAR_COUNT, s.StarCount);
        SetShareText(IDC_PLANET_SHARE, s.PlanetShare);
        SetShareText(IDC_POPULATION_I_SHARE, s.PopulationIShare);
        SetShareText(IDC_MULTIPLE_SYSTEM_SHARE, s.MultipleSystemShare);
        SetShareText(IDC_HEAVY_ELEMENT_SHARE, s.HeavyElementShare);
        break;
    case 2:
        SetShareText(IDC_DWARF_SHARE, s.DwarfShare);
        SetShareText(IDC_SUN_LIKE_SHARE, s.SunLikeShare);
        SetShareText(IDC_GIANT_SHARE, s.GiantShare);
        SetShareText(IDC_ECO_SINGLE_PROB, s.EcoSingleProb);
        SetShareText(IDC_ECO_DWARF_PROB, s.EcoDwarfProb);
        SetShareText(IDC_ECO_SUN_LIKE_PROB, s.EcoSunLikeProb);
        SetShareText(IDC_ECO_GIANT_PROB, s.EcoGiantProb);
        break;
    case 3:
        ComputeSuitableStars();
        SetCountText(IDC_SUITABLE_STAR_COUNT, s.SuitableStarCount);
        SetShareText(IDC_PLANET_IN_ECO_PROB, s.PlanetInEcoProb);
        SetShareText(IDC_MASS_MIX_PROB, s.MassMixProb);
        SetShareText(IDC_ORBIT_AXIS_PROB, s.OrbitAxisProb);
        SetShareText(IDC_LIFE_EVOLVES_PROB, s.LifeEvolvesProb);
        break;
    case 4:
        ComputeInhabitedPlanets();
        SetCountText(IDC_INHABITED_PLANET_TOTAL, s.InhabitedPlanetTotal);
        SetCountText(IDC_FIRST_LIFE_YEARS, s.FirstLifeYears);
        SetCountText(IDC_FIRST_CIVILIZATION_YEARS, s.FirstCivilizationYears);
        SetCountText(IDC_CIVILIZATION_SPAN_YEARS, s.CivilizationSpanYears);
        SetShareText(IDC_STAR_DISTANCE_LY, s.StarDistanceLy);
        SetShareText(IDC_GALAXY_SIZE_RATIO, s.GalaxySizeRatio);
        SetCountText(IDC_GALAXY_COUNT, s.GalaxyCount);
        break;
    case 5:
        SendDlgItemMessageA(WizardPageHandle, IDC_AUTHOR_NAME, EM_LIMITTEXT, MaxTextChars, 0);
        SendDlgItemMessageA(WizardPageHandle, IDC_AUTHOR_ABOUT, EM_LIMITTEXT, MaxTextChars, 0);
        SendDlgItemMessageA(WizardPageHandle, IDC_SETTINGS_COMMENTS, EM_LIMITTEXT, MaxTextChars, 0);
        SetPageItemText(IDC_AUTHOR_NAME, s.AuthorName);
        SetPageItemText(IDC_AUTHOR_ABOUT, s.AuthorAbout);
        SetPageItemText(IDC_SETTINGS_COMMENTS, s.SettingsComments);
        break;
    default: break;
    }
}

bool ValidateAndStorePage()
{
    switch (Settings.CurrentPage) {
    case 1: return StorePage1();
    case 2: return StorePage2();
    case 3: return StorePage3();
    case 4: return StorePage4();
    case 5: StorePage5(); return true;
    default: return true;
    }
}
