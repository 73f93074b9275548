// The wizard's pages: what their fields show, the counts they recompute,
// and what leaving a page accepts, refuses and says.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "files/settings_image.h"
#include "model/settings_record.h"
#include "resources/resource_ids.h"
#include "tests/support/message_box_spy.h"
#include "tests/wizard/wizard_driver.h"
#include "wizard/wizard_frame.h"

namespace {

struct FieldValue {
    int id;
    std::string text;
};

const char InvalidSetting[] = "Invalid setting found.";
const char SumNotOne[] = "Sum is not equal to 1.";

// Exact binary fractions, so that the derived counts are whole by hand:
// a = 1,048,576,000 * 0.5 * 0.25 * 1 * 0.625 = 81,920,000; single stars
// 0.25 * a * 0.875 = 17,920,000; with a companion 0.75 * a = 61,440,000,
// suitable among them 61,440,000 * (0.125 * 0.375 + 0.625 * 0.0625) =
// 5,280,000: 23,200,000 in all. Inhabited: 23,200,000 * 2.5 * 0.5 * 0.25
// * 0.125 * (1 - 0.123456789) = 794,367.28...
void FillDistinctSettings()
{
    SettingsRecord& s = Settings;
    s.StarCount = 1048576000;
    s.PlanetShare = 0.5f;
    s.PopulationIShare = 0.25f;
    s.MultipleSystemShare = 0.75f;
    s.HeavyElementShare = 1;
    s.DwarfShare = 0.125f;
    s.SunLikeShare = 0.625f;
    s.GiantShare = 0.0078125f;
    s.EcoSingleProb = 0.875f;
    s.EcoDwarfProb = 0.375f;
    s.EcoSunLikeProb = 0.0625f;
    s.EcoGiantProb = 0;
    s.PlanetInEcoProb = 2.5f;
    s.MassMixProb = 0.5f;
    s.OrbitAxisProb = 0.25f;
    s.LifeEvolvesProb = 0.125f;
    s.FirstLifeYears = 1234567890;
    s.FirstCivilizationYears = 5000000001LL;
    s.CivilizationSpanYears = 99999;
    s.StarDistanceLy = 12;
    s.GalaxySizeRatio = -0.5f;
    s.GalaxyCount = 0;
    FreeText(s.AuthorName);
    s.AuthorName = DuplicateText("Ann Example");
    FreeText(s.AuthorAbout);
    s.AuthorAbout = nullptr;
    FreeText(s.SettingsComments);
    s.SettingsComments = DuplicateText("two\r\nlines");
    // Stale derived counts: the pages must not show these.
    s.SuitableStarCount = -1;
    s.InhabitedPlanetTotal = -1;
}

}  // namespace

using WizardPages = WizardTest;

TEST_F(WizardPages, FieldsShowTheStoredValuesAndTheCountsDerivedFromThem)
{
    FillDistinctSettings();
    const std::vector<FieldValue> pages[6] = {
        {},
        {{IDC_STAR_COUNT, "1,048,576,000"},  // every digit, not rounded to three
         {IDC_PLANET_SHARE, "0.5"},
         {IDC_POPULATION_I_SHARE, "0.25"},
         {IDC_MULTIPLE_SYSTEM_SHARE, "0.75"},
         {IDC_HEAVY_ELEMENT_SHARE, "1.0"}},
        {{IDC_DWARF_SHARE, "0.125"},
         {IDC_SUN_LIKE_SHARE, "0.625"},
         {IDC_GIANT_SHARE, "0.0078125"},  // more than six decimals: it must read back
         {IDC_ECO_SINGLE_PROB, "0.875"},
         {IDC_ECO_DWARF_PROB, "0.375"},
         {IDC_ECO_SUN_LIKE_PROB, "0.0625"},
         {IDC_ECO_GIANT_PROB, "0.0"}},
        {{IDC_SUITABLE_STAR_COUNT, "23,200,000"},
         {IDC_PLANET_IN_ECO_PROB, "2.5"},
         {IDC_MASS_MIX_PROB, "0.5"},
         {IDC_ORBIT_AXIS_PROB, "0.25"},
         {IDC_LIFE_EVOLVES_PROB, "0.125"}},
        {{IDC_INHABITED_PLANET_TOTAL, "794,367"},
         {IDC_FIRST_LIFE_YEARS, "1,234,567,890"},
         {IDC_FIRST_CIVILIZATION_YEARS, "5,000,000,001"},
         {IDC_CIVILIZATION_SPAN_YEARS, "99,999"},
         {IDC_STAR_DISTANCE_LY, "12.0"},
         {IDC_GALAXY_SIZE_RATIO, "-0.5"},
         {IDC_GALAXY_COUNT, "0"}},
        {{IDC_AUTHOR_NAME, "Ann Example"}, {IDC_AUTHOR_ABOUT, ""}, {IDC_SETTINGS_COMMENTS, "two\r\nlines"}},
    };
    std::vector<WizardStep> steps;
    for (int page = 1; page <= 5; ++page) {
        steps.push_back([page, &pages] {
            SCOPED_TRACE("page " + std::to_string(page));
            ASSERT_EQ(FrameCaption(), PageCaptions[page]);
            for (const FieldValue& field : pages[page]) {
                EXPECT_EQ(FieldText(field.id), field.text) << "field " << field.id;
            }
            if (page < 5) {
                PressButton(IDC_WIZARD_NEXT);
            } else {
                CancelWizard();
            }
        });
    }
    EXPECT_FALSE(RunWizard(1, steps));
    EXPECT_TRUE(SpiedMessages().empty());
}

