// The about and extras pages of the real program from outside: the link's
// first colour, the mails as the recording MAPI32.DLL in the system folder gets
// them (never one beside the program), no mail client at all, and the freeware
// page in the browser.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/browser/browserlog.h"
#include "tests/e2e/driver.h"
#include "tests/mapi/record.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

namespace {

const char kEnglishBody[] =
    "Hello,\r\n\r\nI found Kavonix \r\n\r\n.....................................\r\n\r\n"
    "website: http://www.kavonix.example/?site=Freeware&SID=Kavonix&language=english\r\n"
    "download: http://www.kavonix.example/?Download=Kavonix\r\n";
const char kGermanBody[] =
    "Hallo,\r\n\r\nVor kurzem habe ich Kavonix gefunden . \r\n\r\n.....................................\r\n\r\n"
    "\nWebseite: http://www.kavonix.example/de/?site=Freeware&SID=Kavonix\r\n"
    "Download Link: http://www.kavonix.example/de/?Download=Kavonix\r\n";

// A MAPI32.DLL beside the program, as a download folder may hold one: the
// recording one, which tells where it was loaded from.
bool PlantMapiBesideProgram()
{
    std::string beside = BuildDirWindows() + "MAPI32.dll";
    return CopyFileA(BuiltMapiPath().c_str(), beside.c_str(), FALSE) != FALSE;
}

int CountScreenPixels(HWND window, COLORREF color)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            count += GetPixel(screen, x, y) == color ? 1 : 0;
    ReleaseDC(nullptr, screen);
    return count;
}

}  // namespace

TEST(ExtrasProgram, LinkStartsInItsFirstColour)
{
    WriteProgramSettings("5", "0");
    CProgramDriver program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(nullptr, program.WaitForMainDialog());
    HWND page = program.WaitForPage(IDC_LINK);
    ASSERT_NE(nullptr, page);
    HWND link = GetDlgItem(page, IDC_LINK);
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(link, RGB(0, 0, 155)) > 0; }, 5000));
    EXPECT_EQ(0, CountScreenPixels(link, RGB(0, 0, 255)));

    RECT rect = {};
    GetWindowRect(link, &rect);
    POINT blank = {rect.right - 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(page, &blank);
    PostMessageA(page, WM_MOUSEMOVE, 0, MAKELPARAM(blank.x, blank.y));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(link, RGB(0, 0, 255)) > 0; }, 5000));
    EXPECT_EQ(0, CountScreenPixels(link, RGB(0, 0, 155)));
    PostMessageA(page, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(link, RGB(0, 0, 128)) > 0; }, 5000));
    EXPECT_TRUE(program.BoxTexts().empty());
}

// Wine's loader takes the override from the Unix environment the program
// starts with, so CTest runs this case on its own with "mapi32=n" there.
TEST(ExtrasMail, MailsReachTheMailClient)
{
    ASSERT_TRUE(InstallRecordingMapi());
    ASSERT_TRUE(PlantMapiBesideProgram());
    MapiLog log(TestDir("e2e_mail") + "mapi.log");
    WriteProgramSettings("6", "1");
    CProgramDriver program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainDialog();
    ASSERT_NE(nullptr, main);
    ASSERT_NE(nullptr, program.WaitForPage(IDC_RECOMMEND));
    EXPECT_EQ("Recommend Kavonix", program.PageText(IDC_RECOMMEND));

    program.ClickPage(IDC_RECOMMEND);
    ASSERT_TRUE(WaitUntil([&] { return log.Calls().size() == 1; }, 10000));
    program.ClickPage(IDC_SEND_PROGRAM);
    ASSERT_TRUE(WaitUntil([&] { return log.Calls().size() == 2; }, 10000));
    std::vector<MapiCall> calls = log.Calls();
    EXPECT_EQ("Juhuuuu I found  Kavonix", calls[0].Get("subject"));
    EXPECT_EQ(kEnglishBody, calls[0].Get("note"));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(main), calls[0].Number("ui"));
    // MAPI_LOGON_UI | MAPI_DIALOG, and Unicode insisted on.
    EXPECT_EQ(0x40009u, calls[0].Number("flags"));
    EXPECT_EQ(0u, calls[0].Number("recipCount"));
    EXPECT_EQ(0u, calls[0].Number("fileCount"));
    EXPECT_EQ(1u, calls[1].Number("fileCount"));
    std::string path = calls[1].Get("file.path");
    EXPECT_EQ(path, calls[1].Get("file.name"));
    EXPECT_EQ(0, lstrcmpiA(ProgramPath().c_str(), path.c_str())) << path;

    // Another language, chosen on the language page, then the extras page again.
    ASSERT_TRUE(program.ClickTab(IDC_TAB_LANGUAGE));
    program.ClickPage(IDC_DEUTSCH);
    ASSERT_TRUE(WaitUntil([&] { return program.MainText(IDC_TAB_EXTRAS) == "&Mehr"; }, 5000));
    ASSERT_TRUE(program.ClickTab(IDC_TAB_EXTRAS));
    EXPECT_EQ("Programm empfehlen", program.PageText(IDC_RECOMMEND));
    EXPECT_EQ("Programm per E-mail verschicken", program.PageText(IDC_SEND_PROGRAM));
    EXPECT_EQ("Ich will mehr Freeware", program.PageText(IDC_MORE_FREEWARE));
    program.ClickPage(IDC_RECOMMEND);
    ASSERT_TRUE(WaitUntil([&] { return log.Calls().size() == 3; }, 10000));
    EXPECT_EQ("Empfehlung f\xFC" "r Kavonix", log.Calls()[2].Get("subject"));
    EXPECT_EQ(kGermanBody, log.Calls()[2].Get("note"));

    // A client that fails: nothing shown, the program goes on.
    log.Answer(2);
    program.ClickPage(IDC_RECOMMEND);
    ASSERT_TRUE(WaitUntil([&] { return log.Calls().size() == 4; }, 10000));
    EXPECT_TRUE(program.ClickTab(IDC_TAB_ABOUT));
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(program.BoxTexts().empty());

    // Every call reached the system folder's library, none the planted one.
    for (const MapiCall& call : log.Calls())
        EXPECT_STRCASEEQ(SystemMapiPath().c_str(), call.Get("module").c_str());
}

