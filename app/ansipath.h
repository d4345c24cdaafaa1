// Names Windows hands over in Unicode, turned into the code page path the
// program opens, or refused: never a look-alike that names another file.
#pragma once

#include <windows.h>

#include "base/sizes.h"

// 1 when `name` converts to the ANSI code page exactly (no best fit, no
// default character) and fits `out`; 0 otherwise, `out` empty.
int ExactAnsiPath(const WCHAR* name, char (&out)[kPathSize]);
// A source: the exact form, else the short form of the existing entry if
// that converts exactly. 1 taken, 0 refused (`out` empty).
int AnsiSourcePath(const WCHAR* name, char (&out)[kPathSize]);
// A target: as a source while the entry exists; one that does not exist yet
// may take its folder's short form, its own name must convert exactly.
int AnsiTargetPath(const WCHAR* name, char (&out)[kPathSize]);
