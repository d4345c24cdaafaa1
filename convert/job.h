// The conversion job: a worker thread that runs the conversion and a watcher
// thread that winds the run up once the worker has returned.
#pragma once

#include <windows.h>

#include <atomic>

#include "convert/convert.h"

class CThreadJob {
public:
    std::atomic<HANDLE> m_hWorker;  // null unless a worker is inside Run
    HANDLE m_hWatcher;
    DWORD m_watcherId;
    DWORD m_workerId;
    DWORD m_startTick;
    std::atomic<DWORD> m_endTick;
    HANDLE m_hWorkerThread;         // the worker of the last start, kept until it has ended
    std::atomic<LONG> m_busy;       // 1 from Start until the wind-up after the run is done

    CThreadJob();
    virtual ~CThreadJob();
    virtual void OnFinished();
    virtual void OnBeforeStart();
    virtual int Run();

    bool Start(bool createSuspended);
    bool IsRunning() const;
    // True from Start until the watcher has restored the idle look: no new run,
    // and no quitting, while the last one is still being wound up.
    bool IsBusy() const;
    DWORD ExitCode() const;

    static DWORD WINAPI WorkerEntry(LPVOID job);
    static DWORD WINAPI WatcherEntry(LPVOID job);

private:
    void WindUp();
};

// What the interface does around a run. The conversion knows no window beyond
// its page; the interface installs these before it starts a run.
struct ConvertJobHooks {
    void (*m_beforeStart)();  // interface thread, inside Start
    void (*m_finished)();     // once the worker has returned, on the watcher thread
};

class CConvertJob : public CThreadJob {
public:
    std::atomic<LONG> m_cancelRequested;
    // Boxes the run is waiting on (the overwrite question, an error box): while
    // one is open the run cannot end without an answer, and no target is open.
    std::atomic<LONG> m_waitingForUser;
    ConvertJobHooks m_hooks;

    CConvertJob();
    ~CConvertJob() override;
    void OnBeforeStart() override;
    void OnFinished() override;
    int Run() override;
};

extern CConvertJob g_job;
extern ConvertRequest g_request;
// The one job's cancel flag, under the name the conversion reads it by.
extern std::atomic<LONG>& g_cancelRequested;
