// Buffer sizes shared by every module: one constant per kind of buffer.
#pragma once

#include <stddef.h>

const size_t kPathSize = 512;       // paths of the conversion request, composed texts
const size_t kShellPathSize = 260;  // file-dialog and shell paths (MAX_PATH)
const size_t kSettingsSize = 1024;  // one settings value
const size_t kPieceSize = 256;      // one formatted size, duration or line piece
