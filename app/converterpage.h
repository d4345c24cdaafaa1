// The converter page's share of PageDialogProc (page 0, template "WILKOMMEN").
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "base/sizes.h"
#include "base/textbuf.h"

void OnConverterPageInit(HWND page);
INT_PTR OnConverterCommand(HWND page, int id);  // 1001, 1003, 1105
INT_PTR OnDropFiles(HWND page, HDROP drop);
INT_PTR OnConvertError(HWND page, LPARAM code);

// The open errors, with the path in place of "%s".
extern const char kSourceOpenText[];
extern const char kTargetOpenText[];
// The page's error box naming a path; the run waits while it is open.
void ShowPathError(HWND page, const char* format, const char* path);

int OpenFileDialog(HWND owner, const char* filter, char (&name)[kShellPathSize],
                   char (&pathOut)[kPathSize], const char* title, DWORD flags);
int SaveFileDialog(HWND owner, const char* filter, char (&name)[kShellPathSize],
                   char (&pathOut)[kPathSize], const char* title, DWORD flags);
// 1 done, 0 the component does not fit the output (output left empty).
int LastPathComponent(const char* path, char (&out)[kShellPathSize]);
int DeriveTargetName(const char* source, char (&out)[kShellPathSize]);
void ResolveDroppedFile(HDROP drop, CTextBuf& result);
CTextBuf ResolveShortcut(const char* path);
