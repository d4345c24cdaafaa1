// Main dialog and page switching, on the real templates and the real settings file.
#include <windows.h>

#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/maindialog.h"
#include "base/language.h"
#include "res/resource.h"
#include "tests/support/boxes.h"
#include "tests/support/settingsfile.h"
#include "tests/support/windows.h"

static const int kTabs[] = {IDC_TAB_CONVERTER, IDC_TAB_CPU, IDC_TAB_FPU,
                            IDC_TAB_LANGUAGE, IDC_TAB_ABOUT, IDC_TAB_EXTRAS};

// Takes a quit request off this thread's queue: 1 with its code, 0 when none is there.
static int TakeQuit(int* code)
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return 0;
    *code = (int)msg.wParam;
    return 1;
}

// The font `window` draws its text with: named "MS Shell Dlg" (or the "MS
// Shell Dlg 2" that Windows puts in its place), which Windows maps to a
// TrueType face on every system; never the bitmap face "MS Sans Serif".
static void ExpectShellFont(HWND window, const std::string& what, LOGFONTA* named = nullptr)
{
    HFONT font = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    ASSERT_NE(nullptr, font) << what;
    LOGFONTA logFont = {};
    ASSERT_NE(0, GetObjectA(font, sizeof(logFont), &logFont)) << what;
    EXPECT_EQ(0, strncmp(logFont.lfFaceName, "MS Shell Dlg", 12)) << what << ": " << logFont.lfFaceName;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    char drawn[LF_FACESIZE] = "";
    GetTextFaceA(dc, sizeof(drawn), drawn);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(metrics.tmPitchAndFamily & TMPF_TRUETYPE) << what << ": " << drawn;
    EXPECT_STRNE("MS Sans Serif", drawn) << what;
    if (named)
        *named = logFont;
}

class MainDialog : public testing::Test {
protected:
    void SetUp() override
    {
        savedPage = g_page;
        savedEnglish = g_english;
        g_english = 0;
        g_pageDialog = nullptr;
        DeleteSettingsFile();
    }
    void TearDown() override
    {
        if (main && IsWindow(main))
            DestroyWindow(main);
        int code = 0;
        while (TakeQuit(&code)) {
        }
        g_mainDialog = nullptr;
        g_pageDialog = nullptr;
        g_page = savedPage;
        g_english = savedEnglish;
        DeleteSettingsFile();
    }
    void Open()
    {
        main = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
        ASSERT_NE(nullptr, main);
    }
    void ClickTab(int id)
    {
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(main, id));
    }
    int Checked(int id) { return (int)SendDlgItemMessageA(main, id, BM_GETCHECK, 0, 0); }
    // The page's top-left corner in the main dialog's client coordinates.
    POINT PageCorner(HWND page)
    {
        RECT r;
        GetWindowRect(page, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(main, &p);
        return p;
    }
    POINT PlaceholderCorner()
    {
        RECT r = {13, 55, 0, 0};
        MapDialogRect(main, &r);
        POINT p = {r.left, r.top};
        return p;
    }

    int savedPage = 4;
    int savedEnglish = 0;
    HWND main = nullptr;
};

