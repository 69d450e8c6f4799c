#pragma once

#include <string>
#include <string_view>

// The program's Windows calls use the "A" entry points, text crossing in the ANSI code page, except where its
// own path goes: that takes the "W" ones, so that a folder the code page lacks keeps its name.
namespace Win::Ansi {

std::string FromWide(std::wstring_view text);
std::wstring ToWide(std::string_view text);

}  // namespace Win::Ansi
