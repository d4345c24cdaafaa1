// Shared pieces of the benchmarks: images, clock, hidden page, timed runs.
#include "bench/benchsupport.h"

#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "app/maindialog.h"
#include "base/widetext.h"
#include "convert/convert.h"
#include "convert/job.h"
#include "convert/progress.h"
#include "res/resource.h"

static const unsigned char kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// Sectors per write while an image is made: big writes, a small buffer.
static const unsigned kSectorsPerChunk = 128;

SectorLayout LayoutOf(BenchImage image)
{
    SectorLayout mode1 = {16, 288, 2352};
    SectorLayout headerless = {8, 280, 2336};
    return image == kBenchMode1Raw ? mode1 : headerless;
}

const char* NameOf(BenchImage image)
{
    return image == kBenchMode1Raw ? "Mode 1 raw (2352)" : "Mode 2 headerless (2336)";
}

double ImageBytes(BenchImage image)
{
    return (double)kBenchSectors * LayoutOf(image).m_sectorSize;
}

void DataFolder(char (&folder)[kPathSize])
{
    folder[0] = '\0';
    const char* unixPath = getenv("KAVONIX_BENCH_DATA");
    if (unixPath && *unixPath) {
        snprintf(folder, sizeof(folder), "Z:%s", unixPath);
        for (char* at = folder; *at; ++at)
            if (*at == '/')
                *at = '\\';
    } else {
        GetTempPathA((DWORD)sizeof(folder), folder);
    }
    size_t length = strlen(folder);
    if (length > 0 && folder[length - 1] != '\\' && length + 1 < sizeof(folder)) {
        folder[length] = '\\';
        folder[length + 1] = '\0';
    }
    CreateDirectoryA(folder, nullptr);
}

void DataPath(const char* name, char (&path)[kPathSize])
{
    char folder[kPathSize];
    DataFolder(folder);
    snprintf(path, sizeof(path), "%s%s", folder, name);
}

long long FileBytes(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

bool RemoveFile(const char* path)
{
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return true;
    return DeleteFileA(path) != FALSE;
}

// Every data word encodes its sector and position, so that a misplaced
// sector in a target would show; the skipped bytes are filler.
static void FillSector(BenchImage image, unsigned index, unsigned char* sector)
{
    SectorLayout layout = LayoutOf(image);
    memset(sector, 0xEE, (size_t)layout.m_sectorSize);
    if (image == kBenchMode1Raw) {
        memcpy(sector, kSync, sizeof(kSync));
        sector[12] = (unsigned char)(index & 0xFF);
        sector[13] = (unsigned char)((index >> 8) & 0xFF);
        sector[14] = (unsigned char)((index >> 16) & 0xFF);
        sector[15] = 1;
    } else {
        memset(sector, 0x11, 8);
    }
    unsigned char* data = sector + layout.m_skipBefore;
    for (unsigned word = 0; word < 512; ++word) {
        unsigned value = (index << 11) | word;
        memcpy(data + word * 4, &value, 4);
    }
}

int EnsureImage(BenchImage image, const char (&path)[kPathSize])
{
    SectorLayout layout = LayoutOf(image);
    if (FileBytes(path) == (long long)kBenchSectors * layout.m_sectorSize)
        return 1;
    printf("writing %s image %s ...\n", NameOf(image), path);
    fflush(stdout);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    static unsigned char chunk[kSectorsPerChunk * 2352];
    bool ok = true;
    for (unsigned first = 0; ok && first < kBenchSectors; first += kSectorsPerChunk) {
        unsigned count = std::min(kSectorsPerChunk, kBenchSectors - first);
        for (unsigned i = 0; i < count; ++i)
            FillSector(image, first + i, chunk + (size_t)i * layout.m_sectorSize);
        DWORD size = count * (DWORD)layout.m_sectorSize;
        DWORD written = 0;
        ok = WriteFile(file, chunk, size, &written, nullptr) && written == size;
    }
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(path);
        return -1;
    }
    return 1;
}

