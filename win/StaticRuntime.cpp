// Linked into corvel.exe alone. A statically linked libstdc++ brings, for a few failure paths, a symbol
// demangler and a second string implementation with all the exception classes that use it: about half
// the program's size. The link sends every call of these helpers here instead (ld --wrap, with the list
// in CMakeLists.txt); every failure still reaches the program's own handling (catch (...) or the
// toolkit's report), which never looks at the exception's type or text. Nothing of libstdc++ is defined
// twice, so a program that comes to use another of its helpers still links; the size check says so.
#if defined(__GLIBCXX__)

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

}  // namespace

// The names are the wrapped helpers' own, as ld --wrap expects them.
extern "C" {

// __gnu_cxx::__verbose_terminate_handler prints the demangled exception type to a console this program
// does not have.
void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    Win::Application::ReportUncaughtFailure();
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
