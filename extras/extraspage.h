// The extras page's share of PageDialogProc (page 6, template "XSTRAS").
#pragma once

#include <windows.h>

void OnExtrasPageInit(HWND page);
// 2003, 2004, 2005; `owner` (the main dialog) owns the mail client's windows.
INT_PTR OnExtrasCommand(HWND owner, int id);
