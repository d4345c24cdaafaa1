// The converter page through the real main dialog and PageDialogProc: names
// proposed from paths, drops of real file lists and shortcuts, the file dialogs
// driven as a user would, conversions with their busy and idle looks, cancels
// and the error boxes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <wctype.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "app/converterpage.h"
#include "app/pathrules.h"
#include "base/language.h"
#include "convert/job.h"
#include "convert/progress.h"
#include "tests/support/boxes.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"
#include "tests/unit/converterwindow.h"
#include "tests/unit/page_watch.h"

namespace {

// UTF-16 as the code page holds it: what an ANSI read of the text gives.
std::string Ansi(const std::wstring& text)
{
    char buffer[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

std::string Name(const char* path)
{
    WCHAR out[kShellPathSize];
    EXPECT_EQ(1, LastPathComponent(Wide(path).c_str(), out));
    return Ansi(out);
}

std::string Proposal(const char* source)
{
    WCHAR out[kShellPathSize];
    EXPECT_EQ(1, DeriveTargetName(Wide(source).c_str(), out));
    return Ansi(out) + ".iso";
}

std::string DropAndRead(HWND page, const std::vector<std::string>& names)
{
    SendMessageA(page, WM_DROPFILES, (WPARAM)MakeDrop(names), 0);
    return ControlText(page, IDC_SOURCE_EDIT);
}

std::string Resolve(const std::vector<std::string>& names)
{
    static WCHAR path[kLongPathSize];
    EXPECT_NE(-1, ResolveDroppedFile(MakeDrop(names), path));
    return Ansi(path);
}

// The target stored in a shortcut, and its length.
std::string StoredTarget(const std::string& link, size_t* length = nullptr)
{
    static WCHAR target[kLongPathSize];
    ResolveShortcut(Wide(link).c_str(), target);
    if (length)
        *length = wcslen(target);
    return Ansi(target);
}

const char kSourceOpen[] = "Fehler, beim \xD6" "ffnen der Quelldatei.\nRead failed, Source file.\n";
const char kTargetOpen[] = "Fehler, beim \xD6" "ffnen der Zieldatei.\nWrite failed, Target file.\n";
const char kTargetWrite[] = "Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n";
const char kSourceRead[] = "Fehler, beim Lesen der Quelldatei.\nRead failed, Source file.\n";
const char kCancelQuestion[] = "Wollen Sie wirklich abbrechen ? ";

int BarPosition(HWND page)
{
    return (int)SendDlgItemMessageA(page, IDC_PROGRESS, PBM_GETPOS, 0, 0);
}

// Names the code page (1252 here) holds only as look-alikes: "P?yta.bin"
// best fits to "Plyta.bin", "Zo?.iso" to "Zoe.iso".
const WCHAR kBestFitSource[] = L"P\x0142yta.bin";
const WCHAR kBestFitTarget[] = L"Zo\x0113.iso";

// The short form of an existing entry in the code page: another spelling by
// which Windows opens that very entry.
std::string ShortForm(const std::wstring& path)
{
    WCHAR shortPath[kPathSize] = L"";
    GetShortPathNameW(path.c_str(), shortPath, kPathSize);
    return Ansi(shortPath);
}

std::wstring CurrentDirectory()
{
    WCHAR current[kPathSize] = L"";
    GetCurrentDirectoryW(kPathSize, current);
    return current;
}

}  // namespace

TEST(ConverterNames, LastComponentAndProposedTarget)
{
    EXPECT_EQ("disc.bin", Name("C:\\images\\disc.bin"));
    EXPECT_EQ("archive.tar.bin", Name("D:/images/archive.tar.bin"));
    EXPECT_EQ("plain", Name("plain"));
    EXPECT_EQ("", Name("C:\\images\\"));
    EXPECT_EQ("", Name(""));

    EXPECT_EQ("disc.iso", Proposal("C:\\images\\disc.bin"));
    EXPECT_EQ("archive.tar.iso", Proposal("D:/images/archive.tar.bin"));
    EXPECT_EQ("track.iso", Proposal("C:\\images.old\\track"));
    EXPECT_EQ(".iso", Proposal("C:\\images\\.bin"));
    EXPECT_EQ(".iso", Proposal(""));
}

TEST(ConverterNames, ComponentsThatDoNotFitAreRefusedNotCut)
{
    WCHAR out[kShellPathSize];
    std::wstring fits = L"C:\\" + std::wstring(259, L'a');
    EXPECT_EQ(1, LastPathComponent(fits.c_str(), out));
    EXPECT_EQ(std::wstring(259, L'a'), out);

    std::wstring tooLong = L"C:\\" + std::wstring(260, L'b') + L".bin";
    wmemset(out, L'x', kShellPathSize);
    EXPECT_EQ(0, LastPathComponent(tooLong.c_str(), out));
    EXPECT_STREQ(L"", out);
    EXPECT_EQ(0, DeriveTargetName(tooLong.c_str(), out));
    EXPECT_STREQ(L"", out);

    // Past the longest path the path itself does not fit: its tail is no name of it.
    std::wstring overlong = std::wstring(kLongPathSize, L'c') + L"\\x.bin";
    EXPECT_EQ(0, DeriveTargetName(overlong.c_str(), out));
    EXPECT_STREQ(L"", out);
}

TEST(ConverterShortcuts, StoredTargetOrNothing)
{
    std::string dir = TestDir("shortcuts");
    std::string image = dir + "disc.bin";
    ASSERT_TRUE(WriteImage(image, kImageMode1, 2));
    std::string link = dir + "disc.lnk";
    ASSERT_TRUE(MakeShortcut(link, image));

    EXPECT_EQ(image, StoredTarget(link));
    EXPECT_EQ("", StoredTarget(image));
    EXPECT_EQ("", StoredTarget(dir + "none.lnk"));
}

// The link object gives at most MAX_PATH characters of a stored target: a
// longer one is never taken cut, which could name another file. The dropped
// shortcut itself is left, as for one that does not resolve.
TEST(ConverterShortcuts, LongTargetIsNeverTakenCut)
{
    std::wstring dir = Wide(TestDir("longshortcut"));
    std::wstring folder = dir + std::wstring(150, L'd');
    CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    std::wstring target = folder + L"\\" + std::wstring(140, L'e') + L".bin";
    ASSERT_GT(target.size(), (size_t)MAX_PATH);
    ASSERT_TRUE(WriteImage(target, kImageMode1, 1));
    std::wstring link = dir + L"long.lnk";
    ASSERT_TRUE(MakeShortcut(link, target));
    WCHAR resolved[kLongPathSize];
    int found = ResolveShortcut(link.c_str(), resolved);
    EXPECT_TRUE(found == 0 || target == resolved) << Ansi(resolved) << " of " << Ansi(target);
    std::string dropped = Resolve({Ansi(link)});
    EXPECT_TRUE(dropped == Ansi(link) || dropped == Ansi(target)) << dropped;
}

TEST(ConverterDrops, ResolvedFileFirstOfSeveralNoFolders)
{
    std::string dir = TestDir("drops");
    std::string image = dir + "disc.bin";
    std::string other = dir + "notes.txt";
    ASSERT_TRUE(WriteImage(image, kImageMode1, 2));
    ASSERT_TRUE(WriteFileBytes(other, "x", 1));
    std::string folder = dir + "a folder";
    CreateDirectoryA(folder.c_str(), nullptr);

    EXPECT_EQ(image, Resolve({image, other}));
    EXPECT_EQ(other, Resolve({other, image}));
    EXPECT_EQ("", Resolve({folder, image}));
    EXPECT_EQ("", Resolve({}));

    std::string toFile = dir + "to file.lnk";
    ASSERT_TRUE(MakeShortcut(toFile, image));
    EXPECT_EQ(image, Resolve({toFile}));

    std::string gone = dir + "gone.bin";
    ASSERT_TRUE(WriteImage(gone, kImageMode1, 1));
    std::string toGone = dir + "to gone.lnk";
    ASSERT_TRUE(MakeShortcut(toGone, gone));
    DeleteFileA(gone.c_str());
    EXPECT_EQ(gone, Resolve({toGone}));

    std::string toRoot = dir + "to root.lnk";
    ASSERT_TRUE(MakeShortcut(toRoot, "C:\\"));
    EXPECT_EQ(toRoot, Resolve({toRoot}));

    std::string toFolder = dir + "to folder.lnk";
    ASSERT_TRUE(MakeShortcut(toFolder, folder));
    EXPECT_EQ("", Resolve({toFolder}));

    // A name of any length is taken.
    std::string longer = dir + std::string(120, 'n') + "\\" + std::string(150, 'n');
    EXPECT_EQ(longer, Resolve({longer}));
}

TEST(ConverterPage, DropsChangeOnlyTheSourceField)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pagedrops");
    std::string image = dir + "disc.bin";
    ASSERT_TRUE(WriteImage(image, kImageMode1, 2));
    std::string folder = dir + "folder";
    CreateDirectoryA(folder.c_str(), nullptr);

    EXPECT_EQ(image, DropAndRead(window.Page(), {image, dir + "second.bin"}));
    EXPECT_EQ("", window.Field(IDC_TARGET_EDIT));
    EXPECT_STREQ(L"", g_request.sourcePath);
    EXPECT_EQ(image, DropAndRead(window.Page(), {folder}));

    // The proposal follows the last chosen source, not the drop.
    lstrcpynW(g_request.sourcePath, L"C:\\images\\chosen.bin", (int)kLongPathSize);
    FileDialogUser user("");
    window.Press(IDC_TARGET_BROWSE);
    EXPECT_EQ("chosen.iso", user.Proposed());
    EXPECT_STREQ(L"", g_request.targetPath);
}

TEST(ConverterPage, OpenAndSaveDialogsFillFieldsAndRequest)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("dialogs");
    std::string image = dir + "disc.bin";
    ASSERT_TRUE(WriteImage(image, kImageMode1, 2));

