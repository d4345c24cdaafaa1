// Shared pieces of the benchmarks: the images they convert, a clock, the
// hidden page that receives the progress output, the runs they time and the
// figures they print. Benchmarks measure and print; they never judge.
#pragma once

#include <windows.h>

#include <vector>

#include "base/sizes.h"
#include "convert/convert.h"

const unsigned kBenchSectors = 300000;

enum BenchImage { kBenchMode1Raw, kBenchMode2Headerless };

SectorLayout LayoutOf(BenchImage image);
const char* NameOf(BenchImage image);
double ImageBytes(BenchImage image);

// The data folder as a Windows path with a trailing "\": KAVONIX_BENCH_DATA
// (a Unix path) or, without it, the temporary folder.
void DataFolder(char (&folder)[kPathSize]);
// folder + name, bounded.
void DataPath(const char* name, char (&path)[kPathSize]);

// Writes the image unless a file of exactly its size is already there.
// 1 ready, -1 failed.
int EnsureImage(BenchImage image, const char (&path)[kPathSize]);

double NowMs();
long long FileBytes(const char* path);  // -1 when missing
// Deletes the file if it exists; false when one is left behind.
bool RemoveFile(const char* path);

double Median(std::vector<double> values);
double PeakWorkingSetMb();
double WorkingSetMb();

// Common controls and OLE as the program prepares its interface thread.
void InitInterfaceThread();

// A hidden converter page ("WILKOMMEN") whose bar and text lines take every
// report; a WM_CONVERT_ERROR is counted, never shown. Without controls it is
// an empty child window: a report then finds none of its controls.
class CReportPage {
public:
    explicit CReportPage(bool withControls = true);
    ~CReportPage();
    HWND Page() const { return m_page; }
    static LONG Errors();

private:
    HWND m_host;
    HWND m_page;
};

// ConvertImage on a second thread while this thread handles the page's
// messages, as the job runs it. Milliseconds, or a negative value on failure.
double TimeConvertImage(const char* source, const char* target, HWND page);

// The same four platform calls per sector and nothing else, straight into
// `target`; with `finalStep`, into a file beside it that is then flushed and
// put in place as the conversion finishes its image (FlushFileBuffers, then
// ReplaceFile over an existing target, or MoveFileEx with
// MOVEFILE_WRITE_THROUGH to a new name).
double TimeBareLoop(const char* source, const char* target, const SectorLayout& layout, bool finalStep);

// Single calls a conversion makes towards the page, `count` times from a
// worker thread while this thread handles the page: what one report costs
// and what it is made of. Milliseconds for all of them.
enum WorkerCall {
    kCallReport,  // ReportProgress, intermediate, of a run of `total` bytes
    kCallNull,    // a synchronous WM_NULL to the page
    kCallLookUp,  // GetDlgItem of the bar
    kCallBar,     // PBM_SETPOS to the bar
    kCallText,    // the status line's text, set as a report sets it (converted, wide)
    kCallClock,   // one reading of the report's millisecond clock
};
double TimeWorkerCalls(HWND page, WorkerCall call, unsigned count, double total);

// Handles this thread's pending messages.
void PumpMessages();

// Whole numbers out of "1700,1650,...".
std::vector<double> ParseList(const char* text);

void PrintRate(const char* label, double bytes, double ms);
void PrintSummary(const char* label, double bytes, const std::vector<double>& ms);
