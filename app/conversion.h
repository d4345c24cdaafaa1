// The window side of a conversion run: the converter page's fields taken into
// the request, the page's busy look while it runs and its idle look once it
// has been wound up, the cancel question, and the boxes of the open errors and
// of the run's errors. The window above is told of a run's start and wind-up
// by messages.
#pragma once

#include <windows.h>

// Sent to the window given to ReportRunsTo: a run has started (interface
// thread, inside the job's Start) and has been wound up (from the watcher,
// once the worker has returned). Sent, never posted: an end asked for right
// after the start must find the run under way, and the session's end, which
// waits handling sent messages only, must see the wind-up.
const UINT WM_RUN_WOUND_UP = WM_USER + 102;
const UINT WM_RUN_STARTED = WM_USER + 103;

void ReportRunsTo(HWND window);

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

// The open errors, with the path in place of "%s".
extern const char kSourceOpenText[];
extern const char kTargetOpenText[];
// The open error for a name refused before any run, naming it as Windows has it.
void ShowNameError(HWND owner, const char* format, const WCHAR* name);
// The box of a run's error (a ConvertError code), naming the request's path
// and `left`, a file the run had to leave beside the target (or null); the
// run waits in its call to the page until the box is closed.
void ShowConvertError(HWND page, LPARAM code, const WCHAR* left);
