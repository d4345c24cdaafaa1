// A conversion from the real main dialog, as the user starts it, against
// ConvertImage alone on the same image; meanwhile a second thread keeps
// asking both windows for an answer and records the slowest one. A second
// window run without the asking shows what the asking itself costs.
//
//   bench_window [--runs N] [--hidden]
//
// --hidden leaves the main dialog unshown: nothing is painted, which tells
// the cost of the painting apart from that of the window calls.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "app/maindialog.h"
#include "app/startup.h"
#include "bench/benchsupport.h"
#include "convert/job.h"
#include "res/resource.h"

static const int kDefaultRuns = 5;
// Per-mille 0 to 1000: the most intermediate reports one run makes.
static const unsigned kMostReports = 1001;
static const DWORD kPingPauseMs = 5;
static const UINT kPingTimeoutMs = 5000;
static const DWORD kRunTimeoutMs = 600000;

// ---- The prober: WM_NULL to both windows every few milliseconds ----

struct Prober {
    HWND main;
    HWND page;
    volatile LONG stop;
    double worstMainMs;
    double worstPageMs;
    double sumMs;
    unsigned answers;
    unsigned timeouts;
    unsigned boxes;  // message boxes of this process that showed up
    char boxText[kPathSize];
};

static Prober g_prober;

static double Ask(HWND window)
{
    DWORD_PTR ignored = 0;
    double start = NowMs();
    LRESULT ok = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &ignored);
    double took = NowMs() - start;
    if (!ok)
        ++g_prober.timeouts;
    return took;
}

// A top-level dialog of this process other than the main dialog can only be
// one of the program's questions or error boxes.
static BOOL CALLBACK FindBox(HWND window, LPARAM param)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[32] = "";
    GetClassNameA(window, name, sizeof(name));
    if (pid == GetCurrentProcessId() && window != g_prober.main && IsWindowVisible(window) &&
        strcmp(name, "#32770") == 0) {
        *(HWND*)param = window;
        return FALSE;
    }
    return TRUE;
}

static void CloseStrayBox()
{
    HWND box = nullptr;
    EnumWindows(FindBox, (LPARAM)&box);
    if (!box)
        return;
    ++g_prober.boxes;
    char text[kPathSize] = "";
    GetDlgItemTextA(box, 0xFFFF, text, (int)sizeof(text));
    lstrcpynA(g_prober.boxText, text, (int)sizeof(g_prober.boxText));
    // No leaves any file as it was; the run then fails its size check. OK for an error box.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), (LPARAM)GetDlgItem(box, IDNO));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
}

static DWORD WINAPI ProberEntry(LPVOID)
{
    unsigned rounds = 0;
    while (!g_prober.stop) {
        double mainMs = Ask(g_prober.main);
        double pageMs = Ask(g_prober.page);
        if (mainMs > g_prober.worstMainMs)
            g_prober.worstMainMs = mainMs;
        if (pageMs > g_prober.worstPageMs)
            g_prober.worstPageMs = pageMs;
        g_prober.sumMs += mainMs + pageMs;
        g_prober.answers += 2;
        if (++rounds % 20 == 0)
            CloseStrayBox();
        Sleep(kPingPauseMs);
    }
    return 0;
}

// ---- The window run ----

enum Variant { kWindowProbed, kWindowQuiet, kConvertAlone, kVariantCount };

// The probed window run is the one measured; the quiet one shows what the
// probing itself costs.
static const char* const kVariantNames[kVariantCount] = {"window, probed", "window, not probed",
                                                         "ConvertImage + page"};

// Waits, handling this thread's messages, until the job has wound up.
static bool WaitIdle(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (!g_job.IsBusy())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
}

