// Conversion of a raw CD track image into an ISO image: the 2048 user-data
// bytes of every whole sector, back to back. Runs on the job's worker thread.
#include "convert/convert.h"

#include <string.h>
#include <wchar.h>

#include "base/language.h"
#include "base/longpath.h"
#include "base/widetext.h"
#include "convert/job.h"
#include "convert/progress.h"

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

static void SendConvertError(HWND page, ConvertError code)
{
    SendMessageA(page, WM_CONVERT_ERROR, 0, (LPARAM)code);
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

// An image file that another program holds open cannot be deleted: it is cut
// to nothing first, so that it does not keep its space on the disk.
static void DiscardImage(HANDLE image, const WCHAR* path)
{
    if (MoveToStart(image))
        SetEndOfFile(image);
    CloseHandle(image);
    DeleteFileW(path);
}

// A device ("NUL", "CON", "COM1", on some systems "NUL.iso" too) takes the
// name of a file: it would swallow the image, or block a read for good.
static bool IsDiskFile(HANDLE file)
{
    return GetFileType(file) == FILE_TYPE_DISK;
}

// An existing entry opened with no access: it is queried without touching a
// device, and the handle takes part in no sharing check.
static HANDLE OpenForQuery(const WCHAR* path)
{
    return CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// An existing entry that is no file on a disk.
static bool NamesNoDiskFile(const WCHAR* path)
{
    HANDLE entry = OpenForQuery(path);
    // An entry that exists yet cannot even be queried is no file to write either.
    if (entry == INVALID_HANDLE_VALUE)
        return true;
    bool device = !IsDiskFile(entry);
    CloseHandle(entry);
    return device;
}

// One file under two names: the volume serial numbers and file indexes match.
// Compared while both are open, as a file system may give a closed file's
// index to another.
static bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// Whether the finished image may take the target's name: nothing has that
// name yet, or a writable file on a disk does that is not the source under
// another spelling (letter case, "..", "\\?\", a short form, a second link).
// Checked before the copy, so that no long run is spent on a name the image
// could never take.
static bool MayReplace(const WCHAR* target, HANDLE source)
{
    HANDLE entry = OpenForQuery(target);
    if (entry == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    BY_HANDLE_FILE_INFORMATION existing;
    BY_HANDLE_FILE_INFORMATION image;
    bool may = IsDiskFile(entry) && GetFileInformationByHandle(entry, &existing) &&
               GetFileInformationByHandle(source, &image) &&
               (existing.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
               !SameFile(existing, image);
    CloseHandle(entry);
    return may;
}

const WCHAR* LastComponentOf(const WCHAR* path)
{
    const WCHAR* component = path;
    for (const WCHAR* c = path; *c; ++c) {
        if (*c == L'\\' || *c == L'/')
            component = c + 1;
    }
    return component;
}

// Hex digits after the lead character of a temporary name, at most.
static const size_t kTempDigits = 7;
static const int kTempAttempts = 64;

// The image is written under a name of its own in the target's folder, so
// that putting it in place is a rename within one volume. The name is a lead
// character and hex digits: without an extension it cannot pass for an image,
// it is never the target's own name (the lead differs from the target's first
// character), and it is no longer than that name, so its path fits wherever
// the target's does. CREATE_NEW makes it this run's alone, also against
// another instance writing into the same folder.
static HANDLE CreateBeside(const WCHAR* target, WCHAR (&temp)[kLongPathSize])
{
    temp[0] = L'\0';
    const WCHAR* name = LastComponentOf(target);
    size_t folderLength = (size_t)(name - target);
    size_t nameLength = wcslen(name);
    if (nameLength == 0 || folderLength + nameLength >= kLongPathSize)
        return INVALID_HANDLE_VALUE;
    size_t digits = nameLength - 1 < kTempDigits ? nameLength - 1 : kTempDigits;
    WCHAR lead = name[0] == L'~' ? L'_' : L'~';
    static const WCHAR kHex[] = L"0123456789ABCDEF";
    DWORD seed = (GetCurrentProcessId() << 16) ^ GetTickCount();
    int attempts = digits > 0 ? kTempAttempts : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        DWORD value = seed + (DWORD)attempt * 0x9E3779B9u;
        memcpy(temp, target, folderLength * sizeof(WCHAR));
        WCHAR* out = temp + folderLength;
        *out++ = lead;
        for (size_t i = 0; i < digits; ++i)
            *out++ = kHex[(value >> (4 * i)) & 0xF];
        *out = L'\0';
        HANDLE file = CreateFileW(temp, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        DWORD error = GetLastError();
        // Only a name taken by another file or folder is worth another try.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
            GetFileAttributesW(temp) == INVALID_FILE_ATTRIBUTES)
            break;
    }
    temp[0] = L'\0';
    return INVALID_HANDLE_VALUE;
}

// Scanners and indexers open a file that has just been closed, for a moment:
// a replace they block (a sharing violation on the new file, access denied
// on the old one) is tried again for a while before it counts as failed.
static const int kReplaceAttempts = 20;
static const DWORD kReplacePauseMs = 100;

// The finished image takes the target's name in one step: the name holds the
// old file or the whole new image, never a part of one.
static bool PutInPlace(const WCHAR* temp, const WCHAR* target)
{
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        DWORD error = GetLastError();
        if (attempt >= kReplaceAttempts || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return false;
        Sleep(kReplacePauseMs);
    }
}

// A request path without its NUL inside the buffer is refused, never cut.
static bool FitsPathBuffer(const WCHAR (&path)[kLongPathSize])
{
    for (size_t i = 0; i < kLongPathSize; ++i) {
        if (path[i] == L'\0')
            return true;
    }
    return false;
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
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || NamesNoDiskFile(call)) {
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
    // The forms the file calls take; only the shown forms ever reach a message.
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
    if (!MayReplace(targetPath, source)) {
        SendConvertError(page, kTargetOpenFailed);
        CloseHandle(source);
        return -1;
    }
    WCHAR temp[kLongPathSize];
    HANDLE image = CreateBeside(targetPath, temp);
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
    if (outcome == kCopyComplete && !FlushFileBuffers(image))
        outcome = kCopyWriteFailed;
    double processed = (double)(copied * layout.m_sectorSize);
    bool failed = outcome == kCopyWriteFailed || outcome == kCopyReadFailed;
    // A cancel that comes after the last sector, or during the flush, still
    // discards the image.
    bool cancelled = !failed && g_cancelRequested.load(std::memory_order_relaxed) != 0;
    if (failed || cancelled) {
        DiscardImage(image, temp);
    } else {
        CloseHandle(image);
        if (!PutInPlace(temp, targetPath)) {
            DeleteFileW(temp);
            outcome = kCopyWriteFailed;
            failed = true;
        }
    }
    // Held until the image is in place: Windows refuses to replace a file
    // that is open without delete sharing, the source included.
    CloseHandle(source);

    if (failed) {
        ReportProgress(processed, total, page, kReportStopped);
        SendConvertError(page, outcome == kCopyWriteFailed ? kTargetWriteFailed : kSourceReadFailed);
        return -1;
    }
    ReportProgress(processed, total, page, cancelled ? kReportStopped : kReportFinal);
    return 1;
}
