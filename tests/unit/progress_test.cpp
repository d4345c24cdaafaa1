// ReportProgress on a real converter page, called from a second thread:
// bar, status line, time line, summary, in both languages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "base/language.h"
#include "convert/progress.h"
#include "res/resource.h"
#include "tests/support/windows.h"
#include "tests/unit/page_watch.h"

namespace {

class ProgressReport : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_watch.IsReady());
        m_savedEnglish = g_english;
        g_english = 0;
        g_convertStartMs = 0;
    }
    void TearDown() override { g_english = m_savedEnglish; }

    // One report, made from a worker thread.
    int Report(double processed, double total, int kind, HWND page = nullptr)
    {
        HWND target = page ? page : m_watch.Page();
        return RunOnWorker([=] { return ReportProgress(processed, total, target, kind); });
    }

    CPageWatch m_watch;
    int m_savedEnglish = 0;
};

TEST_F(ProgressReport, WorkedExampleInGerman)
{
    CFakeClock clock({2000, 20500});
    EXPECT_EQ(1, Report(237552, 2352000, kReportIntermediate));
    EXPECT_EQ(std::vector<WPARAM>({10}), m_watch.BarPositions());
    EXPECT_EQ("Noch 17 Sek.  ||  Verstrichen: 2 Sek.", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ("Status :[10.1 %]  ||  \xD8 115.99 KB / Sek.  || 231.98 KB von 2.24 MB ",
              m_watch.Text(IDC_STATUS_LINE));
    EXPECT_EQ(10, m_watch.BarPosition());

    m_watch.ClearEvents();
    EXPECT_EQ(1, Report(2352000, 2352000, kReportFinal));
    EXPECT_EQ("Erledigt   :||  \xD8 112.04 KB / Sek.  || Gesamtzeit: 20 Sek.", m_watch.Text(IDC_STATUS_LINE));
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ(0, m_watch.BarPosition());
    // First what an intermediate report does, then the summary over it.
    EXPECT_EQ(std::vector<WPARAM>({100, 0}), m_watch.BarPositions());
    std::vector<std::string> status = m_watch.Texts(IDC_STATUS_LINE);
    ASSERT_EQ(2u, status.size());
    EXPECT_EQ("Status :[100.0 %]  ||  \xD8 112.04 KB / Sek.  || 2.24 MB von 2.24 MB ", status[0]);
    EXPECT_EQ(std::vector<std::string>({"Noch < 1 Sek.  ||  Verstrichen: 20 Sek.", ""}),
              m_watch.Texts(IDC_TIME_LINE));
}

TEST_F(ProgressReport, WorkedExampleInEnglish)
{
    g_english = 1;
    CFakeClock clock({2000, 20500});
    Report(237552, 2352000, kReportIntermediate);
    EXPECT_EQ("Remaining 17 Sek.  ||  Elapsed: 2 Sek.", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ("Status :[10.1 %]  ||  \xD8 115.99 KB / Sek.  || 231.98 KB at 2.24 MB ",
              m_watch.Text(IDC_STATUS_LINE));
    Report(2352000, 2352000, kReportFinal);
    EXPECT_EQ("Finish   :||  \xD8 112.04 KB / Sek.  || Total: 20 Sek.", m_watch.Text(IDC_STATUS_LINE));
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ(0, m_watch.BarPosition());
}

TEST_F(ProgressReport, ElapsedTimeCountsFromTheStartReading)
{
    // A start reading other than 0, and a clock that passed 2^31 on the way.
    g_convertStartMs = 0x7FFFFF00;
    CFakeClock clock({(long)(0x7FFFFF00u + 62000u)});
    Report(1176000, 2352000, kReportIntermediate);
    EXPECT_EQ("Noch 1 Min., 2 Sek.  ||  Verstrichen: 1 Min., 2 Sek.", m_watch.Text(IDC_TIME_LINE));
}

TEST_F(ProgressReport, AtMostTwoHundredthsOfAPercentOnlyMovesTheBar)
{
    CFakeClock clock({1000});
    SetDlgItemTextA(m_watch.Page(), IDC_STATUS_LINE, "status before");
    SetDlgItemTextA(m_watch.Page(), IDC_TIME_LINE, "time before");
    m_watch.ClearEvents();

    // Exactly 0.02 percent, then less.
    Report(2352, 11760000, kReportIntermediate);
    Report(1, 11760000, kReportIntermediate);
    EXPECT_EQ(std::vector<WPARAM>({0, 0}), m_watch.BarPositions());
    EXPECT_EQ(0u, m_watch.Count(IDC_STATUS_LINE, WM_SETTEXT));
    EXPECT_EQ(0u, m_watch.Count(IDC_TIME_LINE, WM_SETTEXT));
    EXPECT_EQ("status before", m_watch.Text(IDC_STATUS_LINE));
    EXPECT_EQ("time before", m_watch.Text(IDC_TIME_LINE));

    // Just above it, both lines are written.
    Report(2353, 11760000, kReportIntermediate);
    EXPECT_EQ(1u, m_watch.Count(IDC_STATUS_LINE, WM_SETTEXT));
    EXPECT_EQ(1u, m_watch.Count(IDC_TIME_LINE, WM_SETTEXT));
    EXPECT_EQ("Status :[0.0 %]  ||  \xD8 2.30 KB / Sek.  || 2.30 KB von 11.22 MB ", m_watch.Text(IDC_STATUS_LINE));
}

TEST_F(ProgressReport, BarTakesThePercentTruncated)
{
    CFakeClock clock({1000});
    Report(999, 1000, kReportIntermediate);
    Report(1, 3, kReportIntermediate);
    Report(1000, 1000, kReportIntermediate);
    EXPECT_EQ(std::vector<WPARAM>({99, 33, 100}), m_watch.BarPositions());
    EXPECT_EQ(100, m_watch.BarPosition());
}

TEST_F(ProgressReport, TotalOfZeroStillWritesTheSummary)
{
    CFakeClock clock({1500});
    SetDlgItemTextA(m_watch.Page(), IDC_STATUS_LINE, "status before");
    m_watch.ClearEvents();
    Report(0, 0, kReportIntermediate);
    EXPECT_EQ(std::vector<WPARAM>({0}), m_watch.BarPositions());
    EXPECT_EQ(0u, m_watch.Count(IDC_STATUS_LINE, WM_SETTEXT));

    Report(0, 0, kReportFinal);
    EXPECT_EQ("Erledigt   :||  \xD8 0 Byte / Sek.  || Gesamtzeit: 1 Sek.", m_watch.Text(IDC_STATUS_LINE));
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ(0, m_watch.BarPosition());
}

TEST_F(ProgressReport, NoElapsedTimeGivesReadableTexts)
{
    CFakeClock clock({0});
    Report(237552, 2352000, kReportIntermediate);
    EXPECT_EQ("Noch < 1 Sek.  ||  Verstrichen: < 1 Sek.", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ("Status :[10.1 %]  ||  \xD8 inf GB / Sek.  || 231.98 KB von 2.24 MB ", m_watch.Text(IDC_STATUS_LINE));
    Report(0, 0, kReportFinal);
    EXPECT_EQ("Erledigt   :||  \xD8 0 Byte / Sek.  || Gesamtzeit: < 1 Sek.", m_watch.Text(IDC_STATUS_LINE));
}

TEST_F(ProgressReport, StoppedRunShowsWhereItStoppedWithoutSummary)
{
    CFakeClock clock({2000});
    EXPECT_EQ(1, Report(237552, 2352000, kReportStopped));
    EXPECT_EQ(std::vector<WPARAM>({10, 0}), m_watch.BarPositions());
    EXPECT_EQ("Status :[10.1 %]  ||  \xD8 115.99 KB / Sek.  || 231.98 KB von 2.24 MB ",
              m_watch.Text(IDC_STATUS_LINE));
    EXPECT_EQ(1u, m_watch.Count(IDC_STATUS_LINE, WM_SETTEXT));
    EXPECT_EQ("", m_watch.Text(IDC_TIME_LINE));
    EXPECT_EQ(0, m_watch.BarPosition());
}

TEST_F(ProgressReport, NullPageDoesNothing)
{
    CFakeClock clock({2000});
    EXPECT_EQ(0, RunOnWorker([] { return ReportProgress(100, 200, nullptr, kReportFinal); }));
    EXPECT_TRUE(m_watch.Events().empty());
    EXPECT_EQ(0, clock.Calls());
}

TEST_F(ProgressReport, MissingControlsAreSkipped)
{
    CFakeClock clock({2000});
    // A page with only the time line.
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND timeLine = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 10, host, (HMENU)(INT_PTR)IDC_TIME_LINE,
                                    nullptr, nullptr);
    ASSERT_NE(nullptr, timeLine);
    EXPECT_EQ(1, Report(237552, 2352000, kReportIntermediate, host));
    EXPECT_EQ("Noch 17 Sek.  ||  Verstrichen: 2 Sek.", WindowText(timeLine));
    EXPECT_EQ(1, Report(2352000, 2352000, kReportFinal, host));
    EXPECT_EQ("", WindowText(timeLine));
    DestroyWindow(host);
    EXPECT_TRUE(m_watch.Events().empty());
}

TEST(ProgressClock, DefaultClockCountsWallTime)
{
    // A sleeping thread uses no processor time; a wall clock moves on anyway.
    long before = g_readClockMs();
    Sleep(300);
    long after = g_readClockMs();
    EXPECT_GE(after - before, 250);
    EXPECT_EQ((long (*)())ReadClockMs, g_readClockMs);
}

}  // namespace
