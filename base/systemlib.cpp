// Library loading that trusts only the system folder: a bare library name is
// looked for in the program's folder first, where a downloaded file may lie.
#include "base/systemlib.h"

#include "base/sizes.h"

HMODULE LoadSystemLibrary(const wchar_t* fileName)
{
    wchar_t path[kShellPathSize];
    const UINT capacity = (UINT)(sizeof(path) / sizeof(path[0]));
    // Wide, so that a system folder outside the ANSI code page still loads.
    UINT length = GetSystemDirectoryW(path, capacity);
    if (length == 0 || length >= capacity)
        return nullptr;
    // The folder ends in a backslash only when it is a drive's root.
    if (path[length - 1] != L'\\') {
        path[length++] = L'\\';
        path[length] = L'\0';
    }
    if (length + (UINT)lstrlenW(fileName) >= capacity)
        return nullptr;
    lstrcpynW(path + length, fileName, (int)(capacity - length));
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

int RemoveCurrentDirectoryFromLibrarySearch()
{
    SetDllDirectoryWProc setDllDirectory =
        FindSystemFunction<SetDllDirectoryWProc>(GetModuleHandleW(L"kernel32.dll"), "SetDllDirectoryW");
    if (setDllDirectory == nullptr)
        return 0;
    return setDllDirectory(L"") ? 1 : -1;
}
