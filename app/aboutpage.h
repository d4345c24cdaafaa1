// The about page's share of PageDialogProc (page 5, template "IDD_INFO").
#pragma once

#include <windows.h>

extern COLORREF LinkColor;
extern HCURSOR g_linkCursor;
extern HBRUSH g_linkBrush;

const COLORREF kLinkStartColor = RGB(0, 0, 155);
const COLORREF kLinkNormalColor = RGB(0, 0, 128);
const COLORREF kLinkHoverColor = RGB(0, 0, 255);

// `instance` holds the link cursor.
void OnAboutPageInit(HWND page, HINSTANCE instance);
INT_PTR OnAboutSetCursor(HWND page);
INT_PTR OnAboutCtlColorStatic(HWND page, HDC dc, HWND control);
INT_PTR OnAboutMouseMove(HWND page, LPARAM lParam);
INT_PTR OnAboutLButtonDown(HWND page, LPARAM lParam);
