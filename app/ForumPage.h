#pragma once
// Opens the support forum's page with the desktop user's own rights.
//
// The tool runs elevated: a browser that ShellExecute starts from here runs elevated too, and with
// it whatever the page does. On Vista and later the desktop's Explorer runs with the user's own
// rights, so it is asked to start the browser instead. Where it cannot be asked (XP, a machine
// without Explorer's desktop, Wine), the page opens as before.
#include <windows.h>

namespace rk {

// How the page is opened: each answers whether it started something.
struct ForumOpeners {
    bool (*desktopShell)(const wchar_t* url);  // through the desktop's Explorer
    bool (*direct)(const wchar_t* url);        // ShellExecute from this process
    bool elevationPossible;                    // Vista and later
};
ForumOpeners SystemForumOpeners();

// The desktop's Explorer where elevation is possible and it answers, otherwise the direct way.
bool OpenForumPage(const wchar_t* url, const ForumOpeners& openers = SystemForumOpeners());

}  // namespace rk
