// Moving through the wizard as a user does: the pages with their captions
// and buttons, the focus ring under Tab, Shift+Tab, Up and Down, clicks,
// Escape, F1 and Help, and where the frame opens.
#include <gtest/gtest.h>

#include <windows.h>
#include <htmlhelp.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "model/settings_record.h"
#include "resources/resource_ids.h"
#include "tests/app/fake_platform_seams.h"
#include "tests/support/message_box_spy.h"
#include "tests/wizard/wizard_driver.h"
#include "wizard/wizard_frame.h"

namespace {

LONG_PTR ButtonType(int id)
{
    return GetWindowLongPtrA(FrameButton(id), GWL_STYLE) & BS_TYPEMASK;
}

std::string ButtonLabel(int id)
{
    char label[32] = "";
    GetWindowTextA(FrameButton(id), label, sizeof label);
    return label;
}

void ExpectPageShown(int page)
{
    SCOPED_TRACE("page " + std::to_string(page));
    EXPECT_EQ(FrameCaption(), PageCaptions[page]);
    EXPECT_EQ(Settings.CurrentPage, page);
    EXPECT_EQ(IsWindowEnabled(FrameButton(IDC_WIZARD_PREVIOUS)) != FALSE, page > 1);
    EXPECT_EQ(IsWindowEnabled(FrameButton(IDC_WIZARD_NEXT)) != FALSE, page < 5);
    EXPECT_TRUE(IsWindowEnabled(FrameButton(IDC_WIZARD_OK)));
    EXPECT_TRUE(IsWindowEnabled(FrameButton(IDC_WIZARD_HELP)));
    EXPECT_EQ(ButtonType(IDC_WIZARD_OK), BS_DEFPUSHBUTTON);
    EXPECT_EQ(ButtonType(IDC_WIZARD_NEXT), BS_PUSHBUTTON);
    EXPECT_EQ(ButtonType(IDC_WIZARD_PREVIOUS), BS_PUSHBUTTON);
    EXPECT_EQ(FocusedControl(), FirstEditOf[page]);
    for (int id = FirstEditOf[page]; id <= LastEditOf[page]; ++id) {
        EXPECT_TRUE(IsWindowVisible(PageControl(id)) && IsWindowEnabled(PageControl(id))) << "field " << id;
    }
    EXPECT_EQ(PageControl(LastEditOf[page] + 1), nullptr);
    EXPECT_EQ(GetParent(WizardPageHandle), WizardFrameHandle);
}

// The ring of a page: its fields in order, then the enabled buttons.
std::vector<int> FocusRing(int page)
{
    std::vector<int> ring;
    for (int id = FirstEditOf[page]; id <= LastEditOf[page]; ++id) ring.push_back(id);
    if (page > 1) ring.push_back(IDC_WIZARD_PREVIOUS);
    if (page < 5) ring.push_back(IDC_WIZARD_NEXT);
    ring.push_back(IDC_WIZARD_OK);
    ring.push_back(IDC_WIZARD_HELP);
    return ring;
}

// Where a key moves the focus from a control of the page's ring. Up and
// Down belong to the caret in the two multi-line texts.
int RingStep(int page, int from, WORD key, bool shift)
{
    if ((key == VK_UP || key == VK_DOWN) && (from == IDC_AUTHOR_ABOUT || from == IDC_SETTINGS_COMMENTS)) return from;
    std::vector<int> ring = FocusRing(page);
    std::size_t at = 0;
    while (at < ring.size() && ring[at] != from) ++at;
    bool backward = key == VK_UP || (key == VK_TAB && shift);
    return ring[(at + (backward ? ring.size() - 1 : 1)) % ring.size()];
}

// The frame's outer rectangle.
RECT FrameRect()
{
    RECT area = {};
    GetWindowRect(WizardFrameHandle, &area);
    return area;
}

void MoveFrame(int left, int top)
{
    SetWindowPos(WizardFrameHandle, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void ExpectCentred(const RECT& area)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    EXPECT_NEAR(area.left, (ScreenWidth - width) / 2, 1) << "width " << width;
    EXPECT_NEAR(area.top, (ScreenHeight - height) / 2 - 10, 1) << "height " << height;
}

// Puts the focus where a user would: a click into a field, or onto a
// button through the focus ring's own path (SetFocus, as a click does).
void FocusOn(int id)
{
    if (id > 100) {
        ClickInField(id);
    } else {
        SetFocus(FrameButton(id));
    }
}

}  // namespace

using WizardNavigation = WizardTest;

TEST_F(WizardNavigation, NextAndPreviousShowEachPageWithItsCaptionAndButtons)
{
    const struct {
        int page;
        int button;  // pressed after the checks
    } visits[] = {
        {1, IDC_WIZARD_NEXT}, {2, IDC_WIZARD_NEXT}, {3, IDC_WIZARD_NEXT}, {4, IDC_WIZARD_NEXT},
        {5, IDC_WIZARD_PREVIOUS}, {4, IDC_WIZARD_PREVIOUS}, {3, IDC_WIZARD_PREVIOUS}, {2, IDC_WIZARD_PREVIOUS},
        {1, IDCANCEL},
    };
    std::vector<WizardStep> steps;
    steps.push_back([] {
        EXPECT_EQ(ButtonLabel(IDC_WIZARD_PREVIOUS), "< &Previous");
        EXPECT_EQ(ButtonLabel(IDC_WIZARD_NEXT), "&Next >");
        EXPECT_EQ(ButtonLabel(IDC_WIZARD_OK), "&OK");
        EXPECT_EQ(ButtonLabel(IDC_WIZARD_HELP), "&Help");
        EXPECT_EQ(GetWindow(WizardFrameHandle, GW_OWNER), MainWindowHandle);
    });
    for (const auto& visit : visits) {
        steps.push_back([visit] {
            ExpectPageShown(visit.page);
            if (visit.button == IDCANCEL) {
                CancelWizard();
            } else {
                PressButton(visit.button);
            }
        });
    }
    EXPECT_FALSE(RunWizard(1, steps));
    EXPECT_TRUE(SpiedMessages().empty());

    // A page byte out of range (a settings file may carry any) opens page 1.
    for (int start : {0, 6, 255}) {
        SCOPED_TRACE("start page " + std::to_string(start));
        EXPECT_FALSE(RunWizard(static_cast<std::uint8_t>(start), {[] {
                                   ExpectPageShown(1);
                                   CancelWizard();
                               }}));
        EXPECT_EQ(Settings.CurrentPage, 1);
    }
}

TEST_F(WizardNavigation, TabShiftTabUpAndDownWalkTheFocusRingOfEveryPage)
{
    const struct {
        const char* name;
        WORD key;
        bool shift;
    } keys[] = {{"Tab", VK_TAB, false}, {"Shift+Tab", VK_TAB, true}, {"Down", VK_DOWN, false}, {"Up", VK_UP, false}};
    for (int page = 1; page <= 5; ++page) {
        for (const auto& key : keys) {
            SCOPED_TRACE("page " + std::to_string(page) + ", " + key.name);
            // One turn and one step more, from the page's first field.
            std::vector<int> expected = {FirstEditOf[page]};
            for (std::size_t i = 0; i <= FocusRing(page).size(); ++i) {
                expected.push_back(RingStep(page, expected.back(), key.key, key.shift));
            }
            std::vector<int> seen;
            std::vector<WizardStep> steps;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                bool last = i + 1 == expected.size();
                steps.push_back([&seen, key, last] {
                    seen.push_back(FocusedControl());
                    if (last) {
                        CancelWizard();
                    } else if (key.shift) {
                        SendKey(key.key, {VK_SHIFT});
                    } else {
                        SendKey(key.key);
                    }
                });
            }
            EXPECT_FALSE(RunWizard(static_cast<std::uint8_t>(page), steps));
            EXPECT_EQ(seen, expected);
        }
    }
}

