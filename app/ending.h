// How the program ends. Every way of ending it comes here: "&ESC", Escape,
// the close box and Alt+F4, the dialogs' IDOK, the page's quit request, a close
// request from another program to any of its windows, and the end of the
// Windows session. Idle, the program ends at once, each way as it always has.
// During a run the user is asked the cancel question first: Yes cancels the
// run, and the program ends once the target is deleted and the job wound up;
// any other answer lets the run go on.
//
// Windows asks every top-level window of the program (the main dialog and the
// hidden owner) whether the session may end: while a run is under way the
// answer is no, and Windows Vista and later show the user why. When the
// session ends all the same, the run is cancelled and its target deleted
// before the program lets Windows go on.
#pragma once

#include <windows.h>

enum EndRoute {
    kEndNone = 0,
    kEndByCancel,        // IDCANCEL of the main dialog: quit code -100
    kEndByOk,            // IDOK of the main dialog
    kEndByQuitAll,       // command 44444 of the main dialog
    kEndByQuitRequest,   // IDOK of a page: quit code 0
    kEndByOwnerClose,    // WM_CLOSE to the hidden owner window
    kEndBySession,       // the Windows session ends, or Windows closes the program
};

// `mainDialog` is the dialog that ends.
void RequestEnd(HWND mainDialog, EndRoute route);

// A run has started (interface thread, inside the job's Start) and has been
// wound up (interface thread, on the main dialog's notice): an end asked for
// in between waits for the wind-up, and the session is held meanwhile.
void OnRunStarted(HWND mainDialog);
void OnRunWoundUp(HWND mainDialog);

// WM_QUERYENDSESSION: FALSE while a conversion runs or is being wound up.
BOOL OnQueryEndSession();
// WM_ENDSESSION: when the session ends during a run, the run is cancelled,
// its target deleted and the job wound up first; then the program ends, as
// Windows requires of it (the Restart Manager does not end it by itself).
void OnEndSession(HWND mainDialog, BOOL ending);
// True once the session is ending: no box may wait for an answer then.
bool SessionEnding();

// The reason shown while the session waits: Vista and later only, looked up
// at run time, so that the program starts on XP.
typedef BOOL(WINAPI* ShutdownBlockReasonCreateProc)(HWND, LPCWSTR);
typedef BOOL(WINAPI* ShutdownBlockReasonDestroyProc)(HWND);