double NowMs()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

static double MemoryFigureMb(bool peak)
{
    PROCESS_MEMORY_COUNTERS counters;
    ZeroMemory(&counters, sizeof(counters));
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return -1.0;
    SIZE_T bytes = peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
    return (double)bytes / (1024.0 * 1024.0);
}

double PeakWorkingSetMb()
{
    return MemoryFigureMb(true);
}

double WorkingSetMb()
{
    return MemoryFigureMb(false);
}

void InitInterfaceThread()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    g_instance = GetModuleHandleA(nullptr);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// ---- The hidden page ----

static volatile LONG g_pageErrors = 0;

static INT_PTR CALLBACK ReportPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)page;
    (void)wParam;
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CONVERT_ERROR:
        InterlockedIncrement(&g_pageErrors);
        printf("  conversion error %ld\n", (long)lParam);
        return TRUE;
    }
    return FALSE;
}

CReportPage::CReportPage(bool withControls) : m_host(nullptr), m_page(nullptr)
{
    m_host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 640, 320, nullptr, nullptr, g_instance, nullptr);
    if (!m_host)
        return;
    if (withControls)
        m_page = CreateDialogParamW(g_instance, L"WILKOMMEN", m_host, ReportPageProc, 0);
    else
        m_page = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 600, 300, m_host, nullptr, g_instance, nullptr);
}

CReportPage::~CReportPage()
{
    if (m_page)
        DestroyWindow(m_page);
    if (m_host)
        DestroyWindow(m_host);
    PumpMessages();
}

LONG CReportPage::Errors()
{
    return g_pageErrors;
}

// ---- Timed runs ----

struct ConvertRun {
    ConvertRequest request;
    int result;
};

static DWORD WINAPI ConvertEntry(LPVOID param)
{
    ConvertRun* run = static_cast<ConvertRun*>(param);
    run->result = ConvertImage(run->request);
    return 0;
}

double TimeConvertImage(const char* source, const char* target, HWND page)
{
    static ConvertRun run;
    ZeroMemory(&run, sizeof(run));
    MultiByteToWideChar(CP_ACP, 0, source, -1, run.request.sourcePath, (int)kLongPathSize);
    MultiByteToWideChar(CP_ACP, 0, target, -1, run.request.targetPath, (int)kLongPathSize);
    run.request.pageWindow = page;
    run.result = 0;
    g_cancelRequested = 0;
    LONG errorsBefore = CReportPage::Errors();

    double start = NowMs();
    HANDLE worker = CreateThread(nullptr, 0, ConvertEntry, &run, 0, nullptr);
    if (!worker)
        return -1.0;
    // The worker's window calls are sent to this thread: handle them until it ends.
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        PumpMessages();
    }
    double elapsed = NowMs() - start;
    CloseHandle(worker);
    if (run.result != 1 || CReportPage::Errors() != errorsBefore)
        return -1.0;
    return elapsed;
}

