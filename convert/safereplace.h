// The safe replace of a target by a finished image: the name holds the old
// file or the whole new image, never a part of one, and a complete image is
// never thrown away.
#pragma once

#include <windows.h>

#include <stddef.h>

#include "base/sizes.h"

// FILE_ID_INFO, the answer of GetFileInformationByHandleEx for its class
// FileIdInfo (18): the volume's 64-bit serial number and the file's 128-bit ID.
struct FileIdInformation {
    ULONGLONG m_volumeSerial;
    BYTE m_fileId[16];
};
// As documented for both builds: 24 bytes, the ID at offset 8.
static_assert(sizeof(FileIdInformation) == 24 && offsetof(FileIdInformation, m_fileId) == 8 &&
                  sizeof(FileIdInformation::m_fileId) == 16,
              "FileIdInformation is not laid out as FILE_ID_INFO");
const int kFileIdInfoClass = 18;
typedef BOOL(WINAPI* IdentifyByIdCall)(HANDLE file, int infoClass, LPVOID information, DWORD size);
typedef BOOL(WINAPI* ReplaceCall)(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                                  LPVOID exclude, LPVOID reserved);

// The calls by which the finished image reaches the disk, an existing target
// is told from the source, and the image replaces it. Replaceable so that a
// test can make them fail, or answer, as some disks, file systems and shares
// do.
struct ImageFileCalls {
    BOOL(WINAPI* m_flush)(HANDLE file);
    BOOL(WINAPI* m_identify)(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
    // GetFileInformationByHandleEx where the system has it, else null.
    IdentifyByIdCall m_identifyById;
    ReplaceCall m_replace;
    // Whether a name is free: a share may answer with a network error instead.
    DWORD(WINAPI* m_attributes)(LPCWSTR path);
};
extern ImageFileCalls g_imageFileCalls;

// Where the last component of `path` begins: after its last "\" or "/".
const WCHAR* LastComponentOf(const WCHAR* path);

// An open file that is a file on a disk, not a device.
bool IsDiskFile(HANDLE file);
// An existing entry that is no file on a disk (a device, or one that cannot be queried).
bool NamesNoDiskFile(const WCHAR* path);

// Whether the open `target` is the open `source` (each with its path as
// given): by the 128-bit file ID where the system gives one, else by the
// 64-bit index, else by their full paths without regard to case.
bool IsTheSource(HANDLE target, const WCHAR* targetPath, HANDLE source, const WCHAR* sourcePath);

enum TargetState { kTargetAbsent, kTargetReplaceable, kTargetRefused };

// Whether the finished image may take the name `target` (its form for the
// file calls): nothing has it, or a writable file on a disk that is not the
// open `source` (shown as `sourcePath`) under another spelling.
TargetState CheckTarget(const WCHAR* target, HANDLE source, const WCHAR* sourcePath);

// Creates the image under a new name of its own in the folder of `target`
// (as shown): `temp` that name as shown, `call` its form for the file calls.
// INVALID_HANDLE_VALUE when no such name can be had.
HANDLE CreateBeside(const WCHAR* target, WCHAR (&temp)[kLongPathSize], WCHAR (&call)[kLongPathSize]);

// Puts the closed image `temp` (its form for the file calls) in place as
// `target` (as shown; `targetCall` its form for the file calls), replacing
// an existing target where `replace` is set. False when it could not take
// the name. `oldLeft` receives, as shown, the name the old file is left
// under where it could neither be deleted nor go back to the target's name.
bool PutInPlace(const WCHAR* temp, const WCHAR* target, const WCHAR* targetCall, bool replace,
                WCHAR (&oldLeft)[kLongPathSize]);

// Closes and deletes an image that is not complete (`path`: its form for the
// file calls). False when it is still there.
bool DiscardImage(HANDLE image, const WCHAR* path);

// Keeps a complete image that could not take the target's name beside the
// target; `kept` receives the name it has, as shown.
void KeepBeside(const WCHAR* tempCall, const WCHAR* temp, const WCHAR* target, WCHAR (&kept)[kLongPathSize]);
