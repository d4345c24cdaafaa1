// The window side of a conversion run: what the page does when a run starts
// and once it has ended, the cancel question and the error boxes. The window
// that hosts the page hears of the start and the wind-up by sent messages.
#include "app/conversion.h"

#include <stdlib.h>
#include <wchar.h>

#include "app/pathrules.h"
#include "base/language.h"
#include "base/widetext.h"
#include "convert/job.h"
#include "res/resource.h"

const char kSourceOpenText[] = "Fehler, beim \xD6" "ffnen der Quelldatei.\nRead failed, Source file.\n%s";
const char kTargetOpenText[] = "Fehler, beim \xD6" "ffnen der Zieldatei.\nWrite failed, Target file.\n%s";
static const char kTrackModeText[] = "Unbekanntes Format\nUnsupported track mode";
static const char kTargetWriteText[] = "Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n%s";
static const char kSourceReadText[] = "Fehler, beim Lesen der Quelldatei.\nRead failed, Source file.\n%s";
// The same with a file the run had to leave beside the target.
static const char kImageKeptText[] =
    "Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n%s\n\n"
    "Das fertige Abbild liegt daneben als:\nThe finished image is kept beside it as:\n%s";
static const char kTargetWriteLeftText[] =
    "Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n%s\n\n"
    "Die unvollst\xE4ndige Datei lie\xDF sich nicht l\xF6schen:\nThe incomplete file could not be deleted:\n%s";
static const char kSourceReadLeftText[] =
    "Fehler, beim Lesen der Quelldatei.\nRead failed, Source file.\n%s\n\n"
    "Die unvollst\xE4ndige Datei lie\xDF sich nicht l\xF6schen:\nThe incomplete file could not be deleted:\n%s";
static const char kPartialLeftText[] =
    "Die unvollst\xE4ndige Datei lie\xDF sich nicht l\xF6schen:\nThe incomplete file could not be deleted:\n%s";
// The image took the target's name; the old file is left beside it.
static const char kOldFileLeftText[] =
    "Die alte Datei lie\xDF sich nicht l\xF6schen:\nThe old file could not be deleted:\n%s";
// The image kept beside, and the old file under a name of its own.
static const char kImageAndOldFileText[] =
    "Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n%s\n\n"
    "Das fertige Abbild liegt daneben als:\nThe finished image is kept beside it as:\n%s\n\n"
    "Die alte Datei liegt daneben als:\nThe old file is kept beside it as:\n%s";
static const char kCancelQuestion[] = "Wollen Sie wirklich abbrechen ? ";

// Given by the main dialog as it starts, before any run; read by the hooks.
static HWND g_runWindow = nullptr;

void ReportRunsTo(HWND window)
{
    g_runWindow = window;
}

// ---- Start and end of a run ----

// Interface thread, inside Start.
static void OnRunStarting()
{
    HWND page = g_request.pageWindow;
    EnableWindow(GetDlgItem(page, IDC_SOURCE_BROWSE), FALSE);
    EnableWindow(GetDlgItem(page, IDC_TARGET_BROWSE), FALSE);
    SendMessageA(g_runWindow, WM_RUN_STARTED, 0, 0);
}

// Watcher thread once the worker has returned (every window call here is a
// synchronous call into the interface thread).
static void OnRunEnded()
{
    // The interface thread may be busy in the session's end itself: a sent
    // message reaches it there too.
    SendMessageA(g_runWindow, WM_RUN_WOUND_UP, 0, 0);
    HWND page = g_request.pageWindow;
    EnableWindow(GetDlgItem(page, IDC_SOURCE_BROWSE), TRUE);
    EnableWindow(GetDlgItem(page, IDC_TARGET_BROWSE), TRUE);
    SetProgramItemText(page, IDC_CONVERT, ByLanguage("&Convert", "&Konvertieren"));
}

static const ConvertJobHooks kPageHooks = {OnRunStarting, OnRunEnded};

// ---- Error boxes ----

// The run waits in its call to the page until the box is closed.
static void ShowConvertBox(HWND page, const char* text)
{
    g_job.m_waitingForUser++;
    ShowProgramBox(page, text, nullptr, MB_ICONERROR | MB_OK);
    g_job.m_waitingForUser--;
}

static void ShowPathError(HWND page, const char* format, const WCHAR* path)
{
    g_job.m_waitingForUser++;
    ShowNameBox(page, format, path, nullptr, MB_ICONERROR | MB_OK);
    g_job.m_waitingForUser--;
}

// The same naming the file a run left beside the target, where there is one.
static void ShowPathsError(HWND page, const char* format, const WCHAR* path, const char* leftFormat,
                           const WCHAR* left)
{
    if (!left) {
        ShowPathError(page, format, path);
        return;
    }
    g_job.m_waitingForUser++;
    ShowNamesBox(page, leftFormat, path, left, nullptr, MB_ICONERROR | MB_OK);
    g_job.m_waitingForUser--;
}

