// ConvertImage and ConfirmOverwrite on real files, with a real page watched
// from the interface thread while the conversion runs on a second thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/language.h"
#include "convert/convert.h"
#include "convert/job.h"
#include "convert/progress.h"
#include "res/resource.h"
#include "tests/support/boxes.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"
#include "tests/unit/page_watch.h"

namespace {

const std::string kGermanQuestionStart = "Soll die vorhandene Datei '";
const std::string kGermanQuestionEnd = "' \xFC" "berschrieben werden ?\n";

// A source of zeros of any size, made sparse where the file system can.
bool MakeSparseFile(const std::string& path, unsigned long long size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)size;
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

// Holds a file as a program that shares only reading does (a viewer, a
// mounted image): nobody may write, rename or delete it meanwhile.
HANDLE HoldSharingRead(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Closes `handles` from a thread of its own after `ms`, as a scanner lets go.
std::thread ReleaseLater(std::vector<HANDLE> handles, DWORD ms)
{
    return std::thread([handles, ms] {
        Sleep(ms);
        for (HANDLE handle : handles)
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
    });
}

BOOL WINAPI FailingFlush(HANDLE)
{
    SetLastError(ERROR_IO_DEVICE);
    return FALSE;
}

BOOL WINAPI FailingIdentify(HANDLE, LPBY_HANDLE_FILE_INFORMATION)
{
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

// A redirector that gives every file the index 0.
BOOL WINAPI ZeroIndexIdentify(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information)
{
    if (!GetFileInformationByHandle(file, information))
        return FALSE;
    information->nFileIndexHigh = 0;
    information->nFileIndexLow = 0;
    return TRUE;
}

// Every file the same index, each on a volume of its own (told by its size).
BOOL WINAPI SharedIndexIdentify(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information)
{
    if (!GetFileInformationByHandle(file, information))
        return FALSE;
    information->nFileIndexHigh = 0;
    information->nFileIndexLow = 1;
    information->dwVolumeSerialNumber = information->nFileSizeLow;
    return TRUE;
}

// Every file the same index on the same volume, as ReFS may answer.
BOOL WINAPI OneIndexIdentify(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information)
{
    if (!GetFileInformationByHandle(file, information))
        return FALSE;
    information->nFileIndexHigh = 0;
    information->nFileIndexLow = 1;
    information->dwVolumeSerialNumber = 7;
    return TRUE;
}

// The 128-bit ID of ReFS: one volume, an ID of each file's own (told by its size).
BOOL WINAPI SizeIdById(HANDLE file, int infoClass, LPVOID information, DWORD size)
{
    LARGE_INTEGER length;
    if (infoClass != kFileIdInfoClass || size < sizeof(FileIdInformation) || !GetFileSizeEx(file, &length))
        return FALSE;
    FileIdInformation* id = (FileIdInformation*)information;
    memset(id, 0, sizeof(*id));
    id->m_volumeSerial = 7;
    memcpy(id->m_fileId, &length.QuadPart, sizeof(length.QuadPart));
    id->m_fileId[15] = 0xEE;
    return TRUE;
}

// One 128-bit ID for every file, each on a volume of its own (told by its size).
BOOL WINAPI OneIdById(HANDLE file, int infoClass, LPVOID information, DWORD size)
{
    LARGE_INTEGER length;
    if (infoClass != kFileIdInfoClass || size < sizeof(FileIdInformation) || !GetFileSizeEx(file, &length))
        return FALSE;
    FileIdInformation* id = (FileIdInformation*)information;
    id->m_volumeSerial = (ULONGLONG)length.QuadPart;
    memset(id->m_fileId, 0xAB, sizeof(id->m_fileId));
    return TRUE;
}

// FAT and exFAT: an ID of nothing but zeros for every file on the volume.
BOOL WINAPI ZeroIdById(HANDLE, int infoClass, LPVOID information, DWORD size)
{
    if (infoClass != kFileIdInfoClass || size < sizeof(FileIdInformation))
        return FALSE;
    FileIdInformation* id = (FileIdInformation*)information;
    memset(id, 0, sizeof(*id));
    id->m_volumeSerial = 7;
    return TRUE;
}

// What a stand-in replace was handed, and what it found.
struct ReplaceSeen {
    int calls = 0;
    std::wstring replaced;
    std::wstring replacement;
    std::wstring backup;
    DWORD flags = 0;
    bool backupExisted = false;
    std::string backupBytes;
    HANDLE held[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
};
ReplaceSeen g_replaceSeen;
DWORD g_replaceError = 0;
// What the stand-ins hold after they return, as a scanner would.
bool g_holdReplacement = false;
bool g_holdBackup = false;
// Another program's file that takes the target's name once the old file has left it.
bool g_takeNameAfterHalfway = false;
// Refusals with g_replaceError before the system's own replace is done.
int g_refusalsLeft = 0;
// A name that a share does not answer for: a network error instead of its attributes.
std::wstring g_unansweredName;

void NoteReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags)
{
    ++g_replaceSeen.calls;
    g_replaceSeen.replaced = replaced;
    g_replaceSeen.replacement = replacement;
    g_replaceSeen.backup = backup ? backup : L"";
    g_replaceSeen.flags = flags;
    g_replaceSeen.backupExisted = backup && GetFileAttributesW(backup) != INVALID_FILE_ATTRIBUTES;
}

HANDLE HoldSharingReadW(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

void HoldAsTold(LPCWSTR replacement, LPCWSTR backup)
{
    if (g_holdReplacement && g_replaceSeen.held[0] == INVALID_HANDLE_VALUE)
        g_replaceSeen.held[0] = HoldSharingReadW(replacement);
    if (g_holdBackup && backup && g_replaceSeen.held[1] == INVALID_HANDLE_VALUE)
        g_replaceSeen.held[1] = HoldSharingReadW(backup);
}

// Refused with g_replaceError, both files left as they are: a share where
// the user may change files but not their permissions (access denied, or
// "could not remove the replaced file"), or ERROR_UNABLE_TO_MOVE_REPLACEMENT.
BOOL WINAPI RefusingReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID)
{
    NoteReplace(replaced, replacement, backup, flags);
    SetLastError(g_replaceError);
    return FALSE;
}

// ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old file went to the backup name,
// the image could not follow it.
BOOL WINAPI HalfwayReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID)
{
    NoteReplace(replaced, replacement, backup, flags);
    if (!backup || !MoveFileExW(replaced, backup, 0))
        return FALSE;
    HoldAsTold(replacement, backup);
    if (g_takeNameAfterHalfway) {
        HANDLE other = CreateFileW(replaced, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(other, "another program", 15, &written, nullptr);
        CloseHandle(other);
    }
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

// The system's own, watched: the old file's bytes under the backup name.
BOOL WINAPI WatchedReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                           LPVOID reserved)
{
    NoteReplace(replaced, replacement, backup, flags);
    BOOL done = ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved);
    DWORD error = GetLastError();
    if (done && backup) {
        std::vector<unsigned char> bytes = ReadFileBytes(std::wstring(backup));
        g_replaceSeen.backupBytes.assign(bytes.begin(), bytes.end());
    }
    HoldAsTold(replacement, backup);
    SetLastError(error);
    return done;
}

// Refused g_refusalsLeft times, both files left as they are, then the system's own.
BOOL WINAPI ReplaceRefusedAtFirst(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                                  LPVOID exclude, LPVOID reserved)
{
    if (g_refusalsLeft == 0)
        return WatchedReplace(replaced, replacement, backup, flags, exclude, reserved);
    --g_refusalsLeft;
    return RefusingReplace(replaced, replacement, backup, flags, exclude, reserved);
}

DWORD WINAPI UnansweringAttributes(LPCWSTR path)
{
    if (lstrcmpiW(path, g_unansweredName.c_str()) == 0) {
        SetLastError(ERROR_NETNAME_DELETED);
        return INVALID_FILE_ATTRIBUTES;
    }
    return GetFileAttributesW(path);
}

// The image's file calls as a test sets them, the real ones again afterwards.
class CImageCallsFake {
public:
    CImageCallsFake() : m_saved(g_imageFileCalls) { Reset(); }
    ~CImageCallsFake()
    {
        g_imageFileCalls = m_saved;
        for (HANDLE held : g_replaceSeen.held)
            if (held != INVALID_HANDLE_VALUE)
                CloseHandle(held);
        Reset();
    }
    static void Reset()
    {
        g_replaceSeen = ReplaceSeen();
        g_replaceError = 0;
        g_holdReplacement = false;
        g_holdBackup = false;
        g_takeNameAfterHalfway = false;
        g_refusalsLeft = 0;
        g_unansweredName.clear();
    }

private:
    ImageFileCalls m_saved;
};

// A path the tests made, back in the code page.
std::string Ansi(const std::wstring& text)
{
    char buffer[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

std::string CurrentTestName()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "_" + info->name();
}

class ConvertFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_watch.IsReady());
        m_savedEnglish = g_english;
        g_english = 0;
        g_cancelRequested = 0;
        m_dir = TestDir(CurrentTestName().c_str());
        m_source = m_dir + "disc.bin";
        m_target = m_dir + "disc.iso";
        DeleteFileA(m_source.c_str());
        DeleteFileA(m_target.c_str());
    }
    void TearDown() override
    {
        g_english = m_savedEnglish;
        g_cancelRequested = 0;
        DeleteFileA(m_source.c_str());
        DeleteFileA(m_target.c_str());
    }

