// The five buttons worked with real input (SendInput keys and mouse
// clicks on the focused, foreground main window): focus moves, commands,
// and the default-button look that follows the focus.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "tests/app/fake_platform_seams.h"
#include "tests/app/program_window_fixture.h"
#include "tests/support/message_box_spy.h"

namespace {

const char QuitQuestion[] = "Do you wish to save the current settings before exit?";

// One line of the keyboard and mouse table.
struct InputRow {
    const char* name;
    CommandId start;      // the focused button before
    WORD key;             // virtual key; 0 for a mouse click
    WORD modifiers[2];    // held while the key is pressed (0: none)
    CommandId clicked;    // the button clicked when key is 0
    int runs;             // the command that runs, 0 for none
    bool asCommand;       // it reaches the main window as WM_COMMAND
    CommandId focusAfter; // the focused button (and the only default look) after
};

const InputRow InputRows[] = {
    // Focus moves.
    {"Tab", CommandEdit, VK_TAB, {}, {}, 0, false, CommandLoad},
    {"Tab on Help wraps", CommandHelp, VK_TAB, {}, {}, 0, false, CommandEdit},
    {"Right", CommandSave, VK_RIGHT, {}, {}, 0, false, CommandQuit},
    {"Down on Help wraps", CommandHelp, VK_DOWN, {}, {}, 0, false, CommandEdit},
    {"Down", CommandLoad, VK_DOWN, {}, {}, 0, false, CommandSave},
    {"Left", CommandLoad, VK_LEFT, {}, {}, 0, false, CommandEdit},
    {"Left on Edit wraps", CommandEdit, VK_LEFT, {}, {}, 0, false, CommandHelp},
    {"Up", CommandQuit, VK_UP, {}, {}, 0, false, CommandSave},
    {"Up on Edit wraps", CommandEdit, VK_UP, {}, {}, 0, false, CommandHelp},
    {"Shift+Tab moves on like Tab", CommandLoad, VK_TAB, {VK_SHIFT}, {}, 0, false, CommandSave},
    {"Shift+Left", CommandSave, VK_LEFT, {VK_SHIFT}, {}, 0, false, CommandLoad},
    // Return: the button that got the key.
    {"Return on Edit", CommandEdit, VK_RETURN, {}, {}, CommandEdit, true, CommandEdit},
    {"Return on Load", CommandLoad, VK_RETURN, {}, {}, CommandLoad, true, CommandLoad},
    {"Return on Save", CommandSave, VK_RETURN, {}, {}, CommandSave, true, CommandSave},
    {"Return on Quit", CommandQuit, VK_RETURN, {}, {}, CommandQuit, true, CommandQuit},
    {"Return on Help", CommandHelp, VK_RETURN, {}, {}, CommandHelp, true, CommandHelp},
    // Escape quits from any button, directly.
    {"Escape on Load", CommandLoad, VK_ESCAPE, {}, {}, CommandQuit, false, CommandLoad},
    {"Escape on Help", CommandHelp, VK_ESCAPE, {}, {}, CommandQuit, false, CommandHelp},
    // Typed lower-case letters, whichever button has the focus.
    {"e", CommandHelp, 'E', {}, {}, CommandEdit, true, CommandHelp},
    {"l", CommandEdit, 'L', {}, {}, CommandLoad, true, CommandEdit},
    {"s", CommandQuit, 'S', {}, {}, CommandSave, true, CommandQuit},
    {"q", CommandLoad, 'Q', {}, {}, CommandQuit, true, CommandLoad},
    {"h", CommandEdit, 'H', {}, {}, CommandHelp, true, CommandEdit},
    {"L with Shift", CommandEdit, 'L', {VK_SHIFT}, {}, 0, false, CommandEdit},
    {"H with Shift", CommandEdit, 'H', {VK_SHIFT}, {}, 0, false, CommandEdit},
    {"Q with Shift", CommandSave, 'Q', {VK_SHIFT}, {}, 0, false, CommandSave},
    {"x", CommandEdit, 'X', {}, {}, 0, false, CommandEdit},
    // Alt+letter in either case.
    {"Alt+E", CommandHelp, 'E', {VK_MENU}, {}, CommandEdit, true, CommandHelp},
    {"Alt+L", CommandEdit, 'L', {VK_MENU}, {}, CommandLoad, true, CommandEdit},
    {"Alt+S", CommandEdit, 'S', {VK_MENU}, {}, CommandSave, true, CommandEdit},
    {"Alt+Q", CommandHelp, 'Q', {VK_MENU}, {}, CommandQuit, true, CommandHelp},
    {"Alt+H", CommandLoad, 'H', {VK_MENU}, {}, CommandHelp, true, CommandLoad},
    {"Alt+Shift+L", CommandEdit, 'L', {VK_MENU, VK_SHIFT}, {}, CommandLoad, true, CommandEdit},
    {"Alt+Shift+H", CommandSave, 'H', {VK_SHIFT, VK_MENU}, {}, CommandHelp, true, CommandSave},
    {"Alt+X", CommandEdit, 'X', {VK_MENU}, {}, 0, false, CommandEdit},
    // Space: the button's own click.
    {"Space on Save", CommandSave, VK_SPACE, {}, {}, CommandSave, true, CommandSave},
    {"Space on Quit", CommandQuit, VK_SPACE, {}, {}, CommandQuit, true, CommandQuit},
    {"Space on Help", CommandHelp, VK_SPACE, {}, {}, CommandHelp, true, CommandHelp},
    // F1: the button passes it on as WM_HELP.
    {"F1 on Quit", CommandQuit, VK_F1, {}, {}, CommandHelp, false, CommandQuit},
    {"F1 on Edit", CommandEdit, VK_F1, {}, {}, CommandHelp, false, CommandEdit},
    // Mouse clicks: the clicked button takes the focus and runs.
    {"click on Help", CommandSave, 0, {}, CommandHelp, CommandHelp, true, CommandHelp},
    {"click on Load", CommandHelp, 0, {}, CommandLoad, CommandLoad, true, CommandLoad},
    {"click on Quit", CommandEdit, 0, {}, CommandQuit, CommandQuit, true, CommandQuit},
};

}  // namespace