    {
        FileDialogUser nobody("");
        window.Press(IDC_TARGET_BROWSE);
        EXPECT_EQ(".iso", nobody.Proposed());
    }
    {
        FileDialogUser user(image);
        window.Press(IDC_SOURCE_BROWSE);
        ASSERT_TRUE(user.Done());
    }
    EXPECT_EQ(image, window.Field(IDC_SOURCE_EDIT));
    EXPECT_EQ(image, Ansi(g_request.sourcePath));
    EXPECT_EQ("", window.Field(IDC_TARGET_EDIT));

    std::string target = dir + "chosen target";
    {
        FileDialogUser user(target);
        window.Press(IDC_TARGET_BROWSE);
        EXPECT_EQ("disc.iso", user.Proposed());
    }
    // Typed without extension, taken as typed.
    EXPECT_EQ(target, window.Field(IDC_TARGET_EDIT));
    EXPECT_EQ(target, Ansi(g_request.targetPath));

    {
        FileDialogUser cancels("");
        window.Press(IDC_SOURCE_BROWSE);
    }
    EXPECT_EQ(image, Ansi(g_request.sourcePath));
    EXPECT_EQ(image, window.Field(IDC_SOURCE_EDIT));
}

TEST(ConverterPage, PageSwitchShowsTheRequestPathsNotTypedOnes)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    lstrcpynW(g_request.sourcePath, L"Z:\\kept\\source.bin", (int)kLongPathSize);
    lstrcpynW(g_request.targetPath, L"Z:\\kept\\target.iso", (int)kLongPathSize);
    window.SetField(IDC_SOURCE_EDIT, "typed source");
    window.SetField(IDC_TARGET_EDIT, "typed target");
    window.Tab(IDC_TAB_ABOUT);
    window.Tab(IDC_TAB_CONVERTER);
    EXPECT_EQ("Z:\\kept\\source.bin", window.Field(IDC_SOURCE_EDIT));
    EXPECT_EQ("Z:\\kept\\target.iso", window.Field(IDC_TARGET_EDIT));
}

TEST(ConverterPage, ConversionShowsBusyLookThenSummaryAndIdleLook)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pageconvert");
    std::string image = dir + "disc.bin";
    std::string target = dir + "disc.iso";
    ASSERT_TRUE(WriteImage(image, kImageMode1, 3000));
    // An existing target: its question holds the run while the busy look is checked.
    ASSERT_TRUE(WriteFileBytes(target, "old", 3));
    window.SetField(IDC_SOURCE_EDIT, image);
    window.SetField(IDC_TARGET_EDIT, target);

    BoxAnswerer boxes;
    boxes.Hold(true);
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(WaitUntil([&] { return boxes.OpenBox() != nullptr; }, 20000));
    EXPECT_TRUE(g_job.IsRunning());
    EXPECT_EQ("&ABBRUCH", window.Field(IDC_CONVERT));
    EXPECT_EQ(0, window.EnabledBusyButtons());
    EXPECT_EQ(image, Ansi(g_request.sourcePath));
    EXPECT_EQ(target, Ansi(g_request.targetPath));
    EXPECT_EQ(window.Page(), g_request.pageWindow);

    boxes.Answer(IDYES);
    boxes.Hold(false);
    ASSERT_TRUE(window.WaitIdle());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(window.Main(), boxes.Seen()[0].owner);
    EXPECT_EQ("&Konvertieren", window.Field(IDC_CONVERT));
    EXPECT_TRUE(window.IdleButtons());
    EXPECT_EQ(0, window.Field(IDC_STATUS_LINE).rfind("Erledigt", 0));
    EXPECT_EQ("", window.Field(IDC_TIME_LINE));
    EXPECT_EQ(ExpectedIso(3000), ReadFileBytes(target));
}

