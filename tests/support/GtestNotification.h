#pragma once

// GoogleTest's thread start-up signal, from a Win32 event: the Win32 thread model of the compiler that
// builds for Windows 2000 has no std::mutex, which GoogleTest's own version needs.
#define GTEST_HAS_NOTIFICATION_ 1

#include <windows.h>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : Event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(Event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(Event); }
    void WaitForNotification() { WaitForSingleObject(Event, INFINITE); }

private:
    HANDLE Event;
};

}  // namespace internal
}  // namespace testing
