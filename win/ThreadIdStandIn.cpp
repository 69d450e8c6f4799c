// Linked into corvel.exe (and whatever links as it does). From GCC 13 on, libgcc's Win32 thread support
// (gthr-win32.o, which libstdc++'s exception memory pool needs for its mutex) compares two threads with
// GetThreadId, which came with Windows Vista. The whole object comes with the mutex, so its import would keep
// the program from starting on Windows 2000 and XP. No library object or build option of the toolchain
// avoids it; so the pointer through which that call reaches kernel32 is defined here, to a function that
// looks GetThreadId up at run time. The program has one thread and never compares threads: this only keeps
// the import table to Windows 2000's functions.
#if defined(__MINGW32__) && defined(__i386__) && __GNUC__ >= 13

#include <windows.h>

namespace {

DWORD WINAPI GetThreadIdOrCurrent(HANDLE hThread) {
    using GetThreadIdFn = DWORD(WINAPI*)(HANDLE);
    const auto later =
        reinterpret_cast<GetThreadIdFn>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadId"));
    if (later) return later(hThread);
    // Windows 2000 and XP: the current thread is the one thread they can name; any other is GetThreadId's
    // own failure.
    if (hThread == GetCurrentThread()) return GetCurrentThreadId();
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}

}  // namespace

// The import pointer's own name, as a dllimport declaration calls it on 32-bit x86 (stdcall, 4 bytes).
extern "C" DWORD(WINAPI* const ImportedGetThreadId)(HANDLE) __asm__("__imp__GetThreadId@4");
extern "C" DWORD(WINAPI* const ImportedGetThreadId)(HANDLE) = GetThreadIdOrCurrent;

#endif
