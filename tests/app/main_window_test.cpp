// The main window from start to end: what the start makes of the working
// settings, the window and its buttons, which WM_COMMAND messages run a
// command, and closing through the system.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "display/display_surfaces.h"
#include "files/settings_file.h"
#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/settings_record.h"
#include "tests/app/fake_platform_seams.h"
#include "tests/app/program_window_fixture.h"
#include "tests/support/message_box_spy.h"

namespace {

const char NotLoadedText[] = "File error. Settings NOT loaded.";

std::string ClassName(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowText(HWND window)
{
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A window's rectangle in the main window's client coordinates.
RECT RectInMainWindow(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    MapWindowPoints(HWND_DESKTOP, MainWindowHandle, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

// The one-hour-old time the tests give a working file, so that a rewrite
// shows in its last-write time.
std::uint64_t OldFileTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::uint64_t time = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return time - 36000000000ULL;
}

// A colour the program never paints, in the frame's rows of the texts, left
// of them: a full paint composes those rows again from the background and
// loses it; a repair paint only copies from the frame.
const RECT MarkerArea = {5, 140, 15, 150};
const COLORREF MarkerColour = RGB(201, 7, 99);

void PaintMarker()
{
    HBRUSH brush = CreateSolidBrush(MarkerColour);
    FillRect(FrameBuffer, &MarkerArea, brush);
    DeleteObject(brush);
    GdiFlush();
}

bool FrameStillMarked()
{
    return GetPixel(FrameBuffer, MarkerArea.left + 5, MarkerArea.top + 5) == MarkerColour;
}

struct ScreenLayout {
    int width;
    int height;
    int buttonLeft[CommandCount + 1];  // by CommandId
    int buttonTop;
};

// The button row for the screen sizes the tests run on.
const ScreenLayout Layouts[] = {
    {1024, 768, {0, 244, 354, 464, 574, 684}, 695},
    {640, 480, {0, 52, 162, 272, 382, 492}, 407},
};

}  // namespace

using MainWindowStart = ProgramWindowTest;
using MainWindowCommands = ProgramWindowTest;
using MainWindowClose = ProgramWindowTest;

TEST_F(MainWindowStart, WithoutReadableWorkingSettingsThereIsNoWindow)
{
    // The start reads the file of the current directory: one in the
    // program directory does not count.
    const std::string programFolder = PathIn("program");
    ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr));
    FillExampleSettings();
    ASSERT_TRUE(SaveSettings((programFolder + "\\Internal.hvd").c_str(), false));
    SetProgramFileName(programFolder + "\\Halvdyne.exe");

    const struct {
        const char* name;
        std::vector<unsigned char> bytes;  // empty: no file
        const char* caption;
    } cases[] = {
        {"no file", {}, "Internal.hvd"},
        {"wrong header", std::vector<unsigned char>(300, 'x'), "Halvorendyne"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetProgramState();
        DeleteFileA(WorkingFile().c_str());
        if (!c.bytes.empty()) {
            HANDLE file = CreateFileA(WorkingFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            DWORD written = 0;
            WriteFile(file, c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &written, nullptr);
            CloseHandle(file);
        }
        ASSERT_TRUE(SpyOnMessageBoxes());
        EXPECT_FALSE(CreateMainWindow(GetModuleHandleA(nullptr)));
        ASSERT_EQ(SpiedMessages().size(), 1u);
        EXPECT_EQ(SpiedMessages()[0].text, NotLoadedText);
        EXPECT_EQ(SpiedMessages()[0].caption, c.caption);
        EXPECT_EQ(SpiedMessages()[0].icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(SpiedMessages()[0].owner, nullptr);
        EXPECT_EQ(MainWindowHandle, nullptr);
        EXPECT_EQ(FindWindowA("HalWnd", nullptr), nullptr);
        EXPECT_FALSE(MessageLoopEnds(200)) << "a quit message without a window";
    }
}

TEST_F(MainWindowStart, CoversTheScreenWithTheButtonRowAtTheBottom)
{
    // Run on a screen of its own (cmake/wine-screen.sh), the case is told
    // that screen's size: Windows must report the same.
    char width[16] = "";
    char height[16] = "";
    if (GetEnvironmentVariableA("SCREEN_WIDTH", width, sizeof width) > 0 &&
        GetEnvironmentVariableA("SCREEN_HEIGHT", height, sizeof height) > 0) {
        ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), std::atoi(width));
        ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), std::atoi(height));
    }
    WriteWorkingFile();
    StartProgram();
    ASSERT_EQ(ScreenWidth, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(ScreenHeight, GetSystemMetrics(SM_CYSCREEN));
    const ScreenLayout* layout = nullptr;
    for (const auto& candidate : Layouts) {
        if (candidate.width == ScreenWidth && candidate.height == ScreenHeight) layout = &candidate;
    }
    ASSERT_NE(layout, nullptr) << "no expected layout for " << ScreenWidth << " x " << ScreenHeight;

    HWND window = MainWindowHandle;
    EXPECT_EQ(ClassName(window), "HalWnd");
    EXPECT_EQ(WindowText(window), "Halvorendyne");
    const LONG_PTR kinds = WS_POPUP | WS_CHILD | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE;
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & kinds, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_VISIBLE);
    RECT area;
    GetWindowRect(window, &area);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, layout->width);
    EXPECT_EQ(area.bottom, layout->height);

    const char* const labels[] = {"", "&Edit", "&Load", "&Save", "&Quit", "&Help"};
    int children = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, CommandCount);
    for (int id = CommandEdit; id <= CommandHelp; ++id) {
        SCOPED_TRACE(CommandName(id));
        HWND button = ButtonHandles[id];
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(GetParent(button), window);
        EXPECT_EQ(ClassName(button), "Button");
        EXPECT_EQ(WindowText(button), labels[id]);
        EXPECT_EQ(GetDlgCtrlID(button), id);
        EXPECT_EQ(GetDlgItem(window, id), button);
        EXPECT_TRUE(IsWindowVisible(button));
        RECT place = RectInMainWindow(button);
        EXPECT_EQ(place.left, layout->buttonLeft[id]);
        EXPECT_EQ(place.top, layout->buttonTop);
        EXPECT_EQ(place.right - place.left, 96);
        EXPECT_EQ(place.bottom - place.top, 26);
    }
    EXPECT_EQ(FocusedCommand(), CommandEdit);
    EXPECT_EQ(FocusedButton, CommandEdit);
    EXPECT_EQ(DefaultLookButtons(), std::vector<int>{CommandEdit});
}

