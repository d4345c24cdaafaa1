// Main dialog, page table and page switching.
#pragma once

#include <windows.h>

enum PageIndex {
    kPageConverter = 0,
    kPageLanguageHidden = 1,
    kPageCpuTest = 2,
    kPageFpuTest = 3,
    kPageLanguage = 4,
    kPageAbout = 5,
    kPageExtras = 6,
    kPageCount = 7,
};

// Sent to the main dialog once a run has been wound up.
const UINT WM_RUN_WOUND_UP = WM_USER + 102;

extern int g_page;
extern HWND g_mainDialog;
extern HWND g_pageDialog;

// The tab buttons and "&ESC", in the order they are disabled and enabled.
extern const int kBusyMainButtons[7];

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int ShowPage(HWND previous);
void SetTabCheck(HWND window, int id);
// Enables or disables the seven buttons of kBusyMainButtons.
void EnableMainButtons(BOOL enable);
