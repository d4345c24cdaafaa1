// Conversion of a raw CD track image into an ISO image.
#pragma once

#include <windows.h>

#include "base/sizes.h"
#include "convert/safereplace.h"

// Sent (synchronously) to the converter page with a ConvertError in lParam.
// wParam is null, or the path of a file the run left beside the target (a
// UTF-16 string, valid while the message is handled).
const UINT WM_CONVERT_ERROR = WM_USER + 101;

enum ConvertError {
    kSourceOpenFailed = 2,
    kTargetOpenFailed = 3,
    kUnsupportedTrackMode = 4,
    kTargetWriteFailed = 5,  // wParam: the partial image, where it could not be deleted
    kSourceReadFailed = 6,   // likewise
    kImageKeptBeside = 7,    // complete, but it could not take the target's name; wParam: where it is
    kPartialImageLeft = 8,   // a cancelled run's partial image could not be deleted; wParam: where it is
    kOldFileLeft = 9,        // the image took the name, the old file could not be deleted; wParam: where it is
    // As kImageKeptBeside, and the old file could not go back to the target's
    // name either; wParam: where the image is, after its NUL where the old file is.
    kImageAndOldFileLeft = 10,
};

struct SectorLayout {
    int m_skipBefore;
    int m_skipAfter;
    int m_sectorSize;
};

// Full paths as the user sees them, in UTF-16; the file calls get them with
// the "\\?\" prefix where they do not fit MAX_PATH.
struct ConvertRequest {
    WCHAR sourcePath[kLongPathSize];
    WCHAR targetPath[kLongPathSize];
    HWND pageWindow;
};

const int kSectorDataSize = 2048;
const int kHeaderSize = 16;

// Picks the layout from the first 16 bytes of the source: 1 with *layout set,
// 0 for an unsupported track mode.
int ChooseSectorLayout(const unsigned char (&header)[kHeaderSize], SectorLayout* layout);

// 1 proceed, 0 declined, -1 the path names a directory, a device or a
// read-only file (kTargetOpenFailed sent; no question asked).
int ConfirmOverwrite(const WCHAR* targetPath, HWND page);

// 1 when the copy loop ran to its end or was cancelled, -1 otherwise. The
// image is written beside the target and takes its name only once complete
// and on the disk; until then the target's name holds what it held. A
// complete image that cannot take the name is kept beside it.
int ConvertImage(const ConvertRequest& request);
