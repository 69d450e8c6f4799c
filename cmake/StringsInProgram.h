// Forced into every file of the MinGW build. libstdc++ declares its std::string and std::wstring members
// as instantiated in the library, so a static link takes whole library objects of them; the value -1
// (the switch libstdc++ itself uses with _GLIBCXX_ASSERTIONS) lets the program instantiate only the members
// it uses. A libstdc++ that stopped honouring it would not break the build, only grow corvel.exe, which
// the size check after the link reports.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