TEST_F(MainDialog, FirstStartShowsTheLanguagePageInGerman)
{
    BoxAnswerer boxes;
    Open();
    EXPECT_EQ(main, g_mainDialog);
    EXPECT_EQ(kPageLanguage, g_page);
    EXPECT_EQ("4", ProgramSetting("Starte mit"));
    EXPECT_EQ("<absent>", ProgramSetting("m_lang_id"));
    EXPECT_EQ("Kavonix  Ver 1.64.2", WindowText(main));
    ASSERT_NE(nullptr, g_pageDialog);
    EXPECT_EQ(main, GetParent(g_pageDialog));
    EXPECT_TRUE(IsWindowVisible(g_pageDialog) || !IsWindowVisible(main));
    EXPECT_TRUE(GetWindowLongA(g_pageDialog, GWL_STYLE) & WS_VISIBLE);
    EXPECT_NE(nullptr, GetDlgItem(g_pageDialog, IDC_ENGLISH));
    EXPECT_EQ("&Sprache", ControlText(main, IDC_TAB_LANGUAGE));
    EXPECT_EQ("&Mehr", ControlText(main, IDC_TAB_EXTRAS));
    for (int id : kTabs)
        EXPECT_EQ(BST_UNCHECKED, Checked(id)) << "tab " << id;
    PumpMessages();
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(MainDialog, StartSetsStylesFontAndIcons)
{
    Open();
    // The platform adds WS_EX_WINDOWEDGE to every captioned window by itself.
    LONG exStyle = GetWindowLongA(main, GWL_EXSTYLE);
    EXPECT_EQ((LONG)WS_EX_APPWINDOW, exStyle & ~(LONG)WS_EX_WINDOWEDGE)
        << "the whole extended style is replaced, the modal frame's bit included";
    EXPECT_EQ((LONG)WS_EX_CONTROLPARENT, GetWindowLongA(g_pageDialog, GWL_EXSTYLE));

    LOGFONTA logFont = {};
    ExpectShellFont(GetDlgItem(main, IDC_BANNER_TEXT), "bold font", &logFont);
    EXPECT_EQ(-8, logFont.lfHeight);
    EXPECT_EQ(FW_BOLD, logFont.lfWeight);
    EXPECT_EQ(0, logFont.lfItalic);
    EXPECT_EQ(DEFAULT_CHARSET, logFont.lfCharSet);
    EXPECT_EQ("", ControlText(main, IDC_BANNER_TEXT));
    EXPECT_EQ("", ControlText(main, IDC_BANNER_TEXT2));

    HICON big = (HICON)SendMessageA(main, WM_GETICON, ICON_BIG, 0);
    HICON small16 = (HICON)SendMessageA(main, WM_GETICON, ICON_SMALL, 0);
    ASSERT_NE(nullptr, big);
    ASSERT_NE(nullptr, small16);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(big, &info));
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(32, bitmap.bmWidth);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // Every template's font, and what its controls got from it. DS_SHELLFONT
    // lets Windows put the face it keeps for dialogs in place of the one named.
    ExpectShellFont(main, "main dialog");
    EXPECT_EQ(DS_SHELLFONT, GetWindowLongA(main, GWL_STYLE) & DS_SHELLFONT);
    for (int id : {IDC_TAB_CONVERTER, IDC_TAB_ABOUT, IDC_TAB_LANGUAGE, IDC_TAB_EXTRAS}) {
        ClickTab(id);
        ASSERT_NE(nullptr, g_pageDialog) << "tab " << id;
        ExpectShellFont(g_pageDialog, "page of tab " + std::to_string(id));
        EXPECT_EQ(DS_SHELLFONT, GetWindowLongA(g_pageDialog, GWL_STYLE) & DS_SHELLFONT) << "tab " << id;
    }
    ClickTab(IDC_TAB_CONVERTER);
    ExpectShellFont(GetDlgItem(g_pageDialog, IDC_STATUS_LINE), "status line");
}

TEST_F(MainDialog, StaticsGetTheOneHollowBrushAndATransparentBackground)
{
    Open();
    HDC dc = CreateCompatibleDC(nullptr);
    SetBkMode(dc, OPAQUE);
    HBRUSH first = (HBRUSH)SendMessageA(main, WM_CTLCOLORSTATIC, (WPARAM)dc,
                                        (LPARAM)GetDlgItem(main, IDC_BANNER_TEXT));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    ASSERT_NE(nullptr, first);
    LOGBRUSH brush = {};
    ASSERT_NE(0, GetObjectA(first, sizeof(brush), &brush));
    EXPECT_EQ((UINT)BS_HOLLOW, brush.lbStyle);
    HBRUSH second = (HBRUSH)SendMessageA(main, WM_CTLCOLORSTATIC, (WPARAM)dc,
                                         (LPARAM)GetDlgItem(main, IDC_BANNER_TEXT2));
    EXPECT_EQ(first, second);
    DeleteDC(dc);
}

