// The extras page through the real main dialog and page procedure, and the
// recommendation mail as the recording MAPI32.DLL in the system folder gets it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extras/mail.h"
#include "tests/browser/browserlog.h"
#include "tests/mapi/record.h"
#include "tests/support/testfiles.h"
#include "tests/unit/pagewindow.h"

namespace {

const char kEnglishBody[] =
    "Hello,\r\n\r\nI found Kavonix \r\n\r\n.....................................\r\n\r\n"
    "website: http://www.kavonix.example/?site=Freeware&SID=Kavonix&language=english\r\n"
    "download: http://www.kavonix.example/?Download=Kavonix\r\n";
const char kGermanBody[] =
    "Hallo,\r\n\r\nVor kurzem habe ich Kavonix gefunden . \r\n\r\n.....................................\r\n\r\n"
    "\nWebseite: http://www.kavonix.example/de/?site=Freeware&SID=Kavonix\r\n"
    "Download Link: http://www.kavonix.example/de/?Download=Kavonix\r\n";
const char kEnglishSubject[] = "Juhuuuu I found  Kavonix";
const char kGermanSubject[] = "Empfehlung f\xFC" "r Kavonix";

// The mail client is in place before the first test: once loaded, it stays.
class CRecordingMapiInstalled : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(InstallRecordingMapi()) << SystemMapiPath(); }
};
testing::Environment* const g_recordingMapi = testing::AddGlobalTestEnvironment(new CRecordingMapiInstalled);

std::string LogPath(const char* name)
{
    return TestDir(name) + "mapi.log";
}

std::string ProgramFile()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

CTextBuf Text(const char* text)
{
    CTextBuf buffer;
    buffer.InitFrom(text);
    return buffer;
}

void ExpectMessage(const MapiCall& call, HWND owner, const char* subject, const char* body, unsigned long files,
                   const std::string& path)
{
    // A client with the wide call gets the texts in UTF-16, and is told to
    // take them so or refuse them.
    EXPECT_EQ(1u, call.Number("wide"));
    EXPECT_EQ(0u, call.Number("session"));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(owner), call.Number("ui"));
    EXPECT_EQ(1u, call.Number("uiIsWindow"));
    EXPECT_EQ(kMapiForceUnicode | 9u, call.Number("flags"));
    EXPECT_EQ(0u, call.Number("reserved"));
    EXPECT_EQ(subject, call.Get("subject"));
    EXPECT_EQ(body, call.Get("note"));
    EXPECT_EQ("null", call.Get("messageType"));
    EXPECT_EQ("null", call.Get("dateReceived"));
    EXPECT_EQ("null", call.Get("conversationID"));
    EXPECT_EQ(0u, call.Number("msg.flags"));
    EXPECT_EQ("null", call.Get("originator"));
    EXPECT_EQ(0u, call.Number("recipCount"));
    EXPECT_EQ("null", call.Get("recips"));
    EXPECT_EQ(files, call.Number("fileCount"));
    EXPECT_EQ("set", call.Get("files"));
    EXPECT_EQ(0xFFFFFFFFul, call.Number("file.position"));
    EXPECT_EQ(0u, call.Number("file.flags"));
    EXPECT_EQ(path, call.Get("file.path"));
    EXPECT_EQ(path, call.Get("file.name"));
    EXPECT_EQ(0u, call.Number("file.sameBuffer"));
    EXPECT_EQ("null", call.Get("file.type"));
}

}  // namespace

