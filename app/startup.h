// Start-up: the hidden owner window, the modal main dialog and the message loop.
#pragma once

#include <windows.h>

extern HWND g_ownerWindow;

// The program's entry behind WinMain; the result is the process exit code.
int RunProgram(HINSTANCE instance, const char* commandTail, int showCommand);