TEST_F(WizardPages, ShownCountsFollowTheValuesStoredOnEarlierPages)
{
    // The example settings with page 1 to 4 edits; by hand (ties to even):
    // stars 2,000,000, sun-like with a sun-like companion 1: suitable
    // 125,000 + 125,000 * 0.625 = 203,125; life evolves 1: inhabited
    // 203,125 * 0.125 * 0.5 = 25,390.6. Twice the stars: 406,250 and
    // 50,781.25; first life after 7.5 instead of 5 billion years: 25,390.6.
    const struct {
        int page;                        // shown at this step
        std::vector<FieldValue> expected;
        std::vector<FieldValue> typed;
        int button;
    } visits[] = {
        {1, {{IDC_STAR_COUNT, "1,000,000"}}, {{IDC_STAR_COUNT, "2,000,000"}}, IDC_WIZARD_NEXT},
        {2, {}, {{IDC_ECO_SUN_LIKE_PROB, "1"}}, IDC_WIZARD_NEXT},
        {3, {{IDC_SUITABLE_STAR_COUNT, "203,125"}}, {{IDC_LIFE_EVOLVES_PROB, "1"}}, IDC_WIZARD_NEXT},
        {4, {{IDC_INHABITED_PLANET_TOTAL, "25,391"}}, {}, IDC_WIZARD_PREVIOUS},
        {3, {{IDC_SUITABLE_STAR_COUNT, "203,125"}}, {}, IDC_WIZARD_PREVIOUS},
        {2, {}, {}, IDC_WIZARD_PREVIOUS},
        {1, {{IDC_STAR_COUNT, "2,000,000"}}, {{IDC_STAR_COUNT, "4,000,000"}}, IDC_WIZARD_NEXT},
        {2, {}, {}, IDC_WIZARD_NEXT},
        {3, {{IDC_SUITABLE_STAR_COUNT, "406,250"}}, {}, IDC_WIZARD_NEXT},
        {4,
         {{IDC_INHABITED_PLANET_TOTAL, "50,781"}},
         {{IDC_FIRST_LIFE_YEARS, "7,500,000,000"}, {IDC_FIRST_CIVILIZATION_YEARS, "8,000,000,000"}},
         IDC_WIZARD_NEXT},
        {5, {}, {}, IDC_WIZARD_PREVIOUS},
        {4, {{IDC_INHABITED_PLANET_TOTAL, "25,391"}, {IDC_FIRST_LIFE_YEARS, "7,500,000,000"}}, {}, IDCANCEL},
    };
    Settings.SuitableStarCount = -1;
    Settings.InhabitedPlanetTotal = -1;
    std::vector<WizardStep> steps;
    int visit = 0;
    for (const auto& v : visits) {
        steps.push_back([&v, visit] {
            SCOPED_TRACE("visit " + std::to_string(visit + 1) + ", page " + std::to_string(v.page));
            ASSERT_EQ(FrameCaption(), PageCaptions[v.page]);
            for (const FieldValue& field : v.expected) EXPECT_EQ(FieldText(field.id), field.text) << "field " << field.id;
            for (const FieldValue& field : v.typed) SetField(field.id, field.text);
            if (v.button == IDCANCEL) {
                CancelWizard();
            } else {
                PressButton(v.button);
            }
        });
        ++visit;
    }
    EXPECT_FALSE(RunWizard(1, steps));
    EXPECT_TRUE(SpiedMessages().empty());
    EXPECT_EQ(Settings.SuitableStarCount, 406250);
    EXPECT_EQ(Settings.InhabitedPlanetTotal, 25391);
}

