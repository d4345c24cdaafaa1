// The conversion job: the worker runs the conversion, the watcher waits for it
// and winds the run up. No thread is ever killed: a cancel is the flag the
// conversion reads after every sector. What the windows do around a run is
// the interface's, through the hooks it installs.
#include "convert/job.h"

#include "base/language.h"
#include "base/precision.h"
#include "base/widetext.h"
#include "res/resource.h"

CConvertJob g_job;
ConvertRequest g_request;
std::atomic<LONG>& g_cancelRequested = g_job.m_cancelRequested;

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
    // The precision control is the thread's own; the run formats figures.
    UseDoublePrecision();
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

CConvertJob::CConvertJob() : m_cancelRequested(0), m_waitingForUser(0)
{
    m_hooks.m_beforeStart = nullptr;
    m_hooks.m_finished = nullptr;
}

CConvertJob::~CConvertJob() {}

// Runs on the interface thread inside Start; OnFinished follows every call.
void CConvertJob::OnBeforeStart()
{
    if (m_hooks.m_beforeStart)
        m_hooks.m_beforeStart();
}

void CConvertJob::OnFinished()
{
    if (m_hooks.m_finished)
        m_hooks.m_finished();
}

int CConvertJob::Run()
{
    // Cleared before the first window call: a cancel confirmed while that call
    // waits for the interface thread must not be lost.
    m_cancelRequested = 0;
    SetProgramItemText(g_request.pageWindow, IDC_CONVERT, ByLanguage("&CANCEL", "&ABBRUCH"));
    ConvertImage(g_request);
    // Only now: the conversion discards its image only while it reads the flag set.
    m_cancelRequested = 0;
    return 0;
}
