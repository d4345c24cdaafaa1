// Interface language: the flag, its persistence and the language page.
#pragma once

#include <windows.h>

// 0 German, anything else English.
extern int g_english;

inline const char* ByLanguage(const char* english, const char* german)
{
    return g_english != 0 ? english : german;
}

void LoadLanguage();
// Caption of the language tab 1087 in the current language.
const char* LanguageTabCaption();
void RefreshLanguageTexts(HWND page);
// Language page commands 1103 "English" and 1104 "Deutsch".
INT_PTR OnLanguageButton(HWND page, int id);
