#include "convert/format.h"
char* FormatSize(double, char (&out)[kPieceSize]) { out[0] = 0; return out; }
char* FormatDuration(double, char (&out)[kPieceSize]) { out[0] = 0; return out; }
