// Throughput of ConvertImage against the least any conversion must do: the
// same four platform calls per sector in a bare loop, and a plain file copy.
// ConvertImage writes beside the target, flushes and renames; the bare loop
// runs both ways, straight into the target and with that final step, so that
// the cost of the flush and the rename shows apart from the rest.
//
//   bench_convert --prepare                  only make the images
//   bench_convert [--runs N] [--cp-mode1 ms,ms,...] [--cp-mode2 ms,ms,...]
//   bench_convert --calls-only               only the cost of the page calls
//
// The copy figures are measured outside (a Unix cp of the same source) and
// passed in. MB are 2^20 bytes of source.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "bench/benchsupport.h"

static const int kDefaultRuns = 5;
// Per-mille 0 to 1000: the most intermediate reports one run makes.
static const unsigned kMostReports = 1001;

struct ImageFigures {
    std::vector<double> convertMs;
    std::vector<double> noPageMs;  // the same run without a page: what the reports cost
    std::vector<double> bareMs;
    std::vector<double> bareFinalMs;  // the bare loop with the flush and the rename
    std::vector<double> ratios;  // per run: ConvertImage / bare loop
    std::vector<double> copyMs;
};

static void ImagePath(BenchImage image, char (&path)[kPathSize])
{
    DataPath(image == kBenchMode1Raw ? "mode1.bin" : "mode2-headerless.bin", path);
}

static bool TargetComplete(const char* target)
{
    return FileBytes(target) == (long long)kBenchSectors * 2048;
}

enum Variant { kConvertWithPage, kConvertWithoutPage, kBareLoop, kBareLoopFinalStep, kVariantCount };

static const char* const kVariantNames[kVariantCount] = {"ConvertImage + page", "ConvertImage, no page",
                                                         "bare loop", "bare + flush + rename"};

static double TimeVariant(Variant variant, BenchImage image, const char* source, const char* target, HWND page)
{
    switch (variant) {
    case kConvertWithPage:
        return TimeConvertImage(source, target, page);
    case kConvertWithoutPage:
        return TimeConvertImage(source, target, nullptr);
    case kBareLoop:
        return TimeBareLoop(source, target, LayoutOf(image), false);
    default:
        return TimeBareLoop(source, target, LayoutOf(image), true);
    }
}

static int RunImage(BenchImage image, int runs, HWND page, ImageFigures* figures)
{
    char source[kPathSize];
    char target[kPathSize];
    ImagePath(image, source);
    DataPath("bench-target.iso", target);
    double bytes = ImageBytes(image);
    printf("\n%s: %s, %.1f MB\n", NameOf(image), source, bytes / (1024.0 * 1024.0));

    for (int run = 0; run < runs; ++run) {
        printf(" run %d\n", run + 1);
        double ms[kVariantCount] = {-1.0, -1.0, -1.0, -1.0};
        // A different order each run, so that no variant always follows another.
        for (int step = 0; step < kVariantCount; ++step) {
            Variant variant = (Variant)((step + run) % kVariantCount);
            if (!RemoveFile(target)) {
                printf("  cannot delete %s\n", target);
                return -1;
            }
            ms[variant] = TimeVariant(variant, image, source, target, page);
            if (ms[variant] < 0 || !TargetComplete(target)) {
                printf("  %s failed\n", kVariantNames[variant]);
                return -1;
            }
            PrintRate(kVariantNames[variant], bytes, ms[variant]);
            RemoveFile(target);
        }
        figures->convertMs.push_back(ms[kConvertWithPage]);
        figures->noPageMs.push_back(ms[kConvertWithoutPage]);
        figures->bareMs.push_back(ms[kBareLoop]);
        figures->bareFinalMs.push_back(ms[kBareLoopFinalStep]);
        figures->ratios.push_back(ms[kConvertWithPage] / ms[kBareLoop]);
        printf("  ratio ConvertImage/bare  %.3f\n", ms[kConvertWithPage] / ms[kBareLoop]);
        fflush(stdout);
    }
    return 1;
}

