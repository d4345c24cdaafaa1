// Names Windows hands over in Unicode, turned into the code page path the
// program opens, or refused: never a look-alike that names another file.
#pragma once

#include <windows.h>

#include "base/sizes.h"

// The full path of `name`, which Windows would open against the current
// folder otherwise, by the rule for a file: 1 for a drive path ("X:\..."), a
// share ("\\server\share\...", the server neither "." nor "?") and their
// "\\?\" forms ("\\?\X:\...", "\\?\UNC\..."); 0 for anything else, such as a
// disk, a volume or a device ("\\.\PhysicalDrive1", "\\?\Volume{...}",
// "\\.\NUL"), with `full` holding the full path where there is one. A "\\?\"
// form is its own full path, taken as it stands.
int FullFilePath(const WCHAR* name, WCHAR (&full)[kPathSize]);
// 1 when `name` converts to the ANSI code page exactly (no best fit, no
// default character) and fits an ANSI file call (MAX_PATH - 1 characters);
// 0 otherwise, `out` empty.
int ExactAnsiPath(const WCHAR* name, char (&out)[kPathSize]);
// A source: the exact form, else the short form of the existing entry if
// that converts exactly. 1 taken, 0 refused (`out` empty). Refused too: a
// full path the file calls would open as another file or make into one that
// other programs cannot handle (a colon after the drive's; under "\\?\" a
// component that ends in a dot or a space, or names a device: "nul.iso").
int AnsiSourcePath(const WCHAR* name, char (&out)[kPathSize]);
// A target: as a source while the entry exists; one that does not exist yet
// may take its folder's short form, its own name must convert exactly. The
// same names are refused.
int AnsiTargetPath(const WCHAR* name, char (&out)[kPathSize]);