    ConvertRequest Request(const std::string& source, const std::string& target)
    {
        ConvertRequest request;
        memset(&request, 0, sizeof(request));
        lstrcpynW(request.sourcePath, Wide(source).c_str(), (int)kLongPathSize);
        lstrcpynW(request.targetPath, Wide(target).c_str(), (int)kLongPathSize);
        request.pageWindow = m_watch.Page();
        return request;
    }

    int Convert(const ConvertRequest& request)
    {
        return RunOnWorker([&] { return ConvertImage(request); });
    }

    int Convert() { return Convert(Request(m_source, m_target)); }

    // Converts while a hook on the worker thread answers the overwrite question.
    int ConvertAnswering(int answer, std::vector<HookedBox>* boxes)
    {
        return ConvertAnswering(Request(m_source, m_target), answer, boxes);
    }

    int ConvertAnswering(const ConvertRequest& request, int answer, std::vector<HookedBox>* boxes)
    {
        return RunOnWorker([&] {
            CBoxHook hook(answer);
            int result = ConvertImage(request);
            *boxes = hook.Boxes();
            return result;
        });
    }

    bool IsSummary(const std::string& status)
    {
        return status.compare(0, 8, "Erledigt") == 0 || status.compare(0, 6, "Finish") == 0;
    }

    void ExpectNoProgress()
    {
        EXPECT_EQ(0u, m_watch.Count(IDC_PROGRESS, PBM_SETPOS));
        EXPECT_EQ(0u, m_watch.Count(IDC_STATUS_LINE, WM_SETTEXT));
        EXPECT_EQ(0u, m_watch.Count(IDC_TIME_LINE, WM_SETTEXT));
    }

    CPageWatch m_watch;
    int m_savedEnglish = 0;
    std::string m_dir;
    std::string m_source;
    std::string m_target;
};

// --- Layouts -------------------------------------------------------------

class ConvertLayouts : public ConvertFixture {};

TEST_F(ConvertLayouts, Mode1RawTakesBytesFromSixteen)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 300, 100));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(ExpectedIso(300), ReadFileBytes(m_target));
    EXPECT_TRUE(m_watch.Errors().empty());
    EXPECT_TRUE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
}

TEST_F(ConvertLayouts, Mode2RawTakesBytesFromTwentyFour)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode2, 300, 100));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(ExpectedIso(300), ReadFileBytes(m_target));
    EXPECT_TRUE(m_watch.Errors().empty());
}

TEST_F(ConvertLayouts, HeaderlessTakesBytesFromEight)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode2Headerless, 300, 2335));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(ExpectedIso(300), ReadFileBytes(m_target));
    EXPECT_TRUE(m_watch.Errors().empty());
}

TEST_F(ConvertLayouts, HeaderlessStaysHeaderlessWhenLaterSectorsBeginWithSync)
{
    const uint32_t sectors = 50;
    ASSERT_TRUE(WriteImage(m_source, kImageMode2Headerless, sectors));
    std::vector<unsigned char> image = ReadFileBytes(m_source);
    std::vector<unsigned char> expected = ExpectedIso(sectors);
    const unsigned char sync[16] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x01};
    for (uint32_t i = 1; i < sectors; ++i) {
        memcpy(&image[i * 2336], sync, sizeof(sync));
        // The sync and header overlap the first 8 data bytes of the sector.
        memcpy(&expected[i * 2048], sync + 8, 8);
    }
    ASSERT_TRUE(WriteFileBytes(m_source, image.data(), image.size()));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(expected, ReadFileBytes(m_target));
}

TEST_F(ConvertLayouts, PartialSectorOnlyGivesAnEmptyTarget)
{
    CFakeClock clock({1000, 3000});
    // A Mode 1 header and less than a sector behind it.
    std::vector<unsigned char> image(2351, 0x33);
    const unsigned char header[16] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                      0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 0x01};
    memcpy(image.data(), header, sizeof(header));
    ASSERT_TRUE(WriteFileBytes(m_source, image.data(), image.size()));

    EXPECT_EQ(1, Convert());
    EXPECT_EQ(0, FileSize(m_target));
    // Only the final report, of 0 bytes out of 0.
    EXPECT_EQ(std::vector<WPARAM>({0, 0}), m_watch.BarPositions());
    EXPECT_EQ(std::vector<std::string>({"Erledigt   :||  \xD8 0 Byte / Sek.  || Gesamtzeit: 2 Sek."}),
              m_watch.Texts(IDC_STATUS_LINE));
    EXPECT_EQ(std::vector<std::string>({""}), m_watch.Texts(IDC_TIME_LINE));
}

TEST_F(ConvertLayouts, SourcesTooShortForAHeader)
{
    // Bytes that are not there count as 0: no sync, so headerless, nothing to copy.
    const unsigned char few[5] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(WriteFileBytes(m_source, few, sizeof(few)));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(0, FileSize(m_target));

    // Only the sync: its mode byte counts as 0.
    const unsigned char sync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    ASSERT_TRUE(WriteFileBytes(m_source, sync, sizeof(sync)));
    DeleteFileA(m_target.c_str());
    m_watch.ClearEvents();
    EXPECT_EQ(-1, Convert());
    EXPECT_EQ(std::vector<LPARAM>({kUnsupportedTrackMode}), m_watch.Errors());
    EXPECT_FALSE(FileExists(m_target));

    ASSERT_TRUE(WriteFileBytes(m_source, "", 0));
    m_watch.ClearEvents();
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(0, FileSize(m_target));
}

TEST_F(ConvertLayouts, UnsupportedModeBytesCopyNothing)
{
    const unsigned char modes[] = {0, 3, 0x81};
    for (unsigned char mode : modes) {
        ASSERT_TRUE(WriteImage(m_source, kImageMode1, 200));
        std::vector<unsigned char> image = ReadFileBytes(m_source);
        image[15] = mode;
        ASSERT_TRUE(WriteFileBytes(m_source, image.data(), image.size()));
        DeleteFileA(m_target.c_str());
        m_watch.ClearEvents();

        EXPECT_EQ(-1, Convert()) << (int)mode;
        EXPECT_EQ(std::vector<LPARAM>({kUnsupportedTrackMode}), m_watch.Errors()) << (int)mode;
        EXPECT_FALSE(FileExists(m_target)) << (int)mode;
        ExpectNoProgress();
    }
}

TEST_F(ConvertLayouts, ChooseSectorLayoutTable)
{
    unsigned char header[kHeaderSize] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0xFF, 0x00, 0x12, 0x34, 0x56, 0x01};
    SectorLayout layout = {0, 0, 0};
    ASSERT_EQ(1, ChooseSectorLayout(header, &layout));
    EXPECT_EQ(16, layout.m_skipBefore);
    EXPECT_EQ(288, layout.m_skipAfter);
    EXPECT_EQ(2352, layout.m_sectorSize);
    header[15] = 2;
    ASSERT_EQ(1, ChooseSectorLayout(header, &layout));
    EXPECT_EQ(24, layout.m_skipBefore);
    EXPECT_EQ(280, layout.m_skipAfter);
    EXPECT_EQ(2352, layout.m_sectorSize);
    header[15] = 4;
    EXPECT_EQ(0, ChooseSectorLayout(header, &layout));
    header[11] = 0xFF;  // no longer the sync: the mode byte does not matter
    ASSERT_EQ(1, ChooseSectorLayout(header, &layout));
    EXPECT_EQ(8, layout.m_skipBefore);
    EXPECT_EQ(280, layout.m_skipAfter);
    EXPECT_EQ(2336, layout.m_sectorSize);
}

