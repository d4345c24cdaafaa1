// Names Windows hands over in Unicode, turned into the code page path the
// program opens, or refused. Windows would hand an ANSI program a "best fit"
// look-alike ("Plyta.bin" for "Płyta.bin"), which can name another file.
#include "app/ansipath.h"

#include <string.h>
#include <wchar.h>

int ExactAnsiPath(const WCHAR* name, char (&out)[kPathSize])
{
    out[0] = '\0';
    BOOL usedDefault = FALSE;
    int written;
    // UTF-8 as the ANSI code page takes neither the flag nor the pointer;
    // there the round trip below decides alone.
    if (GetACP() == CP_UTF8)
        written = WideCharToMultiByte(CP_ACP, 0, name, -1, out, (int)sizeof(out), nullptr, nullptr);
    else
        written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, out, (int)sizeof(out), nullptr,
                                      &usedDefault);
    if (written == 0 || usedDefault) {
        out[0] = '\0';
        return 0;
    }
    // Every byte gives at most one character back.
    WCHAR back[kPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, out, -1, back, (int)kPathSize) == 0 || wcscmp(back, name) != 0) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

static bool IsDrivePath(const WCHAR* path)
{
    WCHAR letter = (WCHAR)(path[0] | 0x20);
    return letter >= L'a' && letter <= L'z' && path[1] == L':' && path[2] == L'\\';
}

// "server\share\name...": "." and "?" as the server name the device spaces.
static bool IsSharePath(const WCHAR* path)
{
    const WCHAR* serverEnd = wcschr(path, L'\\');
    if (!serverEnd || serverEnd == path)
        return false;
    if (serverEnd - path == 1 && (path[0] == L'.' || path[0] == L'?'))
        return false;
    const WCHAR* share = serverEnd + 1;
    const WCHAR* shareEnd = wcschr(share, L'\\');
    return shareEnd && shareEnd != share && shareEnd[1] != L'\0';
}

int FullFilePath(const WCHAR* name, WCHAR (&full)[kPathSize])
{
    full[0] = L'\0';
    DWORD length = GetFullPathNameW(name, (DWORD)kPathSize, full, nullptr);
    if (length == 0 || length >= kPathSize) {
        full[0] = L'\0';
        return 0;
    }
    if (IsDrivePath(full))
        return 1;
    if (full[0] != L'\\' || full[1] != L'\\')
        return 0;
    const WCHAR* rest = full + 2;
    if (rest[0] != L'?' || rest[1] != L'\\')
        return IsSharePath(rest) ? 1 : 0;
    rest += 2;
    if (IsDrivePath(rest))
        return 1;
    bool unc = (rest[0] | 0x20) == L'u' && (rest[1] | 0x20) == L'n' && (rest[2] | 0x20) == L'c' && rest[3] == L'\\';
    return unc && IsSharePath(rest + 4) ? 1 : 0;
}

// The short form of an existing entry (a name Windows opens as that very
// entry), exactly in the code page.
static int ShortAnsiPath(const WCHAR* name, char (&out)[kPathSize])
{
    out[0] = '\0';
    WCHAR shortName[kPathSize];
    DWORD length = GetShortPathNameW(name, shortName, (DWORD)kPathSize);
    if (length == 0 || length >= kPathSize)
        return 0;
    return ExactAnsiPath(shortName, out);
}

int AnsiSourcePath(const WCHAR* name, char (&out)[kPathSize])
{
    if (ExactAnsiPath(name, out) == 1)
        return 1;
    return ShortAnsiPath(name, out);
}

int AnsiTargetPath(const WCHAR* name, char (&out)[kPathSize])
{
    if (ExactAnsiPath(name, out) == 1)
        return 1;
    if (GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES)
        return ShortAnsiPath(name, out);

    // A new file has no short form yet; its folder has.
    const WCHAR* fileName = name;
    for (const WCHAR* c = name; *c; ++c) {
        if (*c == L'\\' || *c == L'/')
            fileName = c + 1;
    }
    size_t folderLength = (size_t)(fileName - name);
    size_t fileLength = wcslen(fileName);
    if (folderLength == 0 || folderLength >= kPathSize)
        return 0;
    WCHAR folder[kPathSize];
    memcpy(folder, name, folderLength * sizeof(WCHAR));
    folder[folderLength] = L'\0';

    WCHAR path[kPathSize];
    DWORD length = GetShortPathNameW(folder, path, (DWORD)kPathSize);
    if (length == 0 || length >= kPathSize)
        return 0;
    if (path[length - 1] != L'\\' && path[length - 1] != L'/') {
        if (length + 1 >= kPathSize)
            return 0;
        path[length++] = L'\\';
    }
    if (length + fileLength >= kPathSize)
        return 0;
    memcpy(path + length, fileName, (fileLength + 1) * sizeof(WCHAR));
    return ExactAnsiPath(path, out);
}
