#include "app/maindialog.h"
int g_page = 4;
HWND g_mainDialog = nullptr;
HWND g_pageDialog = nullptr;
const int kBusyMainButtons[7] = {1083, 1085, 1086, 1087, 1088, 1089, IDCANCEL};
INT_PTR CALLBACK MainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK PageDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
int ShowPage(HWND) { return 0; }
void SetTabCheck(HWND, int) {}
void EnableMainButtons(BOOL) {}
