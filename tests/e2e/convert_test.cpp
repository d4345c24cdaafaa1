// Converting with the real program, driven from outside as a user would: the
// Open and Save dialogs typed into, Convert, the busy and idle looks, quitting
// attempts during a run, and a full disk. The files on disk are checked.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

namespace {

// Chooses `path` in the dialog of a browse button; the name the dialog proposed.
std::string ChooseInFileDialog(CProgramDriver& program, int browseButton, const std::string& path)
{
    std::string proposed = "<no dialog>";
    program.ChooseInFileDialog(browseButton, path, &proposed);
    return proposed;
}

int EnabledBusyButtons(CProgramDriver& program)
{
    int count = 0;
    for (int id : {IDC_TAB_CONVERTER, IDC_TAB_CPU, IDC_TAB_FPU, IDC_TAB_LANGUAGE, IDC_TAB_ABOUT, IDC_TAB_EXTRAS, IDCANCEL})
        count += IsWindowEnabled(GetDlgItem(program.MainDialog(), id)) ? 1 : 0;
    for (int id : {IDC_SOURCE_BROWSE, IDC_TARGET_BROWSE})
        count += IsWindowEnabled(program.PageControl(id)) ? 1 : 0;
    return count;
}

// A run between its first progress report and its end.
bool Copying(CProgramDriver& program)
{
    return program.PageText(IDC_STATUS_LINE).rfind("Status :[", 0) == 0;
}

bool IdleLook(CProgramDriver& program)
{
    return program.PageText(IDC_CONVERT) == "&Konvertieren" && IsWindowEnabled(GetDlgItem(program.MainDialog(), IDCANCEL)) &&
           IsWindowEnabled(GetDlgItem(program.MainDialog(), IDC_TAB_ABOUT)) &&
           IsWindowEnabled(program.PageControl(IDC_SOURCE_BROWSE)) && IsWindowEnabled(program.PageControl(IDC_TARGET_BROWSE));
}

class ProgramConvert : public testing::Test {
protected:
    void SetUp() override { WriteProgramSettings("0", "0"); }
    void TearDown() override
    {
        program.Kill();
        DeleteSettingsFile();
    }
    bool Launch()
    {
        return program.Start() && program.WaitForMainDialog() && program.WaitForPage(IDC_CONVERT);
    }
    // Started with both fields filled in, on the converter page.
    bool LaunchWith(const std::string& source, const std::string& target)
    {
        return Launch() && program.SetText(program.Page(), IDC_SOURCE_EDIT, source) &&
               program.SetText(program.Page(), IDC_TARGET_EDIT, target);
    }
    // A 200,000-sector image (470 MB): a run long enough to act on. Made once.
    bool MakeBigImage(std::string* image)
    {
        const uint32_t sectors = 200000;
        *image = TestDir("e2e quit") + "big.bin";
        return FileSize(*image) == 2352LL * sectors || WriteImage(*image, kImageMode1, sectors);
    }
    CProgramDriver program;
};

}  // namespace

