// The window under high contrast. unit/highcontrast.sh puts a high-contrast
// colour scheme into the prefix's registry before this process starts, and
// Windows' colour calls give it from then on. Whether high contrast is on
// comes through the program's seam: Wine always answers that it is off. The
// link in the system's colour for links, no colour of the program's own on
// screen, and the window following a change while it runs; screenshots of
// the about and converter pages to look at.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <initializer_list>
#include <string>

#include "app/aboutpage.h"
#include "tests/support/png.h"
#include "tests/support/testfiles.h"
#include "tests/unit/pagewindow.h"

namespace {

// The scheme highcontrast.sh sets, as "High Contrast Black" has it.
const COLORREF kSchemeFace = RGB(0, 0, 0);
const COLORREF kSchemeText = RGB(255, 255, 255);
const COLORREF kSchemeLink = RGB(255, 255, 0);
// The colours a change while the program runs brings.
const COLORREF kChangedFace = RGB(0, 0, 96);
const COLORREF kChangedLink = RGB(0, 255, 255);
const COLORREF kChangedHighlight = RGB(255, 0, 255);

const COLORREF kOwnColours[] = {kLinkStartColor, kLinkNormalColor, kLinkHoverColor};

bool g_highContrast = true;
bool ReadTestHighContrast()
{
    return g_highContrast;
}

// Answers "on" for the life of the object, then the system's answer again.
class CHighContrastOn {
public:
    CHighContrastOn() : m_saved(g_readHighContrast)
    {
        g_highContrast = true;
        g_readHighContrast = ReadTestHighContrast;
    }
    ~CHighContrastOn() { g_readHighContrast = m_saved; }

private:
    bool (*m_saved)();
};

// Puts the scheme's colours back, whatever a case changed.
class CSchemeColours {
public:
    CSchemeColours()
    {
        for (int i = 0; i < kCount; ++i)
            m_saved[i] = GetSysColor(kElements[i]);
    }
    ~CSchemeColours() { SetSysColors(kCount, kElements, m_saved); }
    static void Set(COLORREF face, COLORREF link, COLORREF highlight)
    {
        const COLORREF colours[kCount] = {face, link, highlight};
        SetSysColors(kCount, kElements, colours);
    }

private:
    static const int kCount = 3;
    static const INT kElements[kCount];
    COLORREF m_saved[kCount];
};
const INT CSchemeColours::kElements[CSchemeColours::kCount] = {COLOR_BTNFACE, COLOR_HOTLIGHT, COLOR_HIGHLIGHT};

// Counts the colour changes one control hears of.
class CColourChangeCounter {
public:
    explicit CColourChangeCounter(HWND control) : m_control(control)
    {
        s_heard = 0;
        s_original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CColourChangeCounter::Proc)));
    }
    ~CColourChangeCounter() { SetWindowLongPtrW(m_control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_original)); }
    static int Heard() { return s_heard; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SYSCOLORCHANGE)
            ++s_heard;
        return CallWindowProcW(s_original, window, message, wParam, lParam);
    }
    static int s_heard;
    static WNDPROC s_original;
    HWND m_control;
};
int CColourChangeCounter::s_heard = 0;
WNDPROC CColourChangeCounter::s_original = nullptr;

bool SchemeRun()
{
    const char* value = getenv("KAVONIX_TEST_HIGH_CONTRAST");
    return value != nullptr && value[0] == '1';
}

std::string ScreenshotPath(const char* name)
{
    std::string dir = BuildDirWindows() + "screenshots\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + name;
}

int OwnColouredPixelsIn(const RECT& area)
{
    int count = 0;
    for (COLORREF colour : kOwnColours)
        count += CountScreenPixelsIn(area, colour);
    return count;
}

int OwnColouredPixels(HWND window)
{
    RECT area = {};
    GetWindowRect(window, &area);
    return OwnColouredPixelsIn(area);
}

bool IsPicture(HWND control)
{
    char className[32] = "";
    GetClassNameA(control, className, sizeof(className));
    LONG type = GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK;
    return lstrcmpiA(className, "Static") == 0 && (type == SS_ICON || type == SS_BITMAP);
}

// Everything of the main dialog and its page but the pictures (the banner,
// the program's icon), which keep their colours.
int OwnColouredPixelsBesidePictures(HWND main, HWND page)
{
    int count = OwnColouredPixels(main);
    for (HWND dialog : {main, page})
        for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT))
            if (IsWindowVisible(control) && IsPicture(control))
                count -= OwnColouredPixels(control);
    return count;
}

// The link has taken `colour`, on its background `face` (most of its area).
bool LinkShows(HWND link, COLORREF colour, COLORREF face)
{
    RECT rect = {};
    GetWindowRect(link, &rect);
    int area = (rect.right - rect.left) * (rect.bottom - rect.top);
    return WaitUntil([&] {
        return CountScreenPixels(link, colour) > 0 && CountScreenPixels(link, face) > area / 2;
    }, 5000);
}

