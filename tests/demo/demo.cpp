// Demonstration of a conversion on a virtual display: writes a sample image,
// starts the real program and uses it from outside as a user would (English
// on the language page, the source through the Open dialog, the target through
// the Save dialog, then Convert), keeps screenshots of the window, and checks
// the ISO sector by sector.
//
// Usage: kavonix_demo <output folder, Unix path> [sectors]
// Prints the outcome; exit code 0 when the ISO is what the sample must give.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/support/png.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

namespace {

// About 188 MB of Mode 1 sectors: under Wine the run lasts a second or two,
// long enough for a picture with the bar half way.
const uint32_t kSampleSectors = 80000;
const DWORD kStepTimeoutMs = 20000;
const DWORD kRunTimeoutMs = 300000;
const DWORD kSettleMs = 80;
const int kEnglish = 1103;

// One line of output. The program's texts are code page 1252 ("\xD8" in the
// status line): a console gets them as UTF-16, a pipe or file as UTF-8 with a
// bare line feed.
void PrintLine(const std::string& line)
{
    std::string text = line + "\n";
    std::vector<wchar_t> wide(text.size() + 1);
    int count = MultiByteToWideChar(1252, 0, text.c_str(), (int)text.size(), wide.data(), (int)wide.size());
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wide.data(), (DWORD)count, &written, nullptr);
        return;
    }
    std::vector<char> utf8((size_t)count * 3 + 1);
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, utf8.data(), (int)utf8.size(), nullptr, nullptr);
    WriteFile(out, utf8.data(), (DWORD)size, &written, nullptr);
}

void Say(const std::string& line)
{
    PrintLine("demo: " + line);
}

int Fail(const std::string& what)
{
    Say("FAILED: " + what);
    return 1;
}

bool StartsWith(const std::string& text, const char* head)
{
    return text.compare(0, strlen(head), head) == 0;
}

// The main dialog's client area as the screen shows it, after the program has
// painted it. The client area only: without a window manager nobody draws the
// caption, and the window rectangle would show black bands.
bool SaveScreenshot(CProgramDriver& program, const std::string& path)
{
    HWND main = program.MainDialog();
    if (!main)
        return false;
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Wine hands a window's pixels to the X server when the program's thread
    // goes idle, at most every 50 ms: wake it once more after that.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    Sleep(kSettleMs);
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    Sleep(kSettleMs);

    return SaveClientScreenshot(main, path);
}

// The busy look: the Convert button has become the Cancel button.
bool Busy(CProgramDriver& program)
{
    return program.PageText(IDC_CONVERT) == "&CANCEL";
}

bool Reporting(CProgramDriver& program)
{
    return Busy(program) && StartsWith(program.PageText(IDC_STATUS_LINE), "Status :[");
}

int ProgressPosition(CProgramDriver& program)
{
    HWND bar = program.PageControl(IDC_PROGRESS);
    DWORD_PTR position = 0;
    if (!bar || !SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &position))
        return -1;
    return (int)position;
}

bool IdleLook(CProgramDriver& program)
{
    HWND main = program.MainDialog();
    return program.PageText(IDC_CONVERT) == "&Convert" && IsWindowEnabled(GetDlgItem(main, IDCANCEL)) &&
           IsWindowEnabled(GetDlgItem(main, IDC_TAB_ABOUT)) && IsWindowEnabled(program.PageControl(IDC_SOURCE_BROWSE)) &&
           IsWindowEnabled(program.PageControl(IDC_TARGET_BROWSE));
}

// Compares the ISO with what the sample must give (each sector's data encodes
// its number); "" when they are equal, else what differs.
std::string CompareIso(const std::string& path, uint32_t sectors)
{
    char message[256] = "";
    int64_t size = FileSize(path);
    if (size != 2048LL * sectors) {
        snprintf(message, sizeof(message), "the ISO has %lld bytes, %lld expected", (long long)size, 2048LL * sectors);
        return message;
    }
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return "the ISO cannot be read";
    static unsigned char actual[2048];
    static unsigned char expected[2048];
    for (uint32_t i = 0; i < sectors; ++i) {
        FillSectorData(i, expected);
        if (fread(actual, 1, sizeof(actual), file) != sizeof(actual)) {
            snprintf(message, sizeof(message), "sector %u of the ISO cannot be read", i);
            break;
        }
        if (memcmp(actual, expected, sizeof(actual)) != 0) {
            snprintf(message, sizeof(message), "sector %u of the ISO is not the data of the sample's sector %u", i, i);
            break;
        }
    }
    fclose(file);
    return message;
}

