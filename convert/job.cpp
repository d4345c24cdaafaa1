// The conversion job: the worker runs the conversion, the watcher waits for it
// and restores the page's idle look. No thread is ever killed: a cancel is the
// flag the conversion reads after every sector.
#include "convert/job.h"

#include "app/maindialog.h"
#include "app/session.h"
#include "base/language.h"
#include "res/resource.h"

CConvertJob g_job;
ConvertRequest g_request;
std::atomic<LONG>& g_cancelRequested = g_job.m_cancelRequested;

static const char kCancelQuestion[] = "Wollen Sie wirklich abbrechen ? ";

CThreadJob::CThreadJob()
    : m_hWorker(nullptr), m_hWatcher(nullptr), m_watcherId(0), m_workerId(0), m_startTick(0),
      m_endTick(0), m_hWorkerThread(nullptr), m_busy(0)
{
}

CThreadJob::~CThreadJob() {}

void CThreadJob::OnFinished() {}

void CThreadJob::OnBeforeStart() {}

int CThreadJob::Run()
{
    return 0;
}

bool CThreadJob::Start(bool createSuspended)
{
    if (IsBusy())
        return false;
    m_busy = 1;
    OnBeforeStart();
    m_startTick = GetTickCount();
    m_endTick = 0;

    // The watcher comes first: a worker without one could never be wound up,
    // and a thread that has been created cannot be taken back without killing it.
    // Both start suspended so that the handles are in place before either runs.
    DWORD watcherId = 0;
    HANDLE watcher = CreateThread(nullptr, 0, WatcherEntry, this, CREATE_SUSPENDED, &watcherId);
    if (!watcher) {
        m_hWorker = nullptr;
        OnFinished();
        m_busy = 0;
        return false;
    }
    DWORD workerId = 0;
    HANDLE worker = CreateThread(nullptr, 0, WorkerEntry, this, CREATE_SUSPENDED, &workerId);
    m_workerId = workerId;
    m_hWorkerThread = worker;
    m_hWorker = worker;
    m_watcherId = watcherId;
    m_hWatcher = watcher;
    if (worker && !createSuspended)
        ResumeThread(worker);
    ResumeThread(watcher);
    return worker != nullptr;
}

bool CThreadJob::IsRunning() const
{
    return ExitCode() == STILL_ACTIVE;
}

bool CThreadJob::IsBusy() const
{
    return m_busy != 0;
}

DWORD CThreadJob::ExitCode() const
{
    DWORD code = 0;
    HANDLE worker = m_hWorker;
    if (worker)
        GetExitCodeThread(worker, &code);
    return code;
}

DWORD WINAPI CThreadJob::WorkerEntry(LPVOID job)
{
    CThreadJob* self = static_cast<CThreadJob*>(job);
    int result = self->Run();
    self->m_hWorker = nullptr;
    self->m_endTick = GetTickCount();
    return (DWORD)result;
}

DWORD WINAPI CThreadJob::WatcherEntry(LPVOID job)
{
    CThreadJob* self = static_cast<CThreadJob*>(job);
    // Waiting on the thread instead of sleeping whole seconds brings the idle
    // look back as soon as the worker is gone.
    while (self->IsRunning())
        WaitForSingleObject(self->m_hWorkerThread, 1000);
    self->WindUp();
    return 1;
}

void CThreadJob::WindUp()
{
    HANDLE worker = m_hWorkerThread;
    // The worker has left Run; let it end before its handle goes.
    if (worker)
        WaitForSingleObject(worker, INFINITE);
    OnFinished();
    m_hWorkerThread = nullptr;
    if (worker)
        CloseHandle(worker);
    HANDLE watcher = m_hWatcher;
    m_hWatcher = nullptr;
    CloseHandle(watcher);
    // Last touch of the job by this thread: a new Start may follow at once.
    m_busy = 0;
}

CConvertJob::CConvertJob() : m_cancelRequested(0), m_waitingForUser(0) {}

CConvertJob::~CConvertJob() {}

// Runs on the interface thread inside Start; OnFinished follows every call.
void CConvertJob::OnBeforeStart()
{
    HoldSessionEnd(g_mainDialog);
}

void CConvertJob::OnFinished()
{
    // The session's hold belongs to the interface thread, which may be busy
    // in the session's end itself: a sent message reaches it there too.
    SendMessageA(g_mainDialog, WM_RELEASE_SESSION, 0, 0);
    HWND page = g_request.pageWindow;
    EnableMainButtons(TRUE);
    EnableWindow(GetDlgItem(page, IDC_SOURCE_BROWSE), TRUE);
    EnableWindow(GetDlgItem(page, IDC_TARGET_BROWSE), TRUE);
    SetDlgItemTextA(page, IDC_CONVERT, ByLanguage("&Convert", "&Konvertieren"));
}

int CConvertJob::Run()
{
    // Cleared before the first window call: a cancel confirmed while that call
    // waits for the interface thread must not be lost.
    m_cancelRequested = 0;
    SetDlgItemTextA(g_request.pageWindow, IDC_CONVERT, ByLanguage("&CANCEL", "&ABBRUCH"));
    ConvertImage(g_request);
    // Only now: the conversion deletes its target only while it reads the flag set.
    m_cancelRequested = 0;
    return 0;
}

// Copies one edit field into a request path; 0 when it does not fit.
static int CopyField(HWND page, int id, char (&path)[kPathSize])
{
    path[0] = '\0';
    HWND field = GetDlgItem(page, id);
    if (field && GetWindowTextLengthA(field) >= (int)kPathSize)
        return 0;
    GetDlgItemTextA(page, id, path, (int)sizeof(path));
    return 1;
}

bool StartConversion(HWND page)
{
    if (g_job.IsBusy())
        return false;
    g_request.pageWindow = page;
    if (!CopyField(page, IDC_SOURCE_EDIT, g_request.sourcePath))
        return false;
    if (!CopyField(page, IDC_TARGET_EDIT, g_request.targetPath))
        return false;
    return g_job.Start(false);
}

int ConfirmCancel(HWND page)
{
    if (!g_job.IsRunning())
        return 0;
    int answer = MessageBoxA(page, kCancelQuestion, "", MB_ICONQUESTION | MB_YESNOCANCEL);
    // The run may have ended while the question was open: a flag set now could
    // never reach that run, and its finished target stays.
    if (answer == IDYES && g_job.IsRunning())
        g_job.m_cancelRequested = 1;
    return 1;
}
