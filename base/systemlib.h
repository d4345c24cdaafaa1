// Libraries from the Windows system folder only: neither the program's own
// folder nor the current directory may supply one.
#pragma once

#include <windows.h>

// Loads "<system folder>\<fileName>" by its full path; null when that path
// does not fit or the load fails. The library's own dependencies are looked
// for in the system folder first, too.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
// Takes the current directory out of the library search for the rest of the
// process: 1 done, 0 on a system without the means (XP before SP1), -1 failed.
int RemoveCurrentDirectoryFromLibrarySearch();
