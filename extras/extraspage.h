// The extras page's share of PageDialogProc (page 6, template "XSTRAS").
#pragma once

#include <windows.h>

void OnExtrasPageInit(HWND page);
INT_PTR OnExtrasCommand(HWND page, int id);  // 2003, 2004, 2005