static double TimeWindowRun(HWND main, const char* source, const char* target, bool probe)
{
    HWND page = g_pageDialog;
    SetDlgItemTextA(page, IDC_SOURCE_EDIT, source);
    SetDlgItemTextA(page, IDC_TARGET_EDIT, target);
    PumpMessages();

    ZeroMemory(&g_prober, sizeof(g_prober));
    g_prober.main = main;
    g_prober.page = page;
    HANDLE prober = probe ? CreateThread(nullptr, 0, ProberEntry, nullptr, 0, nullptr) : nullptr;
    if (probe && !prober)
        return -1.0;

    double start = NowMs();
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), (LPARAM)GetDlgItem(page, IDC_CONVERT));
    bool idle = WaitIdle(kRunTimeoutMs);
    double elapsed = NowMs() - start;

    g_prober.stop = 1;
    if (prober) {
        while (MsgWaitForMultipleObjects(1, &prober, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
            PumpMessages();
        CloseHandle(prober);
    }
    return idle ? elapsed : -1.0;
}

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    int runs = kDefaultRuns;
    bool hidden = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = atoi(argv[++i]);
        else if (strcmp(argv[i], "--hidden") == 0)
            hidden = true;
    }
    if (runs < 1)
        runs = 1;

    char source[kPathSize];
    char target[kPathSize];
    DataPath("mode1.bin", source);
    DataPath("bench-window.iso", target);
    if (EnsureImage(kBenchMode1Raw, source) != 1) {
        printf("cannot write %s\n", source);
        return 1;
    }
    InitInterfaceThread();

    ZeroMemory(&g_request, sizeof(g_request));
    HWND main = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
    if (!main) {
        printf("cannot create the main dialog\n");
        return 1;
    }
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_TAB_CONVERTER, BN_CLICKED), (LPARAM)GetDlgItem(main, IDC_TAB_CONVERTER));
    if (!hidden)
        ShowWindow(main, SW_SHOW);
    PumpMessages();
    if (g_page != kPageConverter || !g_pageDialog) {
        printf("the converter page did not open\n");
        DestroyWindow(main);
        return 1;
    }
    CReportPage alone;
    if (!alone.Page()) {
        printf("cannot create the hidden page\n");
        DestroyWindow(main);
        return 1;
    }

    double bytes = ImageBytes(kBenchMode1Raw);
    printf("bench_window: %s, %.1f MB, %d runs, main dialog %s\n", source, bytes / (1024.0 * 1024.0), runs,
           hidden ? "hidden" : "shown");
    printf("working set at start: %.1f MB, peak %.1f MB\n", WorkingSetMb(), PeakWorkingSetMb());

    std::vector<double> ms[kVariantCount];
    std::vector<double> ratios;
    double worstMain = 0.0;
    double worstPage = 0.0;
    unsigned boxes = 0;
    unsigned timeouts = 0;
    int status = 0;
    for (int run = 0; run < runs && status == 0; ++run) {
        printf(" run %d\n", run + 1);
        double took[kVariantCount] = {-1.0, -1.0, -1.0};
        // A different order each run, so that no variant always follows another.
        for (int step = 0; step < kVariantCount && status == 0; ++step) {
            Variant variant = (Variant)((step + run) % kVariantCount);
            if (!RemoveFile(target)) {
                printf("  cannot delete %s\n", target);
                status = 1;
                break;
            }
            if (variant == kConvertAlone)
                took[variant] = TimeConvertImage(source, target, alone.Page());
            else
                took[variant] = TimeWindowRun(main, source, target, variant == kWindowProbed);
            if (took[variant] < 0 || FileBytes(target) != (long long)kBenchSectors * 2048) {
                printf("  %s failed\n", kVariantNames[variant]);
                status = 1;
                break;
            }
            PrintRate(kVariantNames[variant], bytes, took[variant]);
            if (variant == kWindowProbed) {
                printf("  %-24s main %.1f ms, page %.1f ms (%u answers, mean %.2f ms, %u timeouts)\n",
                       "worst answer", g_prober.worstMainMs, g_prober.worstPageMs, g_prober.answers,
                       g_prober.answers ? g_prober.sumMs / g_prober.answers : 0.0, g_prober.timeouts);
                if (g_prober.boxes)
                    printf("  a message box appeared: \"%s\"\n", g_prober.boxText);
                if (g_prober.worstMainMs > worstMain)
                    worstMain = g_prober.worstMainMs;
                if (g_prober.worstPageMs > worstPage)
                    worstPage = g_prober.worstPageMs;
                boxes += g_prober.boxes;
                timeouts += g_prober.timeouts;
            }
            RemoveFile(target);
        }
        if (status != 0)
            break;
        for (int i = 0; i < kVariantCount; ++i)
            ms[i].push_back(took[i]);
        ratios.push_back(took[kWindowProbed] / took[kConvertAlone]);
        printf("  ratio window/ConvertImage  %.3f\n", took[kWindowProbed] / took[kConvertAlone]);
    }
    RemoveFile(target);

    printf("\nsummary\n");
    for (int i = 0; i < kVariantCount; ++i)
        PrintSummary(kVariantNames[i], bytes, ms[i]);
    printf("  median ratio window/ConvertImage   %.3f   (goal <= 1.05; per-run ratios:", Median(ratios));
    for (double ratio : ratios)
        printf(" %.3f", ratio);
    printf(")\n");
    printf("  ratio of medians window/ConvertImage           %.3f\n",
           Median(ms[kWindowProbed]) / Median(ms[kConvertAlone]));
    printf("  ratio of medians unprobed window/ConvertImage  %.3f\n",
           Median(ms[kWindowQuiet]) / Median(ms[kConvertAlone]));
    printf("  worst answer time                  %.1f ms (main dialog %.1f, page %.1f; goal <= 50)\n",
           worstMain > worstPage ? worstMain : worstPage, worstMain, worstPage);
    printf("  message boxes seen %u, answer timeouts %u\n", boxes, timeouts);
    printf("peak working set: %.1f MB\n", PeakWorkingSetMb());

    // The same calls from a worker to the page on screen and to the hidden
    // one: what drawing the changed controls adds to each of them.
    static const struct {
        WorkerCall call;
        const char* label;
    } kCalls[] = {
        {kCallReport, "ReportProgress (intermediate)"},
        {kCallBar, "PBM_SETPOS to the bar"},
        {kCallText, "SetWindowText of a line"},
    };
    printf("\ncalls from a worker, %u each      page %-6s   hidden page\n", kMostReports, hidden ? "hidden" : "shown");
    for (size_t i = 0; i < sizeof(kCalls) / sizeof(kCalls[0]) && status == 0; ++i) {
        double shownMs = TimeWorkerCalls(g_pageDialog, kCalls[i].call, kMostReports, bytes);
        double hiddenMs = TimeWorkerCalls(alone.Page(), kCalls[i].call, kMostReports, bytes);
        printf("  %-30s %7.1f us   %7.1f us per call\n", kCalls[i].label, shownMs * 1000.0 / kMostReports,
               hiddenMs * 1000.0 / kMostReports);
    }

    DestroyWindow(main);
    g_mainDialog = nullptr;
    g_pageDialog = nullptr;
    PumpMessages();
    return status;
}