TEST_F(WizardNavigation, TheRingGoesOnFromAClickedFieldAndLeavesUpAndDownToTheTexts)
{
    const struct {
        int page;
        int clicked;
        WORD key;
        bool shift;
        int expected;
    } cases[] = {
        {1, IDC_POPULATION_I_SHARE, VK_TAB, false, IDC_MULTIPLE_SYSTEM_SHARE},
        {1, IDC_HEAVY_ELEMENT_SHARE, VK_TAB, false, IDC_WIZARD_NEXT},  // Previous is disabled
        {2, IDC_ECO_DWARF_PROB, VK_TAB, true, IDC_ECO_SINGLE_PROB},
        {3, IDC_PLANET_IN_ECO_PROB, VK_UP, false, IDC_WIZARD_HELP},
        {4, IDC_GALAXY_COUNT, VK_DOWN, false, IDC_WIZARD_PREVIOUS},
        {4, IDC_CIVILIZATION_SPAN_YEARS, VK_UP, false, IDC_FIRST_CIVILIZATION_YEARS},
        {5, IDC_SETTINGS_COMMENTS, VK_TAB, false, IDC_WIZARD_PREVIOUS},  // Next is disabled
        {5, IDC_AUTHOR_ABOUT, VK_TAB, true, IDC_AUTHOR_NAME},
        {5, IDC_AUTHOR_NAME, VK_DOWN, false, IDC_AUTHOR_ABOUT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.page) + ", click in " + std::to_string(c.clicked) + ", key " +
                     std::to_string(c.key) + (c.shift ? " with Shift" : ""));
        int clickedFocus = 0;
        int reached = 0;
        EXPECT_FALSE(RunWizard(static_cast<std::uint8_t>(c.page),
                               {
                                   [] { SendKey(VK_TAB); },  // the ring away from the first field
                                   [] { SendKey(VK_TAB); },
                                   [&c] { ClickInField(c.clicked); },
                                   [&] {
                                       clickedFocus = FocusedControl();
                                       if (c.shift) {
                                           SendKey(c.key, {VK_SHIFT});
                                       } else {
                                           SendKey(c.key);
                                       }
                                   },
                                   [&] {
                                       reached = FocusedControl();
                                       CancelWizard();
                                   },
                               }));
        EXPECT_EQ(clickedFocus, c.clicked);
        EXPECT_EQ(reached, c.expected);
    }

    // In the two multi-line texts Up and Down move the caret, and Tab
    // leaves the text as it is.
    const char text[] = "one\r\ntwo\r\nthree";
    for (int field : {IDC_AUTHOR_ABOUT, IDC_SETTINGS_COMMENTS}) {
        SCOPED_TRACE("text " + std::to_string(field));
        std::vector<int> lines;
        std::vector<int> focus;
        auto note = [&] {
            lines.push_back(static_cast<int>(SendMessageA(PageControl(field), EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0)));
            focus.push_back(FocusedControl());
        };
        std::string after;
        EXPECT_FALSE(RunWizard(5, {
                                      [&] {
                                          SetField(field, text);
                                          ClickInField(field);
                                      },
                                      [&] {
                                          SendMessageA(PageControl(field), EM_SETSEL, 0, 0);
                                          note();
                                          SendKey(VK_DOWN);
                                      },
                                      [&] { note(); SendKey(VK_DOWN); },
                                      [&] { note(); SendKey(VK_UP); },
                                      [&] { note(); SendKey(VK_TAB); },
                                      [&] {
                                          after = FieldText(field);
                                          focus.push_back(FocusedControl());
                                          CancelWizard();
                                      },
                                  }));
        EXPECT_EQ(lines, (std::vector<int>{0, 1, 2, 1}));
        EXPECT_EQ(focus, (std::vector<int>{field, field, field, field, RingStep(5, field, VK_TAB, false)}));
        EXPECT_EQ(after, text);
    }
}