TEST(ExtrasPage, TemplateAndCaptionsInBothLanguages)
{
    struct Button {
        int id;
        int x, y;
        const char* english;
        const char* german;
    };
    const Button buttons[] = {
        {IDC_RECOMMEND, 88, 26, "Recommend Kavonix", "Programm empfehlen"},
        {IDC_SEND_PROGRAM, 88, 42, "Send Kavonix by e-mail", "Programm per E-mail verschicken"},
        {IDC_MORE_FREEWARE, 88, 58, "I'w more Freeware", "Ich will mehr Freeware"},
    };
    for (int english : {0, 1}) {
        PagesWindow window(english);
        window.Tab(IDC_TAB_EXTRAS);
        HWND page = window.Page();
        ASSERT_NE(nullptr, page);
        RECT client = {};
        GetClientRect(page, &client);
        RECT size = DialogUnits(page, 0, 0, 407, 117);
        EXPECT_EQ(size.right, client.right);
        EXPECT_EQ(size.bottom, client.bottom);
        HWND frame = GetWindow(page, GW_CHILD);
        EXPECT_EQ(static_cast<LONG>(BS_GROUPBOX), GetWindowLongA(frame, GWL_STYLE) & 0xF);
        RECT frameRect = DialogUnits(page, 0, 0, 366, 104);
        EXPECT_EQ(frameRect.right, ClientRectOf(frame).right);
        HWND control = GetWindow(frame, GW_HWNDNEXT);
        for (const Button& button : buttons) {
            ASSERT_NE(nullptr, control);
            EXPECT_EQ(button.id, GetDlgCtrlID(control));
            EXPECT_EQ(english ? button.english : button.german, WindowText(control));
            RECT want = DialogUnits(page, button.x, button.y, 196, 14);
            RECT got = ClientRectOf(control);
            EXPECT_EQ(want.left, got.left);
            EXPECT_EQ(want.top, got.top);
            EXPECT_EQ(want.right, got.right);
            EXPECT_EQ(want.bottom, got.bottom);
            LONG style = GetWindowLongA(control, GWL_STYLE);
            EXPECT_TRUE(style & WS_TABSTOP);
            EXPECT_TRUE(style & WS_VISIBLE);
            EXPECT_EQ(button.id == IDC_RECOMMEND, (style & BS_FLAT) != 0);
            control = GetWindow(control, GW_HWNDNEXT);
        }
        EXPECT_EQ(nullptr, control);
    }
}

TEST(ExtrasPage, HomeAndFreewareAddresses)
{
    int saved = g_english;
    g_english = 1;
    const char* home = BuildHomeUrl();
    EXPECT_STREQ("http://www.kavonix.example/", home);
    EXPECT_STREQ("http://www.kavonix.example/?seite=freeware&SID=KAVONIX", FreewarePageUrl());
    g_english = 0;
    EXPECT_EQ(home, BuildHomeUrl()) << "one buffer, rebuilt on every call";
    EXPECT_STREQ("http://www.kavonix.example/de/", home);
    EXPECT_STREQ("http://www.kavonix.example/de/?seite=freeware&SID=KAVONIX", FreewarePageUrl());
    g_english = -3;
    EXPECT_STREQ("http://www.kavonix.example/", BuildHomeUrl());
    g_english = saved;

    // Spelt out at run time: the program file does not hold the address as text.
    std::vector<unsigned char> program = ReadFileBytes(BuildDirWindows() + "kavonix.exe");
    ASSERT_FALSE(program.empty());
    std::string bytes(program.begin(), program.end());
    EXPECT_EQ(std::string::npos, bytes.find("kavonix.example/"));
}

TEST(ExtrasPage, RecommendMailInBothLanguages)
{
    MapiLog log(LogPath("extras_recommend"));
    for (int english : {1, 0}) {
        log.Clear();
        PagesWindow window(english);
        window.Tab(IDC_TAB_EXTRAS);
        window.Press(IDC_RECOMMEND);
        std::vector<MapiCall> calls = log.Calls();
        ASSERT_EQ(1u, calls.size()) << english;
        ExpectMessage(calls[0], window.Main(), english ? kEnglishSubject : kGermanSubject,
                      english ? kEnglishBody : kGermanBody, 0, "");
    }
}

TEST(ExtrasPage, SendProgramAttachesTheRunningProgram)
{
    MapiLog log(LogPath("extras_send_program"));
    for (int english : {0, 1}) {
        log.Clear();
        PagesWindow window(english);
        window.Tab(IDC_TAB_EXTRAS);
        window.Press(IDC_SEND_PROGRAM);
        std::vector<MapiCall> calls = log.Calls();
        ASSERT_EQ(1u, calls.size());
        ExpectMessage(calls[0], window.Main(), english ? kEnglishSubject : kGermanSubject,
                      english ? kEnglishBody : kGermanBody, 1, ProgramFile());
        EXPECT_GT(ProgramFile().size(), 20u);
    }
}

TEST(ExtrasPage, LanguageSwitchReachesCaptionsAndMail)
{
    MapiLog log(LogPath("extras_language"));
    PagesWindow window(0);
    window.Press(IDC_ENGLISH);
    window.Tab(IDC_TAB_EXTRAS);
    EXPECT_EQ("Recommend Kavonix", ControlText(window.Page(), IDC_RECOMMEND));
    window.Press(IDC_RECOMMEND);
    window.Tab(IDC_TAB_LANGUAGE);
    window.Press(IDC_DEUTSCH);
    window.Tab(IDC_TAB_EXTRAS);
    EXPECT_EQ("Programm empfehlen", ControlText(window.Page(), IDC_RECOMMEND));
    window.Press(IDC_RECOMMEND);
    std::vector<MapiCall> calls = log.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(kEnglishSubject, calls[0].Get("subject"));
    EXPECT_EQ(kEnglishBody, calls[0].Get("note"));
    EXPECT_EQ(kGermanSubject, calls[1].Get("subject"));
    EXPECT_EQ(kGermanBody, calls[1].Get("note"));
}

