#include "tests/app/fake_platform_seams.h"

#include <cstring>

#include "app/platform_seams.h"

namespace {
std::vector<HelpCall> Calls;
std::string ProgramFileName;
void (*Observer)(const HelpCall&) = nullptr;
bool HtmlHelpAvailable = true;
}  // namespace

void SetHtmlHelpAvailable(bool available)
{
    HtmlHelpAvailable = available;
}

const std::vector<HelpCall>& HelpCalls()
{
    return Calls;
}

void ClearHelpCalls()
{
    Calls.clear();
}

void SetHelpCallObserver(void (*observer)(const HelpCall& call))
{
    Observer = observer;
}

void SetProgramFileName(const std::string& fileName)
{
    ProgramFileName = fileName;
}

BOOL CallWinHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data)
{
    Calls.push_back({window, helpFile ? helpFile : "", command, data, false});
    if (Observer) Observer(Calls.back());
    return TRUE;
}

bool CallHtmlHelp(HWND window, const char* helpFile, UINT command, DWORD_PTR data)
{
    if (!HtmlHelpAvailable) return false;
    Calls.push_back({window, helpFile ? helpFile : "", command, data, true});
    if (Observer) Observer(Calls.back());
    return true;
}

// As GetModuleFileNameA: a name that does not fit is cut to size - 1
// characters and its terminator, and the result is then size.
DWORD ReadProgramFileName(char* buffer, DWORD size)
{
    if (size == 0) return 0;
    std::size_t length = ProgramFileName.size();
    if (length >= size) {
        std::memcpy(buffer, ProgramFileName.data(), size - 1);
        buffer[size - 1] = '\0';
        return size;
    }
    std::memcpy(buffer, ProgramFileName.c_str(), length + 1);
    return static_cast<DWORD>(length);
}
