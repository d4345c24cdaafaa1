// How texts reach the windows: in UTF-16, through the wide calls. The
// program's own texts are code page 1252 bytes, which an ANSI call would read
// in whatever code page the system has; paths are held in UTF-16 already.
#pragma once

#include <windows.h>

// The code page of every text the program writes itself.
const UINT kTextCodePage = 1252;

// The program's text in UTF-16, cut at the end of `out` and always
// terminated; the characters written.
int ProgramTextToWide(const char* text, WCHAR* out, int capacity);
// A path of the ANSI code page in UTF-16: 1 done, 0 when it does not convert
// or fit (`out` empty).
int AnsiPathToWide(const char* path, WCHAR* out, int capacity);
// The program's text on the heap (release with free), null without memory:
// in UTF-16, or in the ANSI code page with every character that code page
// lacks in its nearest form.
WCHAR* NewWideText(const char* text);
char* NewAnsiText(const char* text);

BOOL SetProgramText(HWND window, const char* text);
BOOL SetProgramItemText(HWND dialog, int id, const char* text);
// A message box of the program's text; a null caption is the system's own.
int ShowProgramBox(HWND owner, const char* text, const char* caption, UINT style);
// A message box of the program's text with a name of any length in place of
// its "%s" (the only mark it holds).
int ShowNameBox(HWND owner, const char* text, const WCHAR* name, const char* caption, UINT style);
// The same with two names, in place of the text's first and second "%s",
// and a third in place of its third where given.
int ShowNamesBox(HWND owner, const char* text, const WCHAR* first, const WCHAR* second, const char* caption,
                 UINT style, const WCHAR* third = nullptr);