TEST(ExtrasPage, AttachmentNeedsFiveCharacters)
{
    MapiLog log(LogPath("extras_five"));
    PagesWindow window;
    EXPECT_TRUE(SendRecommendMail(window.Main(), Text("C:\\a"), Text("s")));
    EXPECT_TRUE(SendRecommendMail(window.Main(), Text("C:\\ab"), Text("s")));
    EXPECT_TRUE(SendRecommendMail(window.Main(), Text(""), Text("s")));
    std::string longPath(300, 'p');
    std::string longSubject(300, 's');
    EXPECT_TRUE(SendRecommendMail(window.Main(), Text(longPath.c_str()), Text(longSubject.c_str())));
    std::vector<MapiCall> calls = log.Calls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ(0u, calls[0].Number("fileCount"));
    EXPECT_EQ("C:\\a", calls[0].Get("file.path"));
    EXPECT_EQ(1u, calls[1].Number("fileCount"));
    EXPECT_EQ("C:\\ab", calls[1].Get("file.name"));
    EXPECT_EQ(0u, calls[2].Number("fileCount"));
    // Fixed 260-byte buffers: 259 characters arrive.
    EXPECT_EQ(1u, calls[3].Number("fileCount"));
    EXPECT_EQ(std::string(259, 'p'), calls[3].Get("file.path"));
    EXPECT_EQ(std::string(259, 'p'), calls[3].Get("file.name"));
    EXPECT_EQ(std::string(259, 's'), calls[3].Get("subject"));
}

TEST(ExtrasPage, WhateverTheClientAnswers)
{
    MapiLog log(LogPath("extras_answers"));
    PagesWindow window;
    struct Case {
        unsigned long code;
        bool sent;
    };
    const Case cases[] = {{0, true}, {1, true}, {3, true}, {2, false}, {5, false}, {26, false}, {0xFFFFFFFFul, false}};
    for (const Case& c : cases) {
        log.Answer(c.code);
        EXPECT_EQ(c.sent, SendRecommendMail(window.Main(), Text(""), Text("x"))) << c.code;
    }
    EXPECT_EQ(sizeof(cases) / sizeof(cases[0]), log.Calls().size());
    // The buttons too come back, and the page stays usable.
    log.Answer(2);
    window.Tab(IDC_TAB_EXTRAS);
    window.Press(IDC_RECOMMEND);
    window.Press(IDC_SEND_PROGRAM);
    EXPECT_EQ(sizeof(cases) / sizeof(cases[0]) + 2, log.Calls().size());
    EXPECT_TRUE(IsWindow(window.Page()));
}

TEST(ExtrasPage, NoCallWithoutAnOwnerOrAText)
{
    MapiLog log(LogPath("extras_no_owner"));
    PagesWindow window;
    EXPECT_FALSE(SendRecommendMail(nullptr, Text(""), Text("x")));
    HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(SendRecommendMail(gone, Text(""), Text("x")));
    CTextBuf noBlock;
    EXPECT_FALSE(SendRecommendMail(window.Main(), noBlock, Text("x")));
    EXPECT_TRUE(log.Calls().empty());
    // A main dialog that is gone: the buttons send nothing.
    g_mainDialog = nullptr;
    EXPECT_EQ(1, RecommendByMail(g_mainDialog));
    EXPECT_EQ(1, SendProgramByMail(g_mainDialog));
    EXPECT_TRUE(log.Calls().empty());
}

