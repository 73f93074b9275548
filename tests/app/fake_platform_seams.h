// The in-process tests' side of app/platform_seams.h: help calls are
// recorded instead of starting the viewer, and the program's file name is
// whatever the test chose, so that the program directory can be a
// temporary folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct HelpCall {
    HWND window;
    std::string helpFile;
    UINT command;  // HELP_CONTEXT, HELP_QUIT ... or HH_HELP_CONTEXT, HH_CLOSE_ALL ...
    ULONG_PTR data;
    bool html;     // CallHtmlHelp rather than CallWinHelp
};

// Whether CallHtmlHelp finds HTML Help (true at start): when not, it
// records nothing and returns false.
void SetHtmlHelpAvailable(bool available);

// Every CallWinHelp and CallHtmlHelp since the last ClearHelpCalls, oldest
// first.
const std::vector<HelpCall>& HelpCalls();
void ClearHelpCalls();

// Called with each help call as it is made (null: nobody is told), for
// tests that look at the program's state at that moment.
void SetHelpCallObserver(void (*observer)(const HelpCall& call));

// The full file name ReadProgramFileName reports from now on ("" at start).
void SetProgramFileName(const std::string& fileName);
