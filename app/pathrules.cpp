// Names Windows hands over in Unicode, checked against the rules by which the
// file calls open them. A name is never converted: any form of it in another
// code page, or its short form, could name another file or none at all.
#include "app/pathrules.h"

#include <string.h>
#include <wchar.h>

#include "base/longpath.h"

static bool IsUncMarker(const WCHAR* path)
{
    return (path[0] | 0x20) == L'u' && (path[1] | 0x20) == L'n' && (path[2] | 0x20) == L'c' && path[3] == L'\\';
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

int FullFilePath(const WCHAR* name, WCHAR (&full)[kLongPathSize])
{
    full[0] = L'\0';
    if (HasRawPrefix(name)) {
        // Never relative, and opened as it stands: resolving it (as
        // GetFullPathName may) would name another file than the one opened.
        size_t length = wcslen(name);
        if (length >= kLongPathSize)
            return 0;
        memcpy(full, name, (length + 1) * sizeof(WCHAR));
    } else {
        DWORD length = GetFullPathNameW(name, (DWORD)kLongPathSize, full, nullptr);
        if (length == 0 || length >= kLongPathSize) {
            full[0] = L'\0';
            return 0;
        }
    }
    if (IsDrivePath(full))
        return 1;
    if (full[0] != L'\\' || full[1] != L'\\')
        return 0;
    if (!HasRawPrefix(full))
        return IsSharePath(full + 2) ? 1 : 0;
    const WCHAR* rest = full + 4;
    if (IsDrivePath(rest))
        return 1;
    return IsUncMarker(rest) && IsSharePath(rest + 4) ? 1 : 0;
}

// `text` begins with the ASCII letters `lower`, in either case.
static bool BeginsWithLetters(const WCHAR* text, const WCHAR* lower)
{
    for (; *lower; ++text, ++lower) {
        if ((*text | 0x20) != *lower)
            return false;
    }
    return true;
}

// A device's name that Windows finds in every folder: the base name of
// `component` (before its first dot, trailing spaces cut) is "CON", "PRN",
// "AUX", "NUL", or "COM" or "LPT" with one digit (superscripts 1 to 3 too).
static bool NamesDevice(const WCHAR* component, size_t length)
{
    size_t base = 0;
    while (base < length && component[base] != L'.')
        ++base;
    while (base > 0 && component[base - 1] == L' ')
        --base;
    if (base == 3) {
        static const WCHAR* const kDevices[] = {L"con", L"prn", L"aux", L"nul"};
        for (const WCHAR* device : kDevices) {
            if (BeginsWithLetters(component, device))
                return true;
        }
        return false;
    }
    if (base != 4 || (!BeginsWithLetters(component, L"com") && !BeginsWithLetters(component, L"lpt")))
        return false;
    WCHAR digit = component[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

// Components that Windows' name rules would leave as they are: none empty,
// none ending in a dot or a space (the rules cut those), none a device's.
static bool KeptByNameRules(const WCHAR* components)
{
    for (const WCHAR* component = components;;) {
        const WCHAR* end = wcschr(component, L'\\');
        size_t length = end ? (size_t)(end - component) : wcslen(component);
        if (length == 0 || component[length - 1] == L'.' || component[length - 1] == L' ' ||
            NamesDevice(component, length))
            return false;
        if (!end)
            return true;
        component = end + 1;
    }
}

// True when the file calls open `path`, a full path, as the very file it
// names: no colon after the drive's (that names a stream of another file),
// and under the "\\?\" prefix, which turns Windows' name rules off, only
// what those rules would leave as it is; otherwise the result is a file that
// other programs cannot open or delete.
static bool OpensAsNamed(const WCHAR* path)
{
    bool raw = HasRawPrefix(path);
    const WCHAR* rest = raw ? path + 4 : path;
    if (IsDrivePath(rest))
        rest += 3;
    if (wcschr(rest, L':'))
        return false;
    return !raw || KeptByNameRules(rest);
}

int RequestPath(const WCHAR* full, WCHAR (&out)[kLongPathSize])
{
    out[0] = L'\0';
    // Checked in the form the file calls get, prefix and all.
    WCHAR call[kLongPathSize];
    if (FileCallPath(full, call) != 1 || !OpensAsNamed(call))
        return 0;
    memcpy(out, full, (wcslen(full) + 1) * sizeof(WCHAR));
    return 1;
}
