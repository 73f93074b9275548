// Help through the seam (HTML Help or WinHelp), the program directory, and Quit: the silent save
// of "Internal.hvd" into the program directory and the question when that
// save fails while there are unsaved changes.
#include <gtest/gtest.h>

#include <windows.h>
#include <htmlhelp.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/help_exit.h"
#include "display/display_surfaces.h"
#include "files/settings_file.h"
#include "files/settings_image.h"
#include "model/settings_record.h"
#include "tests/app/fake_platform_seams.h"
#include "tests/app/program_window_fixture.h"
#include "tests/support/message_box_spy.h"

namespace {

const char QuitQuestion[] = "Do you wish to save the current settings before exit?";

std::vector<unsigned char> ImageOfCurrentSettings()
{
    std::vector<unsigned char> image(MaxSettingsImageSize);
    image.resize(EncodeCurrentSettings(image.data()));
    return image;
}

std::uint64_t HourAgo()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) - 36000000000ULL;
}

// What the program had left when the help viewer was told to quit.
struct StateAtHelpQuit {
    bool seen;
    bool windowAlive;
    bool surfacesHeld;
};
StateAtHelpQuit AtHelpQuit;

void NoteStateAtHelpQuit(const HelpCall& call)
{
    if (call.command != HELP_QUIT) return;
    AtHelpQuit = {true, IsWindow(call.window) != FALSE, WindowDC != nullptr && FrameBuffer != nullptr};
}

}  // namespace

using ProgramDirectory = ProgramWindowTest;
using Help = ProgramWindowTest;
using QuitCommand = ProgramWindowTest;

