// Watches the real message boxes of in-process tests and answers them.
//
// While armed, a WH_CBT hook on the calling thread sees every message box
// that thread activates, records what a user would see (text, caption,
// owner, icon) and presses a button from a 0 ms timer inside the box's own
// modal loop, so the call that showed the box returns and nothing waits for
// a user. Only boxes of the arming thread are seen.
//
// A dialog counts as a message box when its class is "#32770", it has the
// message text control (id 0xFFFF) and all its children are statics and
// buttons; other dialogs (the program's own) are left alone.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SpiedMessage {
    std::string text;     // the message text, as shown
    std::string caption;  // the title bar
    HWND owner;           // GetWindow(box, GW_OWNER); null for an unowned box
    // MB_ICONERROR, MB_ICONINFORMATION, MB_ICONEXCLAMATION or MB_ICONQUESTION
    // when the box shows that system icon, 0 when it shows none, and
    // MB_USERICON for an icon that is none of the four.
    UINT icon;
    int answer;  // the id of the button the spy pressed (IDOK, IDNO ...); 0 until then
};

// Arms the spy and forgets earlier messages. answer is the button to press
// in every box (IDYES, IDCANCEL ...); 0 presses the box's default button.
// Arming again only replaces the answer and clears the list. False when
// the hook could not be set (then nothing is watched).
bool SpyOnMessageBoxes(int answer = 0);

// Disarms the spy; the messages recorded so far stay readable, and a box
// already seen is still answered.
void StopSpying();

// The boxes seen since the spy was last armed, oldest first.
const std::vector<SpiedMessage>& SpiedMessages();
