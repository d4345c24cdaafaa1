// The converter page: source and target fields with their file dialogs, drops
// of files and shortcuts, Convert and Cancel, and the errors a run sends it.
#include "app/converterpage.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>
#include <wchar.h>

#include "app/accessible.h"
#include "app/conversion.h"
#include "app/ending.h"
#include "app/pathrules.h"
#include "base/language.h"
#include "base/longpath.h"
#include "base/widetext.h"
#include "convert/job.h"
#include "res/resource.h"

static const WCHAR kBinFilter[] = L"BIN (*.bin)\0*.bin\0";
static const WCHAR kIsoFilter[] = L"ISO (*.iso)\0*.iso\0";
static const WCHAR kIsoExtension[] = L".iso";

// Shortcut targets of this length or less are no path worth taking.
const int kShortestShortcutTarget = 4;

void OnConverterPageInit(HWND page)
{
    SetDlgItemTextW(page, IDC_SOURCE_EDIT, g_request.sourcePath);
    SetDlgItemTextW(page, IDC_TARGET_EDIT, g_request.targetPath);
    DragAcceptFiles(page, TRUE);
    // Both read "..."; a screen reader says what each is for.
    SetAccessibleName(GetDlgItem(page, IDC_SOURCE_BROWSE),
                      ByLanguage("Browse for the source image", "Quell-Image ausw\xE4hlen"), 0);
    SetAccessibleName(GetDlgItem(page, IDC_TARGET_BROWSE), ByLanguage("Choose the target ISO", "Ziel-ISO w\xE4hlen"),
                      0);
}

INT_PTR OnConverterGetDefId(HWND page)
{
    SetWindowLongPtrW(page, DWLP_MSGRESULT, MAKELONG(IDC_CONVERT, DC_HASDEFID));
    return TRUE;
}

// The dialogs move the process's current directory to the folder picked, and
// Windows then holds that folder: it can be neither removed nor renamed, nor
// its stick ejected. The directory is put back as it was. The buffer holds
// the longest path Windows takes, whatever the dialog hands back.
static int RunFileDialog(BOOL save, HWND owner, const WCHAR* filter, const WCHAR (&name)[kShellPathSize],
                         WCHAR (&chosen)[kLongPathSize], const WCHAR* title, DWORD flags)
{
    lstrcpynW(chosen, name, (int)kShellPathSize);

    OPENFILENAMEW dialog;
    ZeroMemory(&dialog, sizeof(dialog));
    // The form every version of the common dialogs accepts.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = (DWORD)kLongPathSize;
    dialog.lpstrTitle = title;
    dialog.Flags = flags;

    WCHAR current[kLongPathSize];
    DWORD currentLength = GetCurrentDirectoryW((DWORD)kLongPathSize, current);
    BOOL picked = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (currentLength > 0 && currentLength < kLongPathSize)
        SetCurrentDirectoryW(current);
    return picked ? 1 : 0;
}

// The chosen file by the rules of the file calls, or its open error.
static int ChooseFile(BOOL save, HWND owner, const WCHAR* filter, WCHAR (&name)[kShellPathSize],
                      WCHAR (&pathOut)[kLongPathSize], const WCHAR* title, DWORD flags)
{
    WCHAR chosen[kLongPathSize];
    if (RunFileDialog(save, owner, filter, name, chosen, title, flags) != 1)
        return 0;
    WCHAR path[kLongPathSize];
    if (RequestPath(chosen, path) != 1) {
        ShowNameError(owner, save ? kTargetOpenText : kSourceOpenText, chosen);
        return -1;
    }
    LastPathComponent(path, name);
    memcpy(pathOut, path, (wcslen(path) + 1) * sizeof(WCHAR));
    return 1;
}

int OpenFileDialog(HWND owner, const WCHAR* filter, WCHAR (&name)[kShellPathSize],
                   WCHAR (&pathOut)[kLongPathSize], const WCHAR* title, DWORD flags)
{
    return ChooseFile(FALSE, owner, filter, name, pathOut, title, flags);
}

int SaveFileDialog(HWND owner, const WCHAR* filter, WCHAR (&name)[kShellPathSize],
                   WCHAR (&pathOut)[kLongPathSize], const WCHAR* title, DWORD flags)
{
    return ChooseFile(TRUE, owner, filter, name, pathOut, title, flags);
}

int LastPathComponent(const WCHAR* path, WCHAR (&out)[kShellPathSize])
{
    out[0] = L'\0';
    if (!path || wcslen(path) >= kLongPathSize)
        return 0;
    const WCHAR* component = LastComponentOf(path);
    if (wcslen(component) >= kShellPathSize)
        return 0;
    lstrcpynW(out, component, (int)kShellPathSize);
    return 1;
}