TEST(ConverterPage, EnglishIdleCaptionAfterARun)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pageenglish");
    ASSERT_TRUE(WriteImage(dir + "a.bin", kImageMode2, 150));
    window.SetField(IDC_SOURCE_EDIT, dir + "a.bin");
    window.SetField(IDC_TARGET_EDIT, dir + "a.iso");
    DeleteFileA((dir + "a.iso").c_str());
    g_english = 1;
    window.Press(IDC_CONVERT);
    bool idle = window.WaitIdle();
    g_english = 0;
    ASSERT_TRUE(idle);
    EXPECT_EQ("&Convert", window.Field(IDC_CONVERT));
    EXPECT_EQ(ExpectedIso(150), ReadFileBytes(dir + "a.iso"));
}

TEST(ConverterPage, OverwriteDeclinedKeepsTheTarget)
{
    ConverterWindow window;
    std::string dir = TestDir("pagedecline");
    ASSERT_TRUE(WriteImage(dir + "a.bin", kImageMode1, 10));
    ASSERT_TRUE(WriteFileBytes(dir + "a.iso", "keep", 4));
    window.SetField(IDC_SOURCE_EDIT, dir + "a.bin");
    window.SetField(IDC_TARGET_EDIT, dir + "a.iso");
    BoxAnswerer boxes;
    boxes.Answer(IDNO);
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(4, FileSize(dir + "a.iso"));
    EXPECT_TRUE(window.IdleButtons());
}

TEST(ConverterPage, ErrorBoxesOfEveryCode)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pageerrors");
    BoxAnswerer boxes;

    // Missing source.
    window.SetField(IDC_SOURCE_EDIT, dir + "missing.bin");
    window.SetField(IDC_TARGET_EDIT, dir + "out.iso");
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    // Empty fields: the last line of the message is empty.
    window.SetField(IDC_SOURCE_EDIT, "");
    window.SetField(IDC_TARGET_EDIT, "");
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    // Target in a folder that does not exist.
    ASSERT_TRUE(WriteImage(dir + "good.bin", kImageMode1, 5));
    window.SetField(IDC_SOURCE_EDIT, dir + "good.bin");
    window.SetField(IDC_TARGET_EDIT, dir + "no folder\\out.iso");
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    // Unsupported track mode.
    std::vector<unsigned char> bad(2352 * 3, 0);
    memset(&bad[1], 0xFF, 10);
    bad[15] = 3;
    ASSERT_TRUE(WriteFileBytes(dir + "mode3.bin", bad.data(), bad.size()));
    window.SetField(IDC_SOURCE_EDIT, dir + "mode3.bin");
    window.SetField(IDC_TARGET_EDIT, dir + "mode3.iso");
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());

    ASSERT_EQ(4u, boxes.Count());
    std::vector<SeenBox> seen = boxes.Seen();
    EXPECT_EQ(std::string(kSourceOpen) + dir + "missing.bin", seen[0].text);
    EXPECT_EQ(std::string(kSourceOpen), seen[1].text);
    EXPECT_EQ(std::string(kTargetOpen) + dir + "no folder\\out.iso", seen[2].text);
    EXPECT_EQ("Unbekanntes Format\nUnsupported track mode", seen[3].text);
    // A box owned by the page belongs to the page's top-level window.
    for (const SeenBox& box : seen)
        EXPECT_EQ(window.Main(), box.owner);
    EXPECT_TRUE(window.IdleButtons());

    // The two codes of failed transfers, and a code that shows nothing.
    lstrcpynW(g_request.sourcePath, L"Z:\\src\\a.bin", (int)kLongPathSize);
    lstrcpynW(g_request.targetPath, L"Z:\\dst\\a.iso", (int)kLongPathSize);
    EXPECT_EQ(TRUE, OnConvertError(window.Page(), kTargetWriteFailed));
    EXPECT_EQ(TRUE, OnConvertError(window.Page(), kSourceReadFailed));
    EXPECT_EQ(TRUE, OnConvertError(window.Page(), 99));
    // The file a run had to leave beside the target, named after the target;
    // sent as the run sends it. The last: the kept image's name, then after
    // its NUL the old file's.
    const WCHAR* const left[] = {L"Z:\\dst\\a (neu).iso", L"Z:\\dst\\~1F", L"Z:\\dst\\~2F", L"Z:\\dst\\~3F",
                                 L"Z:\\dst\\~4F", L"Z:\\dst\\a (neu).iso\0Z:\\dst\\~5F"};
    const LPARAM leftCodes[] = {kImageKeptBeside,  kTargetWriteFailed, kSourceReadFailed,
                                kPartialImageLeft, kOldFileLeft,       kImageAndOldFileLeft};
    for (int i = 0; i < 6; ++i)
        SendMessageA(window.Page(), WM_CONVERT_ERROR, (WPARAM)left[i], leftCodes[i]);
    PumpMessages();
    ASSERT_EQ(12u, boxes.Count());
    seen = boxes.Seen();
    EXPECT_EQ(std::string(kTargetWrite) + "Z:\\dst\\a.iso", seen[4].text);
    EXPECT_EQ(std::string(kSourceRead) + "Z:\\src\\a.bin", seen[5].text);
    const std::string partial =
        "Die unvollst\xE4ndige Datei lie\xDF sich nicht l\xF6schen:\nThe incomplete file could not be deleted:\n";
    EXPECT_EQ(std::string(kTargetWrite) + "Z:\\dst\\a.iso\n\n"
                  "Das fertige Abbild liegt daneben als:\nThe finished image is kept beside it as:\n"
                  "Z:\\dst\\a (neu).iso",
              seen[6].text);
    EXPECT_EQ(std::string(kTargetWrite) + "Z:\\dst\\a.iso\n\n" + partial + "Z:\\dst\\~1F", seen[7].text);
    EXPECT_EQ(std::string(kSourceRead) + "Z:\\src\\a.bin\n\n" + partial + "Z:\\dst\\~2F", seen[8].text);
    EXPECT_EQ(partial + "Z:\\dst\\~3F", seen[9].text);
    EXPECT_EQ("Die alte Datei lie\xDF sich nicht l\xF6schen:\nThe old file could not be deleted:\nZ:\\dst\\~4F",
              seen[10].text);
    EXPECT_EQ(std::string(kTargetWrite) + "Z:\\dst\\a.iso\n\n"
                  "Das fertige Abbild liegt daneben als:\nThe finished image is kept beside it as:\n"
                  "Z:\\dst\\a (neu).iso\n\n"
                  "Die alte Datei liegt daneben als:\nThe old file is kept beside it as:\nZ:\\dst\\~5F",
              seen[11].text);
}