TEST_F(MainWindowStart, ShowsTheWorkingSettingsOfTheCurrentDirectory)
{
    FillExampleSettings();
    ComputeResults();
    SettingsRecord expected;
    std::memcpy(&expected, &Settings, sizeof expected);
    WriteWorkingFile();
    StartProgram();
    EXPECT_EQ(std::memcmp(StoredBlockBytes(), &expected, StoredBlockSize), 0);
    EXPECT_EQ(Settings.InhabitedPlanetTotal, expected.InhabitedPlanetTotal);
    EXPECT_EQ(Settings.GalaxyCivilizationCount, expected.GalaxyCivilizationCount);
    EXPECT_EQ(Settings.UniverseCivilizationCount, expected.UniverseCivilizationCount);
    ASSERT_NE(Settings.AuthorName, nullptr);
    EXPECT_STREQ(Settings.AuthorName, "Test Team");
    EXPECT_EQ(Settings.SettingsFileTime, LastWriteTime(WorkingFile()));
    EXPECT_STREQ(SettingsFileName, "Default Settings.hvd");
    EXPECT_FALSE(SettingsChanged);
    EXPECT_TRUE(SpiedMessages().empty());
}

// A save cut short leaves its new file "hvdXXXX.tmp" behind. The start
// deletes those of the program folder last written 10 minutes ago or more:
// younger ones may be another copy's running save, other names not a save's.
TEST_F(MainWindowStart, DeletesTheProgramFolderLeftoversOfSavesCutShort)
{
    const std::uint64_t minute = 600000000ULL;
    const struct {
        const char* name;
        int minutesAgo;
        bool deleted;
    } files[] = {{"hvd1A2B.tmp", 60, true},   {"HVDf.TMP", 11, true},  {"hvdfffe.tmp", 9, false},
                 {"hvd12345.tmp", 60, false}, {"hvdx1.tmp", 60, false}, {"hvd.tmp", 60, false},
                 {"hvb1A2B.tmp", 60, false}};
    for (const auto& file : files) {
        HANDLE handle = CreateFileA(PathIn(file.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file.name;
        CloseHandle(handle);
        ASSERT_TRUE(SetLastWriteTime(PathIn(file.name), OldFileTime() + (60 - file.minutesAgo) * minute));
    }
    WriteWorkingFile();
    StartProgram();
    for (const auto& file : files) EXPECT_EQ(FileExists(PathIn(file.name)), !file.deleted) << file.name;
}

TEST_F(MainWindowCommands, OnlyNotificationCodeZeroWithAKnownIdRunsACommand)
{
    WriteWorkingFile();
    const std::uint64_t oldTime = OldFileTime();
    ASSERT_TRUE(SetLastWriteTime(WorkingFile(), oldTime));
    StartProgram();
    // Help and Quit show whether they ran: a help call, or the working file
    // rewritten and the window gone.
    const struct {
        int id;
        int notification;
    } ignored[] = {
        {CommandHelp, 1},      {CommandHelp, BN_DOUBLECLICKED}, {CommandHelp, 0x8000},
        {CommandQuit, 1},      {CommandQuit, BN_SETFOCUS},      {CommandQuit, 0xFFFF},
        {0, 0},                {CommandCount + 1, 0},           {0x100 + CommandHelp, 0},
        {0x100 + CommandQuit, 0}, {0xFFFF, 0},
    };
    for (const auto& c : ignored) {
        SCOPED_TRACE("id " + std::to_string(c.id) + ", notification " + std::to_string(c.notification));
        SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(c.id, c.notification),
                     reinterpret_cast<LPARAM>(ButtonHandles[CommandHelp]));
        PumpMessages();
        ASSERT_TRUE(IsWindow(MainWindowHandle)) << "the program ended";
        EXPECT_TRUE(HelpCalls().empty());
        EXPECT_EQ(LastWriteTime(WorkingFile()), oldTime);
        EXPECT_TRUE(SpiedMessages().empty());
    }

    SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(CommandHelp, 0), 0);
    ASSERT_EQ(HelpCalls().size(), 1u);
    EXPECT_EQ(HelpCalls()[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(HelpCalls()[0].data, 1u);

    SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(CommandQuit, 0), 0);
    EXPECT_FALSE(IsWindow(MainWindowHandle));
    EXPECT_NE(LastWriteTime(WorkingFile()), oldTime);
    EXPECT_TRUE(MessageLoopEnds());
}

// Edit, Load and Save with their dialogs cancelled (the wizard, the file
// dialogs, or no dialog where there is none yet): the settings, the files
// and the results on the screen stay as they were, and the focus goes back
// to the button that had it.
TEST_F(MainWindowCommands, CancelledEditLoadAndSaveLeaveEverythingAsItWas)
{
    WriteWorkingFile();
    const std::uint64_t oldTime = OldFileTime();
    ASSERT_TRUE(SetLastWriteTime(WorkingFile(), oldTime));
    StartProgram();
    ASSERT_TRUE(CancelProgramDialogs());
    const CommandId commands[] = {CommandEdit, CommandLoad, CommandSave};
    for (bool changed : {false, true}) {
        for (CommandId id : commands) {
            SCOPED_TRACE(std::string(CommandName(id)) + (changed ? ", unsaved changes" : ", nothing changed"));
            SettingsChanged = changed;
            WizardModified = true;
            // The wizard's page 3 computes the suitable stars again, page 4
            // the inhabited planets: a cancel must bring back these values.
            Settings.CurrentPage = changed ? 3 : 4;
            Settings.SuitableStarCount = 777;
            Settings.InhabitedPlanetTotal = 888;
            Settings.SuitableStarExponent = 21;  // and the exponents beside them
            Settings.InhabitedPlanetExponent = 33;
            SettingsRecord before;
            std::memcpy(&before, &Settings, sizeof before);
            PaintMarker();
            // The focus on the window itself, as after a reactivation.
            FocusButton(CommandSave);
            SetFocus(MainWindowHandle);
            ASSERT_TRUE(CancelProgramDialogs());

            SendMessageA(MainWindowHandle, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(ButtonHandles[id]));
            ASSERT_TRUE(IsWindow(MainWindowHandle));
            EXPECT_EQ(std::memcmp(&before, &Settings, sizeof before), 0) << "the record changed";
            EXPECT_EQ(Settings.SuitableStarCount, 777);
            EXPECT_EQ(Settings.InhabitedPlanetTotal, 888);
            EXPECT_EQ(SettingsChanged, changed);
            EXPECT_STREQ(SettingsFileName, "Default Settings.hvd");
            EXPECT_TRUE(FrameStillMarked()) << "the results were painted again";
            EXPECT_TRUE(SpiedMessages().empty());
            EXPECT_EQ(LastWriteTime(WorkingFile()), oldTime);
            if (id == CommandEdit) {
                ASSERT_EQ(CancelledDialogs().size(), 1u) << "no wizard";
                EXPECT_TRUE(CancelledDialogs()[0].wizard);
                EXPECT_FALSE(WizardModified) << "the wizard starts by clearing it";
                EXPECT_EQ(FocusedCommand(), CommandSave);
                EXPECT_EQ(DefaultLookButtons(), std::vector<int>{CommandSave});
            } else {
                for (const CancelledDialog& dialog : CancelledDialogs()) EXPECT_FALSE(dialog.wizard) << dialog.caption;
            }
            PumpMessages();
            ASSERT_TRUE(IsWindow(MainWindowHandle));
        }
    }
}

// Alt+F4, the system menu's Close and WM_CLOSE itself destroy the window
// directly: nothing is saved and nothing is asked, even with changes.
TEST_F(MainWindowClose, ClosingThroughTheSystemNeitherSavesNorAsks)
{
    enum class Close { AltF4, SystemMenu, Message };
    const struct {
        const char* name;
        Close how;
    } cases[] = {
        {"Alt+F4 on a button", Close::AltF4},
        {"system menu Close", Close::SystemMenu},
        {"WM_CLOSE", Close::Message},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWorkingFile();
        const std::uint64_t oldTime = OldFileTime();
        ASSERT_TRUE(SetLastWriteTime(WorkingFile(), oldTime));
        StartProgram();
        SettingsChanged = true;
        ASSERT_TRUE(SpyOnMessageBoxes(IDCANCEL));
        ClearHelpCalls();
        switch (c.how) {
        case Close::AltF4:
            FocusButton(CommandSave);
            PressKey(VK_F4, {VK_MENU});
            break;
        case Close::SystemMenu: SendMessageA(MainWindowHandle, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case Close::Message: SendMessageA(MainWindowHandle, WM_CLOSE, 0, 0); break;
        }
        EXPECT_FALSE(IsWindow(MainWindowHandle));
        EXPECT_TRUE(MessageLoopEnds());
        EXPECT_TRUE(SpiedMessages().empty());
        EXPECT_EQ(LastWriteTime(WorkingFile()), oldTime) << "Internal.hvd was written";
        ASSERT_EQ(HelpCalls().size(), 1u);
        EXPECT_EQ(HelpCalls()[0].command, static_cast<UINT>(HELP_QUIT));
    }
}