class HighContrast : public testing::Test {
protected:
    void SetUp() override
    {
        if (!SchemeRun())
            GTEST_SKIP() << "run by unit/highcontrast.sh, with the scheme in the registry";
        ASSERT_EQ(kSchemeFace, GetSysColor(COLOR_BTNFACE)) << "the scheme is not in place";
        ASSERT_EQ(kSchemeText, GetSysColor(COLOR_BTNTEXT));
        ASSERT_EQ(kSchemeLink, GetSysColor(COLOR_HOTLIGHT));
    }
};

}  // namespace

// The link in the system's link colour whatever the mouse does, and nothing
// anywhere in a colour of the program's own; the banner keeps its picture.
TEST_F(HighContrast, LinkInTheSystemLinkColourAndNoColourOfTheProgramsOwn)
{
    CHighContrastOn on;
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND page = window.Page();
    HWND link = window.Control(IDC_LINK);
    ASSERT_NE(nullptr, link);
    EXPECT_TRUE(LinkShows(link, kSchemeLink, kSchemeFace));
    EXPECT_EQ(0, OwnColouredPixelsBesidePictures(window.Main(), window.Page()));

    RECT rect = ClientRectOf(link);
    SendMessageA(page, WM_MOUSEMOVE, 0, PointParam(rect.right - 2, (rect.top + rect.bottom) / 2));
    ASSERT_EQ(kLinkHoverColor, LinkColor) << "the mouse is over the link";
    RedrawWindow(window.Main(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_TRUE(LinkShows(link, kSchemeLink, kSchemeFace));
    EXPECT_EQ(0, OwnColouredPixelsBesidePictures(window.Main(), window.Page()));
    EXPECT_TRUE(SaveClientScreenshot(window.Main(), ScreenshotPath("highcontrast-about.png")));

    window.Tab(IDC_TAB_CONVERTER);
    SendDlgItemMessageA(window.Page(), IDC_PROGRESS, PBM_SETPOS, 40, 0);
    RedrawWindow(window.Main(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    EXPECT_EQ(0, OwnColouredPixelsBesidePictures(window.Main(), window.Page()));
    EXPECT_TRUE(SaveClientScreenshot(window.Main(), ScreenshotPath("highcontrast-converter.png")));
    HBITMAP banner = (HBITMAP)SendDlgItemMessageA(window.Main(), IDC_BANNER, STM_GETIMAGE, IMAGE_BITMAP, 0);
    EXPECT_NE(nullptr, banner) << "the banner keeps its picture";
}

// High contrast switched on and off, and new colours, while the window is
// open: it follows at once, with the page as it is, and the link's brush of
// the old colours is gone.
TEST_F(HighContrast, WindowFollowsAChangeWithoutARestart)
{
    CHighContrastOn on;
    CSchemeColours restore;
    g_highContrast = false;
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    const HWND page = window.Page();
    const HWND link = GetDlgItem(page, IDC_LINK);
    EXPECT_TRUE(WaitUntil([&] { return OwnColouredPixels(link) > 0; }, 5000)) << "high contrast off: the link's own colour";

    g_highContrast = true;
    SendMessageW(window.Main(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_TRUE(LinkShows(link, kSchemeLink, kSchemeFace));
    EXPECT_EQ(0, OwnColouredPixelsBesidePictures(window.Main(), window.Page()));
    EXPECT_EQ(page, window.Page()) << "the page is not rebuilt";

    g_highContrast = false;
    SendMessageW(window.Main(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_TRUE(WaitUntil([&] { return OwnColouredPixels(link) > 0; }, 5000));

    // Other colours, as the user picks another scheme: Windows tells every
    // top-level window.
    g_highContrast = true;
    HBRUSH before = g_linkBrush;
    ASSERT_NE(nullptr, before);
    CSchemeColours::Set(kChangedFace, kChangedLink, kChangedHighlight);
    SendMessageW(window.Main(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(LinkShows(link, kChangedLink, kChangedFace));
    EXPECT_EQ(0, CountScreenPixels(link, kSchemeLink));
    EXPECT_NE(before, g_linkBrush);
    EXPECT_EQ(0u, GetObjectType(before)) << "the brush of the old colours is still there";
    LOGBRUSH brush = {};
    ASSERT_NE(0, GetObjectA(g_linkBrush, sizeof(brush), &brush));
    EXPECT_EQ(kChangedFace, brush.lbColor);

    // The progress bar, a common control, takes the new colours too. Only
    // top-level windows hear of them from Windows, and Windows' common
    // controls keep the colours they had until they are told (Wine's read
    // them afresh at each drawing).
    window.Tab(IDC_TAB_CONVERTER);
    HWND bar = window.Control(IDC_PROGRESS);
    SendMessageA(bar, PBM_SETPOS, 50, 0);
    CColourChangeCounter counter(bar);
    CSchemeColours::Set(kSchemeFace, kSchemeLink, RGB(0, 255, 0));
    SendMessageW(window.Main(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_GE(CColourChangeCounter::Heard(), 1) << "the progress bar is not told";
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(bar, RGB(0, 255, 0)) > 0; }, 5000))
        << "the progress bar keeps the colours it had";
}
