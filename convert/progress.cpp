// Progress report of a conversion run: bar, status line, time line and the
// summary at the end. Runs on the worker thread; every control update is a
// synchronous call into the interface thread.
#include "convert/progress.h"

#include <commctrl.h>
#include <math.h>
#include <stdio.h>
#include <time.h>

#include "base/language.h"
#include "base/sizes.h"
#include "base/widetext.h"
#include "convert/format.h"
#include "res/resource.h"

long g_convertStartMs = 0;

long ReadClockMs()
{
    return (long)clock();
}

long (*g_readClockMs)() = ReadClockMs;

// Percent below or at which the text lines keep their previous text.
static const double kLeastPercentShown = 0.02;

// Seconds since the start of the run; the millisecond difference wraps like
// the 32-bit clock it comes from.
static double ElapsedSeconds()
{
    unsigned long now = (unsigned long)g_readClockMs();
    long difference = (long)(now - (unsigned long)g_convertStartMs);
    return difference * 0.001;
}

static WPARAM BarPosition(double percent)
{
    if (!isfinite(percent) || percent <= 0.0)
        return 0;
    if (percent >= 100.0)
        return 100;
    return (WPARAM)percent;
}

static void SetBar(HWND page, WPARAM position)
{
    HWND bar = GetDlgItem(page, IDC_PROGRESS);
    if (bar)
        SendMessageA(bar, PBM_SETPOS, position, 0);
}

// One wide call per line: the text converted on the stack, nothing allocated.
static void SetLine(HWND page, int id, const char* text)
{
    HWND line = GetDlgItem(page, id);
    if (line)
        SetProgramText(line, text);
}

static void WriteRunningLines(HWND page, double processed, double total, double fraction, double percent)
{
    double elapsed = ElapsedSeconds();
    double rate = processed / elapsed;
    double remaining = elapsed / fraction * (1.0 - fraction);

    char remainingText[kPieceSize];
    char elapsedText[kPieceSize];
    char timeLine[kPieceSize];
    snprintf(timeLine, sizeof(timeLine),
             ByLanguage("Remaining %s  ||  Elapsed: %s", "Noch %s  ||  Verstrichen: %s"),
             FormatDuration(remaining, remainingText), FormatDuration(elapsed, elapsedText));
    SetLine(page, IDC_TIME_LINE, timeLine);

    char rateText[kPieceSize];
    char processedText[kPieceSize];
    char totalText[kPieceSize];
    char statusLine[kPathSize];
    snprintf(statusLine, sizeof(statusLine), "Status :[%.1f %%]  ||  \xD8 %s / Sek.  || %s %s %s ",
             percent, FormatSize(rate, rateText), FormatSize(processed, processedText),
             ByLanguage("at", "von"), FormatSize(total, totalText));
    SetLine(page, IDC_STATUS_LINE, statusLine);
}

static void WriteSummary(HWND page, double total)
{
    double elapsed = ElapsedSeconds();
    double rate = total / elapsed;

    char rateText[kPieceSize];
    char elapsedText[kPieceSize];
    char summary[kPieceSize];
    snprintf(summary, sizeof(summary), "%s   :||  \xD8 %s / Sek.  || %s: %s",
             ByLanguage("Finish", "Erledigt"), FormatSize(rate, rateText),
             ByLanguage("Total", "Gesamtzeit"), FormatDuration(elapsed, elapsedText));
    SetLine(page, IDC_STATUS_LINE, summary);
}

int ReportProgress(double processed, double total, HWND page, int kind)
{
    if (!page)
        return 0;

    double fraction = processed / total;
    double percent = fraction * 100.0;
    SetBar(page, BarPosition(percent));
    if (percent > kLeastPercentShown)
        WriteRunningLines(page, processed, total, fraction, percent);

    if (kind == kReportIntermediate)
        return 1;

    // The end of a run: a complete one gets the summary, a stopped one keeps
    // the figures of where it stopped.
    if (kind == kReportFinal)
        WriteSummary(page, total);
    SetBar(page, 0);
    SetLine(page, IDC_TIME_LINE, "");
    return 1;
}
