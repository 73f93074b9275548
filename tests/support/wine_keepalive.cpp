// Started once before the Windows tests run under Wine: while a program
// lives on the desktop, Wine keeps the desktop process and its services
// up, so each test program starts in milliseconds, and no test program
// starts the desktop itself (it would inherit that test's output pipes and
// keep CTest waiting). Ended with the wineserver.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Joining the desktop is what counts; a program that never touches it
    // does not keep the desktop process alive.
    GetDesktopWindow();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
