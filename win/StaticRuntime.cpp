// Linked into corvel.exe and its unit tests. A statically linked libstdc++ brings, for a few failure paths,
// a symbol demangler and a second string implementation with all the exception classes that use it: about
// half the program's size. The link sends every call of these helpers here instead (ld --wrap, with the
// list in CMakeLists.txt); every failure still arrives as an exception that the program's own handling
// (catch (...) or the toolkit's report) takes, and which never looks at the exception's type or text.
// Nothing of libstdc++ is defined twice, so should the library stop calling one of these names, the link
// still works and only the size check notices.
#include <cstdlib>
#include <exception>
#include <new>

#if defined(__GLIBCXX__)  // defined by the headers above

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

// The default terminate handler, which would print the demangled exception type to a console this program
// does not have. The program's own handler, set through std::set_terminate, replaces it at start.
void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    std::abort();
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
