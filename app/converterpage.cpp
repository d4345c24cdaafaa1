// The converter page: source and target fields with their file dialogs, drops
// of files and shortcuts, Convert and Cancel, and the conversion's error boxes.
#include "app/converterpage.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "app/conversion.h"
#include "app/maindialog.h"
#include "app/session.h"
#include "convert/job.h"
#include "res/resource.h"

static const char kBinFilter[] = "BIN (*.bin)\0*.bin\0";
static const char kIsoFilter[] = "ISO (*.iso)\0*.iso\0";
static const char kIsoExtension[] = ".iso";

const char kSourceOpenText[] = "Fehler, beim \xD6" "ffnen der Quelldatei.\nRead failed, Source file.\n%s";
const char kTargetOpenText[] = "Fehler, beim \xD6" "ffnen der Zieldatei.\nWrite failed, Target file.\n%s";
static const char kTrackModeText[] = "Unbekanntes Format\nUnsupported track mode";
static const char kTargetWriteText[] = "Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n%s";
static const char kSourceReadText[] = "Fehler, beim Lesen der Quelldatei.\nRead failed, Source file.\n%s";

// Shortcut targets of this length or less are no path worth taking.
const int kShortestShortcutTarget = 4;

void OnConverterPageInit(HWND page)
{
    SetDlgItemTextA(page, IDC_SOURCE_EDIT, g_request.sourcePath);
    SetDlgItemTextA(page, IDC_TARGET_EDIT, g_request.targetPath);
    DragAcceptFiles(page, TRUE);
}

static int RunFileDialog(BOOL save, HWND owner, const char* filter, char (&name)[kShellPathSize],
                         char (&pathOut)[kPathSize], const char* title, DWORD flags)
{
    char path[kShellPathSize];
    char fileTitle[kShellPathSize] = "";
    lstrcpynA(path, name, (int)sizeof(path));

    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof(dialog));
    // The form every version of the common dialogs accepts.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = (DWORD)sizeof(path);
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = (DWORD)sizeof(fileTitle);
    dialog.lpstrTitle = title;
    dialog.Flags = flags;

    BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen)
        return 0;
    lstrcpynA(name, fileTitle, (int)sizeof(name));
    lstrcpynA(pathOut, path, (int)sizeof(pathOut));
    return 1;
}

int OpenFileDialog(HWND owner, const char* filter, char (&name)[kShellPathSize],
                   char (&pathOut)[kPathSize], const char* title, DWORD flags)
{
    return RunFileDialog(FALSE, owner, filter, name, pathOut, title, flags);
}

int SaveFileDialog(HWND owner, const char* filter, char (&name)[kShellPathSize],
                   char (&pathOut)[kPathSize], const char* title, DWORD flags)
{
    return RunFileDialog(TRUE, owner, filter, name, pathOut, title, flags);
}

int LastPathComponent(const char* path, char (&out)[kShellPathSize])
{
    out[0] = '\0';
    if (!path || strlen(path) >= kPathSize)
        return 0;
    char work[kPathSize];
    lstrcpynA(work, path, (int)sizeof(work));
    for (char* c = work; *c; ++c) {
        if (*c == '/')
            *c = '\\';
    }
    const char* separator = strrchr(work, '\\');
    const char* component = separator ? separator + 1 : work;
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

CTextBuf ResolveShortcut(const char* path)
{
    CTextBuf result;
    result.InitEmpty();
    if (!path || strlen(path) >= kShellPathSize)
        return result;
    char ansiPath[kShellPathSize];
    lstrcpynA(ansiPath, path, (int)sizeof(ansiPath));

    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void**)&link)))
        return result;
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        link->Release();
        return result;
    }
    WCHAR widePath[kShellPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, widePath, (int)kShellPathSize) != 0 &&
        SUCCEEDED(file->Load(widePath, STGM_READ))) {
        // Room beyond a shell path, so that a stored target too long to take
        // shows as such instead of arriving cut.
        char target[kPathSize];
        ZeroMemory(target, sizeof(target));
        WIN32_FIND_DATAA findData;
        if (SUCCEEDED(link->GetPath(target, (int)sizeof(target), &findData, SLGP_UNCPRIORITY)))
            result.Assign(target);
    }
    file->Release();
    link->Release();
    return result;
}

static BOOL IsFolder(const char* path)
{
    struct _stat entry;
    return _stat(path, &entry) == 0 && (entry.st_mode & _S_IFDIR) != 0;
}

void ResolveDroppedFile(HDROP drop, CTextBuf& result)
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    result.Assign("");
    char dropped[kShellPathSize] = "";
    BOOL fits = FALSE;
    if (count > 0 && DragQueryFileA(drop, 0, nullptr, 0) < kShellPathSize)
        fits = DragQueryFileA(drop, 0, dropped, (UINT)sizeof(dropped)) > 0;
    DragFinish(drop);
    if (!fits)
        return;
    result.Assign(dropped);

    CTextBuf resolved = ResolveShortcut(dropped);
    if (resolved.m_length >= (int)kShellPathSize) {
        result.Assign("");
        resolved.Release();
        return;
    }
    if (resolved.m_length > kShortestShortcutTarget)
        result.Assign(resolved.Text());
    resolved.Release();

    if (IsFolder(result.Text()))
        result.Assign("");
}

INT_PTR OnDropFiles(HWND page, HDROP drop)
{
    CTextBuf result;
    result.InitEmpty();
    ResolveDroppedFile(drop, result);
    if (result.m_length > 0)
        SetDlgItemTextA(page, IDC_SOURCE_EDIT, result.Text());
    result.Release();
    return FALSE;
}

// The run waits in its call to the page until the box is closed.
static void ShowConvertBox(HWND page, const char* text)
{
    g_job.m_waitingForUser++;
    MessageBoxA(page, text, nullptr, MB_ICONERROR | MB_OK);
    g_job.m_waitingForUser--;
}

void ShowPathError(HWND page, const char* format, const char* path)
{
    CTextBuf text;
    text.Format(format, path);
    ShowConvertBox(page, text.Text());
    text.Release();
}

INT_PTR OnConvertError(HWND page, LPARAM code)
{
    // Nobody is left to close a box while the session ends.
    if (SessionEnding())
        return TRUE;
    switch (code) {
    case kSourceOpenFailed:
        ShowPathError(page, kSourceOpenText, g_request.sourcePath);
        break;
    case kTargetOpenFailed:
        ShowPathError(page, kTargetOpenText, g_request.targetPath);
        break;
    case kUnsupportedTrackMode:
        ShowConvertBox(page, kTrackModeText);
        break;
    case kTargetWriteFailed:
        ShowPathError(page, kTargetWriteText, g_request.targetPath);
        break;
    case kSourceReadFailed:
        ShowPathError(page, kSourceReadText, g_request.sourcePath);
        break;
    default:
        break;
    }
    return TRUE;
}

static INT_PTR OnBrowseSource(HWND page)
{
    char name[kShellPathSize] = "";
    if (OpenFileDialog(page, kBinFilter, name, g_request.sourcePath, "", 0) == 1)
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
    if (SaveFileDialog(page, kIsoFilter, name, g_request.targetPath, "", 0) == 1)
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
    if (g_page != kPageConverter)
        return FALSE;
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