// --- Progress --------------------------------------------------------------

class ConvertProgress : public ConvertFixture {};

TEST_F(ConvertProgress, HundredSectorsMakeNoIntermediateReport)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 100));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(0u, m_watch.IntermediateReports());
    EXPECT_EQ(std::vector<WPARAM>({100, 0}), m_watch.BarPositions());
    EXPECT_EQ(100 * 2048, FileSize(m_target));
}

TEST_F(ConvertProgress, HundredAndOneSectorsMakeExactlyOne)
{
    CFakeClock clock({0, 1000});
    ASSERT_TRUE(WriteImage(m_source, kImageMode2, 101));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(1u, m_watch.IntermediateReports());
    // Per-mille 1000 at the check, then the final report.
    EXPECT_EQ(std::vector<WPARAM>({100, 100, 0}), m_watch.BarPositions());
    std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
    ASSERT_EQ(3u, status.size());
    EXPECT_EQ("Status :[100.0 %]  ||  \xD8 231.98 KB / Sek.  || 231.98 KB von 231.98 KB ", status[0]);
    EXPECT_EQ("Erledigt   :||  \xD8 231.98 KB / Sek.  || Gesamtzeit: 1 Sek.", status[2]);
    EXPECT_EQ(0, m_watch.BarPosition());
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
}

TEST_F(ConvertProgress, WorkedExampleThroughAWholeRun)
{
    // Start at 5000 ms, first report 2000 ms later, the end after 20500 ms.
    CFakeClock clock({5000, 7000, 25500});
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 1000));
    EXPECT_EQ(1, Convert());
    // Checks after 101, 202, ... 909 sectors, each with a new per-mille.
    EXPECT_EQ(9u, m_watch.IntermediateReports());
    std::vector<WPARAM> bars = m_watch.BarPositions();
    EXPECT_EQ(std::vector<WPARAM>({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0}), bars);
    std::vector<std::string> time = m_watch.Texts(IDC_TIME_LINE);
    std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
    ASSERT_FALSE(time.empty());
    ASSERT_FALSE(status.empty());
    EXPECT_EQ("Noch 17 Sek.  ||  Verstrichen: 2 Sek.", time.front());
    EXPECT_EQ("Status :[10.1 %]  ||  \xD8 115.99 KB / Sek.  || 231.98 KB von 2.24 MB ", status.front());
    EXPECT_EQ("Erledigt   :||  \xD8 112.04 KB / Sek.  || Gesamtzeit: 20 Sek.", m_watch.Text(IDC_STATUS_LINE));
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ(0, m_watch.BarPosition());
    EXPECT_EQ(ExpectedIso(1000), ReadFileBytes(m_target));
}

TEST_F(ConvertProgress, WorkedExampleInEnglish)
{
    g_english = 1;
    CFakeClock clock({5000, 7000, 25500});
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 1000));
    EXPECT_EQ(1, Convert());
    std::vector<std::string> time = m_watch.Texts(IDC_TIME_LINE);
    std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
    ASSERT_FALSE(time.empty());
    ASSERT_FALSE(status.empty());
    EXPECT_EQ("Remaining 17 Sek.  ||  Elapsed: 2 Sek.", time.front());
    EXPECT_EQ("Status :[10.1 %]  ||  \xD8 115.99 KB / Sek.  || 231.98 KB at 2.24 MB ", status.front());
    EXPECT_EQ("Finish   :||  \xD8 112.04 KB / Sek.  || Total: 20 Sek.", m_watch.Text(IDC_STATUS_LINE));
}

TEST_F(ConvertProgress, FirstCheckReportsPerMilleZero)
{
    // 1,000,000 headerless sectors of zeros; stop at the second report.
    ASSERT_TRUE(MakeSparseFile(m_source, 1000000ULL * 2336));
    CFakeClock clock({0, 1000});
    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message == PBM_SETPOS && m_watch.Count(IDC_PROGRESS, PBM_SETPOS) == 2)
            g_cancelRequested = 1;
    };
    EXPECT_EQ(1, Convert());
    m_watch.onEvent = nullptr;
    // Report at 101 sectors (per-mille 0, 0.0101 percent: bar only), the next
    // at 1010 sectors (per-mille 1), where the run stopped.
    std::vector<WPARAM> bars = m_watch.BarPositions();
    EXPECT_EQ(std::vector<WPARAM>({0, 0, 0, 0}), bars);
    std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
    ASSERT_EQ(2u, status.size());
    EXPECT_EQ("Status :[0.1 %]  ||  \xD8 2.25 MB / Sek.  || 2.25 MB von 2.18 GB ", status[0]);
    EXPECT_EQ(status[0], status[1]);
    EXPECT_FALSE(FileExists(m_target));
}

TEST_F(ConvertProgress, NeverMoreThanThousandAndOneIntermediateReports)
{
    // 1001 checks of 101 sectors, every one with a new per-mille from 0 to 1000.
    const unsigned long long sectors = 101ULL * 1001;
    ASSERT_TRUE(MakeSparseFile(m_source, sectors * 2336));
    EXPECT_EQ(1, Convert());
    EXPECT_EQ(1001u, m_watch.IntermediateReports());
    std::vector<WPARAM> bars = m_watch.BarPositions();
    ASSERT_EQ(1003u, bars.size());
    for (size_t i = 1; i < 1001; ++i)
        ASSERT_LE(bars[i - 1], bars[i]) << i;
    EXPECT_EQ(100u, bars[1000]);
    EXPECT_EQ(0u, bars[1002]);
    EXPECT_EQ((long long)(sectors * 2048), FileSize(m_target));
    EXPECT_TRUE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
}

// --- Overwrite question ------------------------------------------------------

class ConvertOverwrite : public ConvertFixture {
protected:
    void SetUp() override
    {
        ConvertFixture::SetUp();
        ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
        ASSERT_TRUE(WriteFileBytes(m_target, "previous target", 15));
    }
    void ExpectTargetUnchanged()
    {
        std::vector<unsigned char> bytes = ReadFileBytes(m_target);
        EXPECT_EQ("previous target", std::string(bytes.begin(), bytes.end()));
    }
    // The run done by one replace: the image has the name, the summary is
    // shown, and nothing is named or left beside the target.
    void ExpectDoneByOneReplace(const std::vector<std::string>& before)
    {
        EXPECT_EQ(1, g_replaceSeen.calls);
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
        EXPECT_TRUE(m_watch.Errors().empty());
        EXPECT_TRUE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
        EXPECT_EQ(before, FilesIn(m_dir));
    }
    // The image kept beside the target, the old file left under the backup
    // name, and the message names both.
    void ExpectImageAndOldFileLeft(const std::string& image, const std::string& backup)
    {
        EXPECT_EQ(std::vector<LPARAM>({kImageAndOldFileLeft}), m_watch.Errors());
        EXPECT_EQ(std::vector<std::string>({image, backup}), m_watch.LeftFiles());
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(image));
        std::vector<unsigned char> old = ReadFileBytes(backup);
        EXPECT_EQ("previous target", std::string(old.begin(), old.end()));
        EXPECT_FALSE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
    }
};

TEST_F(ConvertOverwrite, QuestionTextAndButtonsInGerman)
{
    std::vector<HookedBox> boxes;
    EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kGermanQuestionStart + m_target + kGermanQuestionEnd, boxes[0].text);
    EXPECT_EQ("", boxes[0].caption);
    EXPECT_TRUE(boxes[0].hasYes);
    EXPECT_TRUE(boxes[0].hasNo);
    EXPECT_TRUE(boxes[0].hasCancel);
    EXPECT_FALSE(boxes[0].hasOk);
    EXPECT_TRUE(boxes[0].hasQuestionIcon);
    EXPECT_TRUE(boxes[0].owner == m_watch.Page() || boxes[0].owner == GetAncestor(m_watch.Page(), GA_ROOT));
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
    EXPECT_TRUE(m_watch.Errors().empty());
}

