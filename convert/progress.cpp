#include "convert/progress.h"
#include <time.h>
long g_convertStartMs = 0;
long ReadClockMs() { return (long)clock(); }
long (*g_readClockMs)() = ReadClockMs;
int ReportProgress(double, double, HWND, int) { return 0; }
