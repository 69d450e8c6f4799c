// Another program that holds one combination: registers it, tells the test, and counts its presses.
// Usage: corvel_hotkey_holder <modifiers> <virtual key> <ready event name>; ends on WM_QUIT with the count.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) return -1;
    if (!RegisterHotKey(nullptr, 1, std::atoi(argv[1]), std::atoi(argv[2]))) return -2;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the test may post to it
    const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    SetEvent(ready);
    CloseHandle(ready);
    int presses = 0;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_HOTKEY) ++presses;
    }
    return presses;
}