TEST_F(WizardPages, LeavingAPageAcceptsOrRefusesItsFieldsInOrder)
{
    const std::string pad20(20, ' ');
    const std::string commas18(18, ',');
    const struct {
        const char* name;
        int page;
        std::vector<FieldValue> typed;
        int button;           // Next, Previous or OK
        bool accepted;
        const char* message;  // null: none
        const char* caption;
        int focus;            // refused: the field with the focus
        int stored;           // accepted: the field whose stored value is checked
        long double value;
    } cases[] = {
        // Page 1: the star count.
        {"999 stars", 1, {{IDC_STAR_COUNT, "999"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error", IDC_STAR_COUNT, 0, 0},
        {"1,000 stars", 1, {{IDC_STAR_COUNT, "1,000"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0, IDC_STAR_COUNT, 1000},
        {"16 digits", 1, {{IDC_STAR_COUNT, "1234567890123456"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0,
         IDC_STAR_COUNT, 1234567890123456.0L},
        {"a space", 1, {{IDC_STAR_COUNT, "1 000"}}, IDC_WIZARD_NEXT, false, "\" \" is an invalid character.",
         "Halvorendyne", IDC_STAR_COUNT, 0, 0},
        {"empty count", 1, {{IDC_STAR_COUNT, ""}}, IDC_WIZARD_NEXT, false, nullptr, nullptr, IDC_STAR_COUNT, 0, 0},
        {"17 digits", 1, {{IDC_STAR_COUNT, "12345678901234567"}}, IDC_WIZARD_NEXT, false, nullptr, nullptr,
         IDC_STAR_COUNT, 0, 0},
        {"count: the 24th character is not read", 1, {{IDC_STAR_COUNT, "1,000" + commas18 + "x"}}, IDC_WIZARD_NEXT,
         true, nullptr, nullptr, 0, IDC_STAR_COUNT, 1000},
        {"count: the 23rd character is read", 1, {{IDC_STAR_COUNT, "1,000" + commas18.substr(1) + "x"}},
         IDC_WIZARD_NEXT, false, "\"x\" is an invalid character.", "Halvorendyne", IDC_STAR_COUNT, 0, 0},
        // Page 1: shares.
        {"share 1", 1, {{IDC_PLANET_SHARE, "1"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0, IDC_PLANET_SHARE, 1},
        {"share 0", 1, {{IDC_PLANET_SHARE, "0"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0, IDC_PLANET_SHARE, 0},
        {"share .5", 1, {{IDC_PLANET_SHARE, ".5"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0, IDC_PLANET_SHARE, 0.5},
        {"share 1.00000005 is 1", 1, {{IDC_PLANET_SHARE, "1.00000005"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0,
         IDC_PLANET_SHARE, 1},
        {"share 1.0000001", 1, {{IDC_PLANET_SHARE, "1.0000001"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_PLANET_SHARE, 0, 0},
        {"share 1.01", 1, {{IDC_PLANET_SHARE, "1.01"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_PLANET_SHARE, 0, 0},
        {"share -0.1", 1, {{IDC_POPULATION_I_SHARE, "-0.1"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_POPULATION_I_SHARE, 0, 0},
        {"share 0,5", 1, {{IDC_MULTIPLE_SYSTEM_SHARE, "0,5"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_MULTIPLE_SYSTEM_SHARE, 0, 0},
        {"share 5.", 1, {{IDC_HEAVY_ELEMENT_SHARE, "5."}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_HEAVY_ELEMENT_SHARE, 0, 0},
        {"real: the 24th character is not read", 1, {{IDC_PLANET_SHARE, pad20 + "0.5x"}}, IDC_WIZARD_NEXT, true,
         nullptr, nullptr, 0, IDC_PLANET_SHARE, 0.5},
        {"real: the 23rd character is read", 1, {{IDC_PLANET_SHARE, pad20.substr(1) + "0.5x"}}, IDC_WIZARD_NEXT,
         false, InvalidSetting, "Error", IDC_PLANET_SHARE, 0, 0},
        {"count before shares", 1, {{IDC_STAR_COUNT, "abc"}, {IDC_PLANET_SHARE, "2"}}, IDC_WIZARD_NEXT, false,
         "\"c\" is an invalid character.", "Halvorendyne", IDC_STAR_COUNT, 0, 0},
        {"first bad share", 1, {{IDC_POPULATION_I_SHARE, "2"}, {IDC_HEAVY_ELEMENT_SHARE, "2"}}, IDC_WIZARD_NEXT, false,
         InvalidSetting, "Error", IDC_POPULATION_I_SHARE, 0, 0},
        {"OK refused", 1, {{IDC_MULTIPLE_SYSTEM_SHARE, "x"}}, IDC_WIZARD_OK, false, InvalidSetting, "Error",
         IDC_MULTIPLE_SYSTEM_SHARE, 0, 0},
        {"OK accepted", 1, {{IDC_HEAVY_ELEMENT_SHARE, "0.25"}}, IDC_WIZARD_OK, true, nullptr, nullptr, 0,
         IDC_HEAVY_ELEMENT_SHARE, 0.25},
        // Page 2: star kinds and their sum.
        {"sum 1.01", 2, {{IDC_DWARF_SHARE, "0.5"}, {IDC_SUN_LIKE_SHARE, "0.5"}, {IDC_GIANT_SHARE, "0.01"}},
         IDC_WIZARD_NEXT, true, nullptr, nullptr, 0, IDC_GIANT_SHARE, 0.01f},
        {"sum 0.8", 2, {{IDC_DWARF_SHARE, "0.5"}, {IDC_SUN_LIKE_SHARE, "0.2"}, {IDC_GIANT_SHARE, "0.1"}},
         IDC_WIZARD_PREVIOUS, true, nullptr, nullptr, 0, IDC_SUN_LIKE_SHARE, 0.2f},
        {"sum 0.33 0.33 0.35", 2, {{IDC_DWARF_SHARE, "0.33"}, {IDC_SUN_LIKE_SHARE, "0.33"}, {IDC_GIANT_SHARE, "0.35"}},
         IDC_WIZARD_NEXT, false, SumNotOne, "Error", IDC_GIANT_SHARE, 0, 0},
        {"sum 1.02", 2, {{IDC_DWARF_SHARE, "0.5"}, {IDC_SUN_LIKE_SHARE, "0.5"}, {IDC_GIANT_SHARE, "0.02"}},
         IDC_WIZARD_PREVIOUS, false, SumNotOne, "Error", IDC_GIANT_SHARE, 0, 0},
        {"bad kind before the sum", 2, {{IDC_DWARF_SHARE, "1.5"}, {IDC_SUN_LIKE_SHARE, "0.5"}}, IDC_WIZARD_NEXT, false,
         InvalidSetting, "Error", IDC_DWARF_SHARE, 0, 0},
        {"sum before the ecospheres", 2, {{IDC_GIANT_SHARE, "0.5"}, {IDC_ECO_SINGLE_PROB, "x"}}, IDC_WIZARD_OK, false,
         SumNotOne, "Error", IDC_GIANT_SHARE, 0, 0},
        {"an ecosphere", 2, {{IDC_ECO_DWARF_PROB, "-0.1"}}, IDC_WIZARD_PREVIOUS, false, InvalidSetting, "Error",
         IDC_ECO_DWARF_PROB, 0, 0},
        // Page 3.
        {"planet in ecosphere 2.5", 3, {{IDC_PLANET_IN_ECO_PROB, "2.5"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0,
         IDC_PLANET_IN_ECO_PROB, 2.5},
        {"planet in ecosphere -1", 3, {{IDC_PLANET_IN_ECO_PROB, "-1"}}, IDC_WIZARD_PREVIOUS, true, nullptr, nullptr, 0,
         IDC_PLANET_IN_ECO_PROB, -1},
        {"planet in ecosphere 1e39", 3, {{IDC_PLANET_IN_ECO_PROB, "1e39"}}, IDC_WIZARD_NEXT, false, InvalidSetting,
         "Error", IDC_PLANET_IN_ECO_PROB, 0, 0},
        {"mass mixture 1.5", 3, {{IDC_MASS_MIX_PROB, "1.5"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_MASS_MIX_PROB, 0, 0},
        // Page 4: years against 10,000,000,000 and each other.
        {"first life 10^10", 4,
         {{IDC_FIRST_LIFE_YEARS, "10,000,000,000"}, {IDC_FIRST_CIVILIZATION_YEARS, "10,000,000,000"},
          {IDC_CIVILIZATION_SPAN_YEARS, "0"}},
         IDC_WIZARD_NEXT, true, nullptr, nullptr, 0, IDC_FIRST_LIFE_YEARS, 10000000000.0L},
        {"first life 10^10 + 1", 4, {{IDC_FIRST_LIFE_YEARS, "10,000,000,001"}}, IDC_WIZARD_NEXT, false, InvalidSetting,
         "Error", IDC_FIRST_LIFE_YEARS, 0, 0},
        {"civilization before life", 4,
         {{IDC_FIRST_LIFE_YEARS, "6,000,000,000"}, {IDC_FIRST_CIVILIZATION_YEARS, "5,999,999,999"}}, IDC_WIZARD_NEXT,
         false, InvalidSetting, "Error", IDC_FIRST_CIVILIZATION_YEARS, 0, 0},
        {"civilization beyond 10^10", 4,
         {{IDC_FIRST_LIFE_YEARS, "1,000"}, {IDC_FIRST_CIVILIZATION_YEARS, "10,000,000,001"}}, IDC_WIZARD_PREVIOUS,
         false, InvalidSetting, "Error", IDC_FIRST_CIVILIZATION_YEARS, 0, 0},
        {"span up to 10^10", 4, {{IDC_CIVILIZATION_SPAN_YEARS, "4,000,000,000"}}, IDC_WIZARD_NEXT, true, nullptr,
         nullptr, 0, IDC_CIVILIZATION_SPAN_YEARS, 4000000000.0L},
        {"span beyond 10^10", 4, {{IDC_CIVILIZATION_SPAN_YEARS, "4,000,000,001"}}, IDC_WIZARD_NEXT, false,
         InvalidSetting, "Error", IDC_CIVILIZATION_SPAN_YEARS, 0, 0},
        {"a space in years", 4, {{IDC_FIRST_CIVILIZATION_YEARS, "6 000"}}, IDC_WIZARD_NEXT, false,
         "\" \" is an invalid character.", "Halvorendyne", IDC_FIRST_CIVILIZATION_YEARS, 0, 0},
        {"star distance 0", 4, {{IDC_STAR_DISTANCE_LY, "0"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0,
         IDC_STAR_DISTANCE_LY, 0},
        {"star distance -3.5", 4, {{IDC_STAR_DISTANCE_LY, "-3.5"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0,
         IDC_STAR_DISTANCE_LY, -3.5},
        {"star distance 1e39", 4, {{IDC_STAR_DISTANCE_LY, "1e39"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_STAR_DISTANCE_LY, 0, 0},
        {"galaxy size 0", 4, {{IDC_GALAXY_SIZE_RATIO, "0"}}, IDC_WIZARD_NEXT, true, nullptr, nullptr, 0,
         IDC_GALAXY_SIZE_RATIO, 0},
        {"galaxy size -0.25", 4, {{IDC_GALAXY_SIZE_RATIO, "-0.25"}}, IDC_WIZARD_PREVIOUS, true, nullptr, nullptr, 0,
         IDC_GALAXY_SIZE_RATIO, -0.25},
        {"galaxy size 1e5120", 4, {{IDC_GALAXY_SIZE_RATIO, "1e5120"}}, IDC_WIZARD_NEXT, false, InvalidSetting, "Error",
         IDC_GALAXY_SIZE_RATIO, 0, 0},
        {"galaxies 0", 4, {{IDC_GALAXY_COUNT, "0"}}, IDC_WIZARD_OK, true, nullptr, nullptr, 0, IDC_GALAXY_COUNT, 0},
        {"galaxies empty", 4, {{IDC_GALAXY_COUNT, ""}}, IDC_WIZARD_NEXT, false, nullptr, nullptr, IDC_GALAXY_COUNT, 0,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FillExampleSettings();
        ASSERT_TRUE(SpyOnMessageBoxes());
        HWND frame = nullptr;
        std::string caption;
        int focus = 0;
        std::vector<WizardStep> steps = {[&] {
            frame = WizardFrameHandle;
            for (const FieldValue& field : c.typed) SetField(field.id, field.text);
            PressButton(c.button);
        }};
        const bool closes = c.accepted && c.button == IDC_WIZARD_OK;
        if (!closes) {
            steps.push_back([&] {
                caption = FrameCaption();
                focus = FocusedControl();
                CancelWizard();
            });
        }
        EXPECT_EQ(RunWizard(static_cast<std::uint8_t>(c.page), steps), closes);

        if (c.message == nullptr) {
            EXPECT_TRUE(SpiedMessages().empty()) << SpiedMessages()[0].text;
        } else {
            ASSERT_EQ(SpiedMessages().size(), 1u);
            const SpiedMessage& box = SpiedMessages()[0];
            EXPECT_EQ(box.text, c.message);
            EXPECT_EQ(box.caption, c.caption);
            EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONEXCLAMATION));
            EXPECT_EQ(box.owner, frame);
        }
        if (c.accepted) {
            EXPECT_EQ(StoredValue(c.stored), c.value);
            if (!closes) {
                int next = c.button == IDC_WIZARD_NEXT ? c.page + 1 : c.page - 1;
                EXPECT_EQ(caption, PageCaptions[next]);
                EXPECT_EQ(focus, FirstEditOf[next]);
            }
        } else {
            EXPECT_EQ(caption, PageCaptions[c.page]);
            EXPECT_EQ(focus, c.focus);
        }
    }
}

// A field nobody edited keeps its stored value exactly, however its text
// would read back; a shown value edited around (the flag set, the text as
// shown) reads back as the same value, within the field's 23 characters.
TEST_F(WizardPages, UntouchedAndShownValuesReadBackExactly)
{
    for (bool editedAround : {false, true}) {
        SCOPED_TRACE(editedAround ? "edited around" : "untouched");
        FillExampleSettings();
        Settings.LifeEvolvesProb = 1e-7f;  // six decimals would show 0.0
        Settings.PlanetInEcoProb = 3e21f;  // longer than the field reads
        Settings.StarDistanceLy = 1e24f;
        Settings.GalaxySizeRatio = -2e20f;
        Settings.GalaxyCount = 12345678901234567LL;  // 17 digits, from a file
        SettingsRecord before;
        std::memcpy(&before, &Settings, sizeof before);
        ASSERT_TRUE(SpyOnMessageBoxes());
        const int fields[] = {IDC_PLANET_IN_ECO_PROB, IDC_LIFE_EVOLVES_PROB, IDC_STAR_DISTANCE_LY, IDC_GALAXY_SIZE_RATIO};
        auto touch = [editedAround, &fields] {
            if (!editedAround) return;
            for (int id : fields) {
                if (PageControl(id) != nullptr) SetField(id, FieldText(id));
            }
        };
        std::string lifeText, distanceText;
        EXPECT_TRUE(RunWizard(3, {
                                     [&] {
                                         lifeText = FieldText(IDC_LIFE_EVOLVES_PROB);
                                         touch();
                                         PressButton(IDC_WIZARD_NEXT);
                                     },
                                     [&] {
                                         distanceText = FieldText(IDC_STAR_DISTANCE_LY);
                                         touch();
                                         PressButton(IDC_WIZARD_OK);
                                     },
                                 }));
        EXPECT_TRUE(SpiedMessages().empty()) << SpiedMessages()[0].text;
        EXPECT_EQ(lifeText, "0.0000001");
        EXPECT_EQ(distanceText, "1.0E24");
        EXPECT_EQ(std::memcmp(StoredBlockBytes(), &before, ParameterBlockSize), 0) << "a parameter changed";
        EXPECT_EQ(Settings.LifeEvolvesProb, 1e-7f);
        EXPECT_EQ(Settings.StarDistanceLy, 1e24f);
        EXPECT_EQ(Settings.GalaxyCount, 12345678901234567LL);
    }
}