// A client without Unicode refuses the wide call that insists on it; the
// program then makes the ANSI call. The file in a folder named in Greek and
// Japanese, which the code page cannot spell: the path handed over, also as
// the display name, opens the file, and holds no look-alike or "?".
TEST(ExtrasPage, ClientWithoutUnicodeGetsTheAnsiCall)
{
    std::wstring folder = Wide(TestDir("extras_foreign")) + L"\x0394\x03AF\x03C3\x03BA\x03BF\x03C2 \x97F3\x697D\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring file = folder + L"kavonix.exe";
    ASSERT_TRUE(WriteImage(file, kImageMode1, 3));
    MapiLog log(LogPath("extras_no_unicode"));
    log.WithoutUnicode(true);
    PagesWindow window(0);
    std::vector<WCHAR> given(file.begin(), file.end());
    given.push_back(L'\0');
    EXPECT_EQ(1, SendFileByMail(window.Main(), given.data()));
    std::vector<MapiCall> calls = log.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(1u, calls[0].Number("wide"));
    EXPECT_EQ(kMapiForceUnicode | 9u, calls[0].Number("flags"));
    EXPECT_EQ(kMapiUnicodeNotSupported, calls[0].Number("returned"));
    EXPECT_EQ(0u, calls[1].Number("wide"));
    EXPECT_EQ(9u, calls[1].Number("flags"));
    EXPECT_EQ(kGermanSubject, calls[1].Get("subject"));
    EXPECT_EQ(kGermanBody, calls[1].Get("note"));
    EXPECT_EQ(1u, calls[1].Number("fileCount"));
    std::string path = calls[1].Get("file.path");
    EXPECT_EQ(path, calls[1].Get("file.name"));
    EXPECT_EQ(std::string::npos, path.find('?')) << path;
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(path)) << path;

    // So deep that not even its short form fits an ANSI path, as on a volume
    // that makes no short names: no call hands the client a path that names
    // no file, nor the mail without it.
    std::wstring deep = folder;
    for (int level = 0; level < 30; ++level) {
        deep += L"\x0394\x03AF\x03C3\x03BA\x03BF\x03C2 \x97F3\x697D\\";
        CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    deep += L"kavonix.exe";
    ASSERT_TRUE(WriteImage(deep, kImageMode1, 3));
    WCHAR shortForm[4096] = L"";
    ASSERT_GT(GetShortPathNameW((L"\\\\?\\" + deep).c_str(), shortForm, 4096), (DWORD)MAX_PATH + 4);
    log.Clear();
    given.assign(deep.begin(), deep.end());
    given.push_back(L'\0');
    SendFileByMail(window.Main(), given.data());
    calls = log.Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(1u, calls[0].Number("wide"));
    EXPECT_EQ(kMapiUnicodeNotSupported, calls[0].Number("returned"));
}

// The attachment's path as the user writes it, whichever call the client
// takes: without the "\\?\" prefix that Windows gives a program started by
// such a path, and in full where the code page holds it, not in its short
// form (the client shows the path as the attachment's name).
TEST(ExtrasPage, AttachmentPathAsTheUserWritesIt)
{
    std::string folder = TestDir("extras_path") + "Kavonix Programme\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = folder + "kavonix program.exe";
    ASSERT_TRUE(WriteFileBytes(file, "program", 7));
    MapiLog log(LogPath("extras_path"));
    PagesWindow window(1);
    for (bool withoutUnicode : {false, true}) {
        log.Clear();
        log.WithoutUnicode(withoutUnicode);
        for (const std::wstring& form : {Wide(file), L"\\\\?\\" + Wide(file)}) {
            std::vector<WCHAR> given(form.begin(), form.end());
            given.push_back(L'\0');
            SendFileByMail(window.Main(), given.data());
        }
        std::vector<MapiCall> calls = log.Calls();
        ASSERT_EQ(withoutUnicode ? 4u : 2u, calls.size());
        for (const MapiCall& call : calls) {
            EXPECT_EQ(file, call.Get("file.path")) << withoutUnicode;
            EXPECT_EQ(file, call.Get("file.name")) << withoutUnicode;
        }
        EXPECT_EQ(withoutUnicode ? 0u : 1u, calls.back().Number("wide"));
    }
}

TEST(ExtrasPage, MoreFreewareOpensTheFreewarePage)
{
    BrowserLog browser("extras_more");
    {
        PagesWindow window(0);
        window.Tab(IDC_TAB_EXTRAS);
        window.Press(IDC_MORE_FREEWARE);
        ASSERT_TRUE(browser.WaitForLines(1, 20000));
    }
    {
        PagesWindow window(1);
        window.Tab(IDC_TAB_EXTRAS);
        // A real click on the button.
        SendMessageA(window.Control(IDC_MORE_FREEWARE), BM_CLICK, 0, 0);
        ASSERT_TRUE(browser.WaitForLines(2, 20000));
    }
    std::vector<std::string> expected = {"http://www.kavonix.example/de/?seite=freeware&SID=KAVONIX",
                                         "http://www.kavonix.example/?seite=freeware&SID=KAVONIX"};
    EXPECT_EQ(expected, browser.Lines());
}
