// Ending the Windows session while a conversion runs. Windows asks every
// top-level window of the program (the main dialog and the hidden owner);
// while a run is under way the answer is no, and Windows Vista and later show
// the user why. When the session ends all the same, the run is cancelled and
// its target deleted before the program lets Windows go on.
#pragma once

#include <windows.h>

// The reason Windows shows while a run holds the session, put up and taken
// down on the main dialog's thread.
void HoldSessionEnd(HWND mainDialog);
void ReleaseSessionEnd(HWND mainDialog);

// WM_QUERYENDSESSION: FALSE while a conversion runs or is being wound up.
BOOL OnQueryEndSession();
// WM_ENDSESSION: when the session ends during a run, the run is cancelled,
// its target deleted and the job wound up first; then the program ends, as
// Windows requires of it (the Restart Manager does not end it by itself).
void OnEndSession(BOOL ending);
// True once the session is ending: no box may wait for an answer then.
bool SessionEnding();
