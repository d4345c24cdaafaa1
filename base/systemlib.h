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

// A function that not every supported Windows exports, found at run time by the
// type the program calls it through; null where `module` is null or lacks it.
// Every such type carries WINAPI: on 32-bit Windows a call through a type
// without it, or with other argument sizes, corrupts the caller's stack. The
// 32-bit build links every one of them against the import libraries by its
// type (tests/program/lookups.cpp), which fails for such a type.
template <typename Proc>
Proc FindSystemFunction(HMODULE module, const char* name)
{
    FARPROC found = module != nullptr ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(found));
}

// XP SP1 and later; the headers for XP leave it out.
typedef BOOL(WINAPI* SetDllDirectoryWProc)(LPCWSTR);