TEST_F(ProgramConvert, ThroughOpenAndSaveDialogs)
{
    const uint32_t sectors = 120000;
    std::string dir = TestDir("e2e convert");
    std::string image = dir + "disc.bin";
    std::string target = dir + "disc.iso";
    if (FileSize(image) != 2352LL * sectors) {
        ASSERT_TRUE(WriteImage(image, kImageMode1, sectors));
    }
    DeleteFileA(target.c_str());
    ASSERT_TRUE(Launch());
    program.Screenshot("convert-1-start.png");

    // The Open dialog starts without a name; the field is set once it has returned.
    EXPECT_EQ("", ChooseInFileDialog(program, IDC_SOURCE_BROWSE, image));
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_SOURCE_EDIT) == image; }, 10000));
    EXPECT_EQ("disc.iso", ChooseInFileDialog(program, IDC_TARGET_BROWSE, target));
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_TARGET_EDIT) == target; }, 10000));
    program.Screenshot("convert-2-chosen.png");

    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_CONVERT) == "&ABBRUCH"; }, 20000));
    EXPECT_EQ(0, EnabledBusyButtons(program));
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_STATUS_LINE).rfind("Status :[", 0) == 0; }, 20000));
    std::string firstStatus = program.PageText(IDC_STATUS_LINE);
    program.Screenshot("convert-3-running.png");
    bool changed = WaitUntil([&] {
        std::string now = program.PageText(IDC_STATUS_LINE);
        return now != firstStatus && now.rfind("Status :[", 0) == 0;
    }, 20000);
    EXPECT_TRUE(changed) << "the progress texts did not move on";

    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_STATUS_LINE).rfind("Erledigt", 0) == 0; }, 120000));
    ASSERT_TRUE(WaitUntil([&] { return IdleLook(program); }, 3000)) << "no idle look after the summary";
    program.Screenshot("convert-4-done.png");
    EXPECT_EQ("", program.PageText(IDC_TIME_LINE));
    EXPECT_TRUE(program.Boxes().Seen().empty());
    EXPECT_TRUE(ReadFileBytes(target) == ExpectedIso(sectors)) << "the ISO differs";

    // A name in Greek, Japanese and Cyrillic, which no single code page
    // holds: the field shows it, and the image takes the Save dialog's
    // proposal made from it.
    const std::wstring named = L"\x0394\x03AF\x03C3\x03BA\x03BF\x03C2 \x97F3\x697D \x0434\x0438\x0441\x043A";
    std::wstring namedImage = Wide(dir) + named + L".bin";
    std::wstring namedTarget = Wide(dir) + named + L".iso";
    ASSERT_TRUE(WriteImage(namedImage, kImageMode2, 300));
    DeleteFileW(namedTarget.c_str());
    std::wstring proposed = L"<no dialog>";
    ASSERT_TRUE(program.ChooseInFileDialog(IDC_SOURCE_BROWSE, namedImage, &proposed));
    ASSERT_TRUE(WaitUntil([&] { return program.PageWideText(IDC_SOURCE_EDIT) == namedImage; }, 10000))
        << "the field shows another name";
    ASSERT_TRUE(program.ChooseInFileDialog(IDC_TARGET_BROWSE, Wide(dir), &proposed));
    EXPECT_EQ(named + L".iso", proposed);
    ASSERT_TRUE(WaitUntil([&] { return program.PageWideText(IDC_TARGET_EDIT) == namedTarget; }, 10000));
    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    // The image takes its name only once it is whole.
    ASSERT_TRUE(WaitUntil([&] { return GetFileAttributesW(namedTarget.c_str()) != INVALID_FILE_ATTRIBUTES &&
                                       IdleLook(program); }, 60000));
    EXPECT_TRUE(program.Boxes().Seen().empty());
    EXPECT_TRUE(ReadFileBytes(namedTarget) == ExpectedIso(300)) << "the ISO differs";
}

// Run on its own under a system code page other than 1252 (its CTest entry
// sets the locale, which the program inherits): the question and the status
// lines read as written.
TEST_F(ProgramConvert, ForeignCodePageQuestionAndStatusReadAsWritten)
{
    ASSERT_NE(1252u, GetACP()) << "meant to run under another code page";
    const uint32_t sectors = 120000;
    std::string dir = TestDir("e2e convert");
    std::string image = dir + "disc.bin";
    if (FileSize(image) != 2352LL * sectors) {
        ASSERT_TRUE(WriteImage(image, kImageMode1, sectors));
    }
    std::string target = dir + "disc-codepage.iso";
    ASSERT_TRUE(WriteFileBytes(target, "old", 3));
    ASSERT_TRUE(LaunchWith(image, target));

    program.Boxes().Answer(IDYES);
    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    std::wstring status;
    std::wstring timeLine;
    ASSERT_TRUE(WaitUntil([&] {
        status = WindowWideText(program.PageControl(IDC_STATUS_LINE));
        timeLine = WindowWideText(program.PageControl(IDC_TIME_LINE));
        return status.rfind(L"Status :[", 0) == 0;
    }, 20000));
    EXPECT_NE(std::wstring::npos, status.find(L"]  ||  \x00D8 ")) << status.c_str();
    EXPECT_NE(std::wstring::npos, status.find(L" / Sek.  || ")) << status.c_str();
    EXPECT_NE(std::wstring::npos, status.find(L" von ")) << status.c_str();
    EXPECT_EQ(0u, timeLine.rfind(L"Noch ", 0)) << timeLine.c_str();
    EXPECT_NE(std::wstring::npos, timeLine.find(L"  ||  Verstrichen: ")) << timeLine.c_str();

    ASSERT_TRUE(WaitUntil([&] {
        status = WindowWideText(program.PageControl(IDC_STATUS_LINE));
        return status.rfind(L"Erledigt", 0) == 0;
    }, 120000));
    EXPECT_EQ(0u, status.rfind(L"Erledigt   :||  \x00D8 ", 0)) << status.c_str();
    EXPECT_NE(std::wstring::npos, status.find(L" / Sek.  || Gesamtzeit: ")) << status.c_str();
    ASSERT_EQ(1u, program.Boxes().Count());
    std::wstring wideTarget(target.begin(), target.end());
    EXPECT_EQ(L"Soll die vorhandene Datei '" + wideTarget + L"' \x00FC" L"berschrieben werden ?\n",
              program.Boxes().Seen()[0].wideText);
    EXPECT_TRUE(ReadFileBytes(target) == ExpectedIso(sectors)) << "the ISO differs";
}

