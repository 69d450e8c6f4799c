#pragma once

#include <string>
#include <string_view>

struct HWND__;  // HWND, as <windows.h> declares it

// What the program asks of the running application: its identity, its command line, its end.
namespace Win::Application {

struct VersionNumbers {
    unsigned Major = 0;
    unsigned Minor = 0;
    unsigned Revision = 0;
};

enum class DllSearch { SystemOnly, NoCurrentDirectory, Unchanged };
// How the DLL search can be kept out of the program's folder, from what this Windows offers.
DllSearch ChooseDllSearch(bool hasDefaultDllDirectories,
                          bool hasDllDirectory,
                          unsigned major,
                          unsigned minor);
// First in WinMain: a DLL that Windows loads later by its plain name, for a window or a shell call, comes
// from the system folder, never from the program's folder, which may be Downloads. Returns the way taken.
DllSearch RestrictDllSearch();
bool PrevInstance(const std::wstring& instanceName);  // another instance of that name runs on this desktop
std::wstring FilePath();                              // the executable's full path
std::wstring Path();       // folder of the executable; a trailing backslash only at a drive root
std::wstring ExeName();    // file name of the executable without its extension
VersionNumbers Version();  // from the executable's version resource
std::wstring Command();    // the argument text after the program's own name
std::wstring ArgumentsOf(std::wstring_view commandLine);
void MsgBox(const std::wstring& text);  // OK button, information icon, no owner, modal, the program's title
[[noreturn]] void End(unsigned exitCode = 0);
[[noreturn]] void ReportUncaughtFailure();  // for failures that reach a window callback
// One line for a debugger or DebugView, after the program's name; format as wsprintfA takes it.
void Trace(const char* format, ...);
int ScreenDpi();         // horizontal dots per inch, as at the first call
bool DeclareDpiAware();  // Vista and later: the program scales itself; false where Windows cannot be told
int TwipsPerPixelX();

std::wstring LCase(std::wstring text);

// Windows is this version or later, as GetVersionExA reports it: 6.2 on Windows 8, 8.1, 10 and 11 alike for a
// program whose manifest names none of them.
bool WindowsAtLeast(unsigned major, unsigned minor);
bool UnderWow64();  // a 32-bit program on 64-bit Windows; false where Windows has no 64-bit edition to tell
// The modeless dialog whose keyboard handling the message loop runs, or none.
void ServeDialog(HWND__* hDialog);

// Runs the program's start-up routine, then the message loop; title, kept to head the program's message
// boxes, must live as long as the program (a literal does).
int Run(std::wstring_view title, void (*main)());

}  // namespace Win::Application
