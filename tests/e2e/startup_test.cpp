// The real program from outside: start-up, the main dialog, pages, language and
// the settings file it leaves, as a user meets them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/support/png.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

static const int kAllTabs[] = {IDC_TAB_CONVERTER, IDC_TAB_CPU, IDC_TAB_FPU,
                               IDC_TAB_LANGUAGE, IDC_TAB_ABOUT, IDC_TAB_EXTRAS};
typedef std::vector<std::string> Texts;

// Watches the owner window from its creation to the program's end: sampled
// every few milliseconds on a thread of its own, since the show events of
// another process do not reach this one here.
class COwnerWatch {
public:
    explicit COwnerWatch(CProgramDriver& program) : m_program(program)
    {
        m_thread = std::thread([this] { Loop(); });
    }
    ~COwnerWatch() { Stop(); }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    HWND Owner() const { return m_owner; }
    int Samples() const { return m_samples; }
    bool EverVisible() const { return m_visible; }

private:
    void Loop()
    {
        while (!m_stop) {
            if (!m_owner)
                m_owner = m_program.OwnerWindow();
            if (m_owner) {
                if (GetWindowLongA(m_owner, GWL_STYLE) & WS_VISIBLE)
                    m_visible = true;
                ++m_samples;
            }
            Sleep(2);
        }
    }
    CProgramDriver& m_program;
    std::atomic<HWND> m_owner{nullptr};
    std::atomic<int> m_samples{0};
    std::atomic<bool> m_visible{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class ProgramWindow : public testing::Test {
protected:
    void SetUp() override { DeleteSettingsFile(); }
    void TearDown() override
    {
        program.Kill();
        DeleteSettingsFile();
    }
    // Starts the program and waits for its main dialog.
    HWND Launch(const std::string& arguments = std::string())
    {
        if (!program.Start(arguments))
            return nullptr;
        return program.WaitForMainDialog();
    }
    // Ends the program with "&ESC" and returns its exit code.
    DWORD Escape()
    {
        DWORD code = 12345;
        EXPECT_TRUE(program.Click(program.MainDialog(), IDCANCEL));
        EXPECT_TRUE(program.WaitForExit(15000, &code)) << "the program did not end";
        return code;
    }
    void ExpectTabsReleased()
    {
        for (int id : kAllTabs)
            EXPECT_EQ(BST_UNCHECKED, program.Checked(id)) << "tab " << id;
    }
    void ExpectHiddenTabsHidden(HWND main)
    {
        for (int id : {IDC_TAB_CPU, IDC_TAB_FPU}) {
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, id))) << "tab " << id;
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, id))) << "tab " << id;
        }
    }

    CProgramDriver program;
};

// The platform's own exit code for "&ESC": the cancel path posts -100, the
// start-up posts 0 after the dialog has ended; the later request wins here.
static const DWORD kEscapeExitCode = 0;

TEST_F(ProgramWindow, FirstStartWithoutSettingsFile)
{
    ASSERT_FALSE(SettingsFileExists());
    ASSERT_TRUE(program.Start());
    COwnerWatch watch(program);
    HWND main = program.WaitForMainDialog();
    ASSERT_NE(nullptr, main);
    HWND page = program.WaitForPage(IDC_ENGLISH);
    ASSERT_NE(nullptr, page) << "the language page comes first";
    EXPECT_EQ("English", program.PageText(IDC_ENGLISH));
    EXPECT_EQ("Deutsch", program.PageText(IDC_DEUTSCH));

    EXPECT_EQ(kMainCaption, WindowText(main));
    EXPECT_EQ("4", ProgramSetting("Starte mit"));
    EXPECT_EQ("<absent>", ProgramSetting("m_lang_id"));
    EXPECT_EQ("&Sprache", program.MainText(IDC_TAB_LANGUAGE));
    EXPECT_EQ("&Mehr", program.MainText(IDC_TAB_EXTRAS));
    EXPECT_EQ("Ka&vonix", program.MainText(IDC_TAB_CONVERTER));
    EXPECT_EQ("&Info", program.MainText(IDC_TAB_ABOUT));
    EXPECT_EQ("&ESC", program.MainText(IDCANCEL));
    ExpectTabsReleased();
    ExpectHiddenTabsHidden(main);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, IDC_PAGE_PLACEHOLDER)));

    // The owner stays hidden; the main dialog has a taskbar button of its own.
    HWND owner = program.OwnerWindow();
    ASSERT_NE(nullptr, owner);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_EQ(owner, GetWindow(main, GW_OWNER));
    EXPECT_EQ((LONG)WS_EX_APPWINDOW, GetWindowLongA(main, GWL_EXSTYLE) & ~(LONG)WS_EX_WINDOWEDGE);
    EXPECT_EQ((LONG)WS_EX_CONTROLPARENT, GetWindowLongA(page, GWL_EXSTYLE));

    program.ClickTab(IDC_TAB_ABOUT);
    program.ClickTab(IDC_TAB_CONVERTER);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_TRUE(program.Boxes().Seen().empty());

    EXPECT_EQ(kEscapeExitCode, Escape());
    watch.Stop();
    EXPECT_EQ(owner, watch.Owner());
    EXPECT_GT(watch.Samples(), 100);
    EXPECT_FALSE(watch.EverVisible()) << "the owner window was shown";
    EXPECT_EQ("<absent>", ProgramSetting("m_lang_id")) << "no language button was pressed";
}

