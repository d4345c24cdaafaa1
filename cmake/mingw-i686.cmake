# Cross-compiling to 32-bit Windows with Debian's MinGW-w64 (posix thread model,
# so that std::thread and std::mutex exist for GoogleTest). Programs built here
# run on Linux through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Only the tests need Wine: 32-bit Wine's loader, started by wine-exec (which
# says so when the kernel runs no 32-bit programs). Without it the program is
# built alone.
find_program(KAVONIX_WINE32 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(KAVONIX_WINE32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
endif()