namespace {

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param)
{
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->first)
        found->second.push_back(window);
    return TRUE;
}

// Every top-level window of the program, shown or hidden.
std::vector<HWND> TopLevelWindows(DWORD processId)
{
    std::pair<DWORD, std::vector<HWND>> found(processId, {});
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

// What Windows does when the session ends (`how` ENDSESSION_LOGOFF), and what
// the Restart Manager does to close a program (ENDSESSION_CLOSEAPP):
// WM_QUERYENDSESSION to every top-level window, then WM_ENDSESSION with TRUE
// to every one (the session ends all the same). *answers gets the main
// dialog's and the owner's answers to the question; false when a window did
// not return in time. A window may be gone by its WM_ENDSESSION: the program
// ends itself then.
bool EndSession(CProgramDriver& program, LPARAM how, std::vector<LRESULT>* answers)
{
    HWND ours[] = {program.MainDialog(), program.OwnerWindow()};
    std::vector<HWND> windows = TopLevelWindows(program.ProcessId());
    bool returned = true;
    for (HWND window : windows) {
        DWORD_PTR answer = TRUE;
        returned &= SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, how, SMTO_NORMAL, 10000, &answer) != 0;
        if (window == ours[0] || window == ours[1])
            answers->push_back((LRESULT)answer);
    }
    for (HWND window : windows) {
        DWORD_PTR ignored = 0;
        returned &= SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, how, SMTO_NORMAL, 30000, &ignored) != 0 ||
                    !IsWindow(window);
    }
    return returned;
}

}  // namespace

TEST_F(ProgramConvert, EveryWayOfEndingDuringARunAsksFirst)
{
    const uint32_t sectors = 200000;
    std::string image;
    ASSERT_TRUE(MakeBigImage(&image));
    std::string target = TestDir("e2e quit") + "big.iso";
    DeleteFileA(target.c_str());
    ASSERT_TRUE(LaunchWith(image, target));
    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_CONVERT) == "&ABBRUCH"; }, 20000));

    // Each way asks the cancel question; No lets the run go on.
    HWND main = program.MainDialog();
    const struct {
        const char* what;
        HWND window;
        UINT message;
        WPARAM wParam;
    } ways[] = {
        {"Escape", main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"the close box, Alt+F4", main, WM_SYSCOMMAND, SC_CLOSE},
        {"Enter in a field", main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
        {"44444", main, WM_COMMAND, MAKEWPARAM(IDC_QUIT_ALL, BN_CLICKED)},
        {"Enter on the page", program.Page(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
        {"a close request to the hidden owner", program.OwnerWindow(), WM_CLOSE, 0},
    };
    for (const auto& way : ways) {
        program.Boxes().Hold(true);
        PostMessageA(way.window, way.message, way.wParam, 0);
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = program.Boxes().OpenBox()) != nullptr; }, 10000))
            << way.what << " asked nothing";
        EXPECT_EQ("Wollen Sie wirklich abbrechen ? ", MessageBoxText(box)) << way.what;
        program.Boxes().Answer(IDNO);
        program.Boxes().Hold(false);
        // While its question is open the program takes no further request.
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10000)) << way.what;
    }
    size_t asked = program.Boxes().Count();
    EXPECT_EQ(sizeof(ways) / sizeof(ways[0]), asked);
    ASSERT_EQ("&ABBRUCH", program.PageText(IDC_CONVERT)) << "the run ended before every way was tried";
    EXPECT_TRUE(program.Running());

    // A close request from another program: WM_CLOSE to every top-level
    // window. One question; Yes, and the program ends without the partial ISO.
    program.Boxes().Answer(IDYES);
    for (HWND window : TopLevelWindows(program.ProcessId()))
        PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    ASSERT_TRUE(program.WaitForExit(30000, &code));
    EXPECT_EQ(asked + 1, program.Boxes().Count());
    int64_t left = FileSize(target);
    EXPECT_TRUE(left == -1 || left == 2048LL * sectors) << "a partial ISO of " << left << " bytes is left";
}