TEST_F(ProgramWindow, LanguageButtonsSwitchAtOnceAndPersist)
{
    ASSERT_NE(nullptr, Launch());
    ASSERT_NE(nullptr, program.WaitForPage(IDC_ENGLISH));

    program.ClickPage(IDC_ENGLISH);
    EXPECT_TRUE(WaitUntil([&] { return program.MainText(IDC_TAB_EXTRAS) == "&More"; }, 5000));
    EXPECT_EQ("&Language", program.MainText(IDC_TAB_LANGUAGE));
    EXPECT_EQ("1", ProgramSetting("m_lang_id"));
    EXPECT_EQ(kMainCaption, WindowText(program.MainDialog()));

    program.ClickPage(IDC_DEUTSCH);
    EXPECT_TRUE(WaitUntil([&] { return program.MainText(IDC_TAB_EXTRAS) == "&Mehr"; }, 5000));
    EXPECT_EQ("&Sprache", program.MainText(IDC_TAB_LANGUAGE));
    EXPECT_EQ("0", ProgramSetting("m_lang_id"));

    program.ClickPage(IDC_ENGLISH);
    EXPECT_TRUE(WaitUntil([&] { return ProgramSetting("m_lang_id") == "1"; }, 5000));
    ASSERT_TRUE(program.ClickTab(IDC_TAB_CONVERTER));
    ASSERT_NE(nullptr, program.WaitForPage(IDC_CONVERT));
    EXPECT_EQ("&Convert", program.PageText(IDC_CONVERT));
    EXPECT_EQ("&Source : ", program.PageText(IDC_SOURCE_LABEL));
    EXPECT_EQ("&Target : ", program.PageText(IDC_TARGET_LABEL));
    ASSERT_TRUE(program.ClickTab(IDC_TAB_ABOUT));
    ASSERT_NE(nullptr, program.WaitForPage(IDC_LINK));
    EXPECT_EQ("5", ProgramSetting("Starte mit"));
    Escape();

    // The next start brings back the language and the last page.
    ASSERT_NE(nullptr, Launch());
    EXPECT_NE(nullptr, program.WaitForPage(IDC_LINK)) << "the about page again";
    EXPECT_EQ("&Language", program.MainText(IDC_TAB_LANGUAGE));
    EXPECT_EQ("&More", program.MainText(IDC_TAB_EXTRAS));
    ExpectTabsReleased();
    EXPECT_EQ("1", ProgramSetting("m_lang_id"));
    EXPECT_EQ("5", ProgramSetting("Starte mit"));
    EXPECT_TRUE(program.Boxes().Seen().empty());
}

TEST_F(ProgramWindow, StoredStartPage)
{
    const struct {
        const char* stored;
        int pageControl;       // a control of the page expected, 0 for none
        Texts boxes;           // the message boxes, in order
        const char* written;   // "Starte mit" afterwards
    } cases[] = {
        {"0", IDC_CONVERT, {}, "0"},
        {"1", IDC_ENGLISH, {}, "1"},
        {"2", 0, {"ERROR", "ERROR 1"}, "2"},
        {"3", 0, {"ERROR", "ERROR 1"}, "3"},
        {"7", 0, {"ERROR 1"}, "7"},
        {"", IDC_ENGLISH, {}, "4"},
        {"abc", IDC_CONVERT, {}, "0"},
        {"6", IDC_RECOMMEND, {}, "6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("Starte mit=\"") + c.stored + "\"");
        WriteProgramSettings(c.stored, nullptr);
        std::string before = ReadSettingsText();
        HWND main = Launch();
        ASSERT_NE(nullptr, main);
        // Boxes of the start are answered before the main dialog shows.
        EXPECT_EQ(c.boxes, program.BoxTexts());
        for (const SeenBox& box : program.Boxes().Seen())
            EXPECT_EQ(nullptr, box.owner) << box.text;
        if (c.pageControl) {
            EXPECT_NE(nullptr, program.WaitForPage(c.pageControl));
        } else {
            EXPECT_EQ(nullptr, program.Page());
        }
        EXPECT_EQ(c.written, ProgramSetting("Starte mit"));
        if (std::string(c.stored) == "7") {
            EXPECT_EQ(before, ReadSettingsText()) << "nothing is written";
        }
        ExpectTabsReleased();
        ExpectHiddenTabsHidden(main);

        if (!c.pageControl) {
            // A tab click then shows a page as usual.
            ASSERT_TRUE(program.ClickTab(IDC_TAB_ABOUT));
            EXPECT_NE(nullptr, program.WaitForPage(IDC_LINK));
            EXPECT_EQ("5", ProgramSetting("Starte mit"));
            EXPECT_EQ(c.boxes.size(), program.Boxes().Count());
        }
        Escape();
    }
}

