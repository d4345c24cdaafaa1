// The converter page: source and target fields with their file dialogs, drops
// of files and shortcuts, Convert and Cancel, and the errors a run sends it.
#include "app/converterpage.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>
#include <wchar.h>

#include "app/ansipath.h"
#include "app/conversion.h"
#include "app/ending.h"
#include "base/widetext.h"
#include "convert/job.h"
#include "res/resource.h"

static const WCHAR kBinFilter[] = L"BIN (*.bin)\0*.bin\0";
static const WCHAR kIsoFilter[] = L"ISO (*.iso)\0*.iso\0";
static const char kIsoExtension[] = ".iso";

// Shortcut targets of this length or less are no path worth taking.
const int kShortestShortcutTarget = 4;

void OnConverterPageInit(HWND page)
{
    SetDlgItemTextA(page, IDC_SOURCE_EDIT, g_request.sourcePath);
    SetDlgItemTextA(page, IDC_TARGET_EDIT, g_request.targetPath);
    DragAcceptFiles(page, TRUE);
}

// The dialogs move the process's current directory to the folder picked, and
// Windows then holds that folder: it can be neither removed nor renamed, nor
// its stick ejected. The directory is put back as it was.
static int RunFileDialog(BOOL save, HWND owner, const WCHAR* filter, const char (&name)[kShellPathSize],
                         WCHAR (&chosen)[kShellPathSize], const WCHAR* title, DWORD flags)
{
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, chosen, (int)kShellPathSize) == 0)
        chosen[0] = L'\0';

    OPENFILENAMEW dialog;
    ZeroMemory(&dialog, sizeof(dialog));
    // The form every version of the common dialogs accepts.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = (DWORD)kShellPathSize;
    dialog.lpstrTitle = title;
    dialog.Flags = flags;

    WCHAR current[kPathSize];
    DWORD currentLength = GetCurrentDirectoryW((DWORD)kPathSize, current);
    BOOL picked = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (currentLength > 0 && currentLength < kPathSize)
        SetCurrentDirectoryW(current);
    return picked ? 1 : 0;
}

// The chosen file by the rule of its kind (the Open dialog's choice is a
// source, the Save dialog's a target), or its open error.
static int ChooseFile(BOOL save, HWND owner, const WCHAR* filter, char (&name)[kShellPathSize],
                      char (&pathOut)[kPathSize], const WCHAR* title, DWORD flags)
{
    WCHAR chosen[kShellPathSize];
    if (RunFileDialog(save, owner, filter, name, chosen, title, flags) != 1)
        return 0;
    char path[kPathSize];
    int taken = save ? AnsiTargetPath(chosen, path) : AnsiSourcePath(chosen, path);
    if (taken != 1) {
        ShowNameError(owner, save ? kTargetOpenText : kSourceOpenText, chosen);
        return -1;
    }
    LastPathComponent(path, name);
    lstrcpynA(pathOut, path, (int)sizeof(pathOut));
    return 1;
}

int OpenFileDialog(HWND owner, const WCHAR* filter, char (&name)[kShellPathSize],
                   char (&pathOut)[kPathSize], const WCHAR* title, DWORD flags)
{
    return ChooseFile(FALSE, owner, filter, name, pathOut, title, flags);
}

int SaveFileDialog(HWND owner, const WCHAR* filter, char (&name)[kShellPathSize],
                   char (&pathOut)[kPathSize], const WCHAR* title, DWORD flags)
{
    return ChooseFile(TRUE, owner, filter, name, pathOut, title, flags);
}

int LastPathComponent(const char* path, char (&out)[kShellPathSize])
{
    out[0] = '\0';
    if (!path || strlen(path) >= kPathSize)
        return 0;
    const char* component = LastComponentOf(path);
    if (strlen(component) >= sizeof(out))
        return 0;
    lstrcpynA(out, component, (int)sizeof(out));
    return 1;
}

int DeriveTargetName(const char* source, char (&out)[kShellPathSize])
{
    if (LastPathComponent(source, out) != 1)
        return 0;
    char* dot = strrchr(out, '.');
    if (dot)
        *dot = '\0';
    return 1;
}

int ResolveShortcut(const WCHAR* path, WCHAR (&target)[kPathSize])
{
    // Room beyond a shell path, so that a stored target too long to take
    // shows as such instead of arriving cut.
    ZeroMemory(target, sizeof(target));
    if (!path || wcslen(path) >= kShellPathSize)
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
        WIN32_FIND_DATAW findData;
        if (FAILED(link->GetPath(target, (int)kPathSize, &findData, SLGP_UNCPRIORITY)))
            target[0] = L'\0';
    }
    file->Release();
    link->Release();
    return target[0] != L'\0' ? 1 : 0;
}

int ResolveDroppedFile(HDROP drop, char (&path)[kPathSize], WCHAR (&name)[kShellPathSize])
{
    path[0] = '\0';
    name[0] = L'\0';
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    BOOL fits = FALSE;
    if (count > 0 && DragQueryFileW(drop, 0, nullptr, 0) < kShellPathSize)
        fits = DragQueryFileW(drop, 0, name, (UINT)kShellPathSize) > 0;
    DragFinish(drop);
    if (!fits) {
        name[0] = L'\0';
        return 0;
    }

    WCHAR target[kPathSize];
    ResolveShortcut(name, target);
    size_t targetLength = wcslen(target);
    if (targetLength >= kShellPathSize) {
        name[0] = L'\0';
        return 0;
    }
    if (targetLength > kShortestShortcutTarget)
        memcpy(name, target, (targetLength + 1) * sizeof(WCHAR));

    DWORD attributes = GetFileAttributesW(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        name[0] = L'\0';
        return 0;
    }
    return AnsiSourcePath(name, path) == 1 ? 1 : -1;
}

INT_PTR OnDropFiles(HWND page, HDROP drop)
{
    char path[kPathSize];
    WCHAR name[kShellPathSize];
    int taken = ResolveDroppedFile(drop, path, name);
    if (taken == 1)
        SetDlgItemTextA(page, IDC_SOURCE_EDIT, path);
    else if (taken == -1)
        ShowNameError(page, kSourceOpenText, name);
    return FALSE;
}

INT_PTR OnConvertError(HWND page, LPARAM code, const char* left)
{
    // Nobody is left to close a box while the session ends.
    if (SessionEnding())
        return TRUE;
    ShowConvertError(page, code, left);
    return TRUE;
}

static INT_PTR OnBrowseSource(HWND page)
{
    char name[kShellPathSize] = "";
    if (OpenFileDialog(page, kBinFilter, name, g_request.sourcePath, L"", 0) == 1)
        SetDlgItemTextA(page, IDC_SOURCE_EDIT, g_request.sourcePath);
    return FALSE;
}

static INT_PTR OnBrowseTarget(HWND page)
{
    char name[kShellPathSize] = "";
    // A name that does not fit is not proposed, rather than proposed cut.
    if (DeriveTargetName(g_request.sourcePath, name) != 1 ||
        strlen(name) + sizeof(kIsoExtension) > sizeof(name))
        name[0] = '\0';
    lstrcatA(name, kIsoExtension);
    if (SaveFileDialog(page, kIsoFilter, name, g_request.targetPath, L"", 0) == 1)
        SetDlgItemTextA(page, IDC_TARGET_EDIT, g_request.targetPath);
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
