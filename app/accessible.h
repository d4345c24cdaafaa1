// What screen readers read for a control whose own name or role says
// nothing: a picture, a button labelled "...", a text that acts as a link.
// Narrator, NVDA and JAWS read plain Win32 controls through Active
// Accessibility (or UI Automation's bridge to it), which asks the control
// itself first (WM_GETOBJECT) and otherwise makes the object Windows derives.
#pragma once

#include <windows.h>

// From now on `control` is read with `name` (the program's text, code page
// 1252; null keeps the name Windows derives from the control) and `role` (an
// Active Accessibility role such as ROLE_SYSTEM_LINK; 0 keeps Windows' role).
// Everything else stays as Windows derives it. A later call replaces both;
// the control drops them as it is destroyed. 1 done, -1 failed (the control
// keeps what Windows gives it).
int SetAccessibleName(HWND control, const char* name, LONG role);

// How many of the objects handed to readers are alive: each goes when the
// last reader lets it go, also after its control is gone.
long AccessibleObjectsAlive();

// OLEACC's calls behind it, found at run time in the system folder's library.
typedef HRESULT(WINAPI* CreateStdAccessibleObjectProc)(HWND, LONG, REFIID, void**);
typedef LRESULT(WINAPI* LresultFromObjectProc)(REFIID, WPARAM, LPUNKNOWN);
