#include "app/aboutpage.h"
COLORREF LinkColor = kLinkStartColor;
HCURSOR g_linkCursor = nullptr;
HBRUSH g_linkBrush = nullptr;
void OnAboutPageInit(HWND) {}
INT_PTR OnAboutSetCursor(HWND) { return FALSE; }
INT_PTR OnAboutCtlColorStatic(HWND, HDC, HWND) { return FALSE; }
INT_PTR OnAboutMouseMove(HWND, LPARAM) { return FALSE; }
INT_PTR OnAboutLButtonDown(HWND, LPARAM) { return FALSE; }