// Run by a wrapper that limits the file size the program may write
// (KAVONIX_DISK_FULL names the image it prepared before the limit).
TEST_F(ProgramConvert, DiskFullEndsWithWriteErrorAndNoTarget)
{
    const char* image = getenv("KAVONIX_DISK_FULL");
    if (!image || !*image)
        GTEST_SKIP() << "needs the file size limit of the disk-full wrapper";
    std::string source = ToWindowsPath(image);
    std::string target = source.substr(0, source.size() - 4) + ".iso";
    DeleteFileA(target.c_str());
    ASSERT_TRUE(FileExists(source));
    ASSERT_TRUE(LaunchWith(source, target));
    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    ASSERT_TRUE(WaitUntil([&] { return !program.BoxTexts().empty(); }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return IdleLook(program); }, 10000));
    std::vector<std::string> texts = program.BoxTexts();
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ("Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n" + target, texts[0]);
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ(std::string::npos, program.PageText(IDC_STATUS_LINE).find("Erledigt"));
}

TEST_F(ProgramConvert, SessionEndDuringARunLeavesNoPartialTarget)
{
    std::string image;
    ASSERT_TRUE(MakeBigImage(&image));
    std::string target = TestDir("e2e quit") + "session.iso";
    ASSERT_TRUE(WriteFileBytes(target, "old", 3));
    ASSERT_TRUE(LaunchWith(image, target));

    // Idle, the program lets the session end.
    std::vector<LRESULT> answers;
    HWND ours[] = {program.MainDialog(), program.OwnerWindow()};
    for (HWND window : ours) {
        DWORD_PTR answer = FALSE;
        ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000, &answer));
        EXPECT_EQ(TRUE, (LRESULT)answer);
    }

    // The overwrite question is open: nothing can be cut off yet, and nobody
    // will answer it, so the session's end does not wait for the run.
    program.Boxes().Hold(true);
    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    ASSERT_TRUE(WaitUntil([&] { return program.Boxes().OpenBox() != nullptr; }, 20000));
    ASSERT_TRUE(EndSession(program, ENDSESSION_LOGOFF, &answers));
    EXPECT_EQ(std::vector<LRESULT>({FALSE, FALSE}), answers);
    DWORD code = 12345;
    EXPECT_TRUE(program.WaitForExit(15000, &code)) << "the program outlived the session";
    EXPECT_EQ(3, FileSize(target)) << "the target the question was about is untouched";
    program.Kill();

    // Copying, and the Restart Manager closes the program: the run is
    // cancelled and wound up, then the program ends by itself.
    answers.clear();
    DeleteFileA(target.c_str());
    ASSERT_TRUE(LaunchWith(image, target));
    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    ASSERT_TRUE(WaitUntil([&] { return Copying(program); }, 60000));
    ASSERT_TRUE(EndSession(program, ENDSESSION_CLOSEAPP, &answers));
    EXPECT_EQ(std::vector<LRESULT>({FALSE, FALSE}), answers);
    EXPECT_FALSE(FileExists(target)) << "a partial ISO outlived the session";
    EXPECT_TRUE(program.WaitForExit(15000, &code)) << "the program stayed after WM_ENDSESSION";
    EXPECT_TRUE(program.Boxes().Seen().empty());
    EXPECT_FALSE(FileExists(target));
}

// A hard kill mid-run (End task, a crash, a pulled stick) leaves the target's
// name as it was: the old image whole, or no file at all. What is left beside
// it cannot pass for an image.
TEST_F(ProgramConvert, KilledMidRunLeavesTheTargetsNameAsItWas)
{
    std::string image;
    ASSERT_TRUE(MakeBigImage(&image));
    std::string dir = TestDir("e2e kill");
    std::vector<unsigned char> old = ExpectedIso(5);
    ASSERT_TRUE(WriteFileBytes(dir + "old.iso", old.data(), old.size()));
    DeleteFileA((dir + "new.iso").c_str());
    for (const char* name : {"old.iso", "new.iso"}) {
        ASSERT_TRUE(LaunchWith(image, dir + name));
        program.Boxes().Answer(IDYES);
        ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
        ASSERT_TRUE(WaitUntil([&] { return Copying(program); }, 60000)) << name;
        program.Kill();
    }
    EXPECT_EQ(old, ReadFileBytes(dir + "old.iso"));
    EXPECT_FALSE(FileExists(dir + "new.iso"));
    for (const std::string& name : FilesIn(dir)) {
        if (name == "old.iso")
            continue;
        EXPECT_FALSE(name.size() >= 4 && _stricmp(name.c_str() + name.size() - 4, ".iso") == 0) << name;
        DeleteFileA((dir + name).c_str());
    }
}