TEST_F(WizardNavigation, EscapeCancelsFromEveryControlWithoutReadingThePage)
{
    const struct {
        int page;
        int focus;
    } cases[] = {
        {1, IDC_STAR_COUNT},  {2, IDC_GIANT_SHARE},    {3, IDC_WIZARD_NEXT},       {4, IDC_WIZARD_HELP},
        {4, IDC_GALAXY_COUNT}, {5, IDC_AUTHOR_NAME},   {5, IDC_AUTHOR_ABOUT},      {5, IDC_SETTINGS_COMMENTS},
        {5, IDC_WIZARD_OK},   {2, IDC_WIZARD_PREVIOUS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.page) + ", focus on " + std::to_string(c.focus));
        FillExampleSettings();
        SettingsRecord before;
        std::memcpy(&before, &Settings, sizeof before);
        ASSERT_TRUE(SpyOnMessageBoxes());
        int focused = 0;
        // A field the page would refuse (on page 5: a new text it would store).
        const int changed = FirstEditOf[c.page];
        EXPECT_FALSE(RunWizard(static_cast<std::uint8_t>(c.page),
                               {
                                   [&] {
                                       SetField(changed, c.page == 5 ? "Someone Else" : "x");
                                       FocusOn(c.focus);
                                   },
                                   [&] {
                                       focused = FocusedControl();
                                       SendKey(VK_ESCAPE);
                                   },
                               }));
        EXPECT_EQ(focused, c.focus);
        EXPECT_TRUE(SpiedMessages().empty());
        EXPECT_EQ(Settings.CurrentPage, c.page);
        EXPECT_EQ(std::memcmp(StoredBlockBytes(), &before, ParameterBlockSize), 0) << "a value was stored";
        EXPECT_STREQ(Settings.AuthorName, "Test Team");
    }
}