TEST_F(MainDialog, EveryPageSitsOnThePlaceholderCorner)
{
    BoxAnswerer boxes;
    Open();
    POINT expected = PlaceholderCorner();
    POINT first = PageCorner(g_pageDialog);
    EXPECT_EQ(expected.x, first.x);
    EXPECT_EQ(expected.y, first.y);
    for (int id : {IDC_TAB_CONVERTER, IDC_TAB_ABOUT, IDC_TAB_LANGUAGE, IDC_TAB_EXTRAS}) {
        ClickTab(id);
        ASSERT_NE(nullptr, g_pageDialog) << "tab " << id;
        POINT corner = PageCorner(g_pageDialog);
        EXPECT_EQ(expected.x, corner.x) << "tab " << id;
        EXPECT_EQ(expected.y, corner.y) << "tab " << id;
    }
    // The widest template is cut at the main dialog's edge, not shrunk.
    RECT page, client;
    GetWindowRect(g_pageDialog, &page);
    GetClientRect(main, &client);
    EXPECT_GT(page.right - page.left, client.right - expected.x);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(MainDialog, TabClickMarksOneTabRebuildsThePageAndStoresTheIndex)
{
    BoxAnswerer boxes;
    Open();
    const struct {
        int tab;
        int page;
        int control;  // a control only that page has
    } tabs[] = {
        {IDC_TAB_EXTRAS, kPageExtras, IDC_RECOMMEND},
        {IDC_TAB_CONVERTER, kPageConverter, IDC_CONVERT},
        {IDC_TAB_ABOUT, kPageAbout, IDC_LINK},
        {IDC_TAB_LANGUAGE, kPageLanguage, IDC_ENGLISH},
        {IDC_TAB_LANGUAGE, kPageLanguage, IDC_ENGLISH},
    };
    for (const auto& t : tabs) {
        HWND before = g_pageDialog;
        ClickTab(t.tab);
        EXPECT_EQ(t.page, g_page);
        ASSERT_NE(nullptr, g_pageDialog);
        EXPECT_NE(before, g_pageDialog) << "every click builds the page anew";
        EXPECT_FALSE(GetWindowLongA(before, GWL_STYLE) & WS_VISIBLE) << "the old page is ended";
        EXPECT_NE(nullptr, GetDlgItem(g_pageDialog, t.control));
        EXPECT_EQ(std::to_string(t.page), ProgramSetting("Starte mit"));
        for (int id : kTabs)
            EXPECT_EQ(id == t.tab ? BST_CHECKED : BST_UNCHECKED, Checked(id)) << "after " << t.tab << ", tab " << id;
    }
    EXPECT_EQ(0u, boxes.Count());
}

// Each click ends the page before: it must be gone, not just hidden, or
// windows pile up until the process's quota of them is spent.
TEST_F(MainDialog, ManyTabClicksLeaveOnePageWindow)
{
    BoxAnswerer boxes;
    Open();
    const int visibleTabs[] = {IDC_TAB_CONVERTER, IDC_TAB_ABOUT, IDC_TAB_LANGUAGE, IDC_TAB_EXTRAS};
    for (int round = 0; round < 60; ++round) {
        for (int tab : visibleTabs)
            ClickTab(tab);
    }
    int pages = 0;
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof(className));
        pages += std::string(className) == "#32770" ? 1 : 0;
    }
    EXPECT_EQ(1, pages);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(MainDialog, HiddenTabsStayHiddenAndTheirPagesFail)
{
    BoxAnswerer boxes;
    Open();
    ShowWindow(main, SW_SHOW);
    for (int id : {IDC_TAB_CPU, IDC_TAB_FPU}) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, id))) << id;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, id))) << id;
    }
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, IDC_PAGE_PLACEHOLDER)));

    HWND before = g_pageDialog;
    ClickTab(IDC_TAB_CPU);
    ASSERT_TRUE(boxes.WaitForCount(1, 5000));
    EXPECT_EQ("ERROR", boxes.Seen()[0].text);
    EXPECT_EQ(nullptr, boxes.Seen()[0].owner);
    EXPECT_EQ(nullptr, g_pageDialog);
    EXPECT_FALSE(IsWindowVisible(before)) << "the previous page ends all the same";
    EXPECT_EQ("2", ProgramSetting("Starte mit"));
    EXPECT_EQ(BST_CHECKED, Checked(IDC_TAB_CPU));

    ClickTab(IDC_TAB_FPU);
    ASSERT_TRUE(boxes.WaitForCount(2, 5000));
    EXPECT_EQ("ERROR", boxes.Seen()[1].text);
    EXPECT_EQ("3", ProgramSetting("Starte mit"));

    ClickTab(IDC_TAB_ABOUT);
    EXPECT_NE(nullptr, g_pageDialog);
    EXPECT_TRUE(IsWindowVisible(g_pageDialog));
    EXPECT_EQ(2u, boxes.Count());
    for (int id : {IDC_TAB_CPU, IDC_TAB_FPU})
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, id))) << id;
}

