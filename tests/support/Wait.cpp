#include "tests/support/Wait.h"

bool WaitUntil(DWORD timeoutMs, DWORD pollMs, bool (*condition)(void*), void* context) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition(context)) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(pollMs);
    }
}