TEST_F(WizardNavigation, F1AndHelpOpenThePagesHelpWithoutReadingThePage)
{
    enum How { F1InField, F1OnButton, HelpButton };
    const struct {
        int page;
        How how;
        bool chm;  // Halvdyne.chm beside the program: HTML Help
    } cases[] = {
        {1, F1InField, false}, {2, HelpButton, false}, {3, F1OnButton, false}, {4, F1InField, false},
        {5, HelpButton, false}, {5, F1InField, true}, {4, F1OnButton, true},
        {1, HelpButton, true}, {2, HelpButton, true}, {3, HelpButton, true}, {4, HelpButton, true}, {5, HelpButton, true},
    };
    const std::string chm = PathIn("Halvdyne.chm");
    for (const auto& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.page) + (c.how == HelpButton ? ", Help" : ", F1") +
                     (c.how == F1OnButton ? " on Next" : "") + (c.chm ? ", HTML Help" : ", WinHelp"));
        DeleteFileA(chm.c_str());
        if (c.chm) {
            ASSERT_TRUE(CopyFileA(WorkingFile().c_str(), chm.c_str(), FALSE));
        }
        FillExampleSettings();
        SettingsRecord before;
        std::memcpy(&before, &Settings, sizeof before);
        ASSERT_TRUE(SpyOnMessageBoxes());
        ClearHelpCalls();
        const int changed = FirstEditOf[c.page];
        const std::string changedText = c.page == 5 ? "Someone Else" : "x";
        std::string caption;
        std::string fieldAfter;
        EXPECT_FALSE(RunWizard(static_cast<std::uint8_t>(c.page),
                               {
                                   [&] {
                                       SetField(changed, changedText);
                                       if (c.how == F1OnButton) SetFocus(FrameButton(c.page < 5 ? IDC_WIZARD_NEXT : IDC_WIZARD_OK));
                                   },
                                   [&] {
                                       if (c.how == HelpButton) {
                                           PressButton(IDC_WIZARD_HELP);
                                       } else {
                                           SendKey(VK_F1);
                                       }
                                   },
                                   [&] {
                                       caption = FrameCaption();
                                       fieldAfter = FieldText(changed);
                                       CancelWizard();
                                   },
                               }));
        ASSERT_EQ(HelpCalls().size(), 1u);
        EXPECT_EQ(HelpCalls()[0].html, c.chm);
        EXPECT_EQ(HelpCalls()[0].command, static_cast<UINT>(c.chm ? HH_HELP_CONTEXT : HELP_CONTEXT));
        EXPECT_EQ(HelpCalls()[0].data, static_cast<ULONG_PTR>(c.page + 2));
        EXPECT_EQ(HelpCalls()[0].window, MainWindowHandle);
        EXPECT_EQ(HelpCalls()[0].helpFile, c.chm ? chm : PathIn("Halvdyne.hlp"));
        EXPECT_TRUE(SpiedMessages().empty());
        EXPECT_EQ(caption, PageCaptions[c.page]);
        EXPECT_EQ(fieldAfter, changedText);
        EXPECT_EQ(std::memcmp(StoredBlockBytes(), &before, ParameterBlockSize), 0) << "a value was stored";
        EXPECT_STREQ(Settings.AuthorName, "Test Team");
    }
}

