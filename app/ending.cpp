// How the program ends: at once when idle; during a run only after the cancel
// question, and then once the run has been wound up, so that no unfinished
// image is left behind beside the target.
#include "app/ending.h"

#include "app/conversion.h"
#include "app/maindialog.h"
#include "convert/job.h"
#include "res/resource.h"

// Interface thread only: set by the job's start, cleared by its wind-up.
static bool g_runUnderWay = false;
static EndRoute g_endAfterRun = kEndNone;

static void EndNow(EndRoute route)
{
    switch (route) {
    case kEndByCancel:
        PostQuitMessage(-100);
        EndDialog(g_mainDialog, 1);
        break;
    case kEndByOk:
    case kEndByOwnerClose:
        EndDialog(g_mainDialog, 1);
        break;
    case kEndByQuitAll:
        EndDialog(g_mainDialog, IDC_QUIT_ALL);
        break;
    case kEndByQuitRequest:
        PostQuitMessage(0);
        break;
    case kEndBySession:
        // The quit also ends any box that is still open: nobody will answer it now.
        PostQuitMessage(0);
        EndDialog(g_mainDialog, 1);
        break;
    case kEndNone:
        break;
    }
}

void RequestEnd(EndRoute route)
{
    // The session's end has wound the run up already, or the run waits on a
    // box with no target open that nobody will answer now.
    if (!g_runUnderWay || route == kEndBySession) {
        EndNow(route);
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
        EndNow(route);
}

void OnRunStarted()
{
    g_runUnderWay = true;
}

void OnRunWoundUp()
{
    g_runUnderWay = false;
    EndRoute route = g_endAfterRun;
    g_endAfterRun = kEndNone;
    EndNow(route);
}
