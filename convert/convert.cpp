// Conversion of a raw CD track image into an ISO image: the 2048 user-data
// bytes of every whole sector, back to back. Runs on the job's worker thread.
#include "convert/convert.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "base/language.h"
#include "base/longpath.h"
#include "base/widetext.h"
#include "convert/job.h"
#include "convert/progress.h"
#include "convert/safereplace.h"

static const unsigned char kSyncPattern[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
static const int kModeByte = 15;

static const SectorLayout kMode1Raw = {16, 288, 2352};
static const SectorLayout kMode2Raw = {24, 280, 2352};
static const SectorLayout kMode2Headerless = {8, 280, 2336};

// Sectors between two looks at the per-mille value.
static const int kCheckInterval = 101;

enum CopyOutcome { kCopyComplete, kCopyCancelled, kCopyWriteFailed, kCopyReadFailed };

int ChooseSectorLayout(const unsigned char (&header)[kHeaderSize], SectorLayout* layout)
{
    if (memcmp(header, kSyncPattern, sizeof(kSyncPattern)) != 0) {
        *layout = kMode2Headerless;
        return 1;
    }
    switch (header[kModeByte]) {
    case 1:
        *layout = kMode1Raw;
        return 1;
    case 2:
        *layout = kMode2Raw;
        return 1;
    }
    return 0;
}

// `left`: a file the run left beside the target, named in the message.
static void SendConvertError(HWND page, ConvertError code, const WCHAR* left = nullptr)
{
    SendMessageA(page, WM_CONVERT_ERROR, (WPARAM)left, (LPARAM)code);
}

// The kept image and the old file, both left where they should not be: the
// two names one after the other in one message. Without memory for them,
// the image's alone.
static void SendLeftPair(HWND page, const WCHAR* image, const WCHAR* oldFile)
{
    size_t imageLength = wcslen(image);
    size_t oldLength = wcslen(oldFile);
    WCHAR* pair = (WCHAR*)malloc((imageLength + oldLength + 2) * sizeof(WCHAR));
    if (!pair) {
        SendConvertError(page, kImageKeptBeside, image);
        return;
    }
    memcpy(pair, image, (imageLength + 1) * sizeof(WCHAR));
    memcpy(pair + imageLength + 1, oldFile, (oldLength + 1) * sizeof(WCHAR));
    SendConvertError(page, kImageAndOldFileLeft, pair);
    free(pair);
}

// A relative move of the source position. Past 4 GiB the move must carry its
// high part, and a move that fails leaves the position where it was: every
// later sector would come from the wrong offset.
static bool SkipSourceBytes(HANDLE source, int count)
{
    LARGE_INTEGER distance;
    distance.QuadPart = count;
    return SetFilePointerEx(source, distance, nullptr, FILE_CURRENT) != FALSE;
}

static bool MoveToStart(HANDLE file)
{
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

// A request path without its NUL inside the buffer is refused, never cut.
static bool FitsPathBuffer(const WCHAR (&path)[kLongPathSize])
{
    return wmemchr(path, L'\0', kLongPathSize) != nullptr;
}

int ConfirmOverwrite(const WCHAR* targetPath, HWND page)
{
    WCHAR call[kLongPathSize];
    if (!targetPath || FileCallPath(targetPath, call) != 1) {
        SendConvertError(page, kTargetOpenFailed);
        return -1;
    }
    DWORD attributes = GetFileAttributesW(call);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 1;
    // A read-only file could never be replaced: refused before the user is asked.
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) || NamesNoDiskFile(call)) {
        SendConvertError(page, kTargetOpenFailed);
        return -1;
    }

    // Built wide from its parts: the program's text from its code page, the path as it is.
    const char* question = ByLanguage("Output file '%s' already exists. Overwrite existing ?\n",
                                      "Soll die vorhandene Datei '%s' \xFC" "berschrieben werden ?\n");
    g_job.m_waitingForUser++;
    int answer = ShowNameBox(page, question, targetPath, "", MB_ICONQUESTION | MB_YESNOCANCEL);
    g_job.m_waitingForUser--;
    // The session may have ended while the question was open, and the program
    // may then be ended at any moment: nothing is created that could be cut
    // off half-written. (Read after the count above has come down.)
    if (g_cancelRequested.load() != 0)
        answer = IDCANCEL;
    return answer == IDYES ? 1 : 0;
}