TEST(ConverterPage, ErrorBoxHoldsTheRunUntilItIsClosed)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pageerrorwait");
    window.SetField(IDC_SOURCE_EDIT, dir + "missing.bin");
    window.SetField(IDC_TARGET_EDIT, dir + "out.iso");
    BoxAnswerer boxes;
    boxes.Hold(true);
    // The box runs its modal loop on this thread, so it is looked at and
    // released from another one.
    std::atomic<bool> opened(false);
    std::atomic<bool> runningWhileOpen(false);
    std::string captionWhileOpen;
    HWND page = window.Page();
    std::thread releaser([&] {
        DWORD start = GetTickCount();
        while (!boxes.OpenBox() && GetTickCount() - start < 20000)
            Sleep(5);
        opened = boxes.OpenBox() != nullptr;
        Sleep(200);
        runningWhileOpen = g_job.IsRunning();
        captionWhileOpen = ControlText(page, IDC_CONVERT);
        boxes.Hold(false);
    });
    window.Press(IDC_CONVERT);
    bool idle = window.WaitIdle();
    releaser.join();
    ASSERT_TRUE(idle);
    EXPECT_TRUE(opened);
    // The worker was still inside its call to the page, the page still busy.
    EXPECT_TRUE(runningWhileOpen);
    EXPECT_EQ("&ABBRUCH", captionWhileOpen);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(std::string(kSourceOpen) + dir + "missing.bin", boxes.Seen()[0].text);
    EXPECT_TRUE(window.IdleButtons());
    EXPECT_FALSE(FileExists(dir + "out.iso"));
}

// Longer than the longest path Windows takes (a field's text set by a
// program is not held to its typing limit).
TEST(ConverterPage, OverlongFieldIsRefusedWithItsWholePath)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pagelong");
    std::string longSource = dir + std::string(kLongPathSize, 's') + ".bin";
    std::string longTarget = dir + std::string(kLongPathSize, 't') + ".iso";
    BoxAnswerer boxes;
    window.SetField(IDC_SOURCE_EDIT, longSource);
    window.SetField(IDC_TARGET_EDIT, dir + "fine.iso");
    window.Press(IDC_CONVERT);
    window.SetField(IDC_SOURCE_EDIT, dir + "fine.bin");
    window.SetField(IDC_TARGET_EDIT, longTarget);
    window.Press(IDC_CONVERT);
    PumpMessages();
    EXPECT_FALSE(g_job.IsBusy());
    ASSERT_EQ(2u, boxes.Count());
    // As far as a box's text can be read back.
    size_t readable = boxes.Seen()[0].text.size();
    ASSERT_LT(1000u, readable);
    EXPECT_EQ((std::string(kSourceOpen) + longSource).substr(0, readable), boxes.Seen()[0].text);
    EXPECT_EQ((std::string(kTargetOpen) + longTarget).substr(0, readable), boxes.Seen()[1].text);
    EXPECT_TRUE(window.IdleButtons());
    EXPECT_STREQ(L"", g_request.sourcePath);
    EXPECT_FALSE(FileExists(dir + "fine.iso"));
}

// A name the code page holds only as a look-alike ("Plyta.bin" beside it,
// another image) is taken as it is, dropped, typed or chosen in a dialog; the
// field and the question show it as it is, and the look-alikes stay untouched.
TEST(ConverterPage, NamesOutsideTheCodePageAreTakenAsTheyAre)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("bestfit");
    std::wstring chosen = Wide(dir) + kBestFitSource;
    std::string lookAlike = dir + "Plyta.bin";
    ASSERT_TRUE(WriteImage(chosen, kImageMode1, 5));
    ASSERT_TRUE(WriteImage(lookAlike, kImageMode2, 7));
    std::vector<unsigned char> lookAlikeBytes = ReadFileBytes(lookAlike);
    std::string out = dir + "out.iso";
    std::wstring target = Wide(dir) + kBestFitTarget;
    std::string targetLookAlike = dir + "Zoe.iso";
    ASSERT_TRUE(WriteFileBytes(targetLookAlike, "keep", 4));
    DeleteFileW(target.c_str());
    BoxAnswerer boxes;

    // Dropped.
    SendMessageA(window.Page(), WM_DROPFILES, (WPARAM)MakeDrop(std::vector<std::wstring>{chosen}), 0);
    EXPECT_EQ(chosen, WindowWideText(GetDlgItem(window.Page(), IDC_SOURCE_EDIT)));
    DeleteFileA(out.c_str());
    window.SetField(IDC_TARGET_EDIT, out);
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    EXPECT_EQ(chosen, std::wstring(g_request.sourcePath));
    EXPECT_EQ(ExpectedIso(5), ReadFileBytes(out));

    // Chosen in the Open dialog, then a new target chosen in the Save dialog.
    window.SetField(IDC_SOURCE_EDIT, "");
    {
        FileDialogUser user(chosen);
        window.Press(IDC_SOURCE_BROWSE);
        ASSERT_TRUE(user.Done());
    }
    EXPECT_EQ(chosen, WindowWideText(GetDlgItem(window.Page(), IDC_SOURCE_EDIT)));
    {
        FileDialogUser user(target);
        window.Press(IDC_TARGET_BROWSE);
        ASSERT_TRUE(user.Done());
    }
    EXPECT_EQ(target, WindowWideText(GetDlgItem(window.Page(), IDC_TARGET_EDIT)));
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    EXPECT_EQ(ExpectedIso(5), ReadFileBytes(target));

    // Typed, over the image just written: the question names it as it is.
    SetDlgItemTextW(window.Page(), IDC_SOURCE_EDIT, chosen.c_str());
    SetDlgItemTextW(window.Page(), IDC_TARGET_EDIT, target.c_str());
    boxes.Answer(IDYES);
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Soll die vorhandene Datei '" + target + L"' \x00FC" L"berschrieben werden ?\n",
              boxes.Seen()[0].wideText);
    EXPECT_EQ(ExpectedIso(5), ReadFileBytes(target));
    EXPECT_EQ(lookAlikeBytes, ReadFileBytes(lookAlike));
    std::vector<unsigned char> kept = ReadFileBytes(targetLookAlike);
    EXPECT_EQ("keep", std::string(kept.begin(), kept.end()));
}

