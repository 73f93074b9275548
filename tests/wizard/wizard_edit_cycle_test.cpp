// The Edit command around the wizard: what Cancel restores and keeps, when
// OK recomputes, repaints and marks the settings as changed, and what the
// end of the Windows session saves while the wizard is open.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "display/display_surfaces.h"
#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/settings_record.h"
#include "resources/resource_ids.h"
#include "tests/support/message_box_spy.h"
#include "tests/wizard/wizard_driver.h"

namespace {

// A colour the program never paints, where the wizard never lies, in the
// rows of the results' texts left of them: it stays until a full paint
// copies those rows to the window again.
const RECT MarkerArea = {5, 140, 15, 150};
const COLORREF MarkerColour = RGB(201, 7, 99);

void PaintMarker()
{
    HBRUSH brush = CreateSolidBrush(MarkerColour);
    FillRect(WindowDC, &MarkerArea, brush);
    DeleteObject(brush);
    GdiFlush();
}

bool MarkerShown()
{
    return GetPixel(WindowDC, MarkerArea.left + 5, MarkerArea.top + 5) == MarkerColour;
}

// A galaxy count the model never gives: it stays until ComputeResults runs.
const std::int64_t StaleGalaxyCount = -777;

struct Visit {
    int page;  // expected on show
    std::vector<std::pair<int, std::string>> typed;
    int button;  // IDC_WIZARD_NEXT, IDC_WIZARD_PREVIOUS, IDC_WIZARD_OK, or IDCANCEL for Escape
};

std::string TextOrEmpty(const char* text)
{
    return text ? text : "";
}

}  // namespace

using WizardEditCycle = WizardTest;

TEST_F(WizardEditCycle, CancelRestoresTheNumbersAndOkRecomputesOnlyAfterAChange)
{
    // The example settings give 54 civilizations in our galaxy; with the
    // sun-like share 0.25 instead of 0.5 they give 24 (by hand: suitable
    // 31,250 + 7,812, inhabited 2,441).
    const struct {
        const char* name;
        std::uint8_t startPage;
        bool changedBefore;  // SettingsChanged when Edit starts
        std::vector<Visit> visits;
        bool recomputed;           // results, repaint and SettingsChanged
        std::int64_t galaxyCount;  // when recomputed
        bool numbersKept;          // the parameter block as before
        int pageAfter;
        const char* authorAfter;
        const char* commentsAfter;
    } cases[] = {
        {"Cancel after changes on every page",
         2,
         false,
         {{2, {{IDC_SUN_LIKE_SHARE, "0.25"}}, IDC_WIZARD_NEXT},
          {3, {{IDC_PLANET_IN_ECO_PROB, "0.75"}}, IDC_WIZARD_NEXT},
          {4, {{IDC_GALAXY_COUNT, "5"}}, IDC_WIZARD_NEXT},
          {5, {{IDC_AUTHOR_NAME, "Someone Else"}}, IDC_WIZARD_PREVIOUS},
          {4, {{IDC_STAR_DISTANCE_LY, "7"}}, IDCANCEL}},
         false, 0, true, 4, "Someone Else", "Settings of the window tests."},
        {"OK without change",
         2,
         false,
         {{2, {}, IDC_WIZARD_NEXT}, {3, {}, IDC_WIZARD_NEXT}, {4, {}, IDC_WIZARD_NEXT}, {5, {}, IDC_WIZARD_PREVIOUS},
          {4, {}, IDC_WIZARD_OK}},
         false, 0, true, 4, "Test Team", "Settings of the window tests."},
        {"OK with a text typed over with itself",
         5,
         false,
         {{5, {{IDC_AUTHOR_NAME, "Test Team"}}, IDC_WIZARD_OK}},
         false, 0, true, 5, "Test Team", "Settings of the window tests."},
        {"OK after a new author",
         5,
         false,
         {{5, {{IDC_AUTHOR_NAME, "Someone Else"}}, IDC_WIZARD_OK}},
         true, 54, true, 5, "Someone Else", "Settings of the window tests."},
        {"OK after a new text about the author",
         5,
         false,
         {{5, {{IDC_AUTHOR_ABOUT, "An astronomer."}}, IDC_WIZARD_OK}},
         true, 54, true, 5, "Test Team", "Settings of the window tests."},
        {"OK after new comments, leaving page 5",
         5,
         false,
         {{5, {{IDC_SETTINGS_COMMENTS, ""}}, IDC_WIZARD_PREVIOUS}, {4, {}, IDC_WIZARD_OK}},
         true, 54, true, 4, "Test Team", ""},
        {"OK without change after one with, changes unsaved",
         1,
         true,
         {{1, {}, IDC_WIZARD_OK}},
         false, 0, true, 1, "Test Team", "Settings of the window tests."},
        {"OK after a new number",
         2,
         false,
         {{2, {{IDC_SUN_LIKE_SHARE, "0.25"}}, IDC_WIZARD_OK}},
         true, 24, false, 2, "Test Team", "Settings of the window tests."},
        {"Cancel from a page out of range",
         9,
         true,
         {{1, {{IDC_STAR_COUNT, "5,000"}}, IDC_WIZARD_NEXT}, {2, {}, IDCANCEL}},
         false, 0, true, 2, "Test Team", "Settings of the window tests."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FillExampleSettings();
        FreeText(Settings.AuthorAbout);
        Settings.AuthorAbout = nullptr;
        ComputeResults();
        ASSERT_EQ(Settings.GalaxyCivilizationCount, 54);
        Settings.CurrentPage = c.startPage;
        Settings.GalaxyCivilizationCount = StaleGalaxyCount;
        SettingsChanged = c.changedBefore;
        SettingsRecord before;
        std::memcpy(&before, &Settings, sizeof before);
        ASSERT_TRUE(SpyOnMessageBoxes());
        PumpMessages();
        PaintMarker();
        ASSERT_TRUE(MarkerShown());

        std::vector<WizardStep> steps;
        for (const Visit& visit : c.visits) {
            steps.push_back([&visit] {
                SCOPED_TRACE("page " + std::to_string(visit.page));
                EXPECT_EQ(FrameCaption(), PageCaptions[visit.page]);
                for (const auto& field : visit.typed) SetField(field.first, field.second);
                if (visit.button == IDCANCEL) {
                    SendKey(VK_ESCAPE);
                } else {
                    PressButton(visit.button);
                }
            });
        }
        WizardRun run = DriveWizard(steps, [] {
            SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(CommandEdit, 0),
                         reinterpret_cast<LPARAM>(ButtonHandles[CommandEdit]));
        });
        EXPECT_FALSE(run.leftOpen);
        EXPECT_EQ(run.stepsRun, steps.size());
        PumpMessages();

        EXPECT_TRUE(SpiedMessages().empty());
        EXPECT_EQ(Settings.CurrentPage, c.pageAfter);
        EXPECT_EQ(TextOrEmpty(Settings.AuthorName), c.authorAfter);
        EXPECT_EQ(TextOrEmpty(Settings.SettingsComments), c.commentsAfter);
        EXPECT_EQ(std::memcmp(StoredBlockBytes(), &before, ParameterBlockSize) == 0, c.numbersKept);
        if (c.recomputed) {
            EXPECT_EQ(Settings.GalaxyCivilizationCount, c.galaxyCount);
            EXPECT_FALSE(MarkerShown()) << "no repaint";
            EXPECT_TRUE(SettingsChanged);
        } else {
            EXPECT_EQ(Settings.GalaxyCivilizationCount, StaleGalaxyCount) << "recomputed";
            EXPECT_TRUE(MarkerShown()) << "repainted";
            EXPECT_EQ(SettingsChanged, c.changedBefore);
            // Cancel also takes back the counts the pages recomputed.
            EXPECT_EQ(Settings.SuitableStarCount, before.SuitableStarCount);
            EXPECT_EQ(Settings.InhabitedPlanetTotal, before.InhabitedPlanetTotal);
        }
        EXPECT_EQ(FocusedCommand(), CommandEdit) << "the focus did not come back to Edit";
    }
}

