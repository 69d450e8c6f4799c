#pragma once

#include <windows.h>

// The one polling loop of the tests: checks at once, then every pollMs; true once the condition holds,
// false when timeoutMs have passed without it.
bool WaitUntil(DWORD timeoutMs, DWORD pollMs, bool (*condition)(void*), void* context);

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 5000, DWORD pollMs = 20) {
    const auto holds = [](void* c) { return (*static_cast<Condition*>(c))(); };
    return WaitUntil(timeoutMs, pollMs, holds, &condition);
}