TEST_F(ProgramWindow, NegativeStartPageEndsTheProgramAtOnce)
{
    WriteProgramSettings("-1", "1");
    std::string before = ReadSettingsText();
    ASSERT_TRUE(program.Start());
    DWORD code = 12345;
    ASSERT_TRUE(program.WaitForExit(15000, &code));
    EXPECT_EQ(0u, code);
    // "ERROR 1" is shown, but the quit request posted before may end it at once.
    Texts boxes = program.BoxTexts();
    EXPECT_TRUE(boxes.empty() || boxes == Texts({"ERROR 1"})) << boxes.size() << " boxes";
    EXPECT_EQ(before, ReadSettingsText()) << "the value stays negative";
}

TEST_F(ProgramWindow, StoredLanguage)
{
    const struct {
        const char* stored;
        bool english;
    } cases[] = {{"2", true}, {"-1", true}, {"xyz", false}, {"1", true}, {"0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("m_lang_id=\"") + c.stored + "\"");
        WriteProgramSettings("0", c.stored);
        ASSERT_NE(nullptr, Launch());
        ASSERT_NE(nullptr, program.WaitForPage(IDC_CONVERT));
        EXPECT_EQ(c.english ? "&Language" : "&Sprache", program.MainText(IDC_TAB_LANGUAGE));
        EXPECT_EQ(c.english ? "&More" : "&Mehr", program.MainText(IDC_TAB_EXTRAS));
        EXPECT_EQ(c.english ? "&Convert" : "&Konvertieren", program.PageText(IDC_CONVERT));
        EXPECT_EQ(c.english ? "&Source : " : "&Quele : ", program.PageText(IDC_SOURCE_LABEL));
        EXPECT_EQ(c.english ? "&Target : " : "&Ziel : ", program.PageText(IDC_TARGET_LABEL));
        EXPECT_EQ(kMainCaption, WindowText(program.MainDialog()));
        EXPECT_EQ(c.stored, ProgramSetting("m_lang_id")) << "loading writes nothing";
        EXPECT_TRUE(program.Boxes().Seen().empty());
        Escape();
    }
}

TEST_F(ProgramWindow, PagesSitOnThePlaceholderAndOneTabIsPressed)
{
    HWND main = Launch();
    ASSERT_NE(nullptr, main);
    RECT placeholder, firstTab;
    GetWindowRect(GetDlgItem(main, IDC_PAGE_PLACEHOLDER), &placeholder);
    GetWindowRect(GetDlgItem(main, IDC_TAB_CONVERTER), &firstTab);
    ASSERT_EQ(firstTab.left, placeholder.left) << "both at 13 dialog units";
    ASSERT_GT(placeholder.top, firstTab.bottom);

    const struct {
        int tab;
        int control;
    } tabs[] = {{IDC_TAB_EXTRAS, IDC_RECOMMEND}, {IDC_TAB_CONVERTER, IDC_CONVERT},
                {IDC_TAB_ABOUT, IDC_LINK},       {IDC_TAB_LANGUAGE, IDC_ENGLISH},
                {IDC_TAB_LANGUAGE, IDC_ENGLISH}, {IDC_TAB_EXTRAS, IDC_RECOMMEND}};
    for (const auto& t : tabs) {
        SCOPED_TRACE("tab " + std::to_string(t.tab));
        HWND before = program.Page();
        ASSERT_TRUE(program.ClickTab(t.tab));
        HWND page = program.WaitForPage(t.control);
        ASSERT_NE(nullptr, page);
        EXPECT_NE(before, page) << "a click builds the page anew";
        EXPECT_FALSE(IsWindowVisible(before));
        RECT r;
        GetWindowRect(page, &r);
        EXPECT_EQ(placeholder.left, r.left);
        EXPECT_EQ(placeholder.top, r.top);
        for (int id : kAllTabs)
            EXPECT_EQ(id == t.tab ? BST_CHECKED : BST_UNCHECKED, program.Checked(id)) << "tab " << id;
        ExpectHiddenTabsHidden(main);
    }
    // Nothing of the hidden tabs is on screen to click: the point where each
    // lies belongs to another window.
    for (int id : {IDC_TAB_CPU, IDC_TAB_FPU}) {
        HWND button = GetDlgItem(main, id);
        RECT r;
        GetWindowRect(button, &r);
        POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        EXPECT_NE(button, WindowFromPoint(centre)) << "tab " << id;
    }
    EXPECT_EQ("6", ProgramSetting("Starte mit"));
    EXPECT_TRUE(program.Boxes().Seen().empty());
}

