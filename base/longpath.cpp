// Full paths as the wide file calls take them. Without the prefix they stop
// at MAX_PATH - 1 characters; with it they take up to 32,767, and Windows
// hands the rest to the file system as it stands.
#include "base/longpath.h"

#include <string.h>
#include <wchar.h>

static const WCHAR kRawPrefix[] = L"\\\\?\\";
static const WCHAR kRawSharePrefix[] = L"\\\\?\\UNC\\";

// `prefix`, then `path` from `skip` characters on.
static int Prefixed(const WCHAR* prefix, const WCHAR* path, size_t skip, WCHAR (&out)[kLongPathSize])
{
    size_t prefixLength = wcslen(prefix);
    size_t restLength = wcslen(path) - skip;
    if (prefixLength + restLength >= kLongPathSize)
        return 0;
    memcpy(out, prefix, prefixLength * sizeof(WCHAR));
    memcpy(out + prefixLength, path + skip, (restLength + 1) * sizeof(WCHAR));
    return 1;
}

bool IsDrivePath(const WCHAR* path)
{
    WCHAR letter = (WCHAR)(path[0] | 0x20);
    return letter >= L'a' && letter <= L'z' && path[1] == L':' && path[2] == L'\\';
}

bool HasRawPrefix(const WCHAR* path)
{
    return wcsncmp(path, kRawPrefix, 4) == 0;
}

WCHAR* WithoutRawPrefix(WCHAR* path)
{
    if (wcsncmp(path, kRawSharePrefix, 8) == 0) {
        // "\\?\UNC\server" is "\\server": the "C" gives way to the second backslash.
        path[6] = L'\\';
        return path + 6;
    }
    return HasRawPrefix(path) ? path + 4 : path;
}

int FileCallPath(const WCHAR* path, WCHAR (&out)[kLongPathSize])
{
    out[0] = L'\0';
    size_t length = wcslen(path);
    if (length < MAX_PATH || HasRawPrefix(path)) {
        if (length >= kLongPathSize)
            return 0;
        memcpy(out, path, (length + 1) * sizeof(WCHAR));
        return 1;
    }
    if (IsDrivePath(path))
        return Prefixed(kRawPrefix, path, 0, out);
    // "\\server\share\...": the two backslashes give way to "UNC\".
    if (path[0] == L'\\' && path[1] == L'\\' && path[2] != L'.' && path[2] != L'?')
        return Prefixed(kRawSharePrefix, path, 2, out);
    return 0;
}