TEST_F(ConvertOverwrite, QuestionTextInEnglish)
{
    g_english = 1;
    std::vector<HookedBox> boxes;
    EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Output file '" + m_target + "' already exists. Overwrite existing ?\n", boxes[0].text);
}

TEST_F(ConvertOverwrite, NoCancelAndClosingLeaveEverythingAlone)
{
    const int answers[] = {IDNO, IDCANCEL, 0};
    for (int answer : answers) {
        m_watch.ClearEvents();
        std::vector<HookedBox> boxes;
        EXPECT_EQ(-1, ConvertAnswering(answer, &boxes)) << answer;
        EXPECT_EQ(1u, boxes.size()) << answer;
        ExpectTargetUnchanged();
        EXPECT_TRUE(m_watch.Events().empty()) << answer;
    }
}

TEST_F(ConvertOverwrite, HelperThreadFindsTheSameQuestion)
{
    // The box found from outside the worker, as another program would see it.
    BoxAnswerer answerer;
    answerer.Answer(IDNO);
    EXPECT_EQ(-1, Convert());
    ASSERT_TRUE(answerer.WaitForCount(1, 5000));
    std::vector<SeenBox> seen = answerer.Seen();
    EXPECT_EQ(kGermanQuestionStart + m_target + kGermanQuestionEnd, seen[0].text);
    EXPECT_EQ(IDNO, seen[0].answer);
    ExpectTargetUnchanged();
}

TEST_F(ConvertOverwrite, NoQuestionWithoutAnExistingTarget)
{
    DeleteFileA(m_target.c_str());
    std::vector<HookedBox> boxes;
    EXPECT_EQ(1, ConvertAnswering(IDNO, &boxes));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
}

TEST_F(ConvertOverwrite, ConfirmOverwriteResults)
{
    std::vector<HookedBox> boxes;
    int yes = RunOnWorker([&] {
        CBoxHook hook(IDYES);
        return ConfirmOverwrite(Wide(m_target).c_str(), m_watch.Page());
    });
    EXPECT_EQ(1, yes);
    int no = RunOnWorker([&] {
        CBoxHook hook(IDNO);
        int result = ConfirmOverwrite(Wide(m_target).c_str(), m_watch.Page());
        boxes = hook.Boxes();
        return result;
    });
    EXPECT_EQ(0, no);
    EXPECT_EQ(1u, boxes.size());
    int missing = RunOnWorker([&] {
        CBoxHook hook(IDNO);
        int result = ConfirmOverwrite(Wide((m_dir + "missing.iso")).c_str(), m_watch.Page());
        boxes = hook.Boxes();
        return result;
    });
    EXPECT_EQ(1, missing);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(m_watch.Errors().empty());
    ExpectTargetUnchanged();
}

// Another program holds the target, sharing only reading: found before the
// copy, as the final replace would find it, and nothing is written. Once it
// lets go, the same run replaces it.
TEST_F(ConvertOverwrite, TargetHeldOpenIsFoundBeforeTheCopy)
{
    std::vector<std::string> before = FilesIn(m_dir);
    HANDLE holder = HoldSharingRead(m_target);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    std::vector<HookedBox> boxes;
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    ExpectTargetUnchanged();
    CloseHandle(holder);
    EXPECT_EQ(1u, boxes.size());
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    ExpectNoProgress();
    EXPECT_EQ(before, FilesIn(m_dir));

    m_watch.ClearEvents();
    EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
    EXPECT_TRUE(m_watch.Errors().empty());
    EXPECT_EQ(before, FilesIn(m_dir));
}

// Taken by another program once the copy has begun, the target cannot be
// replaced: the finished image is kept beside it under a name of its own,
// never one that is taken, and the message names it. Deleted meanwhile, it
// leaves its name to the image. A new target's name that another program
// takes meanwhile is not the image's to replace.
TEST_F(ConvertOverwrite, TargetTakenOrDeletedDuringTheCopy)
{
    std::string kept = m_dir + "disc (neu).iso";
    std::string second = m_dir + "disc (neu 2).iso";
    DeleteFileA(kept.c_str());
    DeleteFileA(second.c_str());
    std::vector<std::string> before = FilesIn(m_dir);
    HANDLE holder = INVALID_HANDLE_VALUE;
    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message == PBM_SETPOS && holder == INVALID_HANDLE_VALUE)
            holder = HoldSharingRead(m_target);
    };
    std::vector<HookedBox> boxes;
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(std::vector<LPARAM>({kImageKeptBeside}), m_watch.Errors());
    EXPECT_EQ(std::vector<std::string>({kept}), m_watch.LeftFiles());
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(kept));
    ExpectTargetUnchanged();
    EXPECT_FALSE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
    std::vector<std::string> withKept = before;
    withKept.insert(withKept.begin(), "disc (neu).iso");
    EXPECT_EQ(withKept, FilesIn(m_dir));

    // Taken again: the next image takes the next name, the first one stays.
    CloseHandle(holder);
    holder = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(WriteFileBytes(kept, "first", 5));
    m_watch.ClearEvents();
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    m_watch.onEvent = nullptr;
    CloseHandle(holder);
    EXPECT_EQ(std::vector<std::string>({second}), m_watch.LeftFiles());
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(second));
    EXPECT_EQ(5, FileSize(kept));
    ExpectTargetUnchanged();
    DeleteFileA(kept.c_str());
    DeleteFileA(second.c_str());

    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message == PBM_SETPOS && m_watch.Count(IDC_PROGRESS, PBM_SETPOS) == 1)
            DeleteFileA(m_target.c_str());
    };
    m_watch.ClearEvents();
    EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
    EXPECT_TRUE(m_watch.Errors().empty());
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
    EXPECT_EQ(before, FilesIn(m_dir));

    ASSERT_TRUE(DeleteFileA(m_target.c_str()));
    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message == PBM_SETPOS && m_watch.Count(IDC_PROGRESS, PBM_SETPOS) == 1)
            WriteFileBytes(m_target, "previous target", 15);
    };
    m_watch.ClearEvents();
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    m_watch.onEvent = nullptr;
    EXPECT_EQ(std::vector<std::string>({kept}), m_watch.LeftFiles());
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(kept));
    ExpectTargetUnchanged();
    DeleteFileA(kept.c_str());
}

// A scanner holds the old file and the new image for a moment after the
// copy: the replace waits for it.
TEST_F(ConvertOverwrite, ReplaceBlockedForAMomentIsTriedAgain)
{
    std::vector<std::string> before = FilesIn(m_dir);
    std::vector<HANDLE> held;
    std::thread releaser;
    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message != PBM_SETPOS || !held.empty())
            return;
        held.push_back(HoldSharingRead(m_target));
        held.push_back(OpenAsViewer(m_dir + NewFileIn(m_dir, before)));
        releaser = ReleaseLater(held, 500);
    };
    std::vector<HookedBox> boxes;
    EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
    m_watch.onEvent = nullptr;
    ASSERT_TRUE(releaser.joinable());
    releaser.join();
    ASSERT_EQ(2u, held.size());
    EXPECT_NE(INVALID_HANDLE_VALUE, held[0]);
    EXPECT_NE(INVALID_HANDLE_VALUE, held[1]);
    EXPECT_TRUE(m_watch.Errors().empty());
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
    EXPECT_EQ(before, FilesIn(m_dir));

    // ReplaceFile's "could not move the image" while a scanner holds it, for
    // a few tries: the same run replaces the target once it lets go.
    CImageCallsFake fake;
    g_imageFileCalls.m_replace = ReplaceRefusedAtFirst;
    g_replaceError = ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    g_refusalsLeft = 3;
    ASSERT_TRUE(WriteFileBytes(m_target, "previous target", 15));
    m_watch.ClearEvents();
    EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
    EXPECT_EQ(4, g_replaceSeen.calls);
    EXPECT_TRUE(m_watch.Errors().empty());
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
    EXPECT_EQ(before, FilesIn(m_dir));
}

// The image is on the disk before it takes the name: a flush that fails is a
// failed write, and the old file stays.
TEST_F(ConvertOverwrite, FailedFlushKeepsTheOldFile)
{
    CImageCallsFake fake;
    g_imageFileCalls.m_flush = FailingFlush;
    std::vector<std::string> before = FilesIn(m_dir);
    std::vector<HookedBox> boxes;
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    EXPECT_EQ(std::vector<LPARAM>({kTargetWriteFailed}), m_watch.Errors());
    EXPECT_EQ(std::vector<std::string>({""}), m_watch.LeftFiles());
    ExpectTargetUnchanged();
    EXPECT_EQ(before, FilesIn(m_dir));
    EXPECT_FALSE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
}