TEST_F(WizardNavigation, TheFrameOpensCentredThenWhereItWasLeftUnlessThatWasTheCorner)
{
    // Each run: where the frame opens, where it is left, how it is closed.
    const struct {
        const char* name;
        bool centred;   // else at the previous run's place
        int leftAt[2];  // moved there before closing
        int closeWith;
    } runs[] = {
        {"first opening", true, {37, 52}, IDCANCEL},
        {"after a move", false, {300, 20}, IDC_WIZARD_OK},
        {"after OK", false, {0, 0}, IDCANCEL},
        {"after the corner", true, {-1, -1}, IDCANCEL},
        {"left where it opened", true, {-1, -1}, IDCANCEL},
    };
    RECT previous = {};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        RECT opened = {};
        RunWizard(Settings.CurrentPage, {
                                            [&] { opened = FrameRect(); },
                                            [&] {
                                                if (run.leftAt[0] >= 0) MoveFrame(run.leftAt[0], run.leftAt[1]);
                                                if (run.closeWith == IDCANCEL) {
                                                    CancelWizard();
                                                } else {
                                                    PressButton(run.closeWith);
                                                }
                                            },
                                        });
        if (run.centred) {
            ExpectCentred(opened);
        } else {
            EXPECT_EQ(opened.left, previous.left);
            EXPECT_EQ(opened.top, previous.top);
        }
        previous = opened;
        if (run.leftAt[0] >= 0) OffsetRect(&previous, run.leftAt[0] - opened.left, run.leftAt[1] - opened.top);
    }
    EXPECT_TRUE(SpiedMessages().empty());
}

// A Shift held while the last wizard closed (Shift+Return on OK) and
// released outside it must not make the next wizard's Tab go backwards.
TEST_F(WizardNavigation, ShiftHeldWhenTheLastWizardClosedIsForgotten)
{
    ShiftKeyDown = true;
    int reached = 0;
    EXPECT_FALSE(RunWizard(1, {
                                  [] { SendKey(VK_TAB); },
                                  [&reached] {
                                      reached = FocusedControl();
                                      CancelWizard();
                                  },
                              }));
    EXPECT_EQ(reached, RingStep(1, FirstEditOf[1], VK_TAB, false));
}

namespace {

HHOOK OuterKeyboardHook = nullptr;
std::vector<WPARAM> OuterHookKeys;

LRESULT CALLBACK OuterKeyboardProc(int code, WPARAM virtualKey, LPARAM keyFlags)
{
    if (code == HC_ACTION && (static_cast<DWORD>(keyFlags) & 0x80000000u) == 0) OuterHookKeys.push_back(virtualKey);
    return CallNextHookEx(OuterKeyboardHook, code, virtualKey, keyFlags);
}

}  // namespace