TEST_F(MainDialog, ShowPageOutsideTheTable)
{
    // A box here is a fault: answered, so that the case fails instead of hanging.
    BoxAnswerer boxes;
    Open();
    HWND shown = g_pageDialog;
    WriteProgramSettings("4", nullptr);

    g_page = 7;
    EXPECT_EQ(0, ShowPage(shown));
    EXPECT_EQ(shown, g_pageDialog);
    EXPECT_TRUE(IsWindowVisible(shown) || !IsWindowVisible(main));
    EXPECT_TRUE(GetWindowLongA(shown, GWL_STYLE) & WS_VISIBLE) << "the previous page stays";
    EXPECT_EQ("4", ProgramSetting("Starte mit")) << "nothing written";

    int code = 1;
    ASSERT_EQ(0, TakeQuit(&code));
    g_page = -1;
    EXPECT_EQ(1, ShowPage(shown));
    ASSERT_EQ(1, TakeQuit(&code));
    EXPECT_EQ(0, code);
    EXPECT_TRUE(GetWindowLongA(shown, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ("4", ProgramSetting("Starte mit"));
    PumpMessages();
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(MainDialog, MissingPlaceholderLeavesThePageWhereItWasMade)
{
    BoxAnswerer boxes;
    Open();
    // A stand-in main dialog without control 1011.
    HWND bare = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 100, 600, 300, nullptr, nullptr,
                                g_instance, nullptr);
    ASSERT_NE(nullptr, bare);
    g_mainDialog = bare;
    g_page = kPageLanguage;
    ShowPage(bare);
    ASSERT_TRUE(boxes.WaitForCount(1, 5000));
    EXPECT_EQ("EROR_STR433", boxes.Seen()[0].text);
    ASSERT_NE(nullptr, g_pageDialog);
    RECT r;
    GetWindowRect(g_pageDialog, &r);
    POINT p = {r.left, r.top};
    ScreenToClient(bare, &p);
    EXPECT_EQ(0, p.x);
    EXPECT_EQ(0, p.y);
    EXPECT_TRUE(GetWindowLongA(g_pageDialog, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ((LONG)WS_EX_CONTROLPARENT, GetWindowLongA(g_pageDialog, GWL_EXSTYLE));
    DestroyWindow(bare);
    g_mainDialog = main;
}

TEST_F(MainDialog, EndingCommands)
{
    int code = 0;
    const struct {
        int command;
        bool quitRequest;
        int quitCode;
    } cases[] = {{IDCANCEL, true, -100}, {IDOK, false, 0}, {IDC_QUIT_ALL, false, 0}};
    for (const auto& c : cases) {
        Open();
        ShowWindow(main, SW_SHOW);
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED), 0);
        EXPECT_FALSE(IsWindowVisible(main)) << "command " << c.command << " ends the dialog";
        int found = TakeQuit(&code);
        EXPECT_EQ(c.quitRequest ? 1 : 0, found) << "command " << c.command;
        if (found) {
            EXPECT_EQ(c.quitCode, code);
        }
        DestroyWindow(main);
        main = nullptr;
    }
    Open();
    ShowWindow(main, SW_SHOW);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_PROGRESS, 0), 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(4242, 0), 0);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(0, TakeQuit(&code));
}

TEST_F(MainDialog, PageEnterRequestsTheQuitWithCodeZero)
{
    Open();
    int code = 1;
    SendMessageA(g_pageDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(1, TakeQuit(&code));
    EXPECT_EQ(0, code);
    EXPECT_TRUE(IsWindow(g_pageDialog)) << "the page itself stays";
}

TEST_F(MainDialog, EnterOnAFocusedPageButtonPressesIt)
{
    Open();
    ShowWindow(main, SW_SHOW);
    HWND english = GetDlgItem(g_pageDialog, IDC_ENGLISH);
    ASSERT_NE(nullptr, english);
    // Focus moved as Tab moves it, then the key as the dialog loop hands it on.
    SendMessageA(main, WM_NEXTDLGCTL, (WPARAM)english, TRUE);
    ASSERT_EQ(english, GetFocus());
    MSG key = {english, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(main, &key));
    PumpMessages();
    EXPECT_EQ(1, g_english);
    EXPECT_EQ("&More", ControlText(main, IDC_TAB_EXTRAS));
    EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(MainDialog, EnableMainButtonsSwitchesTheSevenButtons)
{
    Open();
    EnableMainButtons(FALSE);
    for (int id : kBusyMainButtons)
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, id))) << id;
    EnableMainButtons(TRUE);
    for (int id : kBusyMainButtons)
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, id))) << id;
    for (int id : {IDC_TAB_CPU, IDC_TAB_FPU})
        EXPECT_FALSE(GetWindowLongA(GetDlgItem(main, id), GWL_STYLE) & WS_VISIBLE) << id;
}

TEST_F(MainDialog, StoredPageAndLanguageComeBack)
{
    WriteProgramSettings("5", "1");
    Open();
    EXPECT_EQ(kPageAbout, g_page);
    EXPECT_EQ(1, g_english);
    EXPECT_NE(nullptr, GetDlgItem(g_pageDialog, IDC_LINK));
    EXPECT_EQ("&Language", ControlText(main, IDC_TAB_LANGUAGE));
    EXPECT_EQ("&More", ControlText(main, IDC_TAB_EXTRAS));
    for (int id : kTabs)
        EXPECT_EQ(BST_UNCHECKED, Checked(id)) << "no tab is marked at start, tab " << id;
}

