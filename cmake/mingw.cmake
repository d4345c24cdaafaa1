# What both MinGW-w64 toolchain files share: Debian's cross compilers of the
# posix thread model (std::thread and std::mutex exist for GoogleTest) for the
# target KAVONIX_MINGW_TARGET, and the Wine loader that runs the tests.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KAVONIX_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVONIX_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVONIX_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KAVONIX_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Only the tests need Wine: the loader KAVONIX_WINE_LOADER, which wine-exec
# starts by the exe's machine type (and which says so when the kernel cannot
# run it). Without it the program is built alone.
find_program(KAVONIX_WINE_LOADER_PATH ${KAVONIX_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT KAVONIX_WINE_LOADER_PATH)
  find_program(KAVONIX_WINE_LOADER_PATH ${KAVONIX_WINE_LOADER})
endif()
if(KAVONIX_WINE_LOADER_PATH)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
endif()
