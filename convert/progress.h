// Progress report of a conversion run: bar 1004, status line 1092, time line 1093.
#pragma once

#include <windows.h>

// Millisecond clock reading taken at the start of the current run.
extern long g_convertStartMs;

// The wall-clock millisecond counter the report measures with. Replaceable so
// that the texts of a report can be checked against fixed times.
extern long (*g_readClockMs)();
long ReadClockMs();

enum ReportKind {
    kReportIntermediate = 0,
    kReportFinal = 1,    // complete run: writes the summary
    kReportStopped = 2,  // cancelled or failed run: no summary, bar reset, time line cleared
};

int ReportProgress(double processed, double total, HWND page, int kind);
