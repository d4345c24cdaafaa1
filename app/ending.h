// How the program ends. Every way of ending it comes here: "&ESC", Escape,
// the close box and Alt+F4, Enter in a field, the page's quit request, a close
// request from another program to any of its windows, and the end of the
// Windows session. Idle, the program ends at once, each way as it always has.
// During a run the user is asked the cancel question first: Yes cancels the
// run, and the program ends once the target is deleted and the job wound up;
// any other answer lets the run go on.
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

void RequestEnd(EndRoute route);

// A run has started (interface thread, inside the job's Start) and has been
// wound up (interface thread, on the main dialog's notice): an end asked for
// in between waits for the wind-up.
void OnRunStarted();
void OnRunWoundUp();