// Which file a field means. The source under another spelling is no target
// for itself: refused after the question, before anything is written. A raw
// volume is refused as a name, with no question. A relative name is shown in
// full before it is used.
TEST(ConverterPage, FieldsNameTheVeryFile)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pagespelling");
    std::string source = dir + "disc.bin";
    ASSERT_TRUE(WriteImage(source, kImageMode1, 200));
    std::vector<unsigned char> sourceBytes = ReadFileBytes(source);
    DeleteFileA((dir + "rel.iso").c_str());
    std::vector<std::string> before = FilesIn(dir);
    std::string status = window.Field(IDC_STATUS_LINE);
    std::string capitals = source;
    for (char& c : capitals)
        c = (char)toupper((unsigned char)c);
    const std::string spellings[] = {"\\\\?\\" + capitals, ShortForm(Wide(dir)) + "sub\\..\\disc.bin"};
    BoxAnswerer boxes;
    size_t asked = 0;
    window.SetField(IDC_SOURCE_EDIT, source);
    for (const std::string& spelling : spellings) {
        window.SetField(IDC_TARGET_EDIT, spelling);
        boxes.Answer(IDYES);
        window.Press(IDC_CONVERT);
        ASSERT_TRUE(window.WaitIdle());
        std::string taken = window.Field(IDC_TARGET_EDIT);
        std::vector<SeenBox> seen = boxes.Seen();
        ASSERT_EQ(asked + 2, seen.size()) << spelling;
        EXPECT_EQ("Soll die vorhandene Datei '" + taken + "' \xFC" "berschrieben werden ?\n", seen[asked].text);
        EXPECT_EQ(std::string(kTargetOpen) + taken, seen[asked + 1].text);
        asked += 2;
    }
    EXPECT_EQ(status, window.Field(IDC_STATUS_LINE)) << "a copy was made";
    EXPECT_EQ(sourceBytes, ReadFileBytes(source));
    EXPECT_EQ(before, FilesIn(dir));

    window.SetField(IDC_SOURCE_EDIT, "\\\\.\\Z:");
    window.SetField(IDC_TARGET_EDIT, dir + "rel.iso");
    window.Press(IDC_CONVERT);
    EXPECT_FALSE(g_job.IsBusy());
    ASSERT_TRUE(boxes.WaitForCount(asked + 1, 5000));
    EXPECT_EQ(std::string(kSourceOpen) + "\\\\.\\Z:", boxes.Seen()[asked].text);

    std::wstring saved = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryW(Wide(dir).c_str()));
    window.SetField(IDC_SOURCE_EDIT, source);
    window.SetField(IDC_TARGET_EDIT, "rel.iso");
    window.Press(IDC_CONVERT);
    SetCurrentDirectoryW(saved.c_str());
    ASSERT_TRUE(window.WaitIdle());
    EXPECT_EQ(dir + "rel.iso", window.Field(IDC_TARGET_EDIT));
    EXPECT_EQ(ExpectedIso(200), ReadFileBytes(dir + "rel.iso"));
    EXPECT_EQ(asked + 1, boxes.Count());
}

// Names that Windows would read as another file, or that it would make into
// a file other programs cannot open or delete, are refused at Convert in their
// open message, before any question and before anything is written: a stream
// after a colon, a "\\?\" name that Windows' name rules would change (which
// the prefix turns off), a name in the device space that reads like a share
// ("\\.\" as the server), and a path too long for MAX_PATH whose prefixed
// form would break those rules. Paths of any other length convert.
TEST(ConverterPage, NamesOutsideWindowsRulesAreRefusedAtConvert)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("pagerules");
    std::string source = dir + "disc.bin";
    ASSERT_TRUE(WriteImage(source, kImageMode1, 20));
    std::vector<std::string> before = FilesIn(dir);

    std::string raw = "\\\\?\\" + dir;
    std::string deep = dir + std::string(150, 'd') + "\\" + std::string(120, 'e') + "\\";
    const struct {
        bool isSource;
        std::string name;
    } refused[] = {
        {true, "\\\\.\\UNC\\server\\share\\disc.bin"},
        {false, dir + "a.iso:s"},
        {true, "\\\\server\\share\\disc.bin:s"},
        {false, raw + "b.iso."},
        {false, raw + "b.iso "},
        {false, raw + "sub.\\b.iso"},
        {false, raw + "nul.iso"},
        {false, raw + "Lpt1 .txt"},
        {false, "\\\\?\\UNC\\server\\aux\\b.iso"},
        {false, deep + "aux\\b.iso"},
    };
    BoxAnswerer boxes;
    size_t shown = 0;
    for (const auto& r : refused) {
        window.SetField(IDC_SOURCE_EDIT, r.isSource ? r.name : source);
        window.SetField(IDC_TARGET_EDIT, r.isSource ? dir + "disc.iso" : r.name);
        window.Press(IDC_CONVERT);
        EXPECT_FALSE(g_job.IsBusy()) << r.name;
        ASSERT_TRUE(window.WaitIdle());
        if (boxes.WaitForCount(shown + 1, 5000))
            EXPECT_EQ(std::string(r.isSource ? kSourceOpen : kTargetOpen) + r.name, boxes.Seen()[shown].text);
        else
            ADD_FAILURE() << "taken: " << r.name;
        shown = boxes.Count();
    }
    EXPECT_EQ(before, FilesIn(dir));

    // A source and an existing target of about 300 characters, in folders
    // named in Greek, Japanese and Cyrillic: the question names the target as
    // it is, and the image replaces it.
    const std::wstring named = L"\x0394\x03AF\x03C3\x03BA\x03BF\x03C2 \x97F3\x697D \x0434\x0438\x0441\x043A ";
    std::wstring folder = Wide(dir);
    while (folder.size() < 200) {
        folder += named + std::wstring(60, L'x') + L"\\";
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    }
    // The folder ends anywhere up to 280 characters, as deep as the build lies.
    size_t used = folder.size() + named.size() + 4;
    size_t fill = used < 290 ? 300 - used : 10;
    std::wstring longSource = folder + named + std::wstring(fill, L's') + L".bin";
    std::wstring longTarget = folder + named + std::wstring(fill, L't') + L".iso";
    ASSERT_TRUE(WriteImage(longSource, kImageMode2, 30));
    ASSERT_TRUE(WriteImage(longTarget, kImageMode1, 1));
    SetDlgItemTextW(window.Page(), IDC_SOURCE_EDIT, longSource.c_str());
    SetDlgItemTextW(window.Page(), IDC_TARGET_EDIT, longTarget.c_str());
    boxes.Answer(IDYES);
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    ASSERT_EQ(shown + 1, boxes.Count());
    EXPECT_EQ(L"Soll die vorhandene Datei '" + longTarget + L"' \x00FC" L"berschrieben werden ?\n",
              boxes.Seen()[shown].wideText);
    EXPECT_EQ(longTarget, WindowWideText(GetDlgItem(window.Page(), IDC_TARGET_EDIT)));
    EXPECT_EQ(ExpectedIso(30), ReadFileBytes(longTarget));

    // A new one, which has no other form.
    std::wstring newTarget = longTarget.substr(0, longTarget.size() - 5) + L"n.iso";
    DeleteFileW((L"\\\\?\\" + newTarget).c_str());
    SetDlgItemTextW(window.Page(), IDC_TARGET_EDIT, newTarget.c_str());
    window.Press(IDC_CONVERT);
    ASSERT_TRUE(window.WaitIdle());
    EXPECT_EQ(shown + 1, boxes.Count());
    EXPECT_EQ(ExpectedIso(30), ReadFileBytes(newTarget));
}