// The layout from the first 16 bytes; bytes a short file does not have count as 0.
static int ReadLayout(HANDLE source, SectorLayout* layout)
{
    unsigned char header[kHeaderSize] = {0};
    DWORD read = 0;
    ReadFile(source, header, sizeof(header), &read, nullptr);
    return ChooseSectorLayout(header, layout);
}

// One 2048-byte read and one 2048-byte write per sector, the skipped bytes
// passed over by relative seeks. *copied receives the sectors written whole.
static CopyOutcome CopySectors(HANDLE source, HANDLE target, const SectorLayout& layout,
                               unsigned long long sectorCount, double total, HWND page,
                               unsigned long long* copied)
{
    unsigned char buffer[kSectorDataSize];
    int checkCounter = 0;
    unsigned long long lastPerMille = ~0ULL;
    for (unsigned long long index = 0; index < sectorCount; ++index) {
        DWORD read = 0;
        if (!SkipSourceBytes(source, layout.m_skipBefore) ||
            !ReadFile(source, buffer, kSectorDataSize, &read, nullptr) || read != kSectorDataSize) {
            *copied = index;
            return kCopyReadFailed;
        }
        DWORD written = 0;
        if (!WriteFile(target, buffer, kSectorDataSize, &written, nullptr) || written != kSectorDataSize) {
            *copied = index;
            return kCopyWriteFailed;
        }
        if (!SkipSourceBytes(source, layout.m_skipAfter)) {
            *copied = index + 1;
            return kCopyReadFailed;
        }

        if (++checkCounter >= kCheckInterval) {
            checkCounter = 0;
            unsigned long long perMille = (index + 1) * 1000 / sectorCount;
            if (perMille != lastPerMille) {
                ReportProgress((double)((index + 1) * layout.m_sectorSize), total, page, kReportIntermediate);
                lastPerMille = perMille;
            }
        }
        if (g_cancelRequested.load(std::memory_order_relaxed) != 0) {
            *copied = index + 1;
            return kCopyCancelled;
        }
    }
    *copied = sectorCount;
    return kCopyComplete;
}

