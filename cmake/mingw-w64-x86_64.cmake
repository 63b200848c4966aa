# Cross-building the Windows DLLs and test programs with MinGW-w64. The posix
# thread variants of the compilers: the win32 ones have no std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SVT_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${SVT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SVT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SVT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SVT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The tests run through Wine (its settings come from the environment ctest
# is started in: see the windows-test target of the Makefile).
find_program(SVT_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SVT_WINE})