// Under "\\?\" Windows' name rules are off, and a device's name would make a
// file that other programs cannot open: every device name is refused in any
// case, with or without an extension or blanks before it; names that only
// begin like one are taken.
TEST(PathRules, DeviceNamesUnderTheRawPrefix)
{
    std::vector<std::wstring> devices = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const WCHAR* family : {L"COM", L"LPT"}) {
        for (WCHAR digit = L'0'; digit <= L'9'; ++digit)
            devices.push_back(family + std::wstring(1, digit));
        for (WCHAR superscript : {(WCHAR)0x00B9, (WCHAR)0x00B2, (WCHAR)0x00B3})
            devices.push_back(family + std::wstring(1, superscript));
    }
    const std::wstring folder = L"\\\\?\\C:\\images\\";
    WCHAR out[kLongPathSize];
    for (const std::wstring& device : devices) {
        std::wstring lower = device;
        for (WCHAR& c : lower)
            c = (WCHAR)towlower(c);
        for (const std::wstring& name : {device, device + L".iso", lower + L".tar.gz", device + L"  .txt"}) {
            EXPECT_EQ(0, RequestPath((folder + name).c_str(), out)) << Ansi(name);
            EXPECT_EQ(0, RequestPath((folder + name + L"\\disc.iso").c_str(), out)) << Ansi(name);
        }
    }
    for (const WCHAR* name : {L"CONS", L"CO", L"NULL.iso", L"COM", L"COM10", L"LPT.iso", L"xcon.iso", L"AUX1",
                              L"COM\x00B4", L"con-iso", L"prn_.txt"}) {
        EXPECT_EQ(1, RequestPath((folder + name).c_str(), out)) << Ansi(name);
        EXPECT_EQ(folder + name, out);
    }
}

TEST(ConverterPage, FileDialogsLeaveTheCurrentDirectory)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::wstring saved = CurrentDirectory();
    // A folder the code page cannot name must come back exactly.
    std::wstring here = Wide(TestDir("cwd")) + L"P\x0142yty";
    CreateDirectoryW(here.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryW(here.c_str()));
    std::wstring before = CurrentDirectory();
    std::string elsewhere = TestDir("cwd elsewhere");
    ASSERT_TRUE(WriteImage(elsewhere + "disc.bin", kImageMode1, 1));

    {
        FileDialogUser user(elsewhere + "disc.bin");
        window.Press(IDC_SOURCE_BROWSE);
        ASSERT_TRUE(user.Done());
    }
    std::wstring afterOpen = CurrentDirectory();
    {
        FileDialogUser user(elsewhere + "disc.iso");
        window.Press(IDC_TARGET_BROWSE);
        ASSERT_TRUE(user.Done());
    }
    std::wstring afterSave = CurrentDirectory();
    SetCurrentDirectoryW(saved.c_str());
    EXPECT_EQ(elsewhere + "disc.iso", window.Field(IDC_TARGET_EDIT));
    EXPECT_EQ(before, afterOpen);
    EXPECT_EQ(before, afterSave);
}

class ConverterCancel : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, m_window.Page());
        m_dir = TestDir("pagecancel");
        m_image = m_dir + "big.bin";
        m_target = m_dir + "big.iso";
        if (FileSize(m_image) != 2352LL * kSectors) {
            ASSERT_TRUE(WriteImage(m_image, kImageMode1, kSectors));
        }
        DeleteFileA(m_target.c_str());
        m_window.SetField(IDC_SOURCE_EDIT, m_image);
        m_window.SetField(IDC_TARGET_EDIT, m_target);
    }
    // Starts a run and waits until it has copied a few per cent.
    void StartAndWaitForProgress()
    {
        m_window.Press(IDC_CONVERT);
        ASSERT_TRUE(WaitUntil([&] { return BarPosition(m_window.Page()) >= 2; }, 30000));
    }
    // Presses Cancel; `answer` is given to the question once `release` holds.
    void PressCancel(BoxAnswerer& boxes, int answer, const std::function<bool()>& release)
    {
        boxes.Hold(true);
        std::atomic<bool> stop(false);
        std::thread releaser([&] {
            while (!stop && !(boxes.OpenBox() && release()))
                Sleep(5);
            boxes.Answer(answer);
            boxes.Hold(false);
        });
        m_window.Press(IDC_CONVERT);
        stop = true;
        releaser.join();
    }

    static const uint32_t kSectors = 80000;
    ConverterWindow m_window;
    std::string m_dir;
    std::string m_image;
    std::string m_target;
};

TEST_F(ConverterCancel, NoAndCancelKeepItRunningYesStopsAndDeletes)
{
    BoxAnswerer boxes;
    StartAndWaitForProgress();
    DWORD startTick = g_job.m_startTick;

    PressCancel(boxes, IDNO, [] { return true; });
    EXPECT_TRUE(g_job.IsRunning());
    EXPECT_EQ(0, g_cancelRequested.load());
    PressCancel(boxes, IDCANCEL, [] { return true; });
    EXPECT_TRUE(g_job.IsRunning());
    EXPECT_EQ(startTick, g_job.m_startTick);

    int before = BarPosition(m_window.Page());
    // The interface answers while the question is open and while the run stops.
    std::atomic<bool> stop(false);
    std::atomic<DWORD> unanswered(0);
    HWND page = m_window.Page();
    std::thread prober([&] {
        while (!stop) {
            DWORD_PTR ignored = 0;
            if (!SendMessageTimeoutA(page, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored))
                ++unanswered;
            Sleep(5);
        }
    });
    PressCancel(boxes, IDYES, [&] { return BarPosition(page) > before; });
    EXPECT_EQ(1, g_cancelRequested.load());
    ASSERT_TRUE(m_window.WaitIdle());
    stop = true;
    prober.join();

    ASSERT_EQ(3u, boxes.Count());
    for (const SeenBox& box : boxes.Seen()) {
        EXPECT_EQ(kCancelQuestion, box.text);
        EXPECT_EQ("", box.caption);
        EXPECT_EQ(m_window.Main(), box.owner);
    }
    EXPECT_EQ(0u, unanswered.load());
    EXPECT_FALSE(g_job.IsRunning());
    EXPECT_EQ(0, g_cancelRequested.load());
    EXPECT_FALSE(FileExists(m_target));
    EXPECT_EQ("&Konvertieren", m_window.Field(IDC_CONVERT));
    EXPECT_TRUE(m_window.IdleButtons());
    EXPECT_EQ(std::string::npos, m_window.Field(IDC_STATUS_LINE).find("Erledigt"));
}