int ConvertImage(const ConvertRequest& request)
{
    // First, so that the time spent on the overwrite question counts as elapsed.
    g_convertStartMs = g_readClockMs();
    HWND page = request.pageWindow;

    if (!FitsPathBuffer(request.sourcePath)) {
        SendConvertError(page, kSourceOpenFailed);
        return -1;
    }
    if (!FitsPathBuffer(request.targetPath)) {
        SendConvertError(page, kTargetOpenFailed);
        return -1;
    }
    // The forms the file calls take; only the shown forms reach a message.
    WCHAR sourcePath[kLongPathSize];
    WCHAR targetPath[kLongPathSize];
    if (FileCallPath(request.sourcePath, sourcePath) != 1) {
        SendConvertError(page, kSourceOpenFailed);
        return -1;
    }
    if (FileCallPath(request.targetPath, targetPath) != 1) {
        SendConvertError(page, kTargetOpenFailed);
        return -1;
    }
    if (ConfirmOverwrite(request.targetPath, page) != 1)
        return -1;

    HANDLE source = CreateFileW(sourcePath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        SendConvertError(page, kSourceOpenFailed);
        return -1;
    }
    if (!IsDiskFile(source)) {
        CloseHandle(source);
        SendConvertError(page, kSourceOpenFailed);
        return -1;
    }
    SectorLayout layout;
    if (!ReadLayout(source, &layout)) {
        SendConvertError(page, kUnsupportedTrackMode);
        CloseHandle(source);
        return -1;
    }
    DWORD sizeHigh = 0;
    DWORD sizeLow = GetFileSize(source, &sizeHigh);
    unsigned long long size = ((unsigned long long)sizeHigh << 32) | sizeLow;
    unsigned long long sectorCount = size / (unsigned long long)layout.m_sectorSize;
    double total = (double)(sectorCount * layout.m_sectorSize);
    if (!MoveToStart(source)) {
        SendConvertError(page, kSourceReadFailed);
        CloseHandle(source);
        return -1;
    }

    // Nothing is opened under the target's name: an existing target stays as
    // it is until the finished image replaces it.
    TargetState state = CheckTarget(targetPath, source, request.sourcePath);
    if (state == kTargetRefused) {
        SendConvertError(page, kTargetOpenFailed);
        CloseHandle(source);
        return -1;
    }
    WCHAR temp[kLongPathSize];
    WCHAR tempCall[kLongPathSize];
    HANDLE image = CreateBeside(request.targetPath, temp, tempCall);
    if (image == INVALID_HANDLE_VALUE) {
        SendConvertError(page, kTargetOpenFailed);
        CloseHandle(source);
        return -1;
    }
    // A device the checks above did not find: closed as it is, never deleted.
    if (!IsDiskFile(image)) {
        CloseHandle(image);
        CloseHandle(source);
        SendConvertError(page, kTargetOpenFailed);
        return -1;
    }

    unsigned long long copied = 0;
    CopyOutcome outcome = CopySectors(source, image, layout, sectorCount, total, page, &copied);
    // On the disk before it takes the name and before the summary: after a
    // power cut the name must not hold an image whose data never got there.
    if (outcome == kCopyComplete && !g_imageFileCalls.m_flush(image))
        outcome = kCopyWriteFailed;
    double processed = (double)(copied * layout.m_sectorSize);
    bool failed = outcome == kCopyWriteFailed || outcome == kCopyReadFailed;
    // A cancel that comes after the last sector, or during the flush, still
    // discards the image.
    bool cancelled = !failed && g_cancelRequested.load(std::memory_order_relaxed) != 0;
    bool kept = false;
    WCHAR left[kLongPathSize];
    WCHAR oldLeft[kLongPathSize];
    left[0] = L'\0';
    oldLeft[0] = L'\0';
    if (failed || cancelled) {
        if (!DiscardImage(image, tempCall))
            memcpy(left, temp, (wcslen(temp) + 1) * sizeof(WCHAR));
    } else {
        CloseHandle(image);
        if (!PutInPlace(tempCall, request.targetPath, targetPath, state == kTargetReplaceable, oldLeft)) {
            KeepBeside(tempCall, temp, request.targetPath, left);
            kept = true;
        }
    }
    // Held until the image is in place: Windows refuses to replace a file
    // that is open without delete sharing, the source included.
    CloseHandle(source);

    const WCHAR* named = left[0] != L'\0' ? left : nullptr;
    if (kept) {
        ReportProgress(processed, total, page, kReportStopped);
        if (oldLeft[0] != L'\0')
            SendLeftPair(page, left, oldLeft);
        else
            SendConvertError(page, kImageKeptBeside, named);
        return -1;
    }
    if (failed) {
        ReportProgress(processed, total, page, kReportStopped);
        SendConvertError(page, outcome == kCopyWriteFailed ? kTargetWriteFailed : kSourceReadFailed, named);
        return -1;
    }
    ReportProgress(processed, total, page, cancelled ? kReportStopped : kReportFinal);
    if (named)
        SendConvertError(page, kPartialImageLeft, named);
    if (oldLeft[0] != L'\0')
        SendConvertError(page, kOldFileLeft, oldLeft);
    return 1;
}
