// The window side of a conversion run: started from the converter page's
// fields, the busy look while it runs, the idle look once it has been wound
// up, and the cancel question.
#pragma once

#include <windows.h>

// Takes both fields of the page into the request, shows the busy look and
// starts the job. False, with nothing started, when a field cannot be taken
// (its open error has been shown) or the last run is still being wound up.
bool StartConversion(HWND page);
// 1 when a run was going on (the user has been asked, and on Yes the run is
// being cancelled), 0 when none was.
int ConfirmCancel(HWND page);
// The cancel question while a run goes on: 1 Yes (the run, if it still goes
// on, is being cancelled); 0 any other answer, or the question is open
// already; -1 no run goes on, and nothing was asked.
int AskCancel(HWND page);