int DeriveTargetName(const WCHAR* source, WCHAR (&out)[kShellPathSize])
{
    if (LastPathComponent(source, out) != 1)
        return 0;
    WCHAR* dot = wcsrchr(out, L'.');
    if (dot)
        *dot = L'\0';
    return 1;
}

// A shortcut stores its target as a full path: on a drive or a share.
static bool IsFullTarget(const WCHAR* target)
{
    return IsDrivePath(target) || (target[0] == L'\\' && target[1] == L'\\' && target[2] != L'\0');
}

int ResolveShortcut(const WCHAR* path, WCHAR (&target)[kLongPathSize])
{
    // Cleared whole: a link object may copy a stored target without its NUL.
    ZeroMemory(target, sizeof(target));
    if (!path || wcslen(path) >= kLongPathSize)
        return 0;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                (void**)&link)))
        return 0;
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        link->Release();
        return 0;
    }
    if (SUCCEEDED(file->Load(path, STGM_READ))) {
        // GetPath gives at most MAX_PATH characters, whatever the buffer, and
        // cuts a longer target: taken only where it is a full path whose last
        // component is the whole name of the file found, which the find data
        // holds.
        WIN32_FIND_DATAW findData;
        ZeroMemory(&findData, sizeof(findData));
        if (FAILED(link->GetPath(target, (int)kShellPathSize, &findData, 0)) || !IsFullTarget(target) ||
            wcscmp(LastComponentOf(target), findData.cFileName) != 0)
            ZeroMemory(target, sizeof(target));
    }
    file->Release();
    link->Release();
    return target[0] != L'\0' ? 1 : 0;
}

int ResolveDroppedFile(HDROP drop, WCHAR (&path)[kLongPathSize])
{
    path[0] = L'\0';
    WCHAR name[kLongPathSize];
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    BOOL fits = FALSE;
    if (count > 0 && DragQueryFileW(drop, 0, nullptr, 0) < kLongPathSize)
        fits = DragQueryFileW(drop, 0, name, (UINT)kLongPathSize) > 0;
    DragFinish(drop);
    if (!fits)
        return 0;

    WCHAR target[kLongPathSize];
    ResolveShortcut(name, target);
    size_t targetLength = wcslen(target);
    if (targetLength > kShortestShortcutTarget)
        memcpy(name, target, (targetLength + 1) * sizeof(WCHAR));

    WCHAR call[kLongPathSize];
    DWORD attributes = FileCallPath(name, call) == 1 ? GetFileAttributesW(call) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    if (RequestPath(name, path) == 1)
        return 1;
    memcpy(path, name, (wcslen(name) + 1) * sizeof(WCHAR));
    return -1;
}

INT_PTR OnDropFiles(HWND page, HDROP drop)
{
    WCHAR path[kLongPathSize];
    int taken = ResolveDroppedFile(drop, path);
    if (taken == 1)
        SetDlgItemTextW(page, IDC_SOURCE_EDIT, path);
    else if (taken == -1)
        ShowNameError(page, kSourceOpenText, path);
    return FALSE;
}

INT_PTR OnConvertError(HWND page, LPARAM code, const WCHAR* left)
{
    // Nobody is left to close a box while the session ends.
    if (SessionEnding())
        return TRUE;
    ShowConvertError(page, code, left);
    return TRUE;
}

static INT_PTR OnBrowseSource(HWND page)
{
    WCHAR name[kShellPathSize] = L"";
    if (OpenFileDialog(page, kBinFilter, name, g_request.sourcePath, L"", 0) == 1)
        SetDlgItemTextW(page, IDC_SOURCE_EDIT, g_request.sourcePath);
    return FALSE;
}

static INT_PTR OnBrowseTarget(HWND page)
{
    WCHAR name[kShellPathSize] = L"";
    // A name that does not fit is not proposed, rather than proposed cut.
    if (DeriveTargetName(g_request.sourcePath, name) != 1 ||
        wcslen(name) + sizeof(kIsoExtension) / sizeof(WCHAR) > kShellPathSize)
        name[0] = L'\0';
    memcpy(name + wcslen(name), kIsoExtension, sizeof(kIsoExtension));
    if (SaveFileDialog(page, kIsoFilter, name, g_request.targetPath, L"", 0) == 1)
        SetDlgItemTextW(page, IDC_TARGET_EDIT, g_request.targetPath);
    return FALSE;
}

static INT_PTR OnConvertClicked(HWND page)
{
    if (ConfirmCancel(page) == 1)
        return TRUE;
    StartConversion(page);
    return FALSE;
}

INT_PTR OnConverterCommand(HWND page, int id)
{
    switch (id) {
    case IDC_SOURCE_BROWSE:
        return OnBrowseSource(page);
    case IDC_TARGET_BROWSE:
        return OnBrowseTarget(page);
    case IDC_CONVERT:
        return OnConvertClicked(page);
    default:
        return FALSE;
    }
}