static void PrintImageSummary(BenchImage image, const ImageFigures& figures)
{
    double bytes = ImageBytes(image);
    printf("\n%s summary\n", NameOf(image));
    PrintSummary("ConvertImage + page", bytes, figures.convertMs);
    PrintSummary("ConvertImage, no page", bytes, figures.noPageMs);
    PrintSummary("bare loop", bytes, figures.bareMs);
    PrintSummary("bare + flush + rename", bytes, figures.bareFinalMs);
    PrintSummary("cp (Unix)", bytes, figures.copyMs);
    printf("  median ratio ConvertImage/bare loop   %.3f   (goal <= 1.10; per-run ratios:", Median(figures.ratios));
    for (double ratio : figures.ratios)
        printf(" %.3f", ratio);
    printf(")\n");
    printf("  ratio of medians ConvertImage/bare    %.3f\n", Median(figures.convertMs) / Median(figures.bareMs));
    printf("  ratio of medians no page/bare         %.3f\n", Median(figures.noPageMs) / Median(figures.bareMs));
    // Both sides flush and rename: what is left is everything but the final step.
    printf("  ratio of medians no page/bare + final %.3f\n", Median(figures.noPageMs) / Median(figures.bareFinalMs));
    printf("  ratio of medians ConvertImage/bare + final %.3f\n",
           Median(figures.convertMs) / Median(figures.bareFinalMs));
    printf("  ratio of medians bare + final/bare    %.3f   (what the flush and the rename cost)\n",
           Median(figures.bareFinalMs) / Median(figures.bareMs));
    if (!figures.copyMs.empty())
        printf("  ratio of medians ConvertImage/cp      %.3f\n", Median(figures.convertMs) / Median(figures.copyMs));
    else
        printf("  ratio ConvertImage/cp                 (no cp figures given)\n");
}

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    bool prepareOnly = false;
    bool callsOnly = false;
    int runs = kDefaultRuns;
    const char* copyLists[2] = {nullptr, nullptr};
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--prepare") == 0)
            prepareOnly = true;
        else if (strcmp(argv[i], "--calls-only") == 0)
            callsOnly = true;
        else if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = atoi(argv[++i]);
        else if (strcmp(argv[i], "--cp-mode1") == 0 && i + 1 < argc)
            copyLists[0] = argv[++i];
        else if (strcmp(argv[i], "--cp-mode2") == 0 && i + 1 < argc)
            copyLists[1] = argv[++i];
    }
    if (runs < 1)
        runs = 1;

    const BenchImage images[2] = {kBenchMode1Raw, kBenchMode2Headerless};
    for (BenchImage image : images) {
        if (callsOnly)
            break;
        char path[kPathSize];
        ImagePath(image, path);
        if (EnsureImage(image, path) != 1) {
            printf("cannot write %s\n", path);
            return 1;
        }
    }
    if (prepareOnly)
        return 0;

    InitInterfaceThread();
    CReportPage page;
    if (!page.Page()) {
        printf("cannot create the page window\n");
        return 1;
    }
    printf("bench_convert: %d runs per image, %u sectors per image\n", runs, kBenchSectors);
    printf("working set at start: %.1f MB, peak %.1f MB\n", WorkingSetMb(), PeakWorkingSetMb());

    ImageFigures figures[2];
    double peakAfter[2] = {0.0, 0.0};
    for (int i = 0; i < 2 && !callsOnly; ++i) {
        figures[i].copyMs = ParseList(copyLists[i]);
        if (RunImage(images[i], runs, page.Page(), &figures[i]) != 1)
            return 1;
        peakAfter[i] = PeakWorkingSetMb();
        printf(" working set %.1f MB, peak %.1f MB\n", WorkingSetMb(), peakAfter[i]);
    }

    for (int i = 0; i < 2 && !callsOnly; ++i)
        PrintImageSummary(images[i], figures[i]);

    // Where a report's time goes: the calls a run makes at most, from a
    // worker thread to the page, without any file work.
    static const struct {
        WorkerCall call;
        bool withoutControls;
        const char* label;
    } kCalls[] = {
        {kCallReport, false, "ReportProgress (intermediate)"},
        {kCallReport, true, "ReportProgress, no page controls"},
        {kCallBar, false, "PBM_SETPOS to the bar"},
        {kCallText, false, "SetWindowText of a line"},
        {kCallLookUp, false, "GetDlgItem"},
        {kCallClock, false, "clock reading"},
        {kCallNull, false, "WM_NULL to the page"},
    };
    CReportPage bare(false);
    printf("\ncross-thread calls from a worker, %u each:\n", kMostReports);
    for (size_t i = 0; i < sizeof(kCalls) / sizeof(kCalls[0]); ++i) {
        HWND target = kCalls[i].withoutControls ? bare.Page() : page.Page();
        double ms = TimeWorkerCalls(target, kCalls[i].call, kMostReports, ImageBytes(kBenchMode1Raw));
        printf("  %-34s %7.1f ms  %6.1f us per call\n", kCalls[i].label, ms, ms * 1000.0 / kMostReports);
    }
    if (callsOnly)
        return 0;
    printf("\npeak working set: %.1f MB after the Mode 1 runs, %.1f MB after the Mode 2 runs\n", peakAfter[0],
           peakAfter[1]);
    return 0;
}
