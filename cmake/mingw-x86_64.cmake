# Cross-compiling to 64-bit Windows (the download for 64-bit Windows) with
# Debian's MinGW-w64. This build runs its tests on every machine, 32-bit
# programs or not.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KAVONIX_MINGW_TARGET x86_64-w64-mingw32)
set(KAVONIX_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
