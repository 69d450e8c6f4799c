#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Wine's notification area, read from outside as the test sees the desktop: a window of the shell's with one
// child window per icon, and tooltip controls that hold the icons' tips. Wine 8 shows it in a stand-alone
// tray window of its own, Wine 10 in the shell's taskbar window; both are found.
HWND TrayWindow();                    // the window that shows the icons, or none
int TrayIconCount();                  // 0 when there is no tray window at all
std::vector<std::string> TrayTips();  // the tip of each icon, read from the tray's tooltip control