TEST_F(ProgramDirectory, NamesAFileBesideTheProgram)
{
    const std::string deep = "C:\\" + std::string(240, 'd');
    const struct {
        std::string programFile;
        const char* name;
        std::string expected;
    } cases[] = {
        {"C:\\Programs\\Halvorendyne\\Halvdyne.exe", "Internal.hvd", "C:\\Programs\\Halvorendyne\\Internal.hvd"},
        {"C:\\Programs\\Halvorendyne\\Halvdyne.exe", "Halvdyne.hlp", "C:\\Programs\\Halvorendyne\\Halvdyne.hlp"},
        {"C:\\Halvdyne.exe", "Internal.hvd", "C:\\Internal.hvd"},
        {"\\\\server\\share\\tools\\HALVDYNE.EXE", "Internal.hvd", "\\\\server\\share\\tools\\Internal.hvd"},
        // 255 characters are read: the name is cut, the folder is whole.
        {deep + "\\Halvdyne.exe", "Internal.hvd", deep + "\\Internal.hvd"},
        // A backslash beyond the 255th character is not seen.
        {"C:\\" + std::string(255, 'e') + "\\Halvdyne.exe", "Internal.hvd", "C:\\Internal.hvd"},
        {"C:\\" + std::string(240, 'e') + "\\" + std::string(20, 'f') + "\\Halvdyne.exe", "Internal.hvd",
         "C:\\" + std::string(240, 'e') + "\\Internal.hvd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programFile.substr(0, 60));
        SetProgramFileName(c.programFile);
        std::string got = ProgramFilePath(c.name);
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(ProgramFilePath(c.name), PathBuffer) << "the result lies in PathBuffer";
    }
}

// HTML Help's file where it is there and the system has HTML Help, else
// WinHelp's, both beside the program.
TEST_F(Help, OpensTheHelpFileBesideTheProgramAtTheContext)
{
    enum class Chm { Missing, File, Folder };
    const struct {
        const char* name;
        Chm chm;
        bool htmlHelp;  // the system has HTML Help
        bool opensChm;
    } setups[] = {
        {"no Halvdyne.chm", Chm::Missing, true, false},
        {"Halvdyne.chm", Chm::File, true, true},
        {"Halvdyne.chm, no HTML Help", Chm::File, false, false},
        {"a folder named Halvdyne.chm", Chm::Folder, true, false},
    };
    for (const auto& setup : setups) {
        SCOPED_TRACE(setup.name);
        WriteWorkingFile();
        const std::string chm = PathIn("Halvdyne.chm");
        if (setup.chm == Chm::File) {
            ASSERT_TRUE(CopyFileA(WorkingFile().c_str(), chm.c_str(), FALSE));
        } else if (setup.chm == Chm::Folder) {
            ASSERT_TRUE(CreateDirectoryA(chm.c_str(), nullptr));
        }
        SetHtmlHelpAvailable(setup.htmlHelp);
        StartProgram();
        auto expectOpened = [&](ULONG_PTR context) {
            ASSERT_EQ(HelpCalls().size(), 1u);
            const HelpCall& call = HelpCalls()[0];
            EXPECT_EQ(call.window, MainWindowHandle);
            EXPECT_EQ(call.html, setup.opensChm);
            EXPECT_EQ(call.helpFile, setup.opensChm ? chm : PathIn("Halvdyne.hlp"));
            EXPECT_EQ(call.command, static_cast<UINT>(setup.opensChm ? HH_HELP_CONTEXT : HELP_CONTEXT));
            EXPECT_EQ(call.data, context);
        };
        for (std::uint8_t context : {1, 3, 5, 7}) {
            SCOPED_TRACE("context " + std::to_string(context));
            ClearHelpCalls();
            ShowHelp(context);
            expectOpened(context);
        }

        // The Help command, "h" and WM_HELP (F1 anywhere in the window)
        // open context 1.
        const struct {
            const char* name;
            UINT message;
            WPARAM wParam;
        } triggers[] = {
            {"Help command", WM_COMMAND, MAKEWPARAM(CommandHelp, 0)},
            {"WM_HELP", WM_HELP, 0},
            {"h", 0, 0},
        };
        for (const auto& trigger : triggers) {
            SCOPED_TRACE(trigger.name);
            ClearHelpCalls();
            HELPINFO info = {sizeof info, HELPINFO_WINDOW, 0, ButtonHandles[CommandEdit], 0, {0, 0}};
            if (trigger.message == 0) {
                FocusButton(CommandLoad);
                PressKey('H');
            } else {
                SendMessageA(MainWindowHandle, trigger.message, trigger.wParam,
                             trigger.message == WM_HELP ? reinterpret_cast<LPARAM>(&info) : 0);
            }
            expectOpened(1);
        }
        EndProgram();
        SetFileAttributesA(chm.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(chm.c_str());
        RemoveDirectoryA(chm.c_str());
    }
}

// Quit closes the HTML Help windows while the main window, their owner,
// is still there, then WinHelp's viewer as the window goes; without HTML
// Help opened, only WinHelp's.
TEST_F(Help, QuitClosesHtmlHelpBeforeTheWindowGoes)
{
    for (bool opened : {true, false}) {
        SCOPED_TRACE(opened ? "HTML Help opened" : "no HTML Help opened");
        WriteWorkingFile();
        ASSERT_TRUE(CopyFileA(WorkingFile().c_str(), PathIn("Halvdyne.chm").c_str(), FALSE));
        StartProgram();
        if (opened) ShowHelp(1);
        HWND window = MainWindowHandle;
        ClearHelpCalls();
        AtHelpQuit = {};
        SetHelpCallObserver(NoteStateAtHelpQuit);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(CommandQuit, 0), reinterpret_cast<LPARAM>(ButtonHandles[CommandQuit]));
        SetHelpCallObserver(nullptr);
        EXPECT_FALSE(IsWindow(window));
        std::vector<UINT> commands;
        for (const HelpCall& call : HelpCalls()) commands.push_back(call.command);
        if (opened) {
            ASSERT_EQ(commands, (std::vector<UINT>{HH_CLOSE_ALL, HELP_QUIT}));
            EXPECT_TRUE(HelpCalls()[0].html);
            EXPECT_EQ(HelpCalls()[0].window, nullptr);
            EXPECT_EQ(HelpCalls()[0].helpFile, "");
        } else {
            EXPECT_EQ(commands, (std::vector<UINT>{HELP_QUIT}));
        }
        EXPECT_TRUE(AtHelpQuit.windowAlive);
        EXPECT_TRUE(MessageLoopEnds());
        DeleteFileA(PathIn("Halvdyne.chm").c_str());
        ClearHelpCalls();
    }
}

TEST_F(Help, ClosesTheViewerFirstWhenTheWindowGoes)
{
    WriteWorkingFile();
    StartProgram();
    HWND window = MainWindowHandle;
    ClearHelpCalls();
    AtHelpQuit = {};
    SetHelpCallObserver(NoteStateAtHelpQuit);
    DestroyWindow(window);
    ASSERT_EQ(HelpCalls().size(), 1u);
    EXPECT_EQ(HelpCalls()[0].window, window);
    EXPECT_EQ(HelpCalls()[0].helpFile, PathIn("Halvdyne.hlp"));
    EXPECT_EQ(HelpCalls()[0].command, static_cast<UINT>(HELP_QUIT));
    EXPECT_EQ(HelpCalls()[0].data, 0u);
    ASSERT_TRUE(AtHelpQuit.seen);
    EXPECT_TRUE(AtHelpQuit.windowAlive);
    EXPECT_TRUE(AtHelpQuit.surfacesHeld) << "the display was released before help was closed";
    EXPECT_EQ(WindowDC, nullptr) << "and released afterwards";
    EXPECT_TRUE(MessageLoopEnds());
}

TEST_F(QuitCommand, SavesIntoTheProgramDirectoryOrAsksWhenThatFails)
{
    enum class Folder { Writable, ReadOnlyFile, Missing };
    const struct {
        const char* name;
        Folder folder;
        bool changed;    // SettingsChanged before Quit
        int answer;      // the spy's answer to the question
        bool asked;
        bool ends;
    } cases[] = {
        {"writable, nothing changed", Folder::Writable, false, IDCANCEL, false, true},
        {"writable, unsaved changes", Folder::Writable, true, IDCANCEL, false, true},
        {"read-only Internal.hvd", Folder::ReadOnlyFile, true, IDCANCEL, false, true},
        {"cannot save, nothing changed", Folder::Missing, false, IDCANCEL, false, true},
        {"cannot save, changes, Cancel", Folder::Missing, true, IDCANCEL, true, false},
        {"cannot save, changes, No", Folder::Missing, true, IDNO, true, true},
        // Yes opens the save dialog, which is cancelled.
        {"cannot save, changes, Yes", Folder::Missing, true, IDYES, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWorkingFile();
        // The program directory is not the current directory: the start
        // reads the current one, Quit writes the program's.
        const std::string programFolder = PathIn("program");
        const std::string programFile = programFolder + "\\Internal.hvd";
        RemoveDirectoryA(programFolder.c_str());
        DeleteFileA(programFile.c_str());
        if (c.folder == Folder::Missing) {
            SetProgramFileName(PathIn("missing\\Halvdyne.exe"));
        } else {
            ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
            SetProgramFileName(programFolder + "\\Halvdyne.exe");
        }
        const std::uint64_t oldTime = HourAgo();
        ASSERT_TRUE(SetLastWriteTime(WorkingFile(), oldTime));
        StartProgram();
        if (c.folder == Folder::ReadOnlyFile) {
            ASSERT_TRUE(CopyFileA(WorkingFile().c_str(), programFile.c_str(), FALSE));
            ASSERT_TRUE(SetLastWriteTime(programFile, oldTime));
            ASSERT_TRUE(SetFileAttributesA(programFile.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
        }
        // A change the file does not hold yet.
        Settings.StarCount += 12345;
        SettingsChanged = c.changed;
        const std::vector<unsigned char> image = ImageOfCurrentSettings();
        ASSERT_TRUE(SpyOnMessageBoxes(c.answer));
        ASSERT_TRUE(CancelProgramDialogs());  // Yes opens the save dialog

        SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(CommandQuit, 0),
                     reinterpret_cast<LPARAM>(ButtonHandles[CommandQuit]));
        PumpMessages();
        EXPECT_EQ(CancelledDialogs().size(), c.answer == IDYES ? 1u : 0u);
        StopCancellingDialogs();

        if (c.asked) {
            ASSERT_EQ(SpiedMessages().size(), 1u);
            EXPECT_EQ(SpiedMessages()[0].text, QuitQuestion);
            EXPECT_EQ(SpiedMessages()[0].caption, "Halvorendyne");
            EXPECT_EQ(SpiedMessages()[0].icon, static_cast<UINT>(MB_ICONQUESTION));
            EXPECT_EQ(SpiedMessages()[0].owner, MainWindowHandle);
            EXPECT_EQ(SpiedMessages()[0].answer, c.answer);
        } else {
            EXPECT_TRUE(SpiedMessages().empty()) << "shown: " << SpiedMessages()[0].text;
        }
        if (c.folder == Folder::Missing) {
            EXPECT_FALSE(FileExists(programFile));
            EXPECT_FALSE(FileExists(PathIn("missing")));
            EXPECT_EQ(SettingsChanged, c.changed);
        } else {
            EXPECT_EQ(ReadBytes(programFile), image) << "Internal.hvd holds the current settings";
            EXPECT_NE(LastWriteTime(programFile), oldTime);
            EXPECT_EQ(GetFileAttributesA(programFile.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
            EXPECT_FALSE(SettingsChanged);
        }
        EXPECT_EQ(LastWriteTime(WorkingFile()), oldTime) << "the current directory's file was written";

        if (c.ends) {
            EXPECT_FALSE(IsWindow(MainWindowHandle));
            EXPECT_TRUE(MessageLoopEnds());
        } else {
            ASSERT_TRUE(IsWindow(MainWindowHandle));
            EXPECT_FALSE(MessageLoopEnds(100)) << "the program ended";
            EndProgram();
        }
        if (c.folder != Folder::Missing) {
            SetFileAttributesA(programFile.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(programFile.c_str());
        }
    }
}

// The Escape key and "q" run Quit inside the button's own procedure; the
// window and the button are gone when it returns.
TEST_F(QuitCommand, QuitFromAKeyEndsTheProgram)
{
    const struct {
        const char* name;
        WORD key;
        WORD modifier;  // 0: none
    } keys[] = {{"Escape", VK_ESCAPE, 0}, {"q", 'Q', 0}, {"Alt+Q", 'Q', VK_MENU}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.name);
        WriteWorkingFile();
        const std::uint64_t oldTime = HourAgo();
        ASSERT_TRUE(SetLastWriteTime(WorkingFile(), oldTime));
        StartProgram();
        SettingsChanged = true;
        FocusButton(CommandHelp);
        if (k.modifier != 0) {
            PressKey(k.key, {k.modifier});
        } else {
            PressKey(k.key);
        }
        EXPECT_FALSE(IsWindow(MainWindowHandle));
        EXPECT_TRUE(MessageLoopEnds());
        EXPECT_NE(LastWriteTime(WorkingFile()), oldTime) << "Internal.hvd was not written";
        EXPECT_TRUE(SpiedMessages().empty());
    }
}

// Windows ends the process right after WM_ENDSESSION, without WM_CLOSE:
// the working settings are saved as Quit saves them, with no message box
// and no question even when that fails; a session that goes on saves
// nothing.
TEST_F(QuitCommand, TheSessionsEndSavesWithoutAskingAnything)
{
    const struct {
        const char* name;
        bool ending;
        bool writable;
    } cases[] = {
        {"session ends", true, true},
        {"session goes on", false, true},
        {"session ends, program folder missing", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWorkingFile();
        const std::uint64_t oldTime = HourAgo();
        ASSERT_TRUE(SetLastWriteTime(WorkingFile(), oldTime));
        SetProgramFileName(c.writable ? PathIn("Halvdyne.exe") : PathIn("missing\\Halvdyne.exe"));
        StartProgram();
        Settings.StarCount += 12345;
        SettingsChanged = true;
        const std::vector<unsigned char> image = ImageOfCurrentSettings();
        ASSERT_TRUE(SpyOnMessageBoxes(IDCANCEL));
        EXPECT_EQ(SendMessageA(MainWindowHandle, WM_ENDSESSION, c.ending, 0), 0);
        PumpMessages();
        EXPECT_TRUE(SpiedMessages().empty()) << "shown: " << SpiedMessages()[0].text;
        if (c.ending && c.writable) {
            EXPECT_EQ(ReadBytes(WorkingFile()), image) << "Internal.hvd holds the current settings";
        } else {
            EXPECT_EQ(LastWriteTime(WorkingFile()), oldTime) << "Internal.hvd was written";
        }
        EXPECT_FALSE(FileExists(PathIn("missing")));
        ASSERT_TRUE(IsWindow(MainWindowHandle));
        EndProgram();
    }
}
