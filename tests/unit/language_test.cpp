// Language flag: loading from "m_lang_id", the tab captions and the two buttons.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/maindialog.h"
#include "base/language.h"
#include "res/resource.h"
#include "tests/support/settingsfile.h"
#include "tests/support/windows.h"

class LanguageFlag : public testing::Test {
protected:
    void SetUp() override
    {
        saved = g_english;
        DeleteSettingsFile();
    }
    void TearDown() override
    {
        g_english = saved;
        DeleteSettingsFile();
    }
    int saved = 0;
};

TEST_F(LanguageFlag, AbsentOrEmptyValueKeepsTheFlag)
{
    g_english = 0;
    LoadLanguage();
    EXPECT_EQ(0, g_english);
    g_english = 1;
    LoadLanguage();
    EXPECT_EQ(1, g_english);

    WriteProgramSettings("4", "");
    LoadLanguage();
    EXPECT_EQ(1, g_english);
    EXPECT_FALSE(ReadProgramSetting("m_lang_id", nullptr) && ProgramSetting("m_lang_id") != "")
        << "loading never writes";
}

TEST_F(LanguageFlag, StoredValuesPickTheLanguage)
{
    const struct {
        const char* stored;
        bool english;
    } cases[] = {{"1", true}, {"2", true}, {"-1", true}, {"0", false}, {"abc", false}, {"x1", false}};
    for (const auto& c : cases) {
        WriteProgramSettings(nullptr, c.stored);
        g_english = c.english ? 0 : 1;  // the opposite, so a load that does nothing shows
        LoadLanguage();
        EXPECT_EQ(c.english, g_english != 0) << "stored \"" << c.stored << "\"";
        EXPECT_STREQ(c.english ? "&Language" : "&Sprache", LanguageTabCaption());
        EXPECT_STREQ(c.english ? "Yes" : "Ja", ByLanguage("Yes", "Ja"));
    }
}

// The buttons work on the page inside the real main dialog.
class LanguagePage : public LanguageFlag {
protected:
    void SetUp() override
    {
        LanguageFlag::SetUp();
        savedPage = g_page;
        g_english = 0;
        main = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                                  MainDialogProc, 0);
        ASSERT_NE(nullptr, main);
        ASSERT_EQ(kPageLanguage, g_page);
        page = g_pageDialog;
        ASSERT_NE(nullptr, GetDlgItem(page, IDC_ENGLISH));
    }
    void TearDown() override
    {
        if (main)
            DestroyWindow(main);
        g_mainDialog = nullptr;
        g_pageDialog = nullptr;
        g_page = savedPage;
        LanguageFlag::TearDown();
    }
    void Press(int id)
    {
        SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
        PumpMessages();
    }
    int savedPage = 4;
    HWND main = nullptr;
    HWND page = nullptr;
};

TEST_F(LanguagePage, ButtonsSwitchTabCaptionsAtOnceAndStoreTheChoice)
{
    EXPECT_EQ("&Sprache", ControlText(main, IDC_TAB_LANGUAGE));
    EXPECT_EQ("&Mehr", ControlText(main, IDC_TAB_EXTRAS));
    EXPECT_EQ("<absent>", ProgramSetting("m_lang_id")) << "not written before a press";

    Press(IDC_ENGLISH);
    EXPECT_EQ(1, g_english);
    EXPECT_EQ("&Language", ControlText(main, IDC_TAB_LANGUAGE));
    EXPECT_EQ("&More", ControlText(main, IDC_TAB_EXTRAS));
    EXPECT_EQ("1", ProgramSetting("m_lang_id"));
    // Nothing else follows at once.
    EXPECT_EQ("Kavonix  Ver 1.64.2", WindowText(main));
    EXPECT_EQ("&Info", ControlText(main, IDC_TAB_ABOUT));
    EXPECT_EQ("Ka&vonix", ControlText(main, IDC_TAB_CONVERTER));
    EXPECT_EQ("English", ControlText(page, IDC_ENGLISH));
    EXPECT_EQ("Deutsch", ControlText(page, IDC_DEUTSCH));

    Press(IDC_DEUTSCH);
    EXPECT_EQ(0, g_english);
    EXPECT_EQ("&Sprache", ControlText(main, IDC_TAB_LANGUAGE));
    EXPECT_EQ("&Mehr", ControlText(main, IDC_TAB_EXTRAS));
    EXPECT_EQ("0", ProgramSetting("m_lang_id"));
}

TEST_F(LanguagePage, EveryPressWritesTheKeyEvenWithoutAChange)
{
    Press(IDC_DEUTSCH);
    EXPECT_EQ("0", ProgramSetting("m_lang_id"));
    WriteProgramSettings("4", "garbage");
    Press(IDC_DEUTSCH);
    EXPECT_EQ("0", ProgramSetting("m_lang_id"));
    EXPECT_EQ("4", ProgramSetting("Starte mit"));
}

TEST_F(LanguagePage, NextPageInitialisationUsesTheNewLanguage)
{
    Press(IDC_ENGLISH);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_TAB_CONVERTER, BN_CLICKED),
                 (LPARAM)GetDlgItem(main, IDC_TAB_CONVERTER));
    HWND converter = g_pageDialog;
    ASSERT_NE(nullptr, converter);
    EXPECT_EQ("&Convert", ControlText(converter, IDC_CONVERT));
    EXPECT_EQ("&Source : ", ControlText(converter, IDC_SOURCE_LABEL));
    EXPECT_EQ("&Target : ", ControlText(converter, IDC_TARGET_LABEL));
    EXPECT_EQ("&Language", ControlText(main, IDC_TAB_LANGUAGE));

    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_TAB_LANGUAGE, BN_CLICKED),
                 (LPARAM)GetDlgItem(main, IDC_TAB_LANGUAGE));
    page = g_pageDialog;
    Press(IDC_DEUTSCH);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_TAB_CONVERTER, BN_CLICKED),
                 (LPARAM)GetDlgItem(main, IDC_TAB_CONVERTER));
    converter = g_pageDialog;
    EXPECT_EQ("&Konvertieren", ControlText(converter, IDC_CONVERT));
    EXPECT_EQ("&Quele : ", ControlText(converter, IDC_SOURCE_LABEL));
    EXPECT_EQ("&Ziel : ", ControlText(converter, IDC_TARGET_LABEL));
}
