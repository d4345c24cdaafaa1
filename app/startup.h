// Start-up: the hidden owner window, the modal main dialog and the message loop.
#pragma once

#include <windows.h>
#include <commctrl.h>

extern HWND g_ownerWindow;

// The program's entry behind WinMain; the result is the process exit code.
int RunProgram(HINSTANCE instance, const char* commandTail, int showCommand);

// The common controls' registration, found in the library loaded at start.
typedef BOOL(WINAPI* InitCommonControlsExProc)(const INITCOMMONCONTROLSEX*);
