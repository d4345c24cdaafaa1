#include "convert/job.h"
CThreadJob::CThreadJob() : m_hWorker(nullptr), m_hWatcher(nullptr), m_watcherId(0), m_workerId(0), m_startTick(0), m_endTick(0) {}
CThreadJob::~CThreadJob() {}
void CThreadJob::OnFinished() {}
void CThreadJob::OnBeforeStart() {}
int CThreadJob::Run() { return 0; }
bool CThreadJob::Start(bool) { return false; }
bool CThreadJob::IsRunning() const { return false; }
bool CThreadJob::IsBusy() const { return false; }
DWORD CThreadJob::ExitCode() const { return 0; }
DWORD WINAPI CThreadJob::WorkerEntry(LPVOID) { return 0; }
DWORD WINAPI CThreadJob::WatcherEntry(LPVOID) { return 1; }
CConvertJob::CConvertJob() : m_cancelRequested(0) {}
CConvertJob::~CConvertJob() {}
void CConvertJob::OnFinished() {}
int CConvertJob::Run() { return 0; }
CConvertJob g_job;
ConvertRequest g_request;
std::atomic<LONG>& g_cancelRequested = g_job.m_cancelRequested;
bool StartConversion(HWND) { return false; }
int ConfirmCancel(HWND) { return 0; }
