// Buffer sizes shared by every module: one constant per kind of buffer.
#pragma once

#include <stddef.h>

const size_t kPathSize = 512;       // composed texts
// The longest path the wide file calls take (with its "\\?\" prefix), and its NUL.
const size_t kLongPathSize = 32768;
const size_t kShellPathSize = 260;  // shell paths and texts of that size (MAX_PATH)
const size_t kSettingsSize = 1024;  // one settings value
const size_t kPieceSize = 256;      // one formatted size, duration or line piece
