// Started once before the Windows tests run under Wine: while a program
// lives, Wine keeps its desktop and services up, so each test program
// starts in milliseconds instead of seconds. Ended with the wineserver.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Sleep(INFINITE);
    return 0;
}
