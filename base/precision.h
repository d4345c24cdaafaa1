// The x87 unit's precision control: doubles rounded as doubles.
#pragma once

#include <float.h>

// Extended precision would move the formatted figures' edge values (60 * (1/60)
// comes out as 0.99999...). The control word is per thread: every thread that
// computes figures calls this first.
inline void UseDoublePrecision()
{
#if defined(_M_IX86) || defined(__i386__)
    _controlfp(_PC_53, _MCW_PC);
#endif
}
