// Files dropped onto the real program from outside, as a Linux file manager
// drops them: the wrapper script performs each X11 drop this test asks for and
// Wine delivers it to the program as WM_DROPFILES. Several files, a folder, a
// shortcut, a place that takes no files, and a dropped image converted.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

namespace {

// Z:\a\b -> /a/b: the test files live below the build folder, on drive Z:.
std::string ToUnixPath(const std::string& windowsPath)
{
    std::string out;
    size_t from = (windowsPath.size() >= 2 && windowsPath[1] == ':') ? 2 : 0;
    for (size_t i = from; i < windowsPath.size(); ++i)
        out += windowsPath[i] == '\\' ? '/' : windowsPath[i];
    return out;
}

// Presses the target's browse button, reads the name the Save dialog proposes
// and cancels the dialog.
std::string ProposedTargetName(CProgramDriver& program)
{
    // Looked up first: while the dialog winds up, reading the caption can fail.
    HWND main = program.MainDialog();
    program.ClickPage(IDC_TARGET_BROWSE);
    HWND field = nullptr;
    HWND dialog = WaitForFileDialog(program.ProcessId(), &field, 20000);
    if (!dialog)
        return "<no dialog>";
    std::string proposed = WindowText(field);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
    // Back in the program's own loop: the dialog gone and its owner usable again.
    WaitUntil([&] {
        DWORD_PTR ignored = 0;
        return !IsWindow(dialog) && IsWindowEnabled(main) &&
               SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }, 10000);
    return proposed;
}

bool IdleLook(CProgramDriver& program)
{
    return program.PageText(IDC_CONVERT) == "&Konvertieren" && IsWindowEnabled(GetDlgItem(program.MainDialog(), IDCANCEL)) &&
           IsWindowEnabled(program.PageControl(IDC_SOURCE_BROWSE)) && IsWindowEnabled(program.PageControl(IDC_TARGET_BROWSE));
}

struct DropResult {
    int code;         // the drop client's exit status: 0 taken, 1 refused; -1 no answer
    std::string log;  // what the client said
};

class ProgramDrop : public testing::Test {
protected:
    void SetUp() override
    {
        const char* dir = getenv("KAVONIX_DROP_DIR");
        if (!dir || !*dir)
            GTEST_SKIP() << "needs the X11 drop wrapper (drop.sh)";
        m_dir = ToWindowsPath(dir) + "\\";
        m_request = m_dir + "request";
        m_done = m_dir + "done";
        DeleteFileA(m_done.c_str());
        WriteProgramSettings("0", "0");
    }
    void TearDown() override
    {
        program.Kill();
        DeleteSettingsFile();
    }
    bool Launch()
    {
        return program.Start() && program.WaitForMainDialog() && program.WaitForPage(IDC_CONVERT);
    }

    // The middle of a control of the page shown, in screen coordinates.
    POINT CentreOf(HWND control)
    {
        RECT rect = {0, 0, 0, 0};
        GetWindowRect(control, &rect);
        POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        return point;
    }

    // Has the wrapper drop `files` (Windows paths) at `point` and waits for its answer.
    DropResult Drop(POINT point, const std::vector<std::string>& files)
    {
        DropResult result = {-1, "no answer from the drop wrapper"};
        std::string request = std::to_string(point.x) + " " + std::to_string(point.y) + "\n";
        for (const std::string& file : files)
            request += ToUnixPath(file) + "\n";
        std::string pending = m_request + ".tmp";
        DeleteFileA(m_done.c_str());
        if (!WriteFileBytes(pending, request.data(), request.size()) ||
            !MoveFileExA(pending.c_str(), m_request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            result.log = "cannot write the drop request";
            return result;
        }
        if (!WaitUntil([&] { return FileExists(m_done); }, 60000))
            return result;
        std::vector<unsigned char> bytes = ReadFileBytes(m_done);
        DeleteFileA(m_done.c_str());
        std::string text(bytes.begin(), bytes.end());
        result.code = atoi(text.c_str());
        size_t lineEnd = text.find('\n');
        result.log = lineEnd == std::string::npos ? std::string() : text.substr(lineEnd + 1);
        return result;
    }
    DropResult DropOnSourceField(const std::vector<std::string>& files)
    {
        return Drop(CentreOf(program.PageControl(IDC_SOURCE_EDIT)), files);
    }

    // The program took the drop before the client heard it was finished: a
    // message posted now is handled after it. A selection change is one the
    // test can watch; the field must hold at least two characters.
    bool DropHandled()
    {
        HWND field = program.PageControl(IDC_SOURCE_EDIT);
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(field, EM_SETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored))
            return false;
        if (!PostMessageA(field, EM_SETSEL, 1, 2))
            return false;
        return WaitUntil([&] {
            DWORD_PTR range = 0;
            return SendMessageTimeoutA(field, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &range) &&
                   LOWORD(range) == 1 && HIWORD(range) == 2;
        }, 10000);
    }