// The letter after the first single "&" of a caption, upper case; 0 for none.
static char Mnemonic(HWND control)
{
    std::string text = WindowText(control);
    for (size_t at = text.find('&'); at != std::string::npos && at + 1 < text.size(); at = text.find('&', at + 2)) {
        if (text[at + 1] != '&')
            return (char)toupper((unsigned char)text[at + 1]);
    }
    return 0;
}

// Visible buttons and statics of `dialog` that carry a mnemonic, as "letter id".
static void CollectMnemonics(HWND dialog, std::vector<std::pair<char, int>>* found)
{
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        LONG style = GetWindowLongA(control, GWL_STYLE);
        char className[32] = "";
        GetClassNameA(control, className, sizeof(className));
        if (!(style & WS_VISIBLE) || lstrcmpA(className, "#32770") == 0)
            continue;
        bool isStatic = lstrcmpiA(className, "Static") == 0;
        if ((!isStatic && lstrcmpiA(className, "Button") != 0) || (isStatic && (style & SS_NOPREFIX)))
            continue;
        char letter = Mnemonic(control);
        if (letter != 0)
            found->push_back({letter, GetDlgCtrlID(control)});
    }
}

// Alt+letter must reach one control: every tab button has a letter of its
// own among everything shown with it, on every page, in both languages.
TEST_F(MainDialog, EveryTabHasAMnemonicOfItsOwn)
{
    for (int english = 0; english < 2; ++english) {
        for (int tab : {IDC_TAB_CONVERTER, IDC_TAB_ABOUT, IDC_TAB_LANGUAGE, IDC_TAB_EXTRAS}) {
            SCOPED_TRACE(std::string(english ? "English" : "German") + ", page of tab " + std::to_string(tab));
            WriteProgramSettings("4", english ? "1" : "0");
            Open();
            ClickTab(tab);
            std::vector<std::pair<char, int>> found;
            CollectMnemonics(main, &found);
            CollectMnemonics(g_pageDialog, &found);
            for (int id : {IDC_TAB_CONVERTER, IDC_TAB_ABOUT, IDC_TAB_LANGUAGE, IDC_TAB_EXTRAS})
                EXPECT_NE(0, Mnemonic(GetDlgItem(main, id))) << "tab " << id;
            for (size_t i = 0; i < found.size(); ++i)
                for (size_t j = i + 1; j < found.size(); ++j)
                    EXPECT_NE(found[i].first, found[j].first) << found[i].second << " and " << found[j].second;
            DestroyWindow(main);
            main = nullptr;
        }
    }
}

// The focus must show where the arrow keys put it: from every control that
// takes it, each arrow key leaves it on a control that takes the focus (a
// tab stop), never on a static or a frame, which would not show it.
TEST_F(MainDialog, ArrowKeysKeepTheFocusWhereItShows)
{
    BoxAnswerer boxes;
    Open();
    ShowWindow(main, SW_SHOW);
    for (int tab : {IDC_TAB_CONVERTER, IDC_TAB_ABOUT, IDC_TAB_LANGUAGE, IDC_TAB_EXTRAS}) {
        ClickTab(tab);
        std::vector<HWND> stops;
        for (HWND dialog : {g_pageDialog, main})
            for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
                 control = GetWindow(control, GW_HWNDNEXT))
                if ((GetWindowLongA(control, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) ==
                    (WS_TABSTOP | WS_VISIBLE))
                    stops.push_back(control);
        for (HWND stop : stops) {
            for (WPARAM key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) {
                SCOPED_TRACE("page of tab " + std::to_string(tab) + ", control " +
                             std::to_string(GetDlgCtrlID(stop)) + ", key " + std::to_string(key));
                SendMessageA(main, WM_NEXTDLGCTL, (WPARAM)stop, TRUE);
                ASSERT_EQ(stop, GetFocus());
                MSG press = {stop, WM_KEYDOWN, key, 1, 0, {0, 0}};
                IsDialogMessageW(main, &press);
                HWND focus = GetFocus();
                ASSERT_NE(nullptr, focus);
                EXPECT_EQ(WS_TABSTOP | WS_VISIBLE, GetWindowLongA(focus, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE))
                    << "the focus went to control " << GetDlgCtrlID(focus);
            }
        }
    }
    EXPECT_EQ(0u, boxes.Count());
}
