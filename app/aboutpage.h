// The about page's share of PageDialogProc (page 5, template "IDD_INFO").
#pragma once

#include <windows.h>

extern COLORREF LinkColor;
extern HCURSOR g_linkCursor;
extern HBRUSH g_linkBrush;

const COLORREF kLinkStartColor = RGB(0, 0, 155);
const COLORREF kLinkNormalColor = RGB(0, 0, 128);
const COLORREF kLinkHoverColor = RGB(0, 0, 255);

// Whether the user has high contrast on (SPI_GETHIGHCONTRAST); a test puts
// its own answer here.
extern bool (*g_readHighContrast)();

// `instance` holds the link cursor.
void OnAboutPageInit(HWND page, HINSTANCE instance);
INT_PTR OnAboutSetCursor(HWND page);
INT_PTR OnAboutCtlColorStatic(HWND page, HDC dc, HWND control);
INT_PTR OnAboutMouseMove(HWND page, LPARAM lParam);
INT_PTR OnAboutLButtonDown(HWND page, LPARAM lParam);
// The system's colours or high contrast changed: what was made of the old
// colours goes; the next drawing takes the new ones.
void OnAboutColorsChanged();
