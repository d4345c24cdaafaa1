// Names Windows hands over in Unicode, checked against the rules by which the
// file calls would open them: taken as they are, or refused.
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
int FullFilePath(const WCHAR* name, WCHAR (&full)[kLongPathSize]);
// A full path (as FullFilePath gives it) as a request path: 1 taken into
// `out`, 0 refused (`out` empty). Refused: a path the file calls would open
// as another file or make into one that other programs cannot handle (a
// colon after the drive's; under "\\?\", which a path longer than MAX_PATH is
// given for the file calls, a component that ends in a dot or a space, or
// names a device: "nul.iso").
int RequestPath(const WCHAR* full, WCHAR (&out)[kLongPathSize]);