// Windows ends the process right after WM_ENDSESSION: Internal.hvd gets the
// settings as a Cancel of the open wizard would leave them, without the
// pages confirmed in it, and nothing is asked or shown.
TEST_F(WizardEditCycle, TheSessionsEndSavesTheSettingsFromBeforeTheOpenWizard)
{
    const std::int64_t starsBefore = Settings.StarCount;
    std::vector<unsigned char> before(MaxSettingsImageSize);
    before.resize(EncodeCurrentSettings(before.data()));
    ASSERT_TRUE(DeleteFileA(WorkingFile().c_str()));
    ASSERT_TRUE(SpyOnMessageBoxes());
    std::vector<unsigned char> saved;
    std::int64_t starsAfterSave = 0;
    WizardRun run = DriveWizard(
        {
            [] {
                SetField(IDC_STAR_COUNT, "5,000");
                PressButton(IDC_WIZARD_NEXT);
            },
            [&] {
                EXPECT_EQ(Settings.StarCount, 5000);
                SendMessageA(MainWindowHandle, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
                saved = ReadBytes(WorkingFile());
                starsAfterSave = Settings.StarCount;
                SendKey(VK_ESCAPE);
            },
        },
        [] {
            Settings.CurrentPage = 1;
            SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(CommandEdit, 0),
                         reinterpret_cast<LPARAM>(ButtonHandles[CommandEdit]));
        });
    EXPECT_FALSE(run.leftOpen);
    ASSERT_EQ(saved.size(), before.size());
    const std::size_t block = 32;  // after the header: the parameters, then the page
    EXPECT_TRUE(std::equal(before.begin() + block, before.begin() + block + ParameterBlockSize, saved.begin() + block))
        << "the star count confirmed in the wizard was saved";
    EXPECT_EQ(saved[block + ParameterBlockSize], 2) << "the page on show, as Cancel keeps it";
    EXPECT_TRUE(std::equal(before.begin() + block + ParameterBlockSize + 1, before.end(),
                           saved.begin() + block + ParameterBlockSize + 1));
    EXPECT_EQ(starsAfterSave, 5000) << "the wizard's pages were not given back";
    EXPECT_EQ(Settings.StarCount, starsBefore);
    EXPECT_TRUE(SpiedMessages().empty());
}
