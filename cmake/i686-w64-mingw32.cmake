# Cross-compiles the 32-bit Windows program with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CORVEL_TRIPLE i686-w64-mingw32)
# The Win32 thread model: the POSIX one links winpthreads, which imports XP and Vista functions.
set(CMAKE_C_COMPILER ${CORVEL_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${CORVEL_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${CORVEL_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CORVEL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
