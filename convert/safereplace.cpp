// The safe replace of a target by a finished image: the target checked
// before the copy, the image written under a name of its own beside it, put
// in place in one step once complete, or discarded, or kept beside the
// target where it cannot take its name.
#include "convert/safereplace.h"

#include <string.h>
#include <wchar.h>

#include "base/language.h"
#include "base/longpath.h"
#include "base/widetext.h"

ImageFileCalls g_imageFileCalls = {FlushFileBuffers, GetFileInformationByHandle};

static bool MoveToStart(HANDLE file)
{
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

// A device ("NUL", "CON", "COM1", on some systems "NUL.iso" too) takes the
// name of a file: it would swallow the image, or block a read for good.
bool IsDiskFile(HANDLE file)
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
bool NamesNoDiskFile(const WCHAR* path)
{
    HANDLE entry = OpenForQuery(path);
    // An entry that exists yet cannot even be queried is no file to write either.
    if (entry == INVALID_HANDLE_VALUE)
        return true;
    bool device = !IsDiskFile(entry);
    CloseHandle(entry);
    return device;
}

// An identity that tells nothing: a file system whose redirector gives every
// file the index 0 (some WebDAV, virtual machine and NAS shares).
static bool HasFileIndex(const BY_HANDLE_FILE_INFORMATION& file)
{
    return file.nFileIndexHigh != 0 || file.nFileIndexLow != 0;
}

// A full path in UTF-16, without a "\\?\" prefix and in capitals, so that two
// spellings of one path compare equal. Empty when it does not convert.
static void ComparablePath(const WCHAR* path, WCHAR (&out)[kLongPathSize])
{
    out[0] = L'\0';
    DWORD length = GetFullPathNameW(path, (DWORD)kLongPathSize, out, nullptr);
    if (length == 0 || length >= kLongPathSize) {
        out[0] = L'\0';
        return;
    }
    WCHAR* text = out;
    if (wcsncmp(text, L"\\\\?\\UNC\\", 8) == 0) {
        // "\\?\UNC\server\share" is "\\server\share".
        text += 6;
        text[0] = L'\\';
    } else if (HasRawPrefix(text)) {
        text += 4;
    }
    size_t rest = wcslen(text);
    memmove(out, text, (rest + 1) * sizeof(WCHAR));
    CharUpperBuffW(out, (DWORD)rest);
}

// Whether the existing target is the source: one file when the volume serial
// numbers and file indexes match (compared while both are open, as a file
// system may give a closed file's index to another). Where a file system
// tells no identity, the full paths are compared without regard to case: a
// short form or a second link then passes as another file, and only the
// source's own handle, which shares no delete, still keeps it from being
// replaced.
static bool IsTheSource(HANDLE target, const WCHAR* targetPath, HANDLE source, const WCHAR* sourcePath)
{
    BY_HANDLE_FILE_INFORMATION existing;
    BY_HANDLE_FILE_INFORMATION image;
    if (g_imageFileCalls.m_identify(target, &existing) && g_imageFileCalls.m_identify(source, &image) &&
        (HasFileIndex(existing) || HasFileIndex(image)))
        return existing.dwVolumeSerialNumber == image.dwVolumeSerialNumber &&
               existing.nFileIndexHigh == image.nFileIndexHigh && existing.nFileIndexLow == image.nFileIndexLow;
    WCHAR targetFull[kLongPathSize];
    WCHAR sourceFull[kLongPathSize];
    ComparablePath(targetPath, targetFull);
    ComparablePath(sourcePath, sourceFull);
    // A path that cannot be compared could be the source's.
    return targetFull[0] == L'\0' || sourceFull[0] == L'\0' || wcscmp(targetFull, sourceFull) == 0;
}

// An existing target opened as ReplaceFile opens the file it replaces: for
// reading and deletion, sharing everything. A program that holds the file
// without sharing delete (a viewer, a mounted image, a virtual machine)
// makes this open fail, where an open for no access would pass: Windows
// checks no sharing for that.
static HANDLE OpenAsReplaced(const WCHAR* target)
{
    return CreateFileW(target, GENERIC_READ | DELETE | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether the finished image may take the target's name: nothing has that
// name yet, or a writable file on a disk does that is not the source under
// another spelling (letter case, "..", "\\?\", a short form, a second link).
// Checked before the copy, as the final replace will need the target, so
// that no long run is spent on a name the image could never take.
TargetState CheckTarget(const WCHAR* target, HANDLE source, const WCHAR* sourcePath)
{
    HANDLE entry = OpenAsReplaced(target);
    if (entry == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? kTargetAbsent : kTargetRefused;
    // Read again: the file may have been made read-only while the question was open.
    BY_HANDLE_FILE_INFORMATION existing;
    bool may = IsDiskFile(entry) && GetFileInformationByHandle(entry, &existing) &&
               (existing.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
               !IsTheSource(entry, target, source, sourcePath);
    CloseHandle(entry);
    return may ? kTargetReplaceable : kTargetRefused;
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
// another instance writing into the same folder. `target` and `temp` are the
// paths as shown; the file calls get `call`, their form for them.
HANDLE CreateBeside(const WCHAR* target, WCHAR (&temp)[kLongPathSize], WCHAR (&call)[kLongPathSize])
{
    temp[0] = L'\0';
    call[0] = L'\0';
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
        if (FileCallPath(temp, call) != 1)
            break;
        HANDLE file = CreateFileW(call, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        DWORD error = GetLastError();
        // Only a name taken by another file or folder is worth another try.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
            GetFileAttributesW(call) == INVALID_FILE_ATTRIBUTES)
            break;
    }
    temp[0] = L'\0';
    call[0] = L'\0';
    return INVALID_HANDLE_VALUE;
}

// Scanners and indexers open a file that has just been closed, for a moment:
// a replace or a delete they block (a sharing violation, access denied, or
// ReplaceFile's "could not remove the replaced file") is tried again for a
// while before it counts as failed.
static const int kReplaceAttempts = 20;
static const DWORD kReplacePauseMs = 100;

static bool MayPass(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}

static bool NameIsFree(const WCHAR* path)
{
    return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

// 0 when ReplaceFile could open both files now, else the error of the open
// that failed. The image is opened as ReplaceFile opens the replacement at
// the least: for reading and deletion, sharing nothing. Asked before each
// try, so that a file another program holds is waited for without a replace
// that fails part-way (some systems' ReplaceFile then leaves a temporary
// file of its own beside the target).
static DWORD ReplaceBlockedBy(const WCHAR* target, const WCHAR* temp)
{
    HANDLE replaced = OpenAsReplaced(target);
    if (replaced == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(replaced);
    HANDLE replacement = CreateFileW(temp, GENERIC_READ | DELETE | SYNCHRONIZE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (replacement == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(replacement);
    return 0;
}

// The finished image takes the target's name in one step: the name holds the
// old file or the whole new image, never a part of one. An existing target
// is replaced by ReplaceFile, so that the name keeps what Windows keeps on a
// safe save (its ACL and owner, attributes, compression, encryption,
// creation time, short name and streams). Failed, ReplaceFile leaves both
// files under their names, except where it leaves the target's name free
// (documented for ERROR_UNABLE_TO_MOVE_REPLACEMENT and its _2 without a
// backup name; a target deleted meanwhile): the image is then moved there.
// A new name is created by a move that never replaces a file that has taken
// the name since the check.
bool PutInPlace(const WCHAR* temp, const WCHAR* target, bool replace)
{
    for (int attempt = 1;; ++attempt) {
        DWORD error = replace ? ReplaceBlockedBy(target, temp) : 0;
        if (error == 0) {
            BOOL done = replace ? ReplaceFileW(target, temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                : MoveFileExW(temp, target, MOVEFILE_WRITE_THROUGH);
            if (done)
                return true;
            error = GetLastError();
        }
        if (replace && NameIsFree(target)) {
            replace = false;
            continue;
        }
        if (attempt >= kReplaceAttempts || !MayPass(error))
            return false;
        Sleep(kReplacePauseMs);
    }
}

// An image that is not complete is deleted, tried again as a replace is.
// One that another program still holds is cut to nothing first, so that what
// is left does not keep its space on the disk. False when it is still there.
bool DiscardImage(HANDLE image, const WCHAR* path)
{
    if (MoveToStart(image))
        SetEndOfFile(image);
    CloseHandle(image);
    for (int attempt = 1;; ++attempt) {
        if (DeleteFileW(path))
            return true;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return true;
        if (attempt >= kReplaceAttempts || !MayPass(error))
            return false;
        Sleep(kReplacePauseMs);
    }
}

// Where the extension of a last component begins: at its last dot, or at its end.
static const WCHAR* ExtensionOf(const WCHAR* name)
{
    const WCHAR* extension = wcsrchr(name, L'.');
    return extension ? extension : name + wcslen(name);
}

// Names tried for a kept image before it stays under its temporary name.
static const int kKeptNames = 9;

// Appends `text` at `at` of `out` if it fits; false when it does not.
static bool AppendName(WCHAR (&out)[kLongPathSize], size_t& at, const WCHAR* text, size_t length)
{
    if (length >= kLongPathSize - at)
        return false;
    memcpy(out + at, text, length * sizeof(WCHAR));
    at += length;
    out[at] = L'\0';
    return true;
}

// A complete image that cannot take the target's name is never thrown away:
// it is kept beside the target under the target's name with " (neu)" before
// the extension ("disc (neu).iso", then "disc (neu 2).iso", ...), a name that
// says what it is and that no program takes for the target. A name that is
// taken is never replaced; where none can be had, the image keeps the name
// it was written under. `tempCall` is that name for the file calls, `temp`
// as shown, `target` as shown; `kept` receives the name it has, as shown.
void KeepBeside(const WCHAR* tempCall, const WCHAR* temp, const WCHAR* target,
                       WCHAR (&kept)[kLongPathSize])
{
    memcpy(kept, temp, (wcslen(temp) + 1) * sizeof(WCHAR));
    const WCHAR* extension = ExtensionOf(LastComponentOf(target));
    WCHAR mark[8];
    ProgramTextToWide(ByLanguage("new", "neu"), mark, 8);
    for (int number = 1; number <= kKeptNames; ++number) {
        WCHAR name[kLongPathSize];
        WCHAR call[kLongPathSize];
        WCHAR digit[2] = {(WCHAR)(L'0' + number), L'\0'};
        size_t at = 0;
        name[0] = L'\0';
        if (!AppendName(name, at, target, (size_t)(extension - target)) || !AppendName(name, at, L" (", 2) ||
            !AppendName(name, at, mark, wcslen(mark)) ||
            (number > 1 && (!AppendName(name, at, L" ", 1) || !AppendName(name, at, digit, 1))) ||
            !AppendName(name, at, L")", 1) || !AppendName(name, at, extension, wcslen(extension)) ||
            FileCallPath(name, call) != 1)
            return;
        if (MoveFileExW(tempCall, call, MOVEFILE_WRITE_THROUGH)) {
            memcpy(kept, name, (at + 1) * sizeof(WCHAR));
            return;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return;
    }
}
