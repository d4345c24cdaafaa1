// The converter page's share of PageDialogProc (page 0, template "WILKOMMEN").
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "base/sizes.h"

void OnConverterPageInit(HWND page);
INT_PTR OnConverterCommand(HWND page, int id);  // 1001, 1003, 1105
// The page's default button, which Enter in a field presses: Convert.
INT_PTR OnConverterGetDefId(HWND page);
INT_PTR OnDropFiles(HWND page, HDROP drop);
// `left`: a file the run left beside the target, named in the message.
INT_PTR OnConvertError(HWND page, LPARAM code, const WCHAR* left = nullptr);

// The chosen file as the program opens it: 1 with `pathOut` and `name` (its
// last component) set, 0 cancelled or failed, -1 a name the file calls would
// not open as named (refused with its open error; nothing changed). `name`
// holds the name proposed. The Open dialog's choice is a source, the Save
// dialog's a target.
int OpenFileDialog(HWND owner, const WCHAR* filter, WCHAR (&name)[kShellPathSize],
                   WCHAR (&pathOut)[kLongPathSize], const WCHAR* title, DWORD flags);
int SaveFileDialog(HWND owner, const WCHAR* filter, WCHAR (&name)[kShellPathSize],
                   WCHAR (&pathOut)[kLongPathSize], const WCHAR* title, DWORD flags);
// 1 done, 0 the component does not fit the output (output left empty).
int LastPathComponent(const WCHAR* path, WCHAR (&out)[kShellPathSize]);
int DeriveTargetName(const WCHAR* source, WCHAR (&out)[kShellPathSize]);
// The first dropped file, resolved when it is a shortcut: 1 with the path to
// open in `path`, 0 nothing to take (no file, a folder), -1 a name the file
// calls would not open as named (in `path`, for the open error).
int ResolveDroppedFile(HDROP drop, WCHAR (&path)[kLongPathSize]);
// 1 with the target stored in the shortcut `path`, 0 when it is none (`target` empty).
int ResolveShortcut(const WCHAR* path, WCHAR (&target)[kLongPathSize]);