TEST_F(ConverterCancel, YesAfterTheRunEndedKeepsTheIso)
{
    BoxAnswerer boxes;
    StartAndWaitForProgress();
    PressCancel(boxes, IDYES, [] { return !g_job.IsRunning(); });
    ASSERT_TRUE(m_window.WaitIdle());
    EXPECT_EQ(1u, boxes.Count());
    EXPECT_EQ(2048LL * kSectors, FileSize(m_target));
    EXPECT_EQ(0, m_window.Field(IDC_STATUS_LINE).rfind("Erledigt", 0));

    // The next run is not cancelled by that late answer.
    DeleteFileA(m_target.c_str());
    m_window.Press(IDC_CONVERT);
    ASSERT_TRUE(m_window.WaitIdle(120000));
    EXPECT_EQ(2048LL * kSectors, FileSize(m_target));
}

namespace {

// The watcher's wind-up, held until the test lets it go: the watcher wakes as
// soon as the worker ends, so without the hold it may be done before the test
// looks.
HANDLE g_windUpRelease;
void (*g_heldWindUp)();

void HeldWindUp()
{
    WaitForSingleObject(g_windUpRelease, 30000);
    g_heldWindUp();
}

}  // namespace

TEST_F(ConverterCancel, ConvertDoesNothingWhileTheLastRunIsWoundUp)
{
    BoxAnswerer boxes;
    m_window.Press(IDC_CONVERT);
    // The page's hooks are in place once the run has started; the watcher
    // reads its hook only after the worker has ended.
    g_windUpRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, g_windUpRelease);
    g_heldWindUp = g_job.m_hooks.m_finished;
    g_job.m_hooks.m_finished = HeldWindUp;
    bool ended = WaitUntil([] { return !g_job.IsRunning(); }, 120000);
    bool busy = g_job.IsBusy();
    DWORD startTick = g_job.m_startTick;
    auto handled = OnConverterCommand(m_window.Page(), IDC_CONVERT);
    bool sameRun = startTick == g_job.m_startTick;
    SetEvent(g_windUpRelease);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(busy);
    EXPECT_EQ(FALSE, handled);
    EXPECT_TRUE(sameRun);
    EXPECT_EQ(0u, boxes.Count());
    ASSERT_TRUE(m_window.WaitIdle());
    CloseHandle(g_windUpRelease);
    g_windUpRelease = nullptr;
    EXPECT_TRUE(m_window.IdleButtons());
    EXPECT_EQ(2048LL * kSectors, FileSize(m_target));
}

namespace {

// Waits until the job is wound up while this thread handles only the messages
// sent to it (the run's window calls), as the session's end does: nothing
// posted is taken off the queue.
bool WaitWindUpHandlingSentOnly(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (g_job.IsBusy()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    }
    return true;
}

}  // namespace

// An end asked for during a run asks first, also before the run's first window
// call has been handled, and then comes with the wind-up, not before it. Idle
// again, the program ends at once.
TEST_F(ConverterCancel, EndDuringARunComesWithTheWindUp)
{
    BoxAnswerer boxes;
    boxes.Answer(IDNO);
    boxes.Answer(IDYES);
    HWND main = m_window.Main();
    ShowWindow(main, SW_SHOW);
    m_window.Press(IDC_CONVERT);
    g_windUpRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, g_windUpRelease);
    g_heldWindUp = g_job.m_hooks.m_finished;
    g_job.m_hooks.m_finished = HeldWindUp;

    // Nothing handled since the start: the run counts as under way all the same.
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    size_t askedAtOnce = boxes.Count();
    bool shownAfterNo = IsWindowVisible(main) != FALSE;

    bool progressed = WaitUntil([&] { return BarPosition(m_window.Page()) >= 2; }, 30000);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    bool ended = WaitUntil([] { return !g_job.IsRunning(); }, 60000);
    bool shownUntilTheWindUp = IsWindowVisible(main) != FALSE;
    SetEvent(g_windUpRelease);
    bool woundUp = WaitWindUpHandlingSentOnly(30000);
    bool shownAfterTheWindUp = IsWindowVisible(main) != FALSE;
    ShowWindow(main, SW_SHOW);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    bool shownAfterAnIdleEnd = IsWindowVisible(main) != FALSE;
    CloseHandle(g_windUpRelease);
    g_windUpRelease = nullptr;

    EXPECT_EQ(1u, askedAtOnce);
    EXPECT_TRUE(shownAfterNo);
    EXPECT_TRUE(progressed);
    ASSERT_TRUE(ended);
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ(kCancelQuestion, boxes.Seen()[1].text);
    EXPECT_TRUE(shownUntilTheWindUp) << "the program ended before the run was wound up";
    ASSERT_TRUE(woundUp);
    EXPECT_FALSE(shownAfterTheWindUp) << "the wind-up did not end the program";
    EXPECT_FALSE(shownAfterAnIdleEnd);
    EXPECT_EQ(2u, boxes.Count());
    EXPECT_FALSE(FileExists(m_target));
}

