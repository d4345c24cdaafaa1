// Transfers that fail half-way, on real files: a target that reaches the file
// size limit the process was started under, and a source that another program
// shortens while the run reads it. tests/unit/faults.sh prepares the sources
// without a limit, then runs the conversions under one and does the shortening
// when a test asks for it; started any other way these cases skip.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "base/language.h"
#include "convert/convert.h"
#include "convert/job.h"
#include "res/resource.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"
#include "tests/unit/page_watch.h"

namespace {

// 3000 Mode 1 sectors: a 6 MB ISO against a limit of 2 MB (1024 sectors).
const uint32_t kSectors = 3000;
// The shortened source keeps this many whole sectors.
const uint32_t kSectorsLeft = 500;

std::string FaultDir()
{
    return TestDir("faults");
}

bool FaultRun()
{
    return getenv("KAVONIX_FAULTS") != nullptr;
}

class FaultFixture : public testing::Test {
protected:
    void SetUp() override
    {
        if (!FaultRun())
            GTEST_SKIP() << "run by tests/unit/faults.sh";
        ASSERT_TRUE(m_watch.IsReady());
        g_english = 0;
        g_cancelRequested = 0;
    }

    int Convert(const std::string& source, const std::string& target)
    {
        ConvertRequest request;
        ZeroMemory(&request, sizeof(request));
        lstrcpynW(request.sourcePath, Wide(source).c_str(), (int)kLongPathSize);
        lstrcpynW(request.targetPath, Wide(target).c_str(), (int)kLongPathSize);
        request.pageWindow = m_watch.Page();
        // Yes to the overwrite question, where there is one.
        return RunOnWorker([&] {
            CBoxHook hook(IDYES);
            return ConvertImage(request);
        });
    }

    // A stopped run: no summary, the bar back at 0, the time line cleared,
    // and the last status line counting the sectors copied before the fault.
    void ExpectStoppedAt(const char* percent)
    {
        std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
        ASSERT_FALSE(status.empty());
        EXPECT_EQ(0u, status.back().rfind(std::string("Status :[") + percent + " %]", 0)) << status.back();
        EXPECT_EQ(0, m_watch.BarPosition());
        EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
    }

    CPageWatch m_watch;
};

class FaultSetup : public FaultFixture {};
class FaultWrite : public FaultFixture {};
class FaultRead : public FaultFixture {};

}  // namespace

TEST_F(FaultSetup, SourcesWrittenBeforeTheLimit)
{
    std::string dir = FaultDir();
    ASSERT_TRUE(WriteImage(dir + "full.bin", kImageMode1, kSectors));
    ASSERT_TRUE(WriteImage(dir + "shrink.bin", kImageMode1, kSectors));
    ASSERT_TRUE(WriteImage(dir + "headerless.bin", kImageMode2Headerless, kSectors));
}

TEST_F(FaultWrite, ImageAtTheLimitIsDeletedAndReported)
{
    std::string dir = FaultDir();
    ASSERT_EQ(2352LL * kSectors, FileSize(dir + "full.bin"));
    // The image the user agreed to replace is kept whole, and nothing is left beside it.
    std::vector<unsigned char> old = ExpectedIso(3);
    ASSERT_TRUE(WriteFileBytes(dir + "full.iso", old.data(), old.size()));
    std::vector<std::string> before = FilesIn(dir);
    EXPECT_EQ(-1, Convert(dir + "full.bin", dir + "full.iso"));
    EXPECT_EQ(old, ReadFileBytes(dir + "full.iso"));
    EXPECT_EQ(before, FilesIn(dir));
    EXPECT_EQ(std::vector<LPARAM>({kTargetWriteFailed}), m_watch.Errors());
    // 1024 of 3000 sectors went out before the write that failed.
    ExpectStoppedAt("34.1");
    EXPECT_EQ(2352LL * kSectors, FileSize(dir + "full.bin"));
}

// A viewer holds the image open, so it cannot be deleted: it is cut to
// nothing instead of keeping its space, and the message names it.
TEST_F(FaultWrite, HeaderlessImageHeldOpenIsCutToNothing)
{
    std::string dir = FaultDir();
    std::vector<std::string> before = FilesIn(dir);
    std::string image;
    HANDLE viewer = INVALID_HANDLE_VALUE;
    m_watch.onEvent = [&](const PageEvent& event) {
        if (viewer != INVALID_HANDLE_VALUE || event.message != PBM_SETPOS)
            return;
        image = dir + NewFileIn(dir, before);
        viewer = OpenAsViewer(image);
    };
    EXPECT_EQ(-1, Convert(dir + "headerless.bin", dir + "headerless.iso"));
    m_watch.onEvent = nullptr;
    ASSERT_NE(INVALID_HANDLE_VALUE, viewer);
    EXPECT_EQ(0, FileSize(image));
    CloseHandle(viewer);
    DeleteFileA(image.c_str());
    EXPECT_FALSE(FileExists(dir + "headerless.iso"));
    EXPECT_EQ(std::vector<LPARAM>({kTargetWriteFailed}), m_watch.Errors());
    EXPECT_EQ(std::vector<std::string>({image}), m_watch.LeftFiles());
    ExpectStoppedAt("34.1");
}

TEST_F(FaultRead, ShortenedSourceIsReportedAndTheTargetDeleted)
{
    std::string dir = FaultDir();
    std::string request = dir + "shrink.request";
    std::string done = dir + "shrink.done";
    ASSERT_EQ(2352LL * kSectors, FileSize(dir + "shrink.bin"));
    // At the first report the worker waits in its call to the page while the
    // script shortens the source behind the open handle.
    bool asked = false;
    bool shortened = false;
    m_watch.onEvent = [&](const PageEvent& event) {
        if (asked || event.message != PBM_SETPOS)
            return;
        asked = true;
        WriteFileBytes(request, "", 0);
        DWORD start = GetTickCount();
        while (!FileExists(done) && GetTickCount() - start < 20000)
            Sleep(10);
        shortened = FileExists(done);
    };
    EXPECT_EQ(-1, Convert(dir + "shrink.bin", dir + "shrink.iso"));
    m_watch.onEvent = nullptr;
    ASSERT_TRUE(shortened);
    EXPECT_FALSE(FileExists(dir + "shrink.iso"));
    EXPECT_EQ(std::vector<LPARAM>({kSourceReadFailed}), m_watch.Errors());
    // 500 of 3000 sectors were read whole.
    ExpectStoppedAt("16.7");
    EXPECT_EQ(2352LL * kSectorsLeft, FileSize(dir + "shrink.bin"));
}