    CProgramDriver program;
    std::string m_dir;
    std::string m_request;
    std::string m_done;
};

}  // namespace

TEST_F(ProgramDrop, FirstOfSeveralFilesFoldersIgnoredShortcutsResolved)
{
    std::string first = m_dir + "first disc #1 (100%).bin";
    std::string second = m_dir + "second.bin";
    std::string notes = m_dir + "notes.txt";
    std::string folder = m_dir + "a folder";
    std::string image = m_dir + "linked [image] #1.bin";
    std::string shortcut = m_dir + "to the image.lnk";
    ASSERT_TRUE(WriteImage(first, kImageMode1, 3));
    ASSERT_TRUE(WriteImage(second, kImageMode1, 3));
    ASSERT_TRUE(WriteFileBytes(notes, "x", 1));
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteImage(image, kImageMode1, 3));
    DeleteFileA(shortcut.c_str());
    ASSERT_TRUE(MakeShortcut(shortcut, image));
    ASSERT_TRUE(Launch());
    ASSERT_NE(nullptr, program.PageControl(IDC_SOURCE_EDIT));

    // Several files: only the first counts, as the program's side names it.
    DropResult drop = DropOnSourceField({first, notes, second});
    ASSERT_EQ(0, drop.code) << drop.log;
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_SOURCE_EDIT) == first; }, 10000))
        << "source field: " << program.PageText(IDC_SOURCE_EDIT);
    EXPECT_EQ("", program.PageText(IDC_TARGET_EDIT));
    program.Screenshot("drop-1-several.png");

    // A folder: taken by the window, and the field stays as it was.
    drop = DropOnSourceField({folder});
    ASSERT_EQ(0, drop.code) << drop.log;
    ASSERT_TRUE(DropHandled());
    EXPECT_EQ(first, program.PageText(IDC_SOURCE_EDIT));

    // Outside the page nothing takes files: the drop is refused.
    RECT mainRect = {0, 0, 0, 0};
    GetWindowRect(program.MainDialog(), &mainRect);
    POINT banner = {(mainRect.left + mainRect.right) / 2, mainRect.top + 20};
    drop = Drop(banner, {second});
    EXPECT_EQ(1, drop.code) << drop.log;
    ASSERT_TRUE(DropHandled());
    EXPECT_EQ(first, program.PageText(IDC_SOURCE_EDIT));

    // A shortcut: the field shows the image it points to.
    drop = DropOnSourceField({shortcut});
    ASSERT_EQ(0, drop.code) << drop.log;
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_SOURCE_EDIT) == image; }, 10000))
        << "source field: " << program.PageText(IDC_SOURCE_EDIT);
    program.Screenshot("drop-2-shortcut.png");
    EXPECT_TRUE(program.Boxes().Seen().empty());
}

TEST_F(ProgramDrop, DroppedImageIsConverted)
{
    const uint32_t sectors = 300;
    std::string image = m_dir + "dropped disc.bin";
    std::string target = m_dir + "dropped disc.iso";
    ASSERT_TRUE(WriteImage(image, kImageMode1, sectors));
    DeleteFileA(target.c_str());
    ASSERT_TRUE(Launch());

    DropResult drop = DropOnSourceField({image});
    ASSERT_EQ(0, drop.code) << drop.log;
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_SOURCE_EDIT) == image; }, 10000))
        << "source field: " << program.PageText(IDC_SOURCE_EDIT);

    // The proposal derives from the source last chosen or converted, not from
    // a drop: before any of these it is the bare extension.
    EXPECT_EQ(".iso", ProposedTargetName(program));

    ASSERT_TRUE(program.SetText(program.Page(), IDC_TARGET_EDIT, target))
        << "page " << program.Page() << ", error " << GetLastError();
    ASSERT_TRUE(program.ClickPage(IDC_CONVERT));
    ASSERT_TRUE(WaitUntil([&] { return program.PageText(IDC_STATUS_LINE).rfind("Erledigt", 0) == 0; }, 60000))
        << "status line: " << program.PageText(IDC_STATUS_LINE);
    ASSERT_TRUE(WaitUntil([&] { return IdleLook(program); }, 5000)) << "no idle look after the summary";
    program.Screenshot("drop-3-converted.png");
    EXPECT_TRUE(program.Boxes().Seen().empty());
    EXPECT_TRUE(ReadFileBytes(target) == ExpectedIso(sectors)) << "the ISO differs";

    // Once the dropped image has been converted, the proposal follows it.
    EXPECT_EQ("dropped disc.iso", ProposedTargetName(program));
    EXPECT_EQ(image, program.PageText(IDC_SOURCE_EDIT));
}
