// How the program ends: at once when idle; during a run only after the cancel
// question, and then once the run has been wound up, so that no unfinished
// image is left behind beside the target. The Windows session is held while a
// run is under way, and a run that the session's end overtakes is cancelled
// and its unfinished image deleted before the program ends, and before
// Windows may end the process.
#include "app/ending.h"

#include "app/conversion.h"
#include "base/language.h"
#include "base/systemlib.h"
#include "convert/job.h"
#include "res/resource.h"

// Between two looks at the job while the session's end waits for it.
static const DWORD kEndSessionPollMs = 10;

// Interface thread only: set by the job's start, cleared by its wind-up.
static bool g_runUnderWay = false;
static EndRoute g_endAfterRun = kEndNone;
static bool g_sessionEnding = false;  // interface thread only

// ---- Ending ----

static void EndNow(HWND mainDialog, EndRoute route)
{
    switch (route) {
    case kEndByCancel:
        PostQuitMessage(-100);
        EndDialog(mainDialog, 1);
        break;
    case kEndByOk:
    case kEndByOwnerClose:
        EndDialog(mainDialog, 1);
        break;
    case kEndByQuitAll:
        EndDialog(mainDialog, IDC_QUIT_ALL);
        break;
    case kEndByQuitRequest:
        PostQuitMessage(0);
        break;
    case kEndBySession:
        // The quit also ends any box that is still open: nobody will answer it now.
        PostQuitMessage(0);
        EndDialog(mainDialog, 1);
        break;
    case kEndNone:
        break;
    }
}

void RequestEnd(HWND mainDialog, EndRoute route)
{
    // The session's end has wound the run up already, or the run waits on a
    // box with no target open that nobody will answer now.
    if (!g_runUnderWay || route == kEndBySession) {
        EndNow(mainDialog, route);
        return;
    }
    // The program already ends once the run is wound up.
    if (g_endAfterRun != kEndNone)
        return;
    if (AskCancel(g_request.pageWindow) == 0)
        return;
    // The run may have been wound up while the question was open.
    if (g_runUnderWay)
        g_endAfterRun = route;
    else
        EndNow(mainDialog, route);
}

// ---- The session's end ----

// The reason Windows shows while a run holds the session, put up and taken
// down on the main dialog's thread.
static void HoldSessionEnd(HWND mainDialog)
{
    ShutdownBlockReasonCreateProc create = FindSystemFunction<ShutdownBlockReasonCreateProc>(
        GetModuleHandleA("user32.dll"), "ShutdownBlockReasonCreate");
    if (mainDialog == nullptr || create == nullptr)
        return;
    create(mainDialog, g_english != 0
                           ? L"Kavonix is converting an image. Ending the session cancels the conversion."
                           : L"Kavonix konvertiert gerade ein Image. Das Beenden der Sitzung bricht die "
                             L"Konvertierung ab.");
}

static void ReleaseSessionEnd(HWND mainDialog)
{
    ShutdownBlockReasonDestroyProc destroy = FindSystemFunction<ShutdownBlockReasonDestroyProc>(
        GetModuleHandleA("user32.dll"), "ShutdownBlockReasonDestroy");
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
        // The run's own window calls, and its start and wind-up, are sent
        // messages: PeekMessage handles them without taking user input or
        // posted messages off the queue.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kEndSessionPollMs, QS_SENDMESSAGE);
    }
}

void OnEndSession(HWND mainDialog, BOOL ending)
{
    if (!ending)
        return;
    WindUpForSessionEnd();
    RequestEnd(mainDialog, kEndBySession);
}

bool SessionEnding()
{
    return g_sessionEnding;
}

// ---- A run's start and wind-up ----

void OnRunStarted(HWND mainDialog)
{
    g_runUnderWay = true;
    HoldSessionEnd(mainDialog);
}

void OnRunWoundUp(HWND mainDialog)
{
    ReleaseSessionEnd(mainDialog);
    g_runUnderWay = false;
    EndRoute route = g_endAfterRun;
    g_endAfterRun = kEndNone;
    EndNow(mainDialog, route);
}
