// Halvorendyne: estimates how many planets in our galaxy are inhabited and
// how many advanced civilizations exist, and paints the results full screen.
//
// Folders: model/ (the settings record, the estimation chain, number texts;
// portable), files/ (settings files and the file dialogs), wizard/ (the
// five-page settings wizard), display/ (the results screen, its palette and
// the banner reveal), app/ (this entry, the main window, its buttons, help
// and Quit). All state is global and belongs to the user-interface thread;
// the only other thread is the short banner reveal after the first paint,
// which reads the composed background and copies columns to the screen.
#include <windows.h>

#include "app/main_window.h"
#include "model/extended_math.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SetExtendedPrecision();  // 64-bit significands before any model arithmetic
    if (!CreateMainWindow(instance)) return 0;
    return RunMessageLoop();
}