class ButtonInput : public ProgramWindowTest {
protected:
    // Quit cannot save (the program directory does not exist) and there
    // are unsaved changes: each Quit shows the question, which the spy
    // cancels, and the program goes on.
    void StartWithCancelledQuit()
    {
        WriteWorkingFile();
        SetProgramFileName(PathIn("missing\\Halvdyne.exe"));
        StartProgram();
        SettingsChanged = true;
        ASSERT_TRUE(CancelProgramDialogs());
    }

    // When a message box over the window closes, the owner is activated and
    // takes the focus itself. Wine keeps the window's pixels and sends no
    // paint, so the focus stays there; Windows without desktop composition
    // repaints what the box covered, and that paint hands the focus back to
    // the focused button. This is that repaint.
    static void RepaintAfterQuestion()
    {
        if (GetFocus() != MainWindowHandle) return;
        RedrawWindow(MainWindowHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        PumpMessages();
    }
};

TEST_F(ButtonInput, KeysAndClicksMoveTheFocusOrRunTheirCommand)
{
    StartWithCancelledQuit();
    for (const InputRow& row : InputRows) {
        SCOPED_TRACE(std::string(row.name) + " (focus on " + CommandName(row.start) + ")");
        FocusButton(row.start);
        ASSERT_TRUE(SpyOnMessageBoxes(IDCANCEL));
        ASSERT_TRUE(WatchCommands());
        ClearHelpCalls();

        if (row.key != 0) {
            std::vector<WORD> held;
            for (WORD modifier : row.modifiers) {
                if (modifier != 0) held.push_back(modifier);
            }
            if (held.size() == 2) {
                PressKey(row.key, {held[0], held[1]});
            } else if (held.size() == 1) {
                PressKey(row.key, {held[0]});
            } else {
                PressKey(row.key);
            }
        } else {
            ClickButton(row.clicked);
        }
        StopWatchingCommands();
        ASSERT_TRUE(IsWindow(MainWindowHandle)) << "the program ended";

        std::vector<CommandMessage> expected;
        if (row.asCommand) expected.push_back({row.runs, 0, ButtonHandles[row.runs]});
        const std::vector<CommandMessage>& seen = SeenCommands();
        ASSERT_EQ(seen.size(), expected.size()) << "first: " << (seen.empty() ? "none" : CommandName(seen[0].id));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_STREQ(CommandName(seen[i].id), CommandName(expected[i].id));
            EXPECT_EQ(seen[i].notification, 0);
            EXPECT_EQ(seen[i].control, expected[i].control);
        }

        const std::size_t questions = row.runs == CommandQuit ? 1 : 0;
        ASSERT_EQ(SpiedMessages().size(), questions);
        if (questions > 0) {
            EXPECT_EQ(SpiedMessages()[0].text, QuitQuestion);
            RepaintAfterQuestion();
        }
        const std::size_t helps = row.runs == CommandHelp ? 1 : 0;
        ASSERT_EQ(HelpCalls().size(), helps);
        if (helps > 0) {
            EXPECT_EQ(HelpCalls()[0].command, static_cast<UINT>(HELP_CONTEXT));
            EXPECT_EQ(HelpCalls()[0].data, 1u);
        }

        EXPECT_STREQ(CommandName(FocusedCommand()), CommandName(row.focusAfter));
        EXPECT_STREQ(CommandName(FocusedButton), CommandName(row.focusAfter));
        EXPECT_EQ(DefaultLookButtons(), std::vector<int>{row.focusAfter});
    }
}

