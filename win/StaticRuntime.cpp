// Linked into corvel.exe alone. A statically linked libstdc++ brings, for a few failure paths, a symbol
// demangler and a second string implementation with all the exception classes that use it: about half
// the program's size. These definitions take their place; every failure still reaches the program's own
// handling (catch (...) or the toolkit's report), which never looks at the exception's type or text.
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

// The default handler prints the demangled exception type to a console this program does not have.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    Win::Application::ReportUncaughtFailure();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_length_error(const char* text) {
    throw LibraryFailure(text);
}
void __throw_logic_error(const char* text) {
    throw LibraryFailure(text);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    throw LibraryFailure(format);
}
void __throw_bad_function_call() {
    throw LibraryFailure("bad function call");
}
}  // namespace std

#endif