// `pair`: the kept image's name, after its NUL the old file's.
static void ShowImageAndOldFile(HWND page, const WCHAR* pair)
{
    const WCHAR* oldFile = pair + wcslen(pair) + 1;
    g_job.m_waitingForUser++;
    ShowNamesBox(page, kImageAndOldFileText, g_request.targetPath, pair, nullptr, MB_ICONERROR | MB_OK, oldFile);
    g_job.m_waitingForUser--;
}

void ShowNameError(HWND owner, const char* format, const WCHAR* name)
{
    ShowNameBox(owner, format, name, nullptr, MB_ICONERROR | MB_OK);
}

void ShowConvertError(HWND page, LPARAM code, const WCHAR* left)
{
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
        ShowPathsError(page, kTargetWriteText, g_request.targetPath, kTargetWriteLeftText, left);
        break;
    case kSourceReadFailed:
        ShowPathsError(page, kSourceReadText, g_request.sourcePath, kSourceReadLeftText, left);
        break;
    case kImageKeptBeside:
        ShowPathsError(page, kTargetWriteText, g_request.targetPath, kImageKeptText, left);
        break;
    case kPartialImageLeft:
        if (left)
            ShowPathError(page, kPartialLeftText, left);
        break;
    case kOldFileLeft:
        if (left)
            ShowPathError(page, kOldFileLeftText, left);
        break;
    case kImageAndOldFileLeft:
        if (left)
            ShowImageAndOldFile(page, left);
        break;
    default:
        break;
    }
}

// ---- Taking the fields ----

// The field's whole text, too long for a request, in its open error.
static void RefuseOverlongField(HWND page, HWND field, int length, const char* format)
{
    WCHAR* text = (WCHAR*)malloc(((size_t)length + 1) * sizeof(WCHAR));
    if (!text) {
        ShowPathError(page, format, L"");
        return;
    }
    text[0] = L'\0';
    GetWindowTextW(field, text, length + 1);
    ShowNameError(page, format, text);
    free(text);
}

// Takes one edit field into a request path, read in Unicode and never
// converted; 0 when it cannot be taken (its open error names the full path,
// else the field's text). The full path is taken here, on the interface
// thread, whose current folder the user never sees. The field is set to the
// full path where that is another form of it.
static int TakeField(HWND page, int id, WCHAR (&path)[kLongPathSize], const char* format)
{
    path[0] = L'\0';
    HWND field = GetDlgItem(page, id);
    int length = field ? GetWindowTextLengthW(field) : 0;
    if (length >= (int)kLongPathSize) {
        RefuseOverlongField(page, field, length, format);
        return 0;
    }
    WCHAR text[kLongPathSize];
    text[0] = L'\0';
    if (field)
        GetWindowTextW(field, text, (int)kLongPathSize);
    WCHAR full[kLongPathSize];
    if (FullFilePath(text, full) != 1 || RequestPath(full, path) != 1) {
        ShowNameError(page, format, full[0] != L'\0' ? full : text);
        return 0;
    }
    if (field && wcscmp(path, text) != 0)
        SetWindowTextW(field, path);
    return 1;
}

// ---- Start and cancel ----

bool StartConversion(HWND page)
{
    // The last run is still being wound up: its watcher must not restore the
    // idle look over a new run.
    if (g_job.IsBusy())
        return false;
    // Two paths of the longest length are no stack variable; only the
    // interface thread starts runs.
    static ConvertRequest request;
    ZeroMemory(&request, sizeof(request));
    request.pageWindow = page;
    if (!TakeField(page, IDC_SOURCE_EDIT, request.sourcePath, kSourceOpenText) ||
        !TakeField(page, IDC_TARGET_EDIT, request.targetPath, kTargetOpenText))
        return false;
    g_request = request;
    g_job.m_hooks = kPageHooks;
    return g_job.Start(false);
}

int AskCancel(HWND page)
{
    // Close requests of other programs arrive while the question is open.
    static bool s_asking = false;
    if (!g_job.IsRunning())
        return -1;
    if (s_asking)
        return 0;
    s_asking = true;
    int answer = ShowProgramBox(page, kCancelQuestion, "", MB_ICONQUESTION | MB_YESNOCANCEL);
    s_asking = false;
    if (answer != IDYES)
        return 0;
    // The run may have ended while the question was open: a flag set now could
    // never reach that run, and its finished target stays.
    if (g_job.IsRunning())
        g_job.m_cancelRequested = 1;
    return 1;
}

int ConfirmCancel(HWND page)
{
    return AskCancel(page) == -1 ? 0 : 1;
}
