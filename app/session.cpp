// Ending the Windows session while a conversion runs: the session is held
// while a run is under way, and a run that the session's end overtakes is
// cancelled and its unfinished image deleted before the program ends, and
// before Windows may end the process.
#include "app/session.h"

#include "app/ending.h"
#include "base/language.h"
#include "convert/job.h"

typedef BOOL(WINAPI* ShutdownBlockReasonCreateProc)(HWND, LPCWSTR);
typedef BOOL(WINAPI* ShutdownBlockReasonDestroyProc)(HWND);

// Between two looks at the job while the session's end waits for it.
static const DWORD kEndSessionPollMs = 10;

static bool g_sessionEnding = false;  // interface thread only

// Vista and later only: looked up at run time, so that the program starts on XP.
template <typename Proc>
static Proc FindUser32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC proc = user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(proc));
}

void HoldSessionEnd(HWND mainDialog)
{
    ShutdownBlockReasonCreateProc create =
        FindUser32Function<ShutdownBlockReasonCreateProc>("ShutdownBlockReasonCreate");
    if (mainDialog == nullptr || create == nullptr)
        return;
    create(mainDialog, g_english != 0
                           ? L"Kavonix is converting an image. Ending the session cancels the conversion."
                           : L"Kavonix konvertiert gerade ein Image. Das Beenden der Sitzung bricht die "
                             L"Konvertierung ab.");
}

void ReleaseSessionEnd(HWND mainDialog)
{
    ShutdownBlockReasonDestroyProc destroy =
        FindUser32Function<ShutdownBlockReasonDestroyProc>("ShutdownBlockReasonDestroy");
    if (mainDialog != nullptr && destroy != nullptr)
        destroy(mainDialog);
}

BOOL OnQueryEndSession()
{
    return g_job.IsBusy() ? FALSE : TRUE;
}

// Cancels a run and waits until it is wound up; returns early when the run
// waits on a box, where no target is open and nobody will answer now.
static void WindUpForSessionEnd()
{
    if (!g_job.IsBusy())
        return;
    g_sessionEnding = true;
    while (g_job.IsBusy()) {
        // Set again on every turn: the worker clears the flag once as it starts.
        g_job.m_cancelRequested = 1;
        // A box that waits for an answer holds the run where no target is
        // open; nobody will answer it now. (Read after the flag is set.)
        if (g_job.m_waitingForUser != 0)
            return;
        // The run's own window calls are sent messages: PeekMessage handles
        // them without taking user input or posted messages off the queue.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kEndSessionPollMs, QS_SENDMESSAGE);
    }
}

void OnEndSession(BOOL ending)
{
    if (!ending)
        return;
    WindUpForSessionEnd();
    RequestEnd(kEndBySession);
}

bool SessionEnding()
{
    return g_sessionEnding;
}
