// Size and duration texts of the progress report. No platform calls.
#pragma once

#include "base/sizes.h"

char* FormatSize(double value, char (&out)[kPieceSize]);
char* FormatDuration(double seconds, char (&out)[kPieceSize]);
