# Cross-compiling to 64-bit Windows with Debian's MinGW-w64 (posix thread
# model). This build runs the tests where the kernel runs no 32-bit programs;
# the program that ships is the 32-bit one (mingw-i686.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Only the tests need Wine: 64-bit Wine's loader, started by wine-exec.
find_program(KAVONIX_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT KAVONIX_WINE64)
  find_program(KAVONIX_WINE64 wine64)
endif()
if(KAVONIX_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
endif()
