// The real program by keyboard alone, typed from outside as a keyboard types
// (SendInput): Tab and Shift+Tab round every page, the mnemonics of the tab
// row, Enter on a tab button, the link opened by Enter and by Space, Enter in
// the converter's fields, and Escape. In both languages.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/browser/browserlog.h"
#include "tests/e2e/driver.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

namespace {

typedef std::vector<std::string> Stops;

const char kGermanFreewarePage[] = "http://www.kavonix.example/de/?seite=freeware&SID=KAVONIX";
const char kEnglishFreewarePage[] = "http://www.kavonix.example/?seite=freeware&SID=KAVONIX";

// The Tab order of a page: its own stops, then the tab row from left to
// right, then "&ESC"; each as "page <id>" or "main <id>".
Stops TabOrder(std::initializer_list<int> pageStops)
{
    Stops order;
    for (int id : pageStops)
        order.push_back("page " + std::to_string(id));
    for (int id : {IDC_TAB_CONVERTER, IDC_TAB_ABOUT, IDC_TAB_LANGUAGE, IDC_TAB_EXTRAS, IDCANCEL})
        order.push_back("main " + std::to_string(id));
    return order;
}

struct PageKeys {
    const char* name;
    WORD germanMnemonic;
    WORD englishMnemonic;
    int pageControl;  // a control only that page has
    Stops order;
};

const PageKeys kPages[] = {
    {"about", 'I', 'I', IDC_LINK, TabOrder({IDC_LINK})},
    {"language", 'S', 'L', IDC_ENGLISH, TabOrder({IDC_ENGLISH, IDC_DEUTSCH})},
    {"extras", 'M', 'M', IDC_RECOMMEND, TabOrder({IDC_RECOMMEND, IDC_SEND_PROGRAM, IDC_MORE_FREEWARE})},
    {"converter", 'V', 'V', IDC_CONVERT,
     TabOrder({IDC_SOURCE_EDIT, IDC_SOURCE_BROWSE, IDC_TARGET_EDIT, IDC_TARGET_BROWSE, IDC_CONVERT})},
};

class ProgramKeyboard : public testing::Test {
protected:
    void TearDown() override
    {
        program.Kill();
        DeleteSettingsFile();
    }
    // Starts on page `page` in the language `english`, with the focus placed.
    bool Launch(const char* page, int english)
    {
        WriteProgramSettings(page, english ? "1" : "0");
        return program.Start() && program.WaitForMainDialog() &&
               WaitUntil([&] { return program.Focus() != nullptr; }, 10000);
    }
    std::string Where(HWND control)
    {
        HWND main = program.MainDialog();
        if (control == nullptr || main == nullptr)
            return "nowhere";
        HWND parent = GetParent(control);
        std::string id = std::to_string(GetDlgCtrlID(control));
        if (parent == main)
            return "main " + id;
        if (parent == program.Page())
            return "page " + id;
        char className[64] = "";
        GetClassNameA(control, className, sizeof(className));
        return std::string("elsewhere ") + className + " " + id;
    }
    std::string FocusNow() { return Where(program.Focus()); }
    // Presses a key and waits until the focus has moved; where it went.
    std::string Press(WORD key, bool shift = false, bool alt = false)
    {
        std::string before = FocusNow();
        EXPECT_TRUE(program.PressKey(key, shift, alt));
        std::string after = before;
        WaitUntil([&] { return (after = FocusNow()) != before; }, 3000);
        return after;
    }
    // One round of Tab (or Shift+Tab) from the first stop of `order`, where
    // the focus is: every stop once, in order, and back to the first.
    void ExpectRound(const Stops& order, bool back)
    {
        ASSERT_EQ(order[0], FocusNow());
        Stops expected;
        Stops visited;
        for (size_t i = 1; i <= order.size(); ++i) {
            size_t next = back ? (order.size() - i) % order.size() : i % order.size();
            expected.push_back(order[next]);
            visited.push_back(Press(VK_TAB, back));
        }
        EXPECT_EQ(expected, visited) << (back ? "Shift+Tab" : "Tab");
    }
    // Presses Tab until the focus is on `stop`; false when a round passed without it.
    bool TabTo(const std::string& stop)
    {
        for (int press = 0; press < 12 && FocusNow() != stop; ++press)
            Press(VK_TAB);
        return FocusNow() == stop;
    }
    void ExpectStillRunning()
    {
        EXPECT_TRUE(program.Running());
        EXPECT_NE(nullptr, program.MainDialog());
    }
    // Escape ends the program, wherever the focus is.
    void ExpectEscapeEnds()
    {
        ASSERT_TRUE(program.PressKey(VK_ESCAPE));
        DWORD code = 12345;
        EXPECT_TRUE(program.WaitForExit(15000, &code));
        EXPECT_EQ(0u, code);
    }

    CProgramDriver program;
};

}  // namespace

