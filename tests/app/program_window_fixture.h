// The program's main window in the test process: each case runs it in a
// fresh temporary folder that is both the current directory (where the
// start reads "Internal.hvd") and the program directory (where Quit writes
// it), with message boxes answered by the spy and help calls recorded.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/app_state.h"

// The program's state as a new process has it: the globals of app/ and
// display/ at their start values and an empty record.
void ResetProgramState();

// The parameters of the model's worked example (plain results), and an
// author and comments text.
void FillExampleSettings();

// File helpers.
bool FileExists(const std::string& path);
std::vector<unsigned char> ReadBytes(const std::string& path);
// The last-write time as the directory reports it (0 when unreadable).
std::uint64_t LastWriteTime(const std::string& path);
bool SetLastWriteTime(const std::string& path, std::uint64_t time);

// The button's style type: BS_PUSHBUTTON or BS_DEFPUSHBUTTON.
LONG_PTR ButtonType(HWND button);
// The buttons that wear the default look, by CommandId.
std::vector<int> DefaultLookButtons();
// The CommandId of the button that holds the focus, 0 for none.
int FocusedCommand();
const char* CommandName(int id);

// A WM_COMMAND that reached the main window.
struct CommandMessage {
    int id;            // LOWORD(wParam)
    int notification;  // HIWORD(wParam)
    HWND control;      // lParam
};

// Records every WM_COMMAND sent or posted to the main window while armed
// (a WH_CALLWNDPROC and a WH_GETMESSAGE hook on this thread).
bool WatchCommands();
void StopWatchingCommands();
const std::vector<CommandMessage>& SeenCommands();

// Closes the program's own modal dialogs (the settings wizard, the file
// dialogs) as Escape would, from a 0 ms timer inside their loops, and
// records them. Message boxes stay with the message box spy; arm this after
// the spy, so that it sees the wizard's frame first (at its activation the
// frame holds only buttons and a static, like a message box).
struct CancelledDialog {
    std::string caption;  // when it was cancelled
    bool wizard;          // it was the settings wizard's frame
};
bool CancelProgramDialogs();
void StopCancellingDialogs();
const std::vector<CancelledDialog>& CancelledDialogs();

class ProgramWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // "Internal.hvd" of the example settings in the folder (the current
    // directory and the program directory).
    void WriteWorkingFile();
    // CreateMainWindow and the first paint. With the spy armed.
    void StartProgram();
    // Destroys the window if it is still there; the message loop must end.
    void EndProgram();

    // Runs the program's message loop as the program does after start.
    // True when the loop ends by itself (the quit message was posted);
    // false when it had to be stopped after milliseconds.
    static bool MessageLoopEnds(UINT milliseconds = 3000);

    // Dispatches what the queue holds until it has been quiet for
    // quietMilliseconds; stops at once when the main window is gone (the
    // quit message stays queued for MessageLoopEnds).
    static void PumpMessages(DWORD quietMilliseconds = 40);

    // Real input: the main window in front, the given button focused.
    void FocusButton(int id);
    static void PressKey(WORD virtualKey, std::initializer_list<WORD> modifiers = {});
    static void ClickButton(int id);

    std::string PathIn(const char* name) const { return folder_ + "\\" + name; }
    std::string WorkingFile() const { return PathIn("Internal.hvd"); }

    std::string folder_;
    char previousDirectory_[MAX_PATH] = "";
};
