// The window side of a conversion run: what the page and the main dialog do
// when a run starts and once it has ended, and the cancel question.
#include "app/conversion.h"

#include "app/converterpage.h"
#include "app/ending.h"
#include "app/maindialog.h"
#include "app/session.h"
#include "base/language.h"
#include "convert/job.h"
#include "res/resource.h"

static const char kCancelQuestion[] = "Wollen Sie wirklich abbrechen ? ";

static void ShowBusyLook(HWND page)
{
    EnableMainButtons(FALSE);
    EnableWindow(GetDlgItem(page, IDC_SOURCE_BROWSE), FALSE);
    EnableWindow(GetDlgItem(page, IDC_TARGET_BROWSE), FALSE);
}

// Interface thread, inside Start.
static void OnRunStarting()
{
    HoldSessionEnd(g_mainDialog);
    OnRunStarted();
}

// Watcher thread once the worker has returned (every window call here is a
// synchronous call into the interface thread).
static void OnRunEnded()
{
    // The interface thread may be busy in the session's end itself: a sent
    // message reaches it there too.
    SendMessageA(g_mainDialog, WM_RUN_WOUND_UP, 0, 0);
    HWND page = g_request.pageWindow;
    EnableMainButtons(TRUE);
    EnableWindow(GetDlgItem(page, IDC_SOURCE_BROWSE), TRUE);
    EnableWindow(GetDlgItem(page, IDC_TARGET_BROWSE), TRUE);
    SetDlgItemTextA(page, IDC_CONVERT, ByLanguage("&Convert", "&Konvertieren"));
}

static const ConvertJobHooks kPageHooks = {OnRunStarting, OnRunEnded};

// Copies one edit field into a request path; 0 when it does not fit (the
// open error names the whole path as typed).
static int TakeField(HWND page, int id, char (&path)[kPathSize], const char* format)
{
    path[0] = '\0';
    HWND field = GetDlgItem(page, id);
    int length = field ? GetWindowTextLengthA(field) : 0;
    if (length < (int)kPathSize) {
        GetDlgItemTextA(page, id, path, (int)sizeof(path));
        return 1;
    }
    CTextBuf text;
    if (text.Reserve(length + 1) == 1) {
        GetWindowTextA(field, text.m_text, text.m_capacity);
        text.m_length = (int)strlen(text.m_text);
    }
    ShowPathError(page, format, text.Text());
    text.Release();
    return 0;
}

bool StartConversion(HWND page)
{
    // The last run is still being wound up: its watcher must not restore the
    // idle look over a new run.
    if (g_job.IsBusy())
        return false;
    ConvertRequest request;
    ZeroMemory(&request, sizeof(request));
    request.pageWindow = page;
    if (!TakeField(page, IDC_SOURCE_EDIT, request.sourcePath, kSourceOpenText) ||
        !TakeField(page, IDC_TARGET_EDIT, request.targetPath, kTargetOpenText))
        return false;
    g_request = request;
    ShowBusyLook(page);
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
    int answer = MessageBoxA(page, kCancelQuestion, "", MB_ICONQUESTION | MB_YESNOCANCEL);
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
