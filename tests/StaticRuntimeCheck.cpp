// Links win/StaticRuntime.cpp as corvel.exe does, beside a libstdc++ failure helper that it does not stand
// in for (std::stoi's), so the link itself is the first check. Exits 0 when the failures of both still
// arrive as exceptions, each thread keeps exceptions of its own, and a throw and catch leave GetLastError.
#include <windows.h>

#include <exception>
#include <stdexcept>
#include <string>

namespace {

HANDLE Unwinding = nullptr;
HANDLE Counted = nullptr;
int UncaughtInThrower = -1;

// Holds its thread inside the unwinding of an exception until the main thread has counted its own.
struct WaitsForTheCount {
    ~WaitsForTheCount() {
        UncaughtInThrower = std::uncaught_exceptions();
        SetEvent(Unwinding);
        WaitForSingleObject(Counted, INFINITE);
    }
};

DWORD WINAPI Thrower(void*) {
    try {
        WaitsForTheCount waits;
        throw 1;
    } catch (int) {
    }
    return 0;
}

bool EachThreadCountsItsOwn() {
    Unwinding = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Counted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE thread = CreateThread(nullptr, 0, Thrower, nullptr, 0, nullptr);
    WaitForSingleObject(Unwinding, INFINITE);
    const int uncaughtHere = std::uncaught_exceptions();
    SetEvent(Counted);
    WaitForSingleObject(thread, INFINITE);
    return uncaughtHere == 0 && UncaughtInThrower == 1;
}

bool ThrowKeepsLastError() {
    SetLastError(ERROR_ACCESS_DENIED);
    try {
        throw 1;
    } catch (int) {
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace

int main() {
    int passed = 0;
    try {
        std::string text;
        text.reserve(text.max_size() + 1);  // a helper that StaticRuntime.cpp stands in for
    } catch (const std::exception&) {
        ++passed;
    }
    try {
        return std::stoi("no number");  // one of libstdc++'s own
    } catch (const std::invalid_argument&) {
        ++passed;
    }
    passed += EachThreadCountsItsOwn();
    passed += ThrowKeepsLastError();
    return passed == 4 ? 0 : 1;
}
