// The safe replace of a target by a finished image: the target checked
// before the copy, the image written under a name of its own beside it, put
// in place in one step once complete, or discarded, or kept beside the
// target where it cannot take its name.
#include "convert/safereplace.h"

#include <string.h>
#include <wchar.h>

#include "base/language.h"
#include "base/longpath.h"
#include "base/systemlib.h"
#include "base/widetext.h"

// GetFileInformationByHandleEx is Vista's, its FileIdInfo class Windows 8's:
// looked up, so that the program still starts on XP.
static IdentifyByIdCall FindIdentifyById()
{
    return FindSystemFunction<IdentifyByIdCall>(GetModuleHandleW(L"kernel32.dll"),
                                                "GetFileInformationByHandleEx");
}

ImageFileCalls g_imageFileCalls = {FlushFileBuffers, GetFileInformationByHandle, FindIdentifyById(), ReplaceFileW,
                                   GetFileAttributesW};

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
    WCHAR* text = WithoutRawPrefix(out);
    size_t rest = wcslen(text);
    memmove(out, text, (rest + 1) * sizeof(WCHAR));
    CharUpperBuffW(out, (DWORD)rest);
}

// The 128-bit identity where the system gives one (Windows 8 and later): 1
// one file, 0 two files, -1 none to be had (an older system, a file system
// that does not answer, or IDs of nothing but zeros).
static int SameByFileId(HANDLE target, HANDLE source)
{
    if (!g_imageFileCalls.m_identifyById)
        return -1;
    FileIdInformation existing;
    FileIdInformation image;
    if (!g_imageFileCalls.m_identifyById(target, kFileIdInfoClass, &existing, sizeof(existing)) ||
        !g_imageFileCalls.m_identifyById(source, kFileIdInfoClass, &image, sizeof(image)))
        return -1;
    static const BYTE kNoId[sizeof(existing.m_fileId)] = {0};
    if (memcmp(existing.m_fileId, kNoId, sizeof(kNoId)) == 0 && memcmp(image.m_fileId, kNoId, sizeof(kNoId)) == 0)
        return -1;
    return existing.m_volumeSerial == image.m_volumeSerial &&
                   memcmp(existing.m_fileId, image.m_fileId, sizeof(existing.m_fileId)) == 0
               ? 1
               : 0;
}

// Whether the existing target is the source: one file when the volume serial
// numbers and file IDs match (compared while both are open, as a file system
// may give a closed file's ID to another). The 128-bit ID comes first: on
// ReFS the 64-bit index of two files may be the same. Where a file system
// tells no identity, the full paths are compared without regard to case: a
// short form or a second link then passes as another file, and only the
// source's own handle, which shares no delete, still keeps it from being
// replaced.
bool IsTheSource(HANDLE target, const WCHAR* targetPath, HANDLE source, const WCHAR* sourcePath)
{
    int same = SameByFileId(target, source);
    if (same != -1)
        return same == 1;
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

// A name beside the target made by the rule of the image's own names, the
// `attempt`-th of a run: a lead character and hex digits. Without an
// extension it cannot pass for an image, and it is never the target's own
// name (the lead differs from the target's first character). It is no longer
// than that name, so its path fits wherever the target's does. A name of one
// character leaves no room for a digit: it gets the digits of the longest
// names, eight characters in all, for which Windows leaves room in every
// folder made without the "\\?\" prefix (an 8.3 name fits in it).
// `target` and `name` are the paths as shown; `call` the form of `name` for
// the file calls. False when the rule gives no (further) name.
static bool NameBeside(const WCHAR* target, DWORD seed, int attempt, WCHAR (&name)[kLongPathSize],
                       WCHAR (&call)[kLongPathSize])
{
    name[0] = L'\0';
    call[0] = L'\0';
    const WCHAR* last = LastComponentOf(target);
    size_t folderLength = (size_t)(last - target);
    size_t lastLength = wcslen(last);
    if (lastLength == 0 || attempt >= kTempAttempts)
        return false;
    size_t digits = lastLength == 1 || lastLength - 1 >= kTempDigits ? kTempDigits : lastLength - 1;
    if (folderLength + 1 + digits >= kLongPathSize)
        return false;
    WCHAR lead = last[0] == L'~' ? L'_' : L'~';
    static const WCHAR kHex[] = L"0123456789ABCDEF";
    DWORD value = seed + (DWORD)attempt * 0x9E3779B9u;
    memcpy(name, target, folderLength * sizeof(WCHAR));
    WCHAR* out = name + folderLength;
    *out++ = lead;
    for (size_t i = 0; i < digits; ++i)
        *out++ = kHex[(value >> (4 * i)) & 0xF];
    *out = L'\0';
    if (FileCallPath(name, call) == 1)
        return true;
    name[0] = L'\0';
    call[0] = L'\0';
    return false;
}

static DWORD NameSeed()
{
    return (GetCurrentProcessId() << 16) ^ GetTickCount();
}

// Only a name taken by another file or folder is worth another try.
static bool TakenByAnother(DWORD error, const WCHAR* call)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           GetFileAttributesW(call) != INVALID_FILE_ATTRIBUTES;
}

