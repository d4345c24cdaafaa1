#include "base/language.h"
int g_english = 0;
void LoadLanguage() {}
const char* LanguageTabCaption() { return ""; }
void RefreshLanguageTexts(HWND) {}
INT_PTR OnLanguageButton(HWND, int) { return FALSE; }
