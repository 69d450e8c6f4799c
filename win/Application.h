#pragma once

#include <optional>
#include <string>
#include <string_view>

// What the program asks of the running application: its identity, its command line, its end.
namespace Win::Application {

struct VersionNumbers {
    unsigned Major = 0;
    unsigned Minor = 0;
    unsigned Revision = 0;
};

bool PrevInstance();                 // another instance runs on this desktop
std::wstring Title();                // the title that untitled message boxes bear
std::wstring Path();                 // folder of the executable; a trailing backslash only at a drive root
std::wstring ExeName();              // file name of the executable without its extension
VersionNumbers Version();            // from the executable's version resource
std::wstring Command();              // the argument text after the program's own name
std::wstring ArgumentsOf(std::wstring_view commandLine);
void MsgBox(const std::wstring& text);  // OK button, information icon, no owner, modal
[[noreturn]] void End();
[[noreturn]] void ReportUncaughtFailure();  // for failures that reach a window callback
int ScreenDpi();  // horizontal dots per inch
bool DeclareDpiAware();  // Vista and later: the program scales itself; false where Windows cannot be told
int TwipsPerPixelX();

std::wstring BoolToText(bool value);
std::optional<bool> TextToBool(std::wstring_view text);  // only "True" and "False" convert
std::wstring LCase(std::wstring text);

int Run(void (*main)());  // runs the program's start-up routine, then the message loop

}  // namespace Win::Application
