// The job's threads: who runs what, when the job counts as running and busy,
// and that every run is wound up exactly once with its handles released.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "app/conversion.h"
#include "convert/job.h"
#include "tests/support/boxes.h"
#include "tests/support/windows.h"

namespace {

// A job whose run and wind-up each wait for the test to let them go.
class CGateJob : public CThreadJob {
public:
    CGateJob()
        : m_runGate(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_finishGate(CreateEventA(nullptr, TRUE, TRUE, nullptr)), m_result(7), m_befores(0), m_runs(0),
          m_finishes(0), m_runThread(0), m_finishThread(0), m_runningAtFinish(true)
    {
    }
    ~CGateJob() override
    {
        SetEvent(m_runGate);
        SetEvent(m_finishGate);
        WaitUntil([this] { return !IsBusy(); }, 10000);
        CloseHandle(m_runGate);
        CloseHandle(m_finishGate);
    }
    void OnBeforeStart() override { ++m_befores; }
    int Run() override
    {
        m_runThread = GetCurrentThreadId();
        ++m_runs;
        WaitForSingleObject(m_runGate, INFINITE);
        return m_result;
    }
    void OnFinished() override
    {
        m_finishThread = GetCurrentThreadId();
        m_runningAtFinish = IsRunning();
        ++m_finishes;
        WaitForSingleObject(m_finishGate, INFINITE);
    }

    HANDLE m_runGate;
    HANDLE m_finishGate;
    int m_result;
    std::atomic<int> m_befores;
    std::atomic<int> m_runs;
    std::atomic<int> m_finishes;
    std::atomic<DWORD> m_runThread;
    std::atomic<DWORD> m_finishThread;
    std::atomic<bool> m_runningAtFinish;
};

DWORD OpenHandles()
{
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

}  // namespace

TEST(ThreadJob, NeverStartedIsNeitherRunningNorBusy)
{
    CGateJob job;
    EXPECT_FALSE(job.IsRunning());
    EXPECT_FALSE(job.IsBusy());
    EXPECT_EQ(0u, job.ExitCode());
    EXPECT_EQ(0, job.m_finishes);
}

TEST(ThreadJob, RunsOnWorkerAndWindsUpOnceOnWatcher)
{
    CGateJob job;
    ASSERT_TRUE(job.Start(false));
    EXPECT_EQ(1, job.m_befores);
    EXPECT_TRUE(job.IsRunning());
    EXPECT_TRUE(job.IsBusy());
    EXPECT_EQ((DWORD)STILL_ACTIVE, job.ExitCode());
    EXPECT_EQ(0u, job.m_endTick.load());
    ASSERT_TRUE(WaitUntil([&] { return job.m_runs == 1; }, 10000));
    EXPECT_NE(GetCurrentThreadId(), job.m_runThread.load());

    // A second start while running is refused before any hook.
    EXPECT_FALSE(job.Start(false));
    EXPECT_EQ(1, job.m_befores);
    EXPECT_EQ(1, job.m_runs);

    SetEvent(job.m_runGate);
    ASSERT_TRUE(WaitUntil([&] { return !job.IsBusy(); }, 10000));
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(1, job.m_runs);
    EXPECT_EQ(1, job.m_finishes);
    EXPECT_FALSE(job.m_runningAtFinish);
    EXPECT_NE(GetCurrentThreadId(), job.m_finishThread.load());
    EXPECT_NE(job.m_runThread.load(), job.m_finishThread.load());
    EXPECT_EQ(nullptr, job.m_hWorker.load());
    EXPECT_EQ(nullptr, job.m_hWatcher);
    EXPECT_NE(0u, job.m_endTick.load());
    EXPECT_EQ(0u, job.ExitCode());
}

TEST(ThreadJob, SuspendedWorkerCountsAsRunningUntilResumedAndReturned)
{
    CGateJob job;
    SetEvent(job.m_runGate);
    ASSERT_TRUE(job.Start(true));
    HANDLE worker = job.m_hWorker;
    ASSERT_NE(nullptr, worker);
    EXPECT_FALSE(WaitUntil([&] { return job.m_runs > 0 || !job.IsRunning(); }, 300));
    EXPECT_EQ(0, job.m_finishes);
    ResumeThread(worker);
    ASSERT_TRUE(WaitUntil([&] { return !job.IsBusy(); }, 10000));
    EXPECT_EQ(1, job.m_runs);
    EXPECT_EQ(1, job.m_finishes);
}

TEST(ThreadJob, NoNewStartUntilTheWindUpIsDone)
{
    CGateJob job;
    ResetEvent(job.m_finishGate);
    SetEvent(job.m_runGate);
    ASSERT_TRUE(job.Start(false));
    ASSERT_TRUE(WaitUntil([&] { return job.m_finishes == 1; }, 10000));
    EXPECT_FALSE(job.IsRunning());
    EXPECT_TRUE(job.IsBusy());
    EXPECT_FALSE(job.Start(false));
    EXPECT_EQ(1, job.m_befores);

    SetEvent(job.m_finishGate);
    ASSERT_TRUE(WaitUntil([&] { return !job.IsBusy(); }, 10000));
    ASSERT_TRUE(job.Start(false));
    ASSERT_TRUE(WaitUntil([&] { return !job.IsBusy(); }, 10000));
    EXPECT_EQ(2, job.m_runs);
    EXPECT_EQ(2, job.m_finishes);
}

TEST(ThreadJob, RepeatedRunsReleaseTheirThreadHandles)
{
    CGateJob job;
    SetEvent(job.m_runGate);
    ASSERT_TRUE(job.Start(false));
    ASSERT_TRUE(WaitUntil([&] { return !job.IsBusy(); }, 10000));
    DWORD before = OpenHandles();
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(job.Start(false));
        ASSERT_TRUE(WaitUntil([&] { return !job.IsBusy(); }, 10000));
    }
    EXPECT_LE(OpenHandles(), before + 2);
    EXPECT_EQ(31, job.m_finishes);
}

TEST(ConvertJob, RunReturnsZeroAndClearsTheFlagWhateverTheConversionDid)
{
    // No page and paths that cannot be opened: the conversion fails at once.
    ConvertRequest saved = g_request;
    ZeroMemory(&g_request, sizeof(g_request));
    lstrcpynW(g_request.sourcePath, L"Z:\\no such folder\\none.bin", (int)kLongPathSize);
    lstrcpynW(g_request.targetPath, L"Z:\\no such folder\\none.iso", (int)kLongPathSize);
    g_job.m_cancelRequested = 1;
    EXPECT_EQ(0, g_job.Run());
    EXPECT_EQ(0, g_cancelRequested.load());
    EXPECT_EQ(&g_job.m_cancelRequested, &g_cancelRequested);
    g_request = saved;
}

TEST(ConvertJob, ConfirmCancelWithoutARunAsksNothing)
{
    BoxAnswerer boxes;
    ASSERT_FALSE(g_job.IsRunning());
    EXPECT_EQ(0, ConfirmCancel(nullptr));
    PumpMessages();
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_EQ(0, g_cancelRequested.load());
}
