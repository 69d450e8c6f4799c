#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Wine's stand-alone notification area: one child window per icon, and a tooltip control that holds
// every icon's tip. Read from outside, as the test sees the desktop.
HWND TrayWindow();                    // the tray window itself, or none
int TrayIconCount();                  // 0 when there is no tray window at all
std::vector<std::string> TrayTips();  // the tip of each icon, read from the tray's tooltip control