// The image is written under a free name of its own beside the target: it
// never takes over another file, nor the target's own name, and looks on for
// a free one. A name of two characters has 16 such names ("~0" to "~F").
TEST_F(ConvertOverwrite, ImageTakesAFreeNameOfItsOwn)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::vector<std::string> names;
    for (int i = 0; i < 16; ++i) {
        names.push_back(m_dir + "~" + kHex[i]);
        ASSERT_TRUE(WriteFileBytes(names.back(), "taken", 5));
    }
    auto expectTaken = [&](int except) {
        for (int i = 0; i < 16; ++i)
            EXPECT_TRUE(i == except || FileSize(names[i]) == 5) << names[i];
    };
    std::string ab = m_dir + "ab";
    DeleteFileA(ab.c_str());
    EXPECT_EQ(-1, Convert(Request(m_source, ab)));
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    EXPECT_FALSE(FileExists(ab));
    expectTaken(-1);

    // One name left, wherever it is: three times, so that a first guess that
    // happens to be free cannot pass for the search.
    for (int free : {3, 10, 14}) {
        ASSERT_TRUE(DeleteFileA(names[free].c_str()));
        DeleteFileA(ab.c_str());
        m_watch.ClearEvents();
        EXPECT_EQ(1, Convert(Request(m_source, ab))) << free;
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(ab)) << free;
        EXPECT_FALSE(FileExists(names[free])) << free;
        expectTaken(free);
        ASSERT_TRUE(WriteFileBytes(names[free], "taken", 5));
    }

    // A target that begins with "~" is written under names with another lead:
    // "~A", its own name, is the one "~" name free.
    std::string tilde = names[10];
    ASSERT_TRUE(DeleteFileA(tilde.c_str()));
    bool existedDuringCopy = true;
    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message == PBM_SETPOS && m_watch.Count(IDC_PROGRESS, PBM_SETPOS) == 1)
            existedDuringCopy = FileExists(tilde);
    };
    m_watch.ClearEvents();
    EXPECT_EQ(1, Convert(Request(m_source, tilde)));
    m_watch.onEvent = nullptr;
    EXPECT_FALSE(existedDuringCopy);
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(tilde));
    expectTaken(10);
    for (const std::string& name : names)
        DeleteFileA(name.c_str());
    DeleteFileA(ab.c_str());
}

// ReplaceFile keeps the old file under a backup name of its own until the
// image has the target's name: a free name beside the target, never the
// target's, and gone once the replace is done. Merge errors (an ACL that
// cannot be carried over) do not stop it.
TEST_F(ConvertOverwrite, ReplaceKeepsTheOldFileUnderAFreeBackupName)
{
    CImageCallsFake fake;
    g_imageFileCalls.m_replace = WatchedReplace;
    std::vector<std::string> before = FilesIn(m_dir);
    std::vector<HookedBox> boxes;
    EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
    EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
    EXPECT_TRUE(m_watch.Errors().empty());
    ASSERT_EQ(1, g_replaceSeen.calls);
    EXPECT_NE(0u, g_replaceSeen.flags & REPLACEFILE_IGNORE_MERGE_ERRORS);
    EXPECT_EQ(Wide(m_target), g_replaceSeen.replaced);
    std::wstring backup = g_replaceSeen.backup;
    ASSERT_GT(backup.size(), m_dir.size());
    EXPECT_EQ(Wide(m_dir), backup.substr(0, m_dir.size()));
    EXPECT_EQ(std::wstring::npos, backup.find(L'\\', m_dir.size()));
    EXPECT_NE(backup, g_replaceSeen.replaced);
    EXPECT_NE(backup, g_replaceSeen.replacement);
    EXPECT_FALSE(g_replaceSeen.backupExisted);
    EXPECT_EQ("previous target", g_replaceSeen.backupBytes);
    EXPECT_EQ(before, FilesIn(m_dir));

    // Every name of the rule for "ab" taken but two: the image takes one, the
    // old file the other, and no other file is touched. Three times, so that
    // a first guess that happens to be free cannot pass for the search.
    static const char kHex[] = "0123456789ABCDEF";
    std::string ab = m_dir + "ab";
    for (const auto& pair : {std::make_pair(3, 12), std::make_pair(0, 7), std::make_pair(9, 15)}) {
        for (int i = 0; i < 16; ++i) {
            std::string name = m_dir + "~" + kHex[i];
            if (i == pair.first || i == pair.second)
                DeleteFileA(name.c_str());
            else
                ASSERT_TRUE(WriteFileBytes(name, "taken", 5));
        }
        ASSERT_TRUE(WriteFileBytes(ab, "previous target", 15));
        CImageCallsFake::Reset();
        m_watch.ClearEvents();
        EXPECT_EQ(1, ConvertAnswering(Request(m_source, ab), IDYES, &boxes)) << pair.first;
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(ab)) << pair.first;
        EXPECT_TRUE(m_watch.Errors().empty()) << pair.first;
        EXPECT_EQ(1, g_replaceSeen.calls) << pair.first;
        EXPECT_FALSE(g_replaceSeen.backupExisted) << pair.first;
        EXPECT_EQ("previous target", g_replaceSeen.backupBytes) << pair.first;
        for (int i = 0; i < 16; ++i) {
            std::string name = m_dir + "~" + kHex[i];
            bool free = i == pair.first || i == pair.second;
            EXPECT_EQ(free ? -1 : 5, FileSize(name)) << name;
        }
    }
    for (int i = 0; i < 16; ++i)
        DeleteFileA((m_dir + "~" + kHex[i]).c_str());
    DeleteFileA(ab.c_str());
}

// A name of one character leaves no room for the image's own names of its
// length: theirs are longer, and such a target is replaced like any other,
// with nothing left beside it.
TEST_F(ConvertOverwrite, OneCharacterNamesAreReplaced)
{
    ASSERT_TRUE(DeleteFileA(m_target.c_str()));
    std::vector<std::string> before = FilesIn(m_dir);
    for (const char* name : {"x", "~"}) {
        std::string target = m_dir + name;
        std::vector<std::string> after = before;
        after.push_back(name);
        std::sort(after.begin(), after.end());
        ASSERT_TRUE(WriteFileBytes(target, "previous target", 15));
        m_watch.ClearEvents();
        std::vector<HookedBox> boxes;
        EXPECT_EQ(1, ConvertAnswering(Request(m_source, target), IDYES, &boxes)) << name;
        EXPECT_EQ(1u, boxes.size()) << name;
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(target)) << name;
        EXPECT_TRUE(m_watch.Errors().empty()) << name;
        EXPECT_EQ(after, FilesIn(m_dir)) << name;
        DeleteFileA(target.c_str());
    }
}

// On a share where the user may change files but not their permissions,
// ReplaceFile is denied the WRITE_DAC access it asks for on the image, after
// the check before the copy passed: a move over the target replaces it.
TEST_F(ConvertOverwrite, RefusedReplaceIsDoneByAMove)
{
    CImageCallsFake fake;
    g_imageFileCalls.m_replace = RefusingReplace;
    std::vector<std::string> before = FilesIn(m_dir);
    for (DWORD error : {(DWORD)ERROR_ACCESS_DENIED, (DWORD)ERROR_UNABLE_TO_REMOVE_REPLACED}) {
        CImageCallsFake::Reset();
        g_replaceError = error;
        ASSERT_TRUE(WriteFileBytes(m_target, "previous target", 15));
        m_watch.ClearEvents();
        std::vector<HookedBox> boxes;
        SCOPED_TRACE(error);
        EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
        ExpectDoneByOneReplace(before);
    }
}

