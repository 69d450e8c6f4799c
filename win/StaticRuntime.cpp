// Linked into corvel.exe alone. A statically linked libstdc++ brings, for a few failure paths, a symbol
// demangler and a second string implementation with all the exception classes that use it: about half
// the program's size. The link sends every call of these helpers, and of the two that find a thread's
// exception state, here instead (ld --wrap, with the list in CMakeLists.txt); every failure still reaches
// the program's own handling (catch (...) or the toolkit's report), which never looks at the exception's
// type or text. Nothing of libstdc++ is defined twice, so a program that comes to use another of its
// helpers still links; the size check says so.
#if defined(__GLIBCXX__)

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <new>

#include "win/Application.h"

namespace {

class LibraryFailure : public std::exception {
public:
    explicit LibraryFailure(const char* text) : Text(text) {}
    const char* what() const noexcept override { return Text; }

private:
    const char* Text;
};

// Each thread's exception state, as the C++ ABI lays it out: the exceptions caught and not yet done with,
// and the count of those thrown and not yet caught. libstdc++ keeps it in emulated thread-local storage,
// whose code costs the program 1.5 KB; here a Windows TLS slot points to it.
struct ThreadExceptions {
    void* Caught;
    unsigned Uncaught;
};

constexpr LONG kNoSlot = static_cast<LONG>(TLS_OUT_OF_INDEXES);
LONG volatile ExceptionsSlot = kNoSlot;  // until a thread first throws or catches

}  // namespace

// The MinGW runtime's own registration of a TLS slot's destructor, run at the end of each thread: what the
// emulated storage uses too.
extern "C" int __mingwthr_key_dtor(DWORD key, void (*dtor)(void*));

namespace {

DWORD ExceptionsSlotIndex() {
    if (ExceptionsSlot != kNoSlot) return static_cast<DWORD>(ExceptionsSlot);
    const DWORD slot = TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) std::abort();  // as the emulated storage does when it runs out
    // Two threads at their first exception: one slot is kept, the other goes back.
    const LONG kept = InterlockedCompareExchange(&ExceptionsSlot, static_cast<LONG>(slot), kNoSlot);
    if (kept != kNoSlot) {
        TlsFree(slot);
        return static_cast<DWORD>(kept);
    }
    __mingwthr_key_dtor(slot, std::free);
    return slot;
}

}  // namespace

// The names are the wrapped helpers' own, as ld --wrap expects them.
extern "C" {

// __gnu_cxx::__verbose_terminate_handler prints the demangled exception type to a console this program
// does not have.
void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    Win::Application::ReportUncaughtFailure();
}

// Called inside every throw and catch, which leave GetLastError as it was (TlsGetValue clears it).
void* __wrap___cxa_get_globals_fast() {
    const DWORD error = GetLastError();
    const DWORD slot = ExceptionsSlotIndex();
    auto* state = static_cast<ThreadExceptions*>(TlsGetValue(slot));
    if (!state) {
        state = static_cast<ThreadExceptions*>(std::calloc(1, sizeof(ThreadExceptions)));
        if (!state || !TlsSetValue(slot, state)) std::abort();
    }
    SetLastError(error);
    return state;
}
void* __wrap___cxa_get_globals() {
    return __wrap___cxa_get_globals_fast();
}

[[noreturn]] void __wrap__ZSt17__throw_bad_allocv() {
    throw std::bad_alloc();
}
[[noreturn]] void __wrap__ZSt28__throw_bad_array_new_lengthv() {
    throw std::bad_array_new_length();
}
[[noreturn]] void __wrap__ZSt20__throw_length_errorPKc(const char* text) {
    throw LibraryFailure(text);
}
[[noreturn]] void __wrap__ZSt19__throw_logic_errorPKc(const char* text) {
    throw LibraryFailure(text);
}
[[noreturn]] void __wrap__ZSt24__throw_out_of_range_fmtPKcz(const char* format, ...) {
    throw LibraryFailure(format);
}
[[noreturn]] void __wrap__ZSt25__throw_bad_function_callv() {
    throw LibraryFailure("bad function call");
}

}  // extern "C"

#endif
