// Start-up: the hidden owner window and the modal main dialog.
#pragma once

#include <windows.h>

extern HINSTANCE g_instance;
extern HWND g_ownerWindow;

// The program's entry behind WinMain; the result is the process exit code.
int RunProgram(HINSTANCE instance, const char* commandTail, int showCommand);