// Removes the settings file the program wrote into the demo's prefix.
struct SettingsCleanup {
    ~SettingsCleanup() { DeleteSettingsFile(); }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !argv[1][0]) {
        Say("usage: kavonix_demo <output folder> [sectors]");
        return 2;
    }
    uint32_t sectors = argc > 2 ? (uint32_t)strtoul(argv[2], nullptr, 10) : kSampleSectors;
    if (sectors == 0)
        return Fail("the number of sectors must be positive");

    std::string dir = ToWindowsPath(argv[1]);
    if (dir.back() != '\\')
        dir += '\\';
    std::string shots = dir + "screenshots\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    CreateDirectoryA(shots.c_str(), nullptr);
    std::string image = dir + "sample.bin";
    std::string target = dir + "sample.iso";
    char line[256] = "";

    if (FileSize(image) != 2352LL * sectors) {
        snprintf(line, sizeof(line), "writing the sample image: %u Mode 1 sectors of 2352 bytes", sectors);
        Say(line);
        if (!WriteImage(image, kImageMode1, sectors))
            return Fail("cannot write " + image);
    }
    DeleteFileA(target.c_str());
    if (FileExists(target))
        return Fail("cannot remove the old " + target);
    // A first start every time: the demo's prefix keeps no choices between runs.
    DeleteSettingsFile();
    SettingsCleanup cleanup;  // ends after the program, on every path
    CProgramDriver program;
    Say("starting " + ProgramPath());
    if (!program.Start() || !program.WaitForMainDialog())
        return Fail("the program's window did not appear");

    // A first start shows the language page; choose English there, then the converter.
    if (!program.WaitForPage(kEnglish, kStepTimeoutMs))
        return Fail("no language page at the first start");
    if (!program.ClickPage(kEnglish) || !WaitUntil([&] { return program.MainText(IDC_TAB_EXTRAS) == "&More"; }, kStepTimeoutMs))
        return Fail("the English button did not take");
    if (!program.ClickTab(IDC_TAB_CONVERTER) || !program.WaitForPage(IDC_CONVERT))
        return Fail("the converter page did not appear");
    if (program.PageText(IDC_CONVERT) != "&Convert")
        return Fail("the Convert button reads \"" + program.PageText(IDC_CONVERT) + "\"");

    std::string proposed;
    Say("source through the Open dialog: " + image);
    if (!program.ChooseInFileDialog(IDC_SOURCE_BROWSE, image, &proposed))
        return Fail("the Open dialog did not come or did not close");
    if (!WaitUntil([&] { return program.PageText(IDC_SOURCE_EDIT) == image; }, kStepTimeoutMs))
        return Fail("the source field reads \"" + program.PageText(IDC_SOURCE_EDIT) + "\"");
    Say("target through the Save dialog: " + target);
    if (!program.ChooseInFileDialog(IDC_TARGET_BROWSE, target, &proposed))
        return Fail("the Save dialog did not come or did not close");
    Say("  (the Save dialog proposed \"" + proposed + "\")");
    if (!WaitUntil([&] { return program.PageText(IDC_TARGET_EDIT) == target; }, kStepTimeoutMs))
        return Fail("the target field reads \"" + program.PageText(IDC_TARGET_EDIT) + "\"");
    if (!SaveScreenshot(program, shots + "1-chosen.png"))
        return Fail("no screenshot 1-chosen.png");

    Say("Convert");
    if (!program.ClickPage(IDC_CONVERT))
        return Fail("the Convert button cannot be clicked");
    if (!WaitUntil([&] { return Busy(program) || program.Boxes().Count() > 0; }, kStepTimeoutMs))
        return Fail("the run did not start (the button reads \"" + program.PageText(IDC_CONVERT) + "\")");

    // The "during" picture: the bar near its middle, and the run
    // still going once the picture is taken.
    WaitUntil(
        [&] {
            int position = ProgressPosition(program);
            return (position >= 30 && position <= 60 && Reporting(program)) || !Busy(program) ||
                   program.Boxes().Count() > 0;
        },
        kRunTimeoutMs);
    bool caught = Reporting(program) && SaveScreenshot(program, shots + "2-running.png");
    // What the picture shows, read right after it was taken.
    int position = ProgressPosition(program);
    std::string status = program.PageText(IDC_STATUS_LINE);
    std::string timeLine = program.PageText(IDC_TIME_LINE);
    if (caught && Reporting(program)) {
        snprintf(line, sizeof(line), "during the run: bar at %d of 100", position);
        Say(line);
        Say("  \"" + status + "\"");
        Say("  \"" + timeLine + "\"");
    } else {
        DeleteFileA((shots + "2-running.png").c_str());
        Say("no picture of the running conversion: it ended too soon (a larger KAVONIX_DEMO_SECTORS helps) or failed");
    }

    // The end: the summary, or a message box about a failure.
    if (!WaitUntil([&] { return StartsWith(program.PageText(IDC_STATUS_LINE), "Finish") || program.Boxes().Count() > 0; },
                   kRunTimeoutMs))
        return Fail("the run did not finish (status \"" + program.PageText(IDC_STATUS_LINE) + "\")");
    if (!WaitUntil([&] { return IdleLook(program); }, kStepTimeoutMs))
        return Fail("the window did not come back to its idle look");
    if (!SaveScreenshot(program, shots + "3-finished.png"))
        return Fail("no screenshot 3-finished.png");
    Say("after the run: \"" + program.PageText(IDC_STATUS_LINE) + "\"");

    std::vector<std::string> boxes = program.BoxTexts();
    for (std::string text : boxes) {
        for (char& c : text)
            c = c == '\n' ? '|' : c;
        Say("the program showed a message box: \"" + text + "\"");
    }

    // "&ESC" ends the program as a user would end it.
    DWORD code = 0;
    program.Click(program.MainDialog(), IDCANCEL);
    if (!program.WaitForExit(kStepTimeoutMs, &code))
        Say("the program did not end on ESC; stopped");
    program.Kill();

    if (!boxes.empty())
        return Fail("the program reported a problem during the run");
    std::string difference = CompareIso(target, sectors);
    if (!difference.empty())
        return Fail(difference);
    snprintf(line, sizeof(line), "OK: the ISO matches the sample, %u sectors, byte for byte", sectors);
    Say(line);
    return 0;
}
