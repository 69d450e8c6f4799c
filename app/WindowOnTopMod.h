#pragma once

#include <windows.h>

namespace WindowOnTopMod {

// Topmost and at once not topmost again brings a window to the front of the ordinary windows.
void SetWindowOnTop(HWND window, bool bOnTop);

}  // namespace WindowOnTopMod
