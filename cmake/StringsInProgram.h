// Forced into every file of the MinGW build. libstdc++ declares its std::string and std::wstring members
// as instantiated in the library, so a static link takes whole library objects of them; the value -1
// (libstdc++'s own switch) lets the program instantiate only the members it uses.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
