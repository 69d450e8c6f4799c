#pragma once

#include <string>
#include <string_view>

// Every Windows call of the program uses the "A" entry points: text crosses in the ANSI code page.
namespace Win::Ansi {

std::string FromWide(std::wstring_view text);
std::wstring ToWide(std::string_view text);

}  // namespace Win::Ansi