// The wizard's hook acts only on keys taken from the queue (HC_ACTION): a
// peek (HC_NOREMOVE) and a negative code go on down the chain untouched,
// and so does every key it does not swallow, to hooks installed before it.
// Keys typed in another window of the thread, such as an HTML Help window
// opened from a page (under Wine it runs on this thread), are that
// window's.
TEST_F(WizardNavigation, TheKeyboardHookActsOnRemovedKeysAndPassesTheRestOnTheChain)
{
    const LPARAM down = 1;
    const struct {
        const char* name;
        int code;
        WPARAM key;
    } ignored[] = {
        {"Tab peeked", HC_NOREMOVE, VK_TAB},
        {"Down peeked", HC_NOREMOVE, VK_DOWN},
        {"Shift peeked", HC_NOREMOVE, VK_SHIFT},
        {"Escape peeked", HC_NOREMOVE, VK_ESCAPE},
        {"Tab, negative code", -1, VK_TAB},
        {"Escape, negative code", -1, VK_ESCAPE},
    };
    OuterKeyboardHook = SetWindowsHookExA(WH_KEYBOARD, OuterKeyboardProc, nullptr, GetCurrentThreadId());
    ASSERT_NE(OuterKeyboardHook, nullptr);
    OuterHookKeys.clear();
    std::vector<int> focus;
    std::vector<LRESULT> results;
    HWND helpWindow = nullptr;
    std::string helpText;
    int ringAfterHelp = 0;
    EXPECT_FALSE(RunWizard(5, {
                                  [&] {
                                      for (const auto& c : ignored) {
                                          SCOPED_TRACE(c.name);
                                          EXPECT_EQ(WizardKeyboardProc(c.code, c.key, down), 0);
                                          EXPECT_EQ(FocusedControl(), IDC_AUTHOR_NAME);
                                          EXPECT_EQ(FocusControlId, IDC_AUTHOR_NAME);
                                          EXPECT_FALSE(ShiftKeyDown);
                                      }
                                      results.push_back(WizardKeyboardProc(HC_ACTION, VK_TAB, down));
                                      focus.push_back(FocusedControl());
                                      SendKey('A');  // let through: the hook before it sees it
                                  },
                                  [&] {
                                      focus.push_back(FocusedControl());
                                      SendKey(VK_TAB);  // swallowed
                                  },
                                  [&] {
                                      focus.push_back(FocusedControl());
                                      helpWindow = CreateWindowExA(0, "Edit", "", WS_POPUP | WS_VISIBLE | ES_MULTILINE,
                                                                   10, 10, 200, 100, MainWindowHandle, nullptr, nullptr, nullptr);
                                      SetForegroundWindow(helpWindow);
                                      SetFocus(helpWindow);
                                      SendKey(VK_TAB);
                                  },
                                  [&] {
                                      char text[8] = "";
                                      GetWindowTextA(helpWindow, text, sizeof text);
                                      helpText = text;
                                      ringAfterHelp = FocusControlId;
                                      DestroyWindow(helpWindow);
                                      CancelWizard();
                                  },
                              }));
    UnhookWindowsHookEx(OuterKeyboardHook);
    EXPECT_EQ(helpText, "\t") << "the Tab did not reach the help window";
    EXPECT_EQ(ringAfterHelp, IDC_SETTINGS_COMMENTS) << "the Tab moved the wizard's focus";
    OuterKeyboardHook = nullptr;
    EXPECT_EQ(results, (std::vector<LRESULT>{1}));
    EXPECT_EQ(focus, (std::vector<int>{IDC_AUTHOR_ABOUT, IDC_AUTHOR_ABOUT, IDC_SETTINGS_COMMENTS}));
    EXPECT_EQ(OuterHookKeys, (std::vector<WPARAM>{'A', VK_TAB}));
}
