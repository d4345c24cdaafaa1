// Size and duration texts of the progress report.
#include "convert/format.h"

#include <limits.h>
#include <math.h>
#include <stdio.h>

static const double kKilo = 1024.0;
static const double kMega = 1048576.0;
static const double kGiga = 1073741824.0;

// Truncates toward zero into int range; a value that is not a number counts
// as 0, so a rate measured over no time at all still gives a readable text.
static int TruncateToInt(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return INT_MAX;
    if (value <= -2147483648.0)
        return INT_MIN;
    return (int)value;
}

char* FormatSize(double value, char (&out)[kPieceSize])
{
    // The runtimes spell infinity differently; the program spells it once.
    if (isinf(value) && value > 0)
        snprintf(out, sizeof(out), "inf GB");
    else if (value > kGiga)
        snprintf(out, sizeof(out), "%.2f GB", value / kGiga);
    else if (value > kMega)
        snprintf(out, sizeof(out), "%.2f MB", value / kMega);
    else if (value > kKilo)
        snprintf(out, sizeof(out), "%.2f KB", value / kKilo);
    else
        snprintf(out, sizeof(out), "%d Byte", TruncateToInt(value));
    return out;
}

char* FormatDuration(double seconds, char (&out)[kPieceSize])
{
    int s = TruncateToInt(fmod(seconds, 60.0));
    if (seconds >= 60.0)
        snprintf(out, sizeof(out), "%d Min., %d Sek.", TruncateToInt(seconds * (1.0 / 60.0)), s);
    else if (s >= 1)
        snprintf(out, sizeof(out), "%d Sek.", s);
    else
        snprintf(out, sizeof(out), "< 1 Sek.");
    return out;
}