// From the start on the converter page: a round each way; then each page by
// its mnemonic, the focus on its first control, a round each way there too
// (the tab marked pressed keeps every other tab button a tab stop).
TEST_F(ProgramKeyboard, TabRoundsAndMnemonicsOnEveryPage)
{
    for (int english = 0; english < 2; ++english) {
        SCOPED_TRACE(english ? "English" : "German");
        ASSERT_TRUE(Launch("0", english));
        ASSERT_NE(nullptr, program.WaitForPage(IDC_CONVERT));
        const Stops converterOrder = kPages[3].order;
        EXPECT_EQ(converterOrder[0], FocusNow()) << "the focus starts in the source field";
        ExpectRound(converterOrder, false);
        ExpectRound(converterOrder, true);
        for (const PageKeys& page : kPages) {
            SCOPED_TRACE(page.name);
            HWND before = program.Page();
            program.PressKey(english ? page.englishMnemonic : page.germanMnemonic, false, true);
            ASSERT_TRUE(WaitUntil([&] {
                return program.Page() != before && program.WaitForPage(page.pageControl, 100) != nullptr;
            }, 10000)) << "Alt+" << (char)(english ? page.englishMnemonic : page.germanMnemonic);
            ASSERT_TRUE(WaitUntil([&] { return FocusNow() == page.order[0]; }, 5000)) << FocusNow();
            ExpectRound(page.order, false);
            ExpectRound(page.order, true);
        }
        EXPECT_TRUE(program.Boxes().Seen().empty());
        ExpectEscapeEnds();
    }
}

// Enter on a focused tab button opens its page, as Space does; it never ends
// the program.
TEST_F(ProgramKeyboard, EnterOnATabButtonOpensItsPage)
{
    ASSERT_TRUE(Launch("0", 0));
    ASSERT_NE(nullptr, program.WaitForPage(IDC_CONVERT));
    ASSERT_TRUE(TabTo("main " + std::to_string(IDC_TAB_ABOUT)));
    ASSERT_TRUE(program.PressKey(VK_RETURN));
    EXPECT_NE(nullptr, program.WaitForPage(IDC_LINK));
    Sleep(500);
    ExpectStillRunning();
    ASSERT_TRUE(WaitUntil([&] { return FocusNow() == "page " + std::to_string(IDC_LINK); }, 5000));
    ASSERT_TRUE(TabTo("main " + std::to_string(IDC_TAB_LANGUAGE)));
    ASSERT_TRUE(program.PressKey(VK_SPACE));
    EXPECT_NE(nullptr, program.WaitForPage(IDC_ENGLISH));
    ExpectStillRunning();
    ExpectEscapeEnds();
}

// The link takes the focus as the about page opens; Enter and Space each open
// the freeware page once, a click would.
TEST_F(ProgramKeyboard, EnterAndSpaceOnTheLinkOpenTheFreewarePage)
{
    BrowserLog browser("e2e_keyboard_link");
    for (int english = 0; english < 2; ++english) {
        SCOPED_TRACE(english ? "English" : "German");
        const char* page = english ? kEnglishFreewarePage : kGermanFreewarePage;
        size_t lines = browser.Lines().size();
        ASSERT_TRUE(Launch("5", english));
        ASSERT_NE(nullptr, program.WaitForPage(IDC_LINK));
        ASSERT_TRUE(WaitUntil([&] { return FocusNow() == "page " + std::to_string(IDC_LINK); }, 5000));
        ASSERT_TRUE(program.PressKey(VK_RETURN));
        ASSERT_TRUE(browser.WaitForLines(lines + 1, 20000)) << "Enter opened nothing";
        ASSERT_TRUE(program.PressKey(VK_SPACE));
        ASSERT_TRUE(browser.WaitForLines(lines + 2, 20000)) << "Space opened nothing";
        EXPECT_FALSE(browser.WaitForLines(lines + 3, 1500));
        std::vector<std::string> opened = browser.Lines();
        EXPECT_EQ(page, opened[lines]);
        EXPECT_EQ(page, opened[lines + 1]);
        ExpectStillRunning();
        EXPECT_TRUE(program.Boxes().Seen().empty());
        ExpectEscapeEnds();
    }
}

// Enter in either field presses Convert: the run converts, the program stays.
TEST_F(ProgramKeyboard, EnterInAFieldConvertsAndTheProgramStays)
{
    const uint32_t sectors = 3000;
    for (int english = 0; english < 2; ++english) {
        SCOPED_TRACE(english ? "English" : "German");
        std::string dir = TestDir(english ? "e2e enter english" : "e2e enter german");
        std::string image = dir + "disc.bin";
        std::string target = dir + "disc.iso";
        ASSERT_TRUE(WriteImage(image, kImageMode1, sectors));
        ASSERT_TRUE(Launch("0", english));
        ASSERT_NE(nullptr, program.WaitForPage(IDC_CONVERT));
        ASSERT_TRUE(program.SetText(program.Page(), IDC_SOURCE_EDIT, image));
        ASSERT_TRUE(program.SetText(program.Page(), IDC_TARGET_EDIT, target));
        const std::string finish = english ? "Finish" : "Erledigt";
        const std::string idle = english ? "&Convert" : "&Konvertieren";
        for (int field : {IDC_SOURCE_EDIT, IDC_TARGET_EDIT}) {
            SCOPED_TRACE("field " + std::to_string(field));
            DeleteFileA(target.c_str());
            program.SetText(program.Page(), IDC_STATUS_LINE, "");
            ASSERT_TRUE(TabTo("page " + std::to_string(field)));
            ASSERT_TRUE(program.PressKey(VK_RETURN));
            ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_STATUS_LINE).rfind(finish, 0) == 0; }, 60000))
                << "no run: " << program.PageText(IDC_STATUS_LINE);
            ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_CONVERT) == idle; }, 10000));
            EXPECT_TRUE(ReadFileBytes(target) == ExpectedIso(sectors));
            ExpectStillRunning();
        }
        EXPECT_TRUE(program.Boxes().Seen().empty()) << program.BoxTexts()[0];
        ExpectEscapeEnds();
    }
}