// The session's end leaves the process ending for good: these run in a
// process of their own (a CTest entry of their own).
TEST(SessionEnd, RunErrorShowsNoBoxWhileTheSessionEnds)
{
    ConverterWindow window;
    ASSERT_NE(nullptr, window.Page());
    std::string dir = TestDir("sessionerror");
    window.SetField(IDC_SOURCE_EDIT, dir + "missing.bin");
    window.SetField(IDC_TARGET_EDIT, dir + "out.iso");
    BoxAnswerer boxes;
    window.Press(IDC_CONVERT);
    // Nothing handled since the start: the run's window calls, its open error
    // among them, reach this thread only while the session's end waits for it.
    SendMessageA(window.Main(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    bool woundUp = !g_job.IsBusy();
    size_t shown = boxes.Count();
    MSG quit;
    bool quitPosted = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;

    EXPECT_TRUE(woundUp) << "the session's end did not wait for the run";
    EXPECT_EQ(0u, shown) << "a box waited for an answer while the session ended";
    // The idle look came with the wind-up, inside the session's end.
    EXPECT_EQ(9, window.EnabledBusyButtons());
    EXPECT_TRUE(quitPosted);
    EXPECT_FALSE(FileExists(dir + "out.iso"));
}

namespace {

// What the user reads: the window's text in UTF-16.
std::wstring Shown(HWND window)
{
    WCHAR text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring Shown(HWND dialog, int id)
{
    return Shown(GetDlgItem(dialog, id));
}

}  // namespace

// Run on its own under a system code page other than 1252 (its CTest entries
// set the locale Wine takes it from): every text the program writes itself
// reads as written, and paths as the code page holds them.
TEST(ForeignCodePage, ProgramTextsReadAsWritten)
{
    ASSERT_NE(1252u, GetACP()) << "meant to run under another code page";
    std::string dir = TestDir("codepage");
    std::string source = dir + "disc.bin";
    std::string target = dir + "disc.iso";
    // Paths with letters code page 1252 lacks and this one holds, for the
    // error boxes. (Wine names no such file under a locale it lacks.)
    std::wstring namedSource = L"C:\\\x043E\x0431\x0440\x0430\x0437.bin";
    std::wstring namedTarget = L"C:\\\x0434\x0438\x0441\x043A.iso";
    ASSERT_EQ(namedTarget, Wide(Ansi(namedTarget)));

    for (int english : {0, 1}) {
        ConverterWindow window;
        ASSERT_NE(nullptr, window.Page());
        if (english) {
            window.Tab(IDC_TAB_LANGUAGE);
            SendMessageW(window.Page(), WM_COMMAND, MAKEWPARAM(IDC_ENGLISH, BN_CLICKED), 0);
            PumpMessages();
        }
        EXPECT_EQ(L"Kavonix  Ver 1.64.2", Shown(window.Main()));
        EXPECT_EQ(english ? L"&Language" : L"&Sprache", Shown(window.Main(), IDC_TAB_LANGUAGE));
        EXPECT_EQ(english ? L"&More" : L"&Mehr", Shown(window.Main(), IDC_TAB_EXTRAS));

        window.Tab(IDC_TAB_EXTRAS);
        EXPECT_EQ(english ? L"Recommend Kavonix" : L"Programm empfehlen", Shown(window.Page(), IDC_RECOMMEND));
        EXPECT_EQ(english ? L"Send Kavonix by e-mail" : L"Programm per E-mail verschicken",
                  Shown(window.Page(), IDC_SEND_PROGRAM));
        EXPECT_EQ(english ? L"I'w more Freeware" : L"Ich will mehr Freeware", Shown(window.Page(), IDC_MORE_FREEWARE));

        window.Tab(IDC_TAB_CONVERTER);
        HWND page = window.Page();
        EXPECT_EQ(english ? L"&Convert" : L"&Konvertieren", Shown(page, IDC_CONVERT));
        EXPECT_EQ(english ? L"&Source : " : L"&Quele : ", Shown(page, IDC_SOURCE_LABEL));
        EXPECT_EQ(english ? L"&Target : " : L"&Ziel : ", Shown(page, IDC_TARGET_LABEL));

        // The status and time lines, reported from a worker thread.
        {
            CFakeClock clock({2000, 20500});
            g_convertStartMs = 0;
            EXPECT_EQ(1, RunOnWorker([=] { return ReportProgress(237552, 2352000, page, kReportIntermediate); }));
            EXPECT_EQ(english ? L"Remaining 17 Sek.  ||  Elapsed: 2 Sek." : L"Noch 17 Sek.  ||  Verstrichen: 2 Sek.",
                      Shown(page, IDC_TIME_LINE));
            EXPECT_EQ(english ? L"Status :[10.1 %]  ||  \x00D8 115.99 KB / Sek.  || 231.98 KB at 2.24 MB "
                              : L"Status :[10.1 %]  ||  \x00D8 115.99 KB / Sek.  || 231.98 KB von 2.24 MB ",
                      Shown(page, IDC_STATUS_LINE));
            EXPECT_EQ(1, RunOnWorker([=] { return ReportProgress(2352000, 2352000, page, kReportFinal); }));
            EXPECT_EQ(english ? L"Finish   :||  \x00D8 112.04 KB / Sek.  || Total: 20 Sek."
                              : L"Erledigt   :||  \x00D8 112.04 KB / Sek.  || Gesamtzeit: 20 Sek.",
                      Shown(page, IDC_STATUS_LINE));
            EXPECT_EQ(L"", Shown(page, IDC_TIME_LINE));
        }

        // A run held by the overwrite question: the busy caption, the cancel
        // question, then the idle caption once the overwrite is declined.
        ASSERT_TRUE(WriteFileBytes(target, "old", 3));
        window.SetField(IDC_SOURCE_EDIT, source);
        window.SetField(IDC_TARGET_EDIT, target);
        BoxAnswerer boxes;
        boxes.Hold(true);
        window.Press(IDC_CONVERT);
        ASSERT_TRUE(WaitUntil([&] { return boxes.OpenBox() != nullptr; }, 20000));
        EXPECT_EQ(english ? L"&CANCEL" : L"&ABBRUCH", Shown(page, IDC_CONVERT));
        {
            CBoxHook hook(IDNO);
            window.Press(IDC_CONVERT);
            // (The main dialog, active again once the box has gone, comes next.)
            ASSERT_FALSE(hook.Boxes().empty());
            EXPECT_EQ(L"Wollen Sie wirklich abbrechen ? ", hook.Boxes()[0].wideText);
        }
        boxes.Answer(IDNO);
        boxes.Hold(false);
        ASSERT_TRUE(window.WaitIdle());
        EXPECT_EQ(english ? L"&Convert" : L"&Konvertieren", Shown(page, IDC_CONVERT));

        // The error boxes, each with the path of the request.
        lstrcpynW(g_request.sourcePath, namedSource.c_str(), (int)kLongPathSize);
        lstrcpynW(g_request.targetPath, namedTarget.c_str(), (int)kLongPathSize);
        for (LPARAM code : {kSourceOpenFailed, kTargetOpenFailed, kUnsupportedTrackMode, kTargetWriteFailed,
                            kSourceReadFailed})
            OnConvertError(page, code);
        OnConvertError(page, kPartialImageLeft, g_request.targetPath);
        // A page that cannot be made.
        window.Tab(IDC_TAB_CPU);
        PumpMessages();

        ASSERT_EQ(8u, boxes.Count());
        std::vector<SeenBox> seen = boxes.Seen();
        EXPECT_EQ(english ? L"Output file '" + Wide(target) + L"' already exists. Overwrite existing ?\n"
                          : L"Soll die vorhandene Datei '" + Wide(target) + L"' \x00FC" L"berschrieben werden ?\n",
                  seen[0].wideText);
        EXPECT_EQ(L"Fehler, beim \x00D6" L"ffnen der Quelldatei.\nRead failed, Source file.\n" + namedSource,
                  seen[1].wideText);
        EXPECT_EQ(L"Fehler, beim \x00D6" L"ffnen der Zieldatei.\nWrite failed, Target file.\n" + namedTarget,
                  seen[2].wideText);
        EXPECT_EQ(L"Unbekanntes Format\nUnsupported track mode", seen[3].wideText);
        EXPECT_EQ(L"Fehler, beim Schreiben der Zieldatei.\nWrite failed, Target file.\n" + namedTarget,
                  seen[4].wideText);
        EXPECT_EQ(L"Fehler, beim Lesen der Quelldatei.\nRead failed, Source file.\n" + namedSource,
                  seen[5].wideText);
        EXPECT_EQ(L"Die unvollst\x00E4ndige Datei lie\x00DF sich nicht l\x00F6schen:\n"
                  L"The incomplete file could not be deleted:\n" + namedTarget,
                  seen[6].wideText);
        EXPECT_EQ(L"ERROR", seen[7].wideText);
        g_english = 0;
    }
    DeleteSettingsFile();
}
