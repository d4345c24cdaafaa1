// Full paths as the wide file calls take them: a path that does not fit
// MAX_PATH is handed over with the "\\?\" prefix, which is never shown.
#pragma once

#include <windows.h>

#include "base/sizes.h"

// "X:\...": a path on a drive letter.
bool IsDrivePath(const WCHAR* path);
// "\\?\...": the file calls hand what follows to the file system as it
// stands, without Windows' name rules.
bool HasRawPrefix(const WCHAR* path);

// The path a "\\?\" form names, written as usual: "\\?\X:\..." gives
// "X:\...", "\\?\UNC\server\..." gives "\\server\..." (rewritten in `path`
// itself); any other path is returned as it is.
WCHAR* WithoutRawPrefix(WCHAR* path);

// The form of the full path `path` for the file calls: itself while it fits
// MAX_PATH or already has the prefix; otherwise "\\?\X:\..." for a drive
// path, "\\?\UNC\server\share\..." for a share. 1 done, 0 when it does not
// fit `out` or is neither kind (`out` empty).
int FileCallPath(const WCHAR* path, WCHAR (&out)[kLongPathSize]);