TEST_F(ProgramWindow, CommandLineIsShownAndOtherwiseIgnored)
{
    WriteProgramSettings("0", nullptr);
    std::string source = TestDir("startup") + "disc.bin";
    ASSERT_TRUE(WriteImage(source, kImageMode1, 4));
    HWND main = Launch("\"" + source + "\"");
    ASSERT_NE(nullptr, main);
    std::vector<SeenBox> seen = program.Boxes().Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("\"" + source + "\"", seen[0].text);
    EXPECT_EQ(nullptr, seen[0].owner);
    EXPECT_FALSE(seen[0].caption.empty()) << "the platform's default caption";
    ASSERT_NE(nullptr, program.WaitForPage(IDC_CONVERT));
    EXPECT_EQ("", program.PageText(IDC_SOURCE_EDIT)) << "the argument is not a source";
    EXPECT_EQ("", program.PageText(IDC_TARGET_EDIT));
    EXPECT_EQ(kEscapeExitCode, Escape());

    ASSERT_NE(nullptr, Launch("one  two"));
    ASSERT_EQ(1u, program.Boxes().Count());
    EXPECT_EQ("one  two", program.Boxes().Seen()[0].text);
    Escape();
}

TEST_F(ProgramWindow, WaysOfEnding)
{
    const struct {
        const char* what;
        bool onPage;
        int command;
        DWORD exitCode;
    } cases[] = {
        {"Escape key / close box", false, IDCANCEL, kEscapeExitCode},
        {"IDOK of the main dialog", false, IDOK, 0},
        {"44444", false, IDC_QUIT_ALL, 0},
        {"Enter on the page", true, IDOK, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HWND main = Launch();
        ASSERT_NE(nullptr, main);
        HWND page = program.WaitForPage(IDC_ENGLISH);
        ASSERT_NE(nullptr, page);
        program.Command(c.onPage ? page : main, c.command);
        DWORD code = 12345;
        ASSERT_TRUE(program.WaitForExit(15000, &code));
        EXPECT_EQ(c.exitCode, code);
        EXPECT_TRUE(program.Boxes().Seen().empty());
    }
    // The close box sends the same command as "&ESC".
    ASSERT_NE(nullptr, Launch());
    PostMessageA(program.MainDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 12345;
    ASSERT_TRUE(program.WaitForExit(15000, &code));
    EXPECT_EQ(kEscapeExitCode, code);
}

TEST_F(ProgramWindow, ScreenshotOfEveryPage)
{
    ASSERT_NE(nullptr, Launch());
    ASSERT_NE(nullptr, program.WaitForPage(IDC_ENGLISH));
    const struct {
        int tab;
        int control;
        const char* file;
    } pages[] = {
        {IDC_TAB_CONVERTER, IDC_CONVERT, "page-0-converter.png"},
        {IDC_TAB_LANGUAGE, IDC_ENGLISH, "page-4-language.png"},
        {IDC_TAB_ABOUT, IDC_LINK, "page-5-about.png"},
        {IDC_TAB_EXTRAS, IDC_RECOMMEND, "page-6-extras.png"},
    };
    for (const auto& p : pages) {
        ASSERT_TRUE(program.ClickTab(p.tab));
        ASSERT_NE(nullptr, program.WaitForPage(p.control));
        EXPECT_TRUE(program.Screenshot(p.file)) << p.file;
        EXPECT_GT(FileSize(ScreenshotDir() + p.file), 100000) << p.file;
    }
    program.ClickTab(IDC_TAB_LANGUAGE);
    program.WaitForPage(IDC_ENGLISH);
    program.ClickPage(IDC_ENGLISH);
    WaitUntil([&] { return program.MainText(IDC_TAB_EXTRAS) == "&More"; }, 5000);
    program.ClickTab(IDC_TAB_CONVERTER);
    ASSERT_NE(nullptr, program.WaitForPage(IDC_CONVERT));
    EXPECT_TRUE(program.Screenshot("page-0-converter-english.png"));
    printf("screenshots: %s\n", ScreenshotDir().c_str());
    Escape();
}