// A client without MAPISendMailW (Windows XP to 7) opens the attachment by an
// ANSI path. The program in a folder named in Greek and Japanese, which the
// code page cannot spell: the path handed over, also as the display name,
// opens the program file, and holds no look-alike or "?".
TEST(ExtrasMail, ProgramOutsideTheCodePageReachesAnAnsiClient)
{
    std::wstring folder = Wide(TestDir("e2e_mail_foreign")) + L"\x0394\x03AF\x03C3\x03BA\x03BF\x03C2 \x97F3\x697D\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring copy = folder + L"kavonix.exe";
    ASSERT_TRUE(CopyFileW(Wide(ProgramPath()).c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuiltAnsiMapiPath().c_str(), SystemMapiPath().c_str(), FALSE));
    MapiLog log(TestDir("e2e_mail_ansi") + "mapi.log");
    WriteProgramSettings("6", "1");
    CProgramDriver program;
    ASSERT_TRUE(program.StartCopy(copy));
    ASSERT_NE(nullptr, program.WaitForMainDialog());
    ASSERT_NE(nullptr, program.WaitForPage(IDC_SEND_PROGRAM));
    program.ClickPage(IDC_SEND_PROGRAM);
    bool called = WaitUntil([&] { return log.Calls().size() == 1; }, 10000);
    EXPECT_TRUE(program.ClickTab(IDC_TAB_ABOUT));
    program.Kill();
    EXPECT_TRUE(InstallRecordingMapi());
    ASSERT_TRUE(called);
    MapiCall call = log.Calls()[0];
    EXPECT_EQ(0u, call.Number("wide"));
    EXPECT_EQ(1u, call.Number("fileCount"));
    std::string path = call.Get("file.path");
    EXPECT_EQ(path, call.Get("file.name"));
    EXPECT_EQ(std::string::npos, path.find('?')) << path;
    EXPECT_EQ(ReadFileBytes(std::string(ProgramPath())), ReadFileBytes(path)) << path;
    EXPECT_TRUE(program.BoxTexts().empty());
}

// Run by CTest on its own with "mapi32=" (no such library at all) in the
// environment the program starts with: no MAPI32.DLL in the system folder, and
// the recording one beside the program is not taken either.
TEST(ExtrasNoMail, WithoutAMailClientNothingHappens)
{
    ASSERT_TRUE(RemoveSystemMapi());
    ASSERT_TRUE(PlantMapiBesideProgram());
    // The same environment as the program's: no library of that name loads.
    HMODULE mapi = LoadLibraryA("MAPI32.DLL");
    EXPECT_EQ(nullptr, mapi);
    if (mapi)
        FreeLibrary(mapi);
    MapiLog log(TestDir("e2e_no_mapi") + "mapi.log");
    WriteProgramSettings("6", "0");
    CProgramDriver program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(nullptr, program.WaitForMainDialog());
    ASSERT_NE(nullptr, program.WaitForPage(IDC_RECOMMEND));
    program.ClickPage(IDC_RECOMMEND);
    program.ClickPage(IDC_SEND_PROGRAM);
    // The page answers again once both commands are through.
    EXPECT_TRUE(program.ClickTab(IDC_TAB_ABOUT));
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(log.Calls().empty());
    EXPECT_TRUE(program.BoxTexts().empty());
}

TEST(ExtrasProgram, FreewarePageFromButtonAndLink)
{
    BrowserLog browser("e2e_browser");
    WriteProgramSettings("6", "1");
    CProgramDriver program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(nullptr, program.WaitForMainDialog());
    ASSERT_NE(nullptr, program.WaitForPage(IDC_MORE_FREEWARE));
    program.ClickPage(IDC_MORE_FREEWARE);
    ASSERT_TRUE(browser.WaitForLines(1, 20000));

    ASSERT_TRUE(program.ClickTab(IDC_TAB_ABOUT));
    HWND page = program.Page();
    HWND link = GetDlgItem(page, IDC_LINK);
    ASSERT_NE(nullptr, link);
    RECT rect = {};
    GetWindowRect(link, &rect);
    POINT outside = {rect.right, (rect.top + rect.bottom) / 2};
    POINT blank = {rect.right - 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(page, &outside);
    ScreenToClient(page, &blank);
    PostMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(outside.x, outside.y));
    PostMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(blank.x, blank.y));
    ASSERT_TRUE(browser.WaitForLines(2, 20000));
    EXPECT_FALSE(browser.WaitForLines(3, 1500));
    std::vector<std::string> expected(2, "http://www.kavonix.example/?seite=freeware&SID=KAVONIX");
    EXPECT_EQ(expected, browser.Lines());
}