// The image is written under a name of its own in the target's folder, so
// that putting it in place is a rename within one volume. CREATE_NEW makes
// the name this run's alone, also against another instance writing into the
// same folder. `target` and `temp` are the paths as shown; the file calls get
// `call`, their form for them.
HANDLE CreateBeside(const WCHAR* target, WCHAR (&temp)[kLongPathSize], WCHAR (&call)[kLongPathSize])
{
    DWORD seed = NameSeed();
    for (int attempt = 0; NameBeside(target, seed, attempt, temp, call); ++attempt) {
        HANDLE file = CreateFileW(call, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        if (!TakenByAnother(GetLastError(), call))
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

// Only "no such file" frees a name: one that answers access denied may be a
// file whose delete is pending while another program still holds it.
static bool NameIsFree(const WCHAR* path)
{
    return g_imageFileCalls.m_attributes(path) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The name ReplaceFile keeps the old file under until the image has its
// name: by the rule of the image's own names, and free. It is not created
// beforehand: ReplaceFile is to give it the old file, not to replace a file.
static bool ChooseBackupName(const WCHAR* target, WCHAR (&backup)[kLongPathSize], WCHAR (&call)[kLongPathSize])
{
    DWORD seed = NameSeed() ^ 0x5A5A5A5Au;
    for (int attempt = 0; NameBeside(target, seed, attempt, backup, call); ++attempt) {
        if (NameIsFree(call))
            return true;
    }
    backup[0] = L'\0';
    call[0] = L'\0';
    return false;
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

// Deletes `path`, tried again as a replace is. False when it is still there.
static bool DeleteRetrying(const WCHAR* path)
{
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

// Moves `from` to the free name `to`, never over a file that has taken it,
// tried again as a replace is.
static bool MoveRetrying(const WCHAR* from, const WCHAR* to)
{
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH))
            return true;
        if (attempt >= kReplaceAttempts || !MayPass(GetLastError()))
            return false;
        Sleep(kReplacePauseMs);
    }
}

// ReplaceFile refused although both files could be opened as it opens them:
// on a share where the user may change files but not their permissions, it
// is denied the WRITE_DAC access it asks for on the replacement.
static bool ReplaceRefused(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The finished image takes the target's name in one step: the name holds the
// old file or the whole new image, never a part of one. An existing target
// is replaced by ReplaceFile, so that the name keeps what Windows keeps on a
// safe save (its ACL and owner, attributes, compression, encryption,
// creation time, short name and streams). Where ReplaceFile is refused, a
// move over the target replaces it, as a plain save would: the name then
// has the new file's ACL and streams, which Windows would not let the
// program carry over anyway. ReplaceFile keeps the old file under a backup
// name until the image has the name; failed, it leaves both files under
// their names, or the old one under the backup name
// (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2). The target's name is then taken by a
// move that never replaces a file that has taken it since, as is the free
// name of a target deleted meanwhile; where the image cannot take it, the
// old file goes back. `oldLeft` receives the backup name, as shown, where
// the old file is left under it.
bool PutInPlace(const WCHAR* temp, const WCHAR* target, const WCHAR* targetCall, bool replace,
                WCHAR (&oldLeft)[kLongPathSize])
{
    oldLeft[0] = L'\0';
    WCHAR backup[kLongPathSize];
    WCHAR backupCall[kLongPathSize];
    backup[0] = L'\0';
    backupCall[0] = L'\0';
    // Without a backup name, a failed ReplaceFile may leave the old file gone
    // or under a name nobody knows.
    if (replace && !ChooseBackupName(target, backup, backupCall))
        return false;
    bool placed = false;
    bool oldInBackup = false;
    for (int attempt = 1;; ++attempt) {
        DWORD error = replace ? ReplaceBlockedBy(targetCall, temp) : 0;
        if (error == 0 && replace) {
            if (g_imageFileCalls.m_replace(targetCall, temp, backupCall, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                           nullptr)) {
                placed = true;
                oldInBackup = true;
                break;
            }
            error = GetLastError();
            if (ReplaceRefused(error)) {
                if (MoveFileExW(temp, targetCall, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                    placed = true;
                    break;
                }
                error = GetLastError();
            }
        } else if (error == 0) {
            if (MoveFileExW(temp, targetCall, MOVEFILE_WRITE_THROUGH)) {
                placed = true;
                break;
            }
            error = GetLastError();
        }
        if (replace && error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // ReplaceFile's word that the old file is under the backup name,
            // whatever the target's name answers now: another program may
            // have taken it, or the share that failed the move may not
            // answer at all.
            oldInBackup = true;
            replace = false;
            continue;
        }
        if (replace && NameIsFree(targetCall)) {
            // Deleted meanwhile: the old file is under the backup name where
            // ReplaceFile got that far.
            oldInBackup = !NameIsFree(backupCall);
            replace = false;
            continue;
        }
        if (attempt >= kReplaceAttempts || !MayPass(error))
            break;
        Sleep(kReplacePauseMs);
    }
    if (oldInBackup) {
        bool gone = placed ? DeleteRetrying(backupCall) : MoveRetrying(backupCall, targetCall);
        if (!gone)
            memcpy(oldLeft, backup, (wcslen(backup) + 1) * sizeof(WCHAR));
    }
    return placed;
}

// An image that is not complete is deleted, tried again as a replace is.
// One that another program still holds is cut to nothing first, so that what
// is left does not keep its space on the disk. False when it is still there.
bool DiscardImage(HANDLE image, const WCHAR* path)
{
    if (MoveToStart(image))
        SetEndOfFile(image);
    CloseHandle(image);
    return DeleteRetrying(path);
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
void KeepBeside(const WCHAR* tempCall, const WCHAR* temp, const WCHAR* target, WCHAR (&kept)[kLongPathSize])
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
