// Main dialog, page table and page switching. The main buttons are its own:
// a run's start and wind-up reach it as messages (app/conversion.h).
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

// The program's module: its dialog templates, icons and cursor.
extern HINSTANCE g_instance;
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
