#pragma once

// Marks a function that runs on every idle tick. GCC and Clang place such functions together, apart from
// the rest of the code, so that a tick wakes one page of the program rather than several: a cold page costs
// more than the few instructions run on it. Kept out of line, so that no caller outside the tick takes one
// in. Other compilers need no hint to build.
#if defined(__GNUC__)
#define IDLE_PATH [[gnu::hot, gnu::noinline]]
#else
#define IDLE_PATH
#endif