TEST_F(ButtonInput, AfterACancelledQuitClickTabMovesOnToHelp)
{
    StartWithCancelledQuit();
    ASSERT_TRUE(SpyOnMessageBoxes(IDCANCEL));
    ClickButton(CommandQuit);
    ASSERT_EQ(SpiedMessages().size(), 1u);
    ASSERT_TRUE(IsWindow(MainWindowHandle));
    RepaintAfterQuestion();
    EXPECT_EQ(FocusedCommand(), CommandQuit);
    EXPECT_EQ(DefaultLookButtons(), std::vector<int>{CommandQuit});
    PressKey(VK_TAB);
    EXPECT_EQ(FocusedCommand(), CommandHelp);
    EXPECT_EQ(DefaultLookButtons(), std::vector<int>{CommandHelp});
    EXPECT_EQ(SpiedMessages().size(), 1u);
}

// Reactivated, the window hands the focus on to the button that had it; a
// click then puts it on another button, which alone wears the look.
TEST_F(ButtonInput, OnlyTheFocusedButtonWearsTheDefaultLookAfterAReactivation)
{
    WriteWorkingFile();
    StartProgram();
    FocusButton(CommandLoad);
    HWND other = CreateWindowExA(0, "STATIC", "Another program", WS_POPUP | WS_VISIBLE, 0, 0, 120, 40, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    PumpMessages();
    DestroyWindow(other);
    SetForegroundWindow(MainWindowHandle);
    PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), MainWindowHandle);
    EXPECT_EQ(FocusedCommand(), CommandLoad) << "the focus goes back to the button that had it";

    ASSERT_TRUE(CancelProgramDialogs());  // the click opens the save dialog
    ClickButton(CommandSave);
    EXPECT_EQ(CancelledDialogs().size(), 1u);
    StopCancellingDialogs();
    EXPECT_EQ(FocusedCommand(), CommandSave);
    EXPECT_EQ(DefaultLookButtons(), std::vector<int>{CommandSave});
    PressKey(VK_LEFT);
    EXPECT_EQ(FocusedCommand(), CommandLoad);
    EXPECT_EQ(DefaultLookButtons(), std::vector<int>{CommandLoad});
}

// While the window holds the focus, only F1 does something; a repaint
// hands the focus back to the button that had it.
// The window has no keys of its own: focus it gets (from a closed message
// box or dialog, or a reactivation) goes on to the focused button at once,
// with no repaint, and the keys work.
TEST_F(ButtonInput, FocusGivenToTheWindowGoesOnToTheFocusedButton)
{
    WriteWorkingFile();
    StartProgram();
    FocusButton(CommandQuit);
    ASSERT_TRUE(WatchCommands());
    SetFocus(MainWindowHandle);
    EXPECT_EQ(GetFocus(), ButtonHandles[CommandQuit]);
    EXPECT_EQ(DefaultLookButtons(), std::vector<int>{CommandQuit});
    PressKey(VK_TAB);
    EXPECT_EQ(FocusedCommand(), CommandHelp);
    EXPECT_TRUE(SeenCommands().empty());
}