// ReplaceFile's two failures that leave a file where it should not be. With
// ERROR_UNABLE_TO_MOVE_REPLACEMENT both files keep their names: the image is
// kept beside the target. With ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 the old
// file is under the backup name, whatever the target's name answers then:
// free, or not answered by a share at all, the image takes it and the backup
// goes; where the image cannot, the old file goes back; where neither can
// (the image held, or another program's file in the name meanwhile, which
// stays as it is), the message names both.
TEST_F(ConvertOverwrite, ReplaceFailuresLeaveEveryFileNamed)
{
    std::string kept = m_dir + "disc (neu).iso";
    DeleteFileA(kept.c_str());
    std::vector<std::string> before = FilesIn(m_dir);
    std::vector<HookedBox> boxes;
    {
        CImageCallsFake fake;
        g_imageFileCalls.m_replace = RefusingReplace;
        g_replaceError = ERROR_UNABLE_TO_MOVE_REPLACEMENT;
        EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
        EXPECT_GE(g_replaceSeen.calls, 1);
        EXPECT_EQ(std::vector<LPARAM>({kImageKeptBeside}), m_watch.Errors());
        EXPECT_EQ(std::vector<std::string>({kept}), m_watch.LeftFiles());
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(kept));
        ExpectTargetUnchanged();
        std::vector<std::string> withKept = before;
        withKept.insert(withKept.begin(), "disc (neu).iso");
        EXPECT_EQ(withKept, FilesIn(m_dir));
        DeleteFileA(kept.c_str());
    }
    for (bool unanswered : {false, true}) {
        ASSERT_TRUE(WriteFileBytes(m_target, "previous target", 15));
        CImageCallsFake fake;
        g_imageFileCalls.m_replace = HalfwayReplace;
        if (unanswered) {
            g_imageFileCalls.m_attributes = UnansweringAttributes;
            g_unansweredName = Wide(m_target);
        }
        m_watch.ClearEvents();
        SCOPED_TRACE(unanswered);
        EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
        ExpectDoneByOneReplace(before);
    }
    {
        // The image held by a scanner: it keeps the name it was written under.
        ASSERT_TRUE(WriteFileBytes(m_target, "previous target", 15));
        CImageCallsFake fake;
        g_imageFileCalls.m_replace = HalfwayReplace;
        g_holdReplacement = true;
        m_watch.ClearEvents();
        EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
        std::string image = Ansi(g_replaceSeen.replacement);
        EXPECT_EQ(std::vector<LPARAM>({kImageKeptBeside}), m_watch.Errors());
        EXPECT_EQ(std::vector<std::string>({image}), m_watch.LeftFiles());
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(image));
        ExpectTargetUnchanged();
        EXPECT_FALSE(FileExists(Ansi(g_replaceSeen.backup)));
        CloseHandle(g_replaceSeen.held[0]);
        g_replaceSeen.held[0] = INVALID_HANDLE_VALUE;
        ASSERT_TRUE(DeleteFileA(image.c_str()));
        EXPECT_EQ(before, FilesIn(m_dir));
    }
    {
        // The old file held as well: it stays under the backup name.
        CImageCallsFake fake;
        g_imageFileCalls.m_replace = HalfwayReplace;
        g_holdReplacement = true;
        g_holdBackup = true;
        m_watch.ClearEvents();
        EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
        std::string image = Ansi(g_replaceSeen.replacement);
        std::string backup = Ansi(g_replaceSeen.backup);
        ExpectImageAndOldFileLeft(image, backup);
        EXPECT_FALSE(FileExists(m_target));
        for (HANDLE& held : g_replaceSeen.held) {
            CloseHandle(held);
            held = INVALID_HANDLE_VALUE;
        }
        DeleteFileA(image.c_str());
        MoveFileA(backup.c_str(), m_target.c_str());
    }
    {
        // Another program's file in the name meanwhile: the image is kept
        // beside it under a name of its own.
        CImageCallsFake fake;
        g_imageFileCalls.m_replace = HalfwayReplace;
        g_takeNameAfterHalfway = true;
        m_watch.ClearEvents();
        EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
        std::string backup = Ansi(g_replaceSeen.backup);
        ExpectImageAndOldFileLeft(kept, backup);
        std::vector<unsigned char> other = ReadFileBytes(m_target);
        EXPECT_EQ("another program", std::string(other.begin(), other.end()));
        DeleteFileA(kept.c_str());
        DeleteFileA(m_target.c_str());
        MoveFileA(backup.c_str(), m_target.c_str());
    }
    {
        // Replaced, but the backup held by a scanner: the run is done, and
        // the message names the old file left.
        CImageCallsFake fake;
        g_imageFileCalls.m_replace = WatchedReplace;
        g_holdBackup = true;
        m_watch.ClearEvents();
        EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes));
        std::string backup = Ansi(g_replaceSeen.backup);
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target));
        EXPECT_TRUE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
        EXPECT_EQ(std::vector<LPARAM>({kOldFileLeft}), m_watch.Errors());
        EXPECT_EQ(std::vector<std::string>({backup}), m_watch.LeftFiles());
        std::vector<unsigned char> old = ReadFileBytes(backup);
        EXPECT_EQ("previous target", std::string(old.begin(), old.end()));
        CloseHandle(g_replaceSeen.held[1]);
        g_replaceSeen.held[1] = INVALID_HANDLE_VALUE;
        DeleteFileA(backup.c_str());
    }
    EXPECT_EQ(before, FilesIn(m_dir));
}

// A name that answers access denied is not free: on Windows a file whose
// delete is pending while another program still holds it answers so, which
// Wine does not show; a folder that takes the name while the question is
// open answers so here. Refused before the copy, nothing written.
TEST_F(ConvertOverwrite, NameThatAnswersAccessDeniedIsNotFree)
{
    DeleteFileA((m_dir + "disc (neu).iso").c_str());
    BoxAnswerer answerer;
    answerer.Hold(true);
    std::thread user([&] {
        WaitUntil([&] { return answerer.OpenBox() != nullptr; }, 20000);
        DeleteFileA(m_target.c_str());
        CreateDirectoryA(m_target.c_str(), nullptr);
        answerer.Answer(IDYES);
        answerer.Hold(false);
    });
    EXPECT_EQ(-1, Convert());
    user.join();
    HANDLE probe = CreateFileA(m_target.c_str(), GENERIC_READ | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, probe);
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ(1u, answerer.Count());
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    ExpectNoProgress();
    EXPECT_EQ(std::vector<std::string>({"disc.bin"}), FilesIn(m_dir));
    RemoveDirectoryA(m_target.c_str());
}

// --- Failures before the copy ----------------------------------------------

class ConvertFailures : public ConvertFixture {};

