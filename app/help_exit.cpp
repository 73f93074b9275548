#include "app/help_exit.h"

#include <windows.h>
#include <htmlhelp.h>

#include <cstring>

#include "app/app_state.h"
#include "app/message_box.h"
#include "app/platform_seams.h"
#include "files/file_dialog.h"
#include "files/settings_file.h"

bool HtmlHelpOpened = false;

namespace {

const char HelpFileName[] = "Halvdyne.hlp";
const char HtmlHelpFileName[] = "Halvdyne.chm";

bool IsFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

const char* ProgramFilePath(const char* name)
{
    DWORD length = ReadProgramFileName(PathBuffer, 255);
    if (length > 255) length = 255;
    PathBuffer[length] = '\0';
    char* lastBackslash = std::strrchr(PathBuffer, '\\');
    char* end = lastBackslash ? lastBackslash + 1 : PathBuffer;
    std::size_t room = static_cast<std::size_t>(PathBuffer + PathBufferSize - 1 - end);
    std::size_t nameLength = std::strlen(name);
    if (nameLength > room) nameLength = room;
    std::memcpy(end, name, nameLength);
    end[nameLength] = '\0';
    return PathBuffer;
}

void ShowHelp(std::uint8_t context)
{
    // Windows 10 and 11 have no WinHelp viewer; every Windows from 98 on
    // has HTML Help. The same help is in both files.
    const char* htmlHelpFile = ProgramFilePath(HtmlHelpFileName);
    if (IsFile(htmlHelpFile) && CallHtmlHelp(MainWindowHandle, htmlHelpFile, HH_HELP_CONTEXT, context)) {
        HtmlHelpOpened = true;
        return;
    }
    CallWinHelp(MainWindowHandle, ProgramFilePath(HelpFileName), HELP_CONTEXT, context);
}

void CloseHtmlHelp()
{
    if (!HtmlHelpOpened) return;
    HtmlHelpOpened = false;
    CallHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

void CloseHelp()
{
    CallWinHelp(MainWindowHandle, ProgramFilePath(HelpFileName), HELP_QUIT, 0);
}

void ExitProgram()
{
    bool saved = SaveSettings(ProgramFilePath("Internal.hvd"), false);
    if (!saved && SettingsChanged) {
        int answer = ShowMessage(MainWindowHandle, "Do you wish to save the current settings before exit?", "Halvorendyne",
                                 MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return;
        if (answer == IDYES) {
            if (!ChooseSettingsFile(false)) return;
            // A save that failed has said so; the program goes on with the
            // changes, for another place to be chosen.
            if (!SaveSettings(SettingsFileName, true)) return;
        }
    }
    SendMessageA(MainWindowHandle, WM_CLOSE, 0, 0);
}

void SaveAtSessionEnd()
{
    SaveSettingsQuietly(ProgramFilePath("Internal.hvd"));
}
