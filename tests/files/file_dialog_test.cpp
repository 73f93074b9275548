// The open and save dialogs as the program shows them: the system's real
// Explorer-style dialogs, driven from inside their modal loops
// (tests/files/file_dialog_driver.h), with Load, Save and the exit's save
// in the program's own main window.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "display/display_surfaces.h"
#include "files/file_dialog.h"
#include "files/settings_file.h"
#include "files/settings_image.h"
#include "model/settings_record.h"
#include "tests/app/fake_platform_seams.h"
#include "tests/app/program_window_fixture.h"
#include "tests/files/file_dialog_driver.h"
#include "tests/support/message_box_spy.h"

namespace {

const char SavedText[] = "Settings saved.";
const char NotSavedText[] = "File error. Settings NOT saved.";
const char NotLoadedText[] = "File error. Settings NOT loaded.";
const char ExitQuestion[] = "Do you wish to save the current settings before exit?";

std::vector<unsigned char> ImageOfCurrentSettings()
{
    std::vector<unsigned char> image(MaxSettingsImageSize);
    image.resize(EncodeCurrentSettings(image.data()));
    return image;
}

std::string AuthorOfFile(const std::string& path)
{
    std::vector<unsigned char> bytes = ReadBytes(path);
    SettingsFileView view;
    if (DecodeSettingsImage(bytes.data(), bytes.size(), &view) != ImageStatus::Complete) return "(unreadable)";
    return std::string(reinterpret_cast<const char*>(view.texts[0].bytes), view.texts[0].length);
}

std::string CurrentDirectory()
{
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    return directory;
}

// Wine may report a folder in another case than it was created in.
std::string Lower(std::string text)
{
    if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// The system's dialogs start in the folder last chosen by this program
// when they remember one, before the current directory: forgotten, so that
// each dialog starts where the program leaves the current directory.
void ForgetLastFolders()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedPidlMRU");
}

// Where the first dialog of a process goes: centred across, 10 pixels
// above the middle.
POINT CentredCorner(const RECT& outer)
{
    POINT corner;
    corner.x = (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2;
    corner.y = (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2 - 10;
    return corner;
}

// The main window and the example settings, in a process whose file
// dialogs have not been shown yet.
class FileDialogTest : public ProgramWindowTest {
protected:
    void SetUp() override
    {
        ProgramWindowTest::SetUp();
        FileDialogLeft = FileDialogTop = 0;
        FileDialogFirstCall = false;
        FileDialogClassProc = nullptr;
    }
    void TearDown() override
    {
        StopDrivingFileDialogs();
        ProgramWindowTest::TearDown();
    }

    void Start()
    {
        WriteWorkingFile();
        StartProgram();
    }

    // A command as its button sends it; the file dialogs it opens take the
    // actions in order.
    static void RunCommand(int id, const std::vector<FileDialogAction>& actions)
    {
        ForgetLastFolders();
        ASSERT_TRUE(DriveFileDialogs(actions));
        SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(ButtonHandles[id]));
        // The driver's timer would keep the queue from ever going quiet.
        StopDrivingFileDialogs();
        PumpMessages();
        EXPECT_EQ(UnexpectedFileDialogs(), 0) << "more file dialogs than expected";
    }

    // A settings file of the example settings under another author.
    void WriteSettingsFile(const std::string& path, const char* author)
    {
        char* kept = Settings.AuthorName;
        Settings.AuthorName = DuplicateText(author);
        ASSERT_TRUE(SaveSettings(path.c_str(), false));
        FreeText(Settings.AuthorName);
        Settings.AuthorName = kept;
    }
};

using FileDialogPlacement = FileDialogTest;
using FileDialogSave = FileDialogTest;
using FileDialogCancel = FileDialogTest;
using FileDialogLoad = FileDialogTest;
using FileDialogExit = FileDialogTest;

TEST(FileDialogNames, NameAndExtensionParts)
{
    const struct {
        const char* text;
        const char* name;
        const char* extension;
    } cases[] = {
        {"notes", "notes", "notes"},
        {"notes.txt", "notes.txt", "txt"},
        {"notes.HVD", "notes.HVD", "HVD"},
        {"notes.txt.hvd", "notes.txt.hvd", "hvd"},
        {"notes.", "notes.", ""},
        {"Default Settings.hvd", "Default Settings.hvd", "hvd"},
        {"D:\\my.dir\\notes", "notes", "dir\\notes"},
        {"D:\\my.dir\\notes.hvd", "notes.hvd", "hvd"},
        {"D:notes.hvd", "notes.hvd", "hvd"},
        {"D:\\folder\\", "", "D:\\folder\\"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(FileNamePart(c.text), c.name);
        EXPECT_STREQ(ExtensionPart(c.text), c.extension);
    }
}

TEST_F(FileDialogPlacement, FirstCentredThenWhereThePreviousOneWasClosed)
{
    Start();
    const struct {
        const char* name;
        int commands[3];
    } cases[] = {
        {"open, save, open", {CommandLoad, CommandSave, CommandLoad}},
        {"save, open, save", {CommandSave, CommandLoad, CommandSave}},
        {"open, open, save", {CommandLoad, CommandLoad, CommandSave}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileDialogLeft = FileDialogTop = 0;  // as in a new process
        // Left at (200, 100); then at (0, 0), which makes the next centred.
        const FileDialogAction actions[] = {MoveAndCancel(200, 100), MoveAndCancel(0, 0), Cancel()};
        std::vector<FileDialogView> views;
        for (int i = 0; i < 3; ++i) {
            RunCommand(c.commands[i], {actions[i]});
            ASSERT_EQ(SeenFileDialogs().size(), 1u) << "dialog " << i + 1;
            views.push_back(SeenFileDialogs()[0]);
        }
        const POINT expected[] = {CentredCorner(views[0].outer), {200, 100}, CentredCorner(views[2].outer)};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE("dialog " + std::to_string(i + 1));
            EXPECT_TRUE(views[i].placed);
            EXPECT_EQ(views[i].name, "Default Settings.hvd");
            EXPECT_EQ(views[i].outer.left, expected[i].x);
            EXPECT_EQ(views[i].outer.top, expected[i].y);
            EXPECT_EQ(GetWindow(views[i].dialog, GW_OWNER), nullptr) << "the dialog is gone";
        }
        EXPECT_EQ(SettingsFileName, std::string("Default Settings.hvd"));
        EXPECT_TRUE(SpiedMessages().empty()) << SpiedMessages()[0].text;
    }
}

TEST_F(FileDialogSave, ChosenNamesGetTheExtensionUnlessTheyHaveIt)
{
    Start();
    ASSERT_TRUE(CreateDirectoryA(PathIn("my.dir").c_str(), nullptr));
    const struct {
        const char* typed;        // "%" stands for the test's folder
        const char* written;      // in the test's folder
        const char* notWritten;   // nor this one
    } cases[] = {
        {"notes", "notes.hvd", "notes"},
        {"notes.txt", "notes.txt.hvd", "notes.txt"},
        {"upper.HVD", "upper.HVD", "upper.HVD.hvd"},
        {"mixed.hVd", "mixed.hVd", "mixed.hVd.hvd"},
        {"%\\my.dir\\notes", "my.dir\\notes.hvd", "my.dir\\notes"},
        {"%\\my.dir\\kept.hvd", "my.dir\\kept.hvd", "my.dir\\kept.hvd.hvd"},
    };
    int count = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        std::string typed = c.typed;
        if (typed[0] == '%') typed = folder_ + typed.substr(1);
        // Each file under its own author, so that each is seen to be this save's.
        std::string author = "Author " + std::to_string(++count);
        FreeText(Settings.AuthorName);
        Settings.AuthorName = DuplicateText(author.c_str());
        SettingsChanged = true;
        const std::vector<unsigned char> image = ImageOfCurrentSettings();
        ASSERT_TRUE(SpyOnMessageBoxes());

        RunCommand(CommandSave, {Choose(typed)});

        ASSERT_EQ(SeenFileDialogs().size(), 1u);
        const std::string written = PathIn(c.written);
        EXPECT_EQ(Lower(SettingsFileName), Lower(written));
        EXPECT_EQ(FileNamePart(SettingsFileName), std::string(FileNamePart(c.written)));
        EXPECT_TRUE(FileExists(written));
        EXPECT_EQ(ReadBytes(written), image);
        EXPECT_EQ(AuthorOfFile(written), author);
        EXPECT_FALSE(FileExists(PathIn(c.notWritten)));
        EXPECT_FALSE(SettingsChanged);
        ASSERT_EQ(SpiedMessages().size(), 1u);
        EXPECT_EQ(SpiedMessages()[0].text, SavedText);
        EXPECT_EQ(SpiedMessages()[0].caption, "Halvorendyne");
        EXPECT_EQ(SpiedMessages()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(SpiedMessages()[0].owner, MainWindowHandle);
    }
}

TEST_F(FileDialogSave, ReplacingAFileIsAskedFirst)
{
    Start();
    WriteSettingsFile(PathIn("old.hvd"), "Old Author");
    const struct {
        const char* name;
        int answer;  // to the question whether to replace
        bool replaced;
    } cases[] = {
        {"replace: Yes", IDYES, true},
        {"replace: No, then cancel", IDNO, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        WriteSettingsFile(PathIn("old.hvd"), "Old Author");
        std::strcpy(SettingsFileName, "Default Settings.hvd");
        ASSERT_TRUE(SpyOnMessageBoxes(c.answer));
        // OK is pressed inside the action, so the question is answered
        // before it ends; after No the dialog is still open and is cancelled.
        bool openAfterAnswer = false;
        const bool replaced = c.replaced;
        FileDialogAction chooseOld = [&openAfterAnswer, replaced](HWND dialog) {
            SetWindowTextA(FileNameField(dialog), "old.hvd");
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
            openAfterAnswer = IsWindowVisible(dialog) != FALSE;
            if (!replaced) CancelFileDialog(dialog);
        };

        RunCommand(CommandSave, {chooseOld});

        ASSERT_EQ(SeenFileDialogs().size(), 1u);
        EXPECT_EQ(openAfterAnswer, !c.replaced);
        ASSERT_GE(SpiedMessages().size(), 1u);
        EXPECT_EQ(SpiedMessages()[0].owner, SeenFileDialogs()[0].dialog) << SpiedMessages()[0].text;
        EXPECT_EQ(SpiedMessages()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION)) << SpiedMessages()[0].text;
        EXPECT_EQ(AuthorOfFile(PathIn("old.hvd")), c.replaced ? "Test Team" : "Old Author");
        if (c.replaced) {
            ASSERT_EQ(SpiedMessages().size(), 2u);
            EXPECT_EQ(SpiedMessages()[1].text, SavedText);
            EXPECT_EQ(SettingsFileName, PathIn("old.hvd"));
        } else {
            EXPECT_EQ(SpiedMessages().size(), 1u);
            EXPECT_EQ(SettingsFileName, std::string("Default Settings.hvd"));
        }
    }
}

// A name typed without ".hvd" gets it after the dialog has checked the
// name: the final name then gets the same question, and a read-only one is
// refused; No or the refusal bring the dialog back.
TEST_F(FileDialogSave, TheFinalNameIsCheckedAsTheDialogChecksATypedOne)
{
    Start();
    const struct {
        const char* name;
        bool readOnly;
        int answer;
        bool replaced;
        const char* question;
    } cases[] = {
        {"replace: Yes", false, IDYES, true, "old.hvd already exists.\r\nDo you want to replace it?"},
        {"replace: No, the dialog again, cancelled", false, IDNO, false,
         "old.hvd already exists.\r\nDo you want to replace it?"},
        {"read-only: the dialog again, cancelled", true, IDOK, false,
         "old.hvd\r\nThis file is set to read-only.\r\nTry again with a different file name."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        SetFileAttributesA(PathIn("old.hvd").c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteSettingsFile(PathIn("old.hvd"), "Old Author");
        if (c.readOnly) SetFileAttributesA(PathIn("old.hvd").c_str(), FILE_ATTRIBUTE_READONLY);
        std::strcpy(SettingsFileName, "Default Settings.hvd");
        ASSERT_TRUE(SpyOnMessageBoxes(c.answer));
        std::vector<FileDialogAction> actions = {Choose("old")};
        if (!c.replaced) actions.push_back(Cancel());
        RunCommand(CommandSave, actions);

        EXPECT_EQ(SeenFileDialogs().size(), c.replaced ? 1u : 2u);
        ASSERT_GE(SpiedMessages().size(), 1u);
        EXPECT_EQ(SpiedMessages()[0].text, c.question);
        EXPECT_EQ(SpiedMessages()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_EQ(AuthorOfFile(PathIn("old.hvd")), c.replaced ? "Test Team" : "Old Author");
        EXPECT_EQ((GetFileAttributesA(PathIn("old.hvd").c_str()) & FILE_ATTRIBUTE_READONLY) != 0, c.readOnly);
        if (!c.replaced) {
            EXPECT_EQ(SeenFileDialogs()[1].name, "old.hvd") << "the final name offered again";
            EXPECT_EQ(SettingsFileName, std::string("Default Settings.hvd"));
        }
        SetFileAttributesA(PathIn("old.hvd").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(FileDialogCancel, PutsBackTheFullNameAndTheFocus)
{
    Start();
    ASSERT_TRUE(CreateDirectoryA(PathIn("other").c_str(), nullptr));
    const struct {
        const char* name;
        int command;
        int focused;  // the button with the focus when the command runs
    } cases[] = {
        {"Load from its button", CommandLoad, CommandLoad},
        {"Save from its button", CommandSave, CommandSave},
        {"Load by key from Help", CommandLoad, CommandHelp},
        {"Save by key from Edit", CommandSave, CommandEdit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string previous = PathIn("other\\kept.hvd");
        std::strcpy(SettingsFileName, previous.c_str());
        const std::vector<unsigned char> image = ImageOfCurrentSettings();
        FocusButton(c.focused);
        ASSERT_TRUE(SpyOnMessageBoxes());

        RunCommand(c.command, {Cancel()});

        ASSERT_EQ(SeenFileDialogs().size(), 1u);
        EXPECT_EQ(SeenFileDialogs()[0].name, "kept.hvd") << "offered without its folder";
        EXPECT_EQ(SettingsFileName, previous);
        EXPECT_EQ(FocusedCommand(), c.focused) << "focus on " << CommandName(FocusedCommand());
        EXPECT_EQ(GetForegroundWindow(), MainWindowHandle);
        EXPECT_TRUE(SpiedMessages().empty()) << SpiedMessages()[0].text;
        EXPECT_EQ(ImageOfCurrentSettings(), image);
        EXPECT_FALSE(FileExists(previous));
        EXPECT_FALSE(FileExists(PathIn("kept.hvd")));
    }
}

TEST_F(FileDialogCancel, ChosenFilesAlsoGiveTheFocusBack)
{
    Start();
    WriteSettingsFile(PathIn("chosen.hvd"), "Chosen Author");
    const struct {
        const char* name;
        int command;
        int focused;
    } cases[] = {
        {"Load", CommandLoad, CommandQuit},
        {"Save", CommandSave, CommandHelp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        FocusButton(c.focused);
        ASSERT_TRUE(SpyOnMessageBoxes());
        RunCommand(c.command, {Choose("chosen.hvd")});
        ASSERT_EQ(SeenFileDialogs().size(), 1u);
        EXPECT_EQ(SettingsFileName, PathIn("chosen.hvd"));
        EXPECT_EQ(FocusedCommand(), c.focused) << "focus on " << CommandName(FocusedCommand());
    }
}

TEST_F(FileDialogLoad, AFileElsewhereMakesItsFolderTheSaveDialogs)
{
    Start();
    const std::string other = PathIn("other");
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
    const std::string elsewhere = other + "\\elsewhere.hvd";
    WriteSettingsFile(elsewhere, "Elsewhere Author");
    ASSERT_TRUE(SpyOnMessageBoxes());

    RunCommand(CommandLoad, {Choose(elsewhere)});

    ASSERT_EQ(SeenFileDialogs().size(), 1u);
    EXPECT_EQ(Lower(SeenFileDialogs()[0].folder), Lower(folder_)) << "the current directory at first";
    EXPECT_EQ(SettingsFileName, elsewhere);
    ASSERT_NE(Settings.AuthorName, nullptr);
    EXPECT_STREQ(Settings.AuthorName, "Elsewhere Author");
    EXPECT_EQ(Lower(CurrentDirectory()), Lower(other)) << "the chosen file's folder is the current directory";
    EXPECT_TRUE(SpiedMessages().empty()) << SpiedMessages()[0].text;

    RunCommand(CommandSave, {Choose("copy")});

    ASSERT_EQ(SeenFileDialogs().size(), 1u);
    EXPECT_EQ(SeenFileDialogs()[0].name, "elsewhere.hvd");
    EXPECT_EQ(Lower(SeenFileDialogs()[0].folder), Lower(other));
    EXPECT_EQ(Lower(SeenFileDialogs()[0].directory), Lower(other));
    EXPECT_EQ(Lower(SettingsFileName), Lower(other + "\\copy.hvd"));
    EXPECT_EQ(AuthorOfFile(other + "\\copy.hvd"), "Elsewhere Author");
    EXPECT_FALSE(FileExists(PathIn("copy.hvd")));
}

TEST_F(FileDialogLoad, ABadFileShowsItsMessageAndStillRepaints)
{
    Start();
    const std::string bad = PathIn("bad.hvd");
    HANDLE file = CreateFileA(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string junk(300, 'x');
    DWORD written = 0;
    WriteFile(file, junk.data(), static_cast<DWORD>(junk.size()), &written, nullptr);
    CloseHandle(file);
    WriteSettingsFile(PathIn("good.hvd"), "Good Author");

    const struct {
        const char* name;
        FileDialogAction action;
        const char* message;  // null: none
        bool repainted;
        const char* author;  // afterwards
    } cases[] = {
        {"cancelled", Cancel(), nullptr, false, "Test Team"},
        {"bad file", Choose("bad.hvd"), NotLoadedText, true, "Test Team"},
        {"good file", Choose("good.hvd"), nullptr, true, "Good Author"},
    };
    // A mark in the frame and on the window, in the rows of the results'
    // texts left of them, that only a full paint removes.
    const COLORREF Mark = RGB(255, 0, 255);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        PumpMessages();
        RECT corner = {2, 140, 12, 150};
        HBRUSH brush = CreateSolidBrush(Mark);
        FillRect(FrameBuffer, &corner, brush);
        FillRect(WindowDC, &corner, brush);
        DeleteObject(brush);
        GdiFlush();
        ASSERT_EQ(GetPixel(FrameBuffer, 5, 145), Mark);
        ASSERT_TRUE(SpyOnMessageBoxes());

        RunCommand(CommandLoad, {c.action});

        ASSERT_EQ(SeenFileDialogs().size(), 1u);
        if (c.message) {
            ASSERT_EQ(SpiedMessages().size(), 1u);
            EXPECT_EQ(SpiedMessages()[0].text, c.message);
            EXPECT_EQ(SpiedMessages()[0].icon, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(SpiedMessages()[0].owner, MainWindowHandle);
        } else {
            EXPECT_TRUE(SpiedMessages().empty()) << SpiedMessages()[0].text;
        }
        EXPECT_EQ(GetPixel(FrameBuffer, 5, 145) != Mark, c.repainted) << "frame";
        EXPECT_EQ(GetPixel(WindowDC, 5, 145) != Mark, c.repainted) << "window";
        ASSERT_NE(Settings.AuthorName, nullptr);
        EXPECT_STREQ(Settings.AuthorName, c.author);
        EXPECT_EQ(FocusedCommand(), static_cast<int>(FocusedButton));
    }
}

// Yes at the exit question opens the save dialog; the program ends only
// when that save succeeds: after a cancel or a failed save it goes on with
// its changes, for another place to be chosen.
TEST_F(FileDialogExit, YesOpensTheSaveDialogAndTheProgramEndsOnlyAfterASave)
{
    const struct {
        const char* name;
        const char* typed;      // null: the save dialog is cancelled
        const char* blocker;    // a folder of this name is in the way
        const char* message;    // after the question, null: none
        UINT icon;
        bool ends;
    } cases[] = {
        {"cancelled", nullptr, nullptr, nullptr, 0, false},
        {"saved", "leaving", nullptr, SavedText, MB_ICONINFORMATION, true},
        {"cannot be written", "blocked", "blocked.hvd", NotSavedText, MB_ICONERROR, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        Start();
        // No program folder to write Internal.hvd into.
        SetProgramFileName(PathIn("missing\\Halvdyne.exe"));
        if (c.blocker) {
            ASSERT_TRUE(CreateDirectoryA(PathIn(c.blocker).c_str(), nullptr));
        }
        Settings.StarCount += 4321;
        SettingsChanged = true;
        const std::vector<unsigned char> image = ImageOfCurrentSettings();
        ASSERT_TRUE(SpyOnMessageBoxes(IDYES));
        // The question has been answered when the dialog is up; what comes
        // after it is answered with its default button.
        std::vector<SpiedMessage> before;
        const std::string typed = c.typed ? c.typed : "";
        FileDialogAction action = [&before, typed](HWND dialog) {
            before = SpiedMessages();
            SpyOnMessageBoxes();
            if (typed.empty()) {
                CancelFileDialog(dialog);
            } else {
                ChooseName(dialog, typed);
            }
        };
        HWND window = MainWindowHandle;

        RunCommand(CommandQuit, {action});

        ASSERT_EQ(SeenFileDialogs().size(), 1u);
        EXPECT_EQ(SeenFileDialogs()[0].name, "Default Settings.hvd");
        ASSERT_EQ(before.size(), 1u);
        EXPECT_EQ(before[0].text, ExitQuestion);
        EXPECT_EQ(before[0].icon, static_cast<UINT>(MB_ICONQUESTION));
        EXPECT_EQ(before[0].answer, IDYES);
        if (c.message) {
            ASSERT_EQ(SpiedMessages().size(), 1u);
            EXPECT_EQ(SpiedMessages()[0].text, c.message);
            EXPECT_EQ(SpiedMessages()[0].icon, c.icon);
            EXPECT_EQ(SpiedMessages()[0].owner, window);
        } else {
            EXPECT_TRUE(SpiedMessages().empty()) << SpiedMessages()[0].text;
        }
        EXPECT_FALSE(FileExists(PathIn("missing")));
        if (c.typed && !c.blocker) {
            EXPECT_EQ(ReadBytes(PathIn("leaving.hvd")), image);
            EXPECT_FALSE(SettingsChanged);
        } else {
            EXPECT_TRUE(SettingsChanged) << "the changes are still unsaved";
        }
        if (c.ends) {
            EXPECT_FALSE(IsWindow(window));
            EXPECT_TRUE(MessageLoopEnds()) << "the program did not end";
        } else {
            EXPECT_TRUE(IsWindow(window));
            EXPECT_EQ(SettingsFileName, c.typed ? PathIn("blocked.hvd") : std::string("Default Settings.hvd"));
            EXPECT_EQ(ImageOfCurrentSettings(), image) << "the changes are kept";
            EXPECT_FALSE(MessageLoopEnds(200)) << "the program ended";
            EndProgram();
        }
        ResetProgramState();
    }
}

}  // namespace