// A directory or a read-only file is no target to replace: refused before
// the question. A file made read-only while the question is open is refused
// after it, before anything is written.
TEST_F(ConvertFailures, TargetThatIsADirectoryOrReadOnly)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
    std::string folder = m_dir + "folder.iso";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<HookedBox> boxes;
    int result = ConvertAnswering(Request(m_source, folder), IDYES, &boxes);
    EXPECT_EQ(-1, result);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    EXPECT_EQ(1u, m_watch.Events().size());
    DWORD attributes = GetFileAttributesA(folder.c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryA(folder.c_str());

    ASSERT_TRUE(WriteFileBytes(m_target, "keep me", 7));
    std::vector<std::string> before = FilesIn(m_dir);
    ASSERT_TRUE(SetFileAttributesA(m_target.c_str(), FILE_ATTRIBUTE_READONLY));
    m_watch.ClearEvents();
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    EXPECT_EQ(1u, m_watch.Events().size());

    ASSERT_TRUE(SetFileAttributesA(m_target.c_str(), FILE_ATTRIBUTE_NORMAL));
    m_watch.ClearEvents();
    BoxAnswerer answerer;
    answerer.Hold(true);
    std::thread user([&] {
        WaitUntil([&] { return answerer.OpenBox() != nullptr; }, 20000);
        SetFileAttributesA(m_target.c_str(), FILE_ATTRIBUTE_READONLY);
        answerer.Answer(IDYES);
        answerer.Hold(false);
    });
    EXPECT_EQ(-1, Convert());
    user.join();
    EXPECT_EQ(1u, answerer.Count());
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    ExpectNoProgress();
    SetFileAttributesA(m_target.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::vector<unsigned char> bytes = ReadFileBytes(m_target);
    EXPECT_EQ("keep me", std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(before, FilesIn(m_dir));
}

TEST_F(ConvertFailures, MissingSourceCreatesNoTarget)
{
    EXPECT_EQ(-1, Convert());
    EXPECT_EQ(std::vector<LPARAM>({kSourceOpenFailed}), m_watch.Errors());
    EXPECT_EQ(1u, m_watch.Events().size());
    EXPECT_FALSE(FileExists(m_target));
}

TEST_F(ConvertFailures, ExistingTargetSurvivesAFailedSource)
{
    ASSERT_TRUE(WriteFileBytes(m_target, "keep me", 7));
    std::vector<HookedBox> boxes;
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    EXPECT_EQ(1u, boxes.size());
    EXPECT_EQ(std::vector<LPARAM>({kSourceOpenFailed}), m_watch.Errors());
    std::vector<unsigned char> bytes = ReadFileBytes(m_target);
    EXPECT_EQ("keep me", std::string(bytes.begin(), bytes.end()));
}

TEST_F(ConvertFailures, ExistingTargetSurvivesAnUnsupportedMode)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
    std::vector<unsigned char> image = ReadFileBytes(m_source);
    image[15] = 3;
    ASSERT_TRUE(WriteFileBytes(m_source, image.data(), image.size()));
    ASSERT_TRUE(WriteFileBytes(m_target, "keep me", 7));
    std::vector<HookedBox> boxes;
    EXPECT_EQ(-1, ConvertAnswering(IDYES, &boxes));
    EXPECT_EQ(std::vector<LPARAM>({kUnsupportedTrackMode}), m_watch.Errors());
    std::vector<unsigned char> bytes = ReadFileBytes(m_target);
    EXPECT_EQ("keep me", std::string(bytes.begin(), bytes.end()));
}

TEST_F(ConvertFailures, SourceHeldOpenWithoutSharing)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
    HANDLE held = CreateFileA(m_source.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(-1, Convert());
    CloseHandle(held);
    EXPECT_EQ(std::vector<LPARAM>({kSourceOpenFailed}), m_watch.Errors());
    EXPECT_FALSE(FileExists(m_target));
}

// The source is no target for itself. A file is the source where volume
// serial and file ID (the 128-bit one where the system gives it, else the
// 64-bit index) both match; where a file system tells no identity (the query
// fails, every index is 0, every 128-bit ID is 0 as on FAT and exFAT),
// another file is still replaced. An index or ID shared by files on two
// volumes, or a 64-bit index shared on one (ReFS) where the 128-bit IDs
// differ, does not make another file the source.
TEST_F(ConvertFailures, SourceAndTargetTheSameFile)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
    std::vector<unsigned char> before = ReadFileBytes(m_source);
    std::vector<HookedBox> boxes;
    int result = ConvertAnswering(Request(m_source, m_source), IDYES, &boxes);
    EXPECT_EQ(-1, result);
    EXPECT_EQ(1u, boxes.size());
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    EXPECT_EQ(before, ReadFileBytes(m_source));
    ExpectNoProgress();

    CImageCallsFake fake;
    const struct {
        BOOL(WINAPI* identify)(HANDLE, LPBY_HANDLE_FILE_INFORMATION);
        IdentifyByIdCall identifyById;
        const char* name;
    } kIdentities[] = {{FailingIdentify, nullptr, "no identity"},
                       {ZeroIndexIdentify, nullptr, "index 0"},
                       {SharedIndexIdentify, nullptr, "one index on two volumes"},
                       {OneIndexIdentify, SizeIdById, "one index, two IDs"},
                       {GetFileInformationByHandle, OneIdById, "one ID on two volumes"},
                       {GetFileInformationByHandle, ZeroIdById, "IDs of zeros"}};
    for (const auto& identity : kIdentities) {
        g_imageFileCalls.m_identify = identity.identify;
        g_imageFileCalls.m_identifyById = identity.identifyById;
        ASSERT_TRUE(WriteFileBytes(m_target, "old", 3));
        m_watch.ClearEvents();
        EXPECT_EQ(1, ConvertAnswering(IDYES, &boxes)) << identity.name;
        EXPECT_EQ(ExpectedIso(120), ReadFileBytes(m_target)) << identity.name;
        EXPECT_TRUE(m_watch.Errors().empty()) << identity.name;

        m_watch.ClearEvents();
        EXPECT_EQ(-1, ConvertAnswering(Request(m_source, m_source), IDYES, &boxes)) << identity.name;
        EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors()) << identity.name;
        EXPECT_EQ(before, ReadFileBytes(m_source)) << identity.name;
    }
}

// The identity as the system answers it (the 128-bit ID where it has one),
// and, where no identity can be had, the full paths compared without regard
// to case: two spellings of one path are one file.
TEST_F(ConvertFailures, IdentityOfTwoOpenFiles)
{
    ASSERT_TRUE(WriteFileBytes(m_source, "source", 6));
    ASSERT_TRUE(WriteFileBytes(m_target, "target", 6));
    std::string capitals = m_source;
    for (char& c : capitals)
        c = (char)toupper((unsigned char)c);
    ASSERT_NE(m_source, capitals);
    auto open = [](const std::string& path) {
        return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE source = open(m_source);
    HANDLE again = open(capitals);
    HANDLE target = open(m_target);
    ASSERT_NE(INVALID_HANDLE_VALUE, source);
    ASSERT_NE(INVALID_HANDLE_VALUE, again);
    ASSERT_NE(INVALID_HANDLE_VALUE, target);
    std::wstring sourcePath = Wide(m_source);
    std::wstring againPath = Wide(capitals);
    std::wstring targetPath = Wide(m_target);
    CImageCallsFake fake;
    for (int fallback = 0; fallback < 2; ++fallback) {
        if (fallback) {
            g_imageFileCalls.m_identify = FailingIdentify;
            g_imageFileCalls.m_identifyById = nullptr;
        }
        EXPECT_TRUE(IsTheSource(again, againPath.c_str(), source, sourcePath.c_str())) << fallback;
        EXPECT_FALSE(IsTheSource(target, targetPath.c_str(), source, sourcePath.c_str())) << fallback;
    }
    CloseHandle(source);
    CloseHandle(again);
    CloseHandle(target);
}

TEST_F(ConvertFailures, TargetInAMissingFolder)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
    EXPECT_EQ(-1, Convert(Request(m_source, m_dir + "no such folder\\disc.iso")));
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
    ExpectNoProgress();
}

TEST_F(ConvertFailures, DeviceAsSourceIsRefused)
{
    EXPECT_EQ(-1, Convert(Request("NUL", m_target)));
    EXPECT_EQ(std::vector<LPARAM>({kSourceOpenFailed}), m_watch.Errors());
    EXPECT_EQ(1u, m_watch.Events().size());
    EXPECT_FALSE(FileExists(m_target));
}

TEST_F(ConvertFailures, DeviceAsTargetIsRefusedWithoutAQuestion)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
    std::vector<unsigned char> before = ReadFileBytes(m_source);
    for (const std::string& device : {m_dir + "NUL.iso", std::string("NUL")}) {
        m_watch.ClearEvents();
        std::vector<HookedBox> boxes;
        int result = ConvertAnswering(Request(m_source, device), IDYES, &boxes);
        EXPECT_EQ(-1, result) << device;
        EXPECT_TRUE(boxes.empty()) << device;
        EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors()) << device;
        ExpectNoProgress();
    }
    EXPECT_EQ(before, ReadFileBytes(m_source));
}

TEST_F(ConvertFailures, PathsThatDoNotFitAreRefused)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 120));
    ConvertRequest request = Request(m_source, m_target);
    // No NUL inside the target buffer: what it holds must not be taken for a path.
    std::wstring longName = Wide(m_dir) + std::wstring(kLongPathSize, L'x');
    memcpy(request.targetPath, longName.data(), sizeof(request.targetPath));
    EXPECT_EQ(-1, Convert(request));
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());

    m_watch.ClearEvents();
    request = Request(m_source, m_target);
    memcpy(request.sourcePath, longName.data(), sizeof(request.sourcePath));
    EXPECT_EQ(-1, Convert(request));
    EXPECT_EQ(std::vector<LPARAM>({kSourceOpenFailed}), m_watch.Errors());
    EXPECT_FALSE(FileExists(m_target));

    // Only the source is in the folder.
    EXPECT_EQ(std::vector<std::string>({"disc.bin"}), FilesIn(m_dir));

    // The overwrite check refuses a path longer than a request can hold.
    m_watch.ClearEvents();
    int refused = RunOnWorker([&] {
        return ConfirmOverwrite(longName.c_str(), m_watch.Page());
    });
    EXPECT_EQ(-1, refused);
    EXPECT_EQ(std::vector<LPARAM>({kTargetOpenFailed}), m_watch.Errors());
}