double TimeBareLoop(const char* source, const char* target, const SectorLayout& layout, bool finalStep)
{
    char beside[kPathSize];
    DataPath("bench-beside.tmp", beside);
    const char* written = finalStep ? beside : target;
    double start = NowMs();
    HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return -1.0;
    HANDLE out = CreateFileA(written, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return -1.0;
    }
    DWORD sizeHigh = 0;
    DWORD sizeLow = GetFileSize(in, &sizeHigh);
    unsigned long long sectors = (((unsigned long long)sizeHigh << 32) | sizeLow) / (unsigned)layout.m_sectorSize;
    unsigned char buffer[2048];
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    before.QuadPart = layout.m_skipBefore;
    after.QuadPart = layout.m_skipAfter;
    bool ok = true;
    for (unsigned long long index = 0; ok && index < sectors; ++index) {
        DWORD read = 0;
        DWORD done = 0;
        ok = SetFilePointerEx(in, before, nullptr, FILE_CURRENT) &&
             ReadFile(in, buffer, sizeof(buffer), &read, nullptr) && read == sizeof(buffer) &&
             WriteFile(out, buffer, sizeof(buffer), &done, nullptr) && done == sizeof(buffer) &&
             SetFilePointerEx(in, after, nullptr, FILE_CURRENT);
    }
    if (ok && finalStep)
        ok = FlushFileBuffers(out) != FALSE;
    CloseHandle(out);
    if (ok && finalStep) {
        // As the conversion does: an existing target replaced, a new name created.
        if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES)
            ok = ReplaceFileA(target, beside, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
        else
            ok = MoveFileExA(beside, target, MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    CloseHandle(in);
    double elapsed = NowMs() - start;
    if (finalStep)
        RemoveFile(beside);
    return ok ? elapsed : -1.0;
}

struct WorkerCalls {
    HWND page;
    unsigned count;
    double total;
    WorkerCall call;
};

static DWORD WINAPI CallsEntry(LPVOID param)
{
    const WorkerCalls* calls = static_cast<const WorkerCalls*>(param);
    HWND bar = GetDlgItem(calls->page, IDC_PROGRESS);
    HWND status = GetDlgItem(calls->page, IDC_STATUS_LINE);
    char text[kPieceSize];
    for (unsigned i = 0; i < calls->count; ++i) {
        switch (calls->call) {
        case kCallReport:
            ReportProgress(calls->total * (i + 1) / calls->count, calls->total, calls->page, kReportIntermediate);
            break;
        case kCallNull:
            SendMessageA(calls->page, WM_NULL, 0, 0);
            break;
        case kCallLookUp:
            GetDlgItem(calls->page, IDC_PROGRESS);
            break;
        case kCallBar:
            SendMessageA(bar, PBM_SETPOS, (WPARAM)(i % 100), 0);
            break;
        case kCallText:
            snprintf(text, sizeof(text), "Status :[%.1f %%]", i * 0.1);
            SetProgramText(status, text);
            break;
        case kCallClock:
            g_readClockMs();
            break;
        }
    }
    return 0;
}

double TimeWorkerCalls(HWND page, WorkerCall call, unsigned count, double total)
{
    static WorkerCalls calls;
    calls.page = page;
    calls.count = count;
    calls.total = total;
    calls.call = call;
    g_convertStartMs = g_readClockMs();
    double start = NowMs();
    HANDLE worker = CreateThread(nullptr, 0, CallsEntry, &calls, 0, nullptr);
    if (!worker)
        return -1.0;
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        PumpMessages();
    double elapsed = NowMs() - start;
    CloseHandle(worker);
    return elapsed;
}

std::vector<double> ParseList(const char* text)
{
    std::vector<double> values;
    while (text && *text) {
        char* end = nullptr;
        double value = strtod(text, &end);
        if (end == text)
            break;
        if (value > 0)
            values.push_back(value);
        text = (*end == ',') ? end + 1 : end;
    }
    return values;
}

static double MbPerSecond(double bytes, double ms)
{
    return ms > 0 ? bytes / (1024.0 * 1024.0) / (ms / 1000.0) : 0.0;
}

void PrintRate(const char* label, double bytes, double ms)
{
    printf("  %-24s %8.0f ms  %7.1f MB/s\n", label, ms, MbPerSecond(bytes, ms));
}

void PrintSummary(const char* label, double bytes, const std::vector<double>& ms)
{
    if (ms.empty()) {
        printf("  %-24s no runs\n", label);
        return;
    }
    double best = *std::min_element(ms.begin(), ms.end());
    double worst = *std::max_element(ms.begin(), ms.end());
    double middle = Median(ms);
    printf("  %-24s median %7.0f ms %7.1f MB/s   (best %.0f, worst %.0f ms, %u runs)\n", label, middle,
           MbPerSecond(bytes, middle), best, worst, (unsigned)ms.size());
}
