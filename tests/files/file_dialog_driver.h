// Drives the system's real open and save dialogs from inside their modal
// loops, as a user would: a thread timer finds the file dialog once the
// program's hook has placed it, records what the user sees (position, file
// name field, folder) and runs the next of the test's actions on it.
//
// Every file dialog of the arming thread takes one action, in order; a
// dialog for which no action is left is cancelled and counted. Message
// boxes (the overwrite question, the program's messages) stay with the
// message box spy.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What a file dialog showed when its action began.
struct FileDialogView {
    HWND dialog;
    std::string caption;
    RECT outer;              // GetWindowRect of the dialog
    std::string name;        // the file name field
    std::string folder;      // the folder on show (CDM_GETFOLDERPATH)
    std::string directory;   // the process's current directory
    bool placed;             // the program's hook had placed the dialog
};

using FileDialogAction = std::function<void(HWND dialog)>;

// Arms the driver for the calling thread; forgets earlier dialogs. False
// when the timer could not be set.
bool DriveFileDialogs(const std::vector<FileDialogAction>& actions);
void StopDrivingFileDialogs();
const std::vector<FileDialogView>& SeenFileDialogs();
// Dialogs that opened after the actions ran out (cancelled by the driver).
int UnexpectedFileDialogs();

// --- actions and their parts ---------------------------------------------------

// The file name field: the combo box (cmb13) or the edit (edt1).
HWND FileNameField(HWND dialog);
std::string FileNameText(HWND dialog);
// Moves the dialog's top left corner to (left, top), its size kept.
void MoveDialog(HWND dialog, int left, int top);
// Types name into the file name field and presses OK.
void ChooseName(HWND dialog, const std::string& name);
// Presses Cancel.
void CancelFileDialog(HWND dialog);

FileDialogAction Choose(const std::string& name);
FileDialogAction Cancel();
FileDialogAction MoveAndCancel(int left, int top);
