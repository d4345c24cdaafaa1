// Interface language: the process-wide flag, its loading and saving, and the
// language page's two buttons.
#include "base/language.h"

#include "base/settings.h"
#include "base/widetext.h"
#include "res/resource.h"

int g_english = 0;

static const char kLanguageKey[] = "m_lang_id";

void LoadLanguage()
{
    g_english = GetProgramInt(kLanguageKey, g_english);
}

const char* LanguageTabCaption()
{
    return ByLanguage("&Language", "&Sprache");
}

void RefreshLanguageTexts(HWND page)
{
    HWND mainDialog = GetParent(page);
    SetProgramItemText(mainDialog, IDC_TAB_LANGUAGE, LanguageTabCaption());
    SetProgramItemText(mainDialog, IDC_TAB_EXTRAS, ByLanguage("&More", "&Mehr"));
}

INT_PTR OnLanguageButton(HWND page, int id)
{
    // Flag, refresh, write: the key is written on every press, changed or not.
    switch (id) {
    case IDC_ENGLISH:
        g_english = 1;
        RefreshLanguageTexts(page);
        WriteProgramString(kLanguageKey, "1");
        return TRUE;
    case IDC_DEUTSCH:
        g_english = 0;
        RefreshLanguageTexts(page);
        WriteProgramString(kLanguageKey, "0");
        return TRUE;
    }
    return FALSE;
}