// --- Cancel --------------------------------------------------------------------

class ConvertCancel : public ConvertFixture {};

TEST_F(ConvertCancel, FlagSetBeforeTheRunFinishesTheFirstSector)
{
    CFakeClock clock({0, 1000});
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 1000));
    g_cancelRequested = 1;
    EXPECT_EQ(1, Convert());
    EXPECT_FALSE(FileExists(m_target));
    // One sector of 2352 bytes copied; no summary.
    EXPECT_EQ(std::vector<WPARAM>({0, 0}), m_watch.BarPositions());
    EXPECT_EQ(std::vector<std::string>({"Status :[0.1 %]  ||  \xD8 2.30 KB / Sek.  || 2.30 KB von 2.24 MB "}),
              m_watch.Texts(IDC_STATUS_LINE));
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ(0, m_watch.BarPosition());
    EXPECT_TRUE(m_watch.Errors().empty());
}

TEST_F(ConvertCancel, FlagSetDuringAReportStopsAfterThatSector)
{
    CFakeClock clock({0, 2000});
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 1000));
    std::vector<unsigned char> old = ExpectedIso(3);
    ASSERT_TRUE(WriteFileBytes(m_target, old.data(), old.size()));
    std::vector<std::string> before = FilesIn(m_dir);
    m_watch.onEvent = [](const PageEvent& event) {
        if (event.message == PBM_SETPOS)
            g_cancelRequested = 1;
    };
    BoxAnswerer answerer;
    answerer.Answer(IDYES);
    EXPECT_EQ(1, Convert());
    m_watch.onEvent = nullptr;
    // The image the user agreed to replace is kept whole, and nothing is left beside it.
    EXPECT_EQ(old, ReadFileBytes(m_target));
    EXPECT_EQ(before, FilesIn(m_dir));
    EXPECT_EQ(1u, m_watch.IntermediateReports());
    EXPECT_EQ(std::vector<WPARAM>({10, 10, 0}), m_watch.BarPositions());
    std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
    ASSERT_EQ(2u, status.size());
    // The final report passes the 101 copied sectors.
    EXPECT_EQ("Status :[10.1 %]  ||  \xD8 115.99 KB / Sek.  || 231.98 KB von 2.24 MB ", status[1]);
    EXPECT_FALSE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
}

TEST_F(ConvertCancel, FlagSetDuringTheLastSectorStillDeletes)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 101));
    m_watch.onEvent = [](const PageEvent& event) {
        if (event.message == PBM_SETPOS)
            g_cancelRequested = 1;
    };
    EXPECT_EQ(1, Convert());
    m_watch.onEvent = nullptr;
    EXPECT_FALSE(FileExists(m_target));
    EXPECT_FALSE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
    EXPECT_EQ(std::vector<WPARAM>({100, 100, 0}), m_watch.BarPositions());
}

// A viewer holds the cancelled image open. For a moment: the delete waits
// for it. For good: it cannot be deleted, so it is cut to nothing instead of
// keeping its space, and the message names it.
TEST_F(ConvertCancel, ImageHeldOpenIsCutToNothing)
{
    ASSERT_TRUE(WriteImage(m_source, kImageMode1, 1000));
    std::vector<std::string> before = FilesIn(m_dir);
    std::string image;
    HANDLE viewer = INVALID_HANDLE_VALUE;
    std::thread releaser;
    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message != PBM_SETPOS || viewer != INVALID_HANDLE_VALUE)
            return;
        image = m_dir + NewFileIn(m_dir, before);
        viewer = OpenAsViewer(image);
        releaser = ReleaseLater({viewer}, 500);
        g_cancelRequested = 1;
    };
    EXPECT_EQ(1, Convert());
    ASSERT_TRUE(releaser.joinable());
    releaser.join();
    ASSERT_NE(INVALID_HANDLE_VALUE, viewer);
    EXPECT_TRUE(m_watch.Errors().empty());
    EXPECT_EQ(before, FilesIn(m_dir));

    viewer = INVALID_HANDLE_VALUE;
    g_cancelRequested = 0;
    m_watch.ClearEvents();
    m_watch.onEvent = [&](const PageEvent& event) {
        if (event.message != PBM_SETPOS || viewer != INVALID_HANDLE_VALUE)
            return;
        image = m_dir + NewFileIn(m_dir, before);
        viewer = OpenAsViewer(image);
        g_cancelRequested = 1;
    };
    EXPECT_EQ(1, Convert());
    m_watch.onEvent = nullptr;
    ASSERT_NE(INVALID_HANDLE_VALUE, viewer);
    EXPECT_EQ(0, FileSize(image));
    CloseHandle(viewer);
    EXPECT_EQ(std::vector<LPARAM>({kPartialImageLeft}), m_watch.Errors());
    EXPECT_EQ(std::vector<std::string>({image}), m_watch.LeftFiles());
    DeleteFileA(image.c_str());
    EXPECT_FALSE(FileExists(m_target));
    EXPECT_FALSE(IsSummary(m_watch.Text(IDC_STATUS_LINE)));
}

// --- A source over 4 GiB (label "large") -----------------------------------

class ConvertLarge : public ConvertFixture {};

TEST_F(ConvertLarge, SourceOverFourGiBUsesSixtyFourBitFigures)
{
    // 2,100,000 Mode 1 sectors: 4.94 GB of source, 4.30 GB of target, both
    // past 2^32. Real sectors at the start, across 2^32 and at the end.
    const unsigned long long sectors = 2100000;
    ASSERT_TRUE(MakeSparseFile(m_source, sectors * 2352 + 77));
    const uint32_t written[] = {0, 1, 2, 1826090, 1826091, 1826092, 2097151, 2097152, 2097153, 2099999};
    {
        HANDLE file = CreateFileA(m_source.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        std::string one = m_dir + "one.bin";
        ASSERT_TRUE(WriteImage(one, kImageMode1, 1));
        std::vector<unsigned char> sector = ReadFileBytes(one);
        DeleteFileA(one.c_str());
        ASSERT_EQ(2352u, sector.size());
        for (uint32_t index : written) {
            FillSectorData(index, &sector[16]);
            LARGE_INTEGER at;
            at.QuadPart = (LONGLONG)index * 2352;
            DWORD done = 0;
            ASSERT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
            ASSERT_TRUE(WriteFile(file, sector.data(), 2352, &done, nullptr));
            ASSERT_EQ(2352u, done);
        }
        CloseHandle(file);
    }

    EXPECT_EQ(1, RunOnWorker([&] { return ConvertImage(Request(m_source, m_target)); }, 800000));
    EXPECT_EQ((long long)(sectors * 2048), FileSize(m_target));
    // Per-mille 0 to 999 at the checks: 1000 reports, the last at 99 percent.
    EXPECT_EQ(1000u, m_watch.IntermediateReports());
    std::vector<WPARAM> bars = m_watch.BarPositions();
    ASSERT_EQ(1002u, bars.size());
    EXPECT_EQ(99u, bars[999]);
    std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
    ASSERT_GE(status.size(), 2u);
    std::string last = status[status.size() - 2];
    EXPECT_NE(std::string::npos, last.find("[100.0 %]")) << last;
    EXPECT_NE(std::string::npos, last.find("|| 4.60 GB von 4.60 GB ")) << last;
    EXPECT_TRUE(IsSummary(status.back()));

    HANDLE target = CreateFileA(m_target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, target);
    std::vector<unsigned char> expected(2048), actual(2048);
    for (uint32_t index : written) {
        FillSectorData(index, expected.data());
        LARGE_INTEGER at;
        at.QuadPart = (LONGLONG)index * 2048;
        DWORD done = 0;
        ASSERT_TRUE(SetFilePointerEx(target, at, nullptr, FILE_BEGIN));
        ASSERT_TRUE(ReadFile(target, actual.data(), 2048, &done, nullptr));
        EXPECT_EQ(2048u, done);
        EXPECT_EQ(expected, actual) << "sector " << index;
    }
    // A sector that was never written holds zeros.
    LARGE_INTEGER at;
    at.QuadPart = 2000000LL * 2048;
    DWORD done = 0;
    SetFilePointerEx(target, at, nullptr, FILE_BEGIN);
    ReadFile(target, actual.data(), 2048, &done, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(2048, 0), actual);
    CloseHandle(target);
}

}  // namespace
