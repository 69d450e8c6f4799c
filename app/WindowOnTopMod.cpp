#include "app/WindowOnTopMod.h"

namespace WindowOnTopMod {

void SetWindowOnTop(HWND window, bool bOnTop) {
    // Only the z-order changes: position, size and activation stay as they are.
    SetWindowPos(window, bOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

}  // namespace WindowOnTopMod
