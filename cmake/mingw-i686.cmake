# Cross-compiling to 32-bit Windows (the download for Windows XP and 32-bit
# Windows) with Debian's MinGW-w64. Programs built here run on Linux through
# 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KAVONIX_MINGW_TARGET i686-w64-mingw32)
set(KAVONIX_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
