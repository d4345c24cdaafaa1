// The about page through the real main dialog and page procedure: its
// template, the link's colours on screen, hover, cursor and click.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/aboutpage.h"
#include "tests/browser/browserlog.h"
#include "tests/support/boxes.h"
#include "tests/unit/pagewindow.h"

namespace {

const char kGermanFreewarePage[] = "http://www.kavonix.example/de/?seite=freeware&SID=KAVONIX";
const char kEnglishFreewarePage[] = "http://www.kavonix.example/?seite=freeware&SID=KAVONIX";

struct ExpectedControl {
    int id;
    const char* className;
    DWORD type;      // SS_ / BS_ type in the low bits
    DWORD required;  // further style bits that must be set
    DWORD absent;    // style bits that must not be set
    int x, y, width, height;
    const char* text;  // null: not checked
    bool sizeFixed;    // icons take the size of their image
};

// The one text that differs between the builds: each names the Windows it is for.
const char* const kPlatformLine =
    sizeof(void*) == 8 ? "Mode 1 / Mode 2, 64 Bit Windows" : "Mode 1 / Mode 2, 32 Bit Windows";

const ExpectedControl kAboutControls[] = {
    {0xFFFF, "Static", SS_ICON, 0, 0, 11, 17, 20, 20, nullptr, false},
    {0xFFFF, "Static", SS_LEFT, SS_NOPREFIX | WS_GROUP, 0, 40, 10, 119, 8, "Kavonix", true},
    {0xFFFF, "Static", SS_LEFT, WS_GROUP, 0, 40, 43, 189, 8, nullptr, true},
    {IDC_LINK, "Static", SS_LEFT, WS_GROUP, SS_NOTIFY, 102, 79, 108, 8, "www.kavonix.example", true},
    {0xFFFF, "Static", SS_LEFT, WS_GROUP, 0, 40, 69, 60, 8, nullptr, true},
    {IDC_ABOUT_LINE, "Static", SS_LEFT, WS_GROUP, 0, 102, 69, 42, 8, nullptr, true},
    {0xFFFF, "Static", SS_LEFT, WS_GROUP, 0, 40, 79, 44, 8, "Homepage:", true},
    {IDC_VERSION_LINE, "Static", SS_LEFT, WS_GROUP, 0, 40, 23, 151, 10, "Version 1.64.1  Build 001 ", true},
    {0xFFFF, "Static", SS_LEFT, WS_GROUP, 0, 40, 53, 147, 8, kPlatformLine, true},
    {0xFFFF, "Static", SS_GRAYFRAME, SS_SUNKEN, 0, 39, 37, 278, 1, "", true},
    {IDC_ABOUT_FRAME, "Button", BS_GROUPBOX, 0, 0, 0, 0, 368, 105, "", true},
    {0xFFFF, "Static", SS_ICON, 0, 0, 276, 57, 20, 20, nullptr, false},
};

std::vector<HWND> ChildrenInOrder(HWND page)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::vector<std::string> AllTexts(HWND page)
{
    std::vector<std::string> texts;
    for (HWND child : ChildrenInOrder(page))
        texts.push_back(WindowText(child));
    return texts;
}

// Points of the link control in page coordinates: the blank space right of
// its text, and the first points outside its right and bottom edges.
struct LinkPoints {
    POINT blank;
    POINT rightOutside;
    POINT belowOutside;
    POINT topLeft;
};

LinkPoints PointsOfLink(HWND page)
{
    RECT link = ClientRectOf(GetDlgItem(page, IDC_LINK));
    int middle = (link.top + link.bottom) / 2;
    LinkPoints points;
    points.blank = {link.right - 2, middle};
    points.rightOutside = {link.right, middle};
    points.belowOutside = {link.right - 2, link.bottom};
    points.topLeft = {link.left, link.top};
    return points;
}

void MoveMouse(HWND page, POINT at)
{
    SendMessageA(page, WM_MOUSEMOVE, 0, PointParam(at.x, at.y));
}

void Click(HWND page, POINT at)
{
    SendMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(at.x, at.y));
    SendMessageA(page, WM_LBUTTONUP, 0, PointParam(at.x, at.y));
}

// Counts the paintings of one control.
struct PaintCounter {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_PAINT)
            ++s_paints;
        return CallWindowProcA(s_original, window, message, wParam, lParam);
    }
    explicit PaintCounter(HWND control) : m_control(control)
    {
        s_paints = 0;
        s_original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintCounter::Proc)));
    }
    ~PaintCounter() { SetWindowLongPtrA(m_control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_original)); }
    static int s_paints;
    static WNDPROC s_original;
    HWND m_control;
};
int PaintCounter::s_paints = 0;
WNDPROC PaintCounter::s_original = nullptr;

HCURSOR CursorAfterSetCursor(HWND window, LRESULT* result = nullptr)
{
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    LRESULT answer = SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                                  MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    if (result != nullptr)
        *result = answer;
    return GetCursor();
}

}  // namespace

TEST(AboutPage, TemplateAsLaidOut)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND page = window.Page();
    ASSERT_NE(nullptr, page);

    LONG style = GetWindowLongA(page, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_POPUP | WS_CAPTION));
    RECT client = {};
    GetClientRect(page, &client);
    RECT size = DialogUnits(page, 0, 0, 380, 117);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);

    std::vector<HWND> children = ChildrenInOrder(page);
    ASSERT_EQ(sizeof(kAboutControls) / sizeof(kAboutControls[0]), children.size());
    for (size_t i = 0; i < children.size(); ++i) {
        const ExpectedControl& expected = kAboutControls[i];
        HWND control = children[i];
        SCOPED_TRACE("control " + std::to_string(i));
        char className[64] = "";
        GetClassNameA(control, className, sizeof(className));
        EXPECT_STREQ(expected.className, className);
        EXPECT_EQ(expected.id, GetDlgCtrlID(control) & 0xFFFF);
        LONG controlStyle = GetWindowLongA(control, GWL_STYLE);
        EXPECT_EQ(expected.type, static_cast<DWORD>(controlStyle) & 0x1F);
        EXPECT_EQ(expected.required, static_cast<DWORD>(controlStyle) & expected.required);
        EXPECT_EQ(0u, static_cast<DWORD>(controlStyle) & expected.absent);
        EXPECT_TRUE(controlStyle & WS_VISIBLE);
        RECT want = DialogUnits(page, expected.x, expected.y, expected.width, expected.height);
        RECT got = ClientRectOf(control);
        EXPECT_EQ(want.left, got.left);
        EXPECT_EQ(want.top, got.top);
        if (expected.sizeFixed) {
            EXPECT_EQ(want.right, got.right);
            EXPECT_EQ(want.bottom, got.bottom);
        }
        if (expected.text != nullptr) {
            EXPECT_EQ(expected.text, WindowText(control));
        }
        if (expected.type == SS_ICON && std::string("Static") == className) {
            EXPECT_NE(0, SendMessageA(control, STM_GETICON, 0, 0));
        }
    }
    // The link looks like the page's other texts: same font, no underline.
    EXPECT_EQ(SendMessageA(page, WM_GETFONT, 0, 0), SendMessageA(window.Control(IDC_LINK), WM_GETFONT, 0, 0));
    // Mouse messages over the link and the frame go to the page itself.
    RECT link = {};
    GetWindowRect(window.Control(IDC_LINK), &link);
    LPARAM linkCenter = MAKELPARAM((link.left + link.right) / 2, (link.top + link.bottom) / 2);
    EXPECT_EQ(HTTRANSPARENT, SendMessageA(window.Control(IDC_LINK), WM_NCHITTEST, 0, linkCenter));
    EXPECT_EQ(HTTRANSPARENT, SendMessageA(window.Control(IDC_ABOUT_FRAME), WM_NCHITTEST, 0, linkCenter));
}

TEST(AboutPage, TextsDoNotFollowTheLanguage)
{
    std::vector<std::string> german;
    std::vector<std::string> english;
    {
        PagesWindow window(0);
        window.Tab(IDC_TAB_ABOUT);
        german = AllTexts(window.Page());
    }
    {
        PagesWindow window(1);
        window.Tab(IDC_TAB_ABOUT);
        english = AllTexts(window.Page());
    }
    EXPECT_EQ(german, english);
    EXPECT_EQ(12u, german.size());
}

TEST(AboutPage, LinkCursorResource)
{
    HCURSOR cursor = static_cast<HCURSOR>(
        LoadImageA(g_instance, MAKEINTRESOURCEA(IDC_LINK_CURSOR), IMAGE_CURSOR, 32, 32, LR_COLOR));
    ASSERT_NE(nullptr, cursor);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(0u, info.xHotspot);
    EXPECT_EQ(0u, info.yHotspot);
    // Monochrome: no colour bitmap, one mask of AND and XOR halves.
    EXPECT_EQ(nullptr, info.hbmColor);
    BITMAP mask = {};
    ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof(mask), &mask));
    EXPECT_EQ(32, mask.bmWidth);
    EXPECT_EQ(64, mask.bmHeight);
    EXPECT_EQ(1, mask.bmBitsPixel);

    // The arrow's tip is the hot spot: black (AND 0, XOR 0); the opposite corner shows the screen.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmMask);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 0, 32));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 31, 31));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 31, 63));
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            opaque += GetPixel(dc, x, y) == RGB(0, 0, 0) ? 1 : 0;
    // Arrow, face and word together cover a good part of the square, not all of it.
    EXPECT_GT(opaque, 200);
    EXPECT_LT(opaque, 700);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    DestroyCursor(cursor);
}

TEST(AboutPage, LinkColoursFromCtlColorStatic)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND page = window.Page();
    ASSERT_NE(nullptr, page);
    LinkColor = kLinkStartColor;

    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    LRESULT brush = SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(window.Control(IDC_LINK)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(g_linkBrush), brush);
    EXPECT_NE(nullptr, g_linkBrush);
    EXPECT_EQ(kLinkStartColor, GetTextColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetBkColor(dc));
    LOGBRUSH logBrush = {};
    GetObjectA(g_linkBrush, sizeof(logBrush), &logBrush);
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), logBrush.lbStyle);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), logBrush.lbColor);

    // Another static of the page keeps the default colours.
    SetTextColor(dc, RGB(1, 2, 3));
    brush = SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(window.Control(IDC_VERSION_LINE)));
    EXPECT_NE(reinterpret_cast<LRESULT>(g_linkBrush), brush);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(dc));

    // The brush is made once for the process.
    HBRUSH first = g_linkBrush;
    LinkColor = kLinkHoverColor;
    SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(window.Control(IDC_LINK)));
    EXPECT_EQ(first, g_linkBrush);
    EXPECT_EQ(kLinkHoverColor, GetTextColor(dc));
    DeleteDC(dc);
}

TEST(AboutPage, HoverColoursOnScreen)
{
    PagesWindow window;
    LinkColor = kLinkStartColor;
    window.Tab(IDC_TAB_ABOUT);
    HWND page = window.Page();
    HWND link = window.Control(IDC_LINK);
    ASSERT_NE(nullptr, link);
    LinkPoints points = PointsOfLink(page);

    // Before any movement the link shows the colour it starts with.
    EXPECT_TRUE(WaitForScreenColor(link, kLinkStartColor));
    EXPECT_EQ(0, CountScreenPixels(link, kLinkHoverColor));

    // Blank space beside the text is part of the link.
    MoveMouse(page, points.blank);
    EXPECT_EQ(kLinkHoverColor, LinkColor);
    EXPECT_TRUE(WaitForScreenColor(link, kLinkHoverColor));
    EXPECT_EQ(0, CountScreenPixels(link, kLinkStartColor));
    EXPECT_EQ(0, CountScreenPixels(link, kLinkNormalColor));

    // Just outside the right and the bottom edge is off the link.
    MoveMouse(page, points.rightOutside);
    EXPECT_EQ(kLinkNormalColor, LinkColor);
    EXPECT_TRUE(WaitForScreenColor(link, kLinkNormalColor));
    EXPECT_EQ(0, CountScreenPixels(link, kLinkHoverColor));

    MoveMouse(page, points.topLeft);
    EXPECT_EQ(kLinkHoverColor, LinkColor);
    MoveMouse(page, points.belowOutside);
    EXPECT_EQ(kLinkNormalColor, LinkColor);
    MoveMouse(page, {0, 0});
    EXPECT_EQ(kLinkNormalColor, LinkColor);
}

TEST(AboutPage, RealPointerOverTheLink)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND link = window.Control(IDC_LINK);
    ASSERT_NE(nullptr, link);
    LinkColor = kLinkNormalColor;
    RECT rect = {};
    GetWindowRect(link, &rect);
    // The pointer over the link: the mouse messages reach the page through
    // the link and the frame, which let them pass.
    SetCursorPos(rect.right - 3, (rect.top + rect.bottom) / 2);
    EXPECT_TRUE(WaitUntil([] { return LinkColor == kLinkHoverColor; }, 5000));
    SetCursorPos(rect.right + 3, rect.bottom + 10);
    EXPECT_TRUE(WaitUntil([] { return LinkColor == kLinkNormalColor; }, 5000));
    SetCursorPos(1279, 1023);
}

TEST(AboutPage, RedrawOnlyWhenTheColourChanges)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND page = window.Page();
    LinkPoints points = PointsOfLink(page);
    MoveMouse(page, points.rightOutside);
    PumpMessages();

    PaintCounter counter(window.Control(IDC_LINK));
    MoveMouse(page, points.blank);
    EXPECT_EQ(1, PaintCounter::s_paints) << "the change is drawn at once";
    PumpMessages();
    int afterChange = PaintCounter::s_paints;
    MoveMouse(page, points.topLeft);
    MoveMouse(page, points.blank);
    PumpMessages();
    EXPECT_EQ(afterChange, PaintCounter::s_paints) << "movements on the link redraw nothing";
    MoveMouse(page, points.rightOutside);
    EXPECT_EQ(afterChange + 1, PaintCounter::s_paints);
    MoveMouse(page, {1, 1});
    PumpMessages();
    EXPECT_EQ(afterChange + 1, PaintCounter::s_paints);
}

TEST(AboutPage, HoverColourKeptAcrossPageSwitches)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    MoveMouse(window.Page(), PointsOfLink(window.Page()).blank);
    ASSERT_EQ(kLinkHoverColor, LinkColor);

    window.Tab(IDC_TAB_EXTRAS);
    window.Tab(IDC_TAB_LANGUAGE);
    EXPECT_EQ(kLinkHoverColor, LinkColor);
    window.Tab(IDC_TAB_ABOUT);
    EXPECT_EQ(kLinkHoverColor, LinkColor);
    EXPECT_TRUE(WaitForScreenColor(window.Control(IDC_LINK), kLinkHoverColor));
    EXPECT_EQ(0, CountScreenPixels(window.Control(IDC_LINK), kLinkNormalColor));

    MoveMouse(window.Page(), PointsOfLink(window.Page()).rightOutside);
    window.Tab(IDC_TAB_ABOUT);
    EXPECT_EQ(kLinkNormalColor, LinkColor);
    EXPECT_TRUE(WaitForScreenColor(window.Control(IDC_LINK), kLinkNormalColor));
}

TEST(AboutPage, MouseOnOtherPagesLeavesTheLinkAlone)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    POINT blank = PointsOfLink(window.Page()).blank;
    MoveMouse(window.Page(), {0, 0});
    ASSERT_EQ(kLinkNormalColor, LinkColor);
    for (int tab : {IDC_TAB_EXTRAS, IDC_TAB_LANGUAGE, IDC_TAB_CONVERTER}) {
        window.Tab(tab);
        MoveMouse(window.Page(), blank);
        EXPECT_EQ(kLinkNormalColor, LinkColor) << tab;
    }
}

TEST(AboutPage, LinkCursorOnlyWhileHovering)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND page = window.Page();
    LinkPoints points = PointsOfLink(page);
    ASSERT_NE(nullptr, g_linkCursor);

    MoveMouse(page, points.blank);
    EXPECT_EQ(g_linkCursor, CursorAfterSetCursor(page));
    // Over the link the message comes from the link control on its way up.
    EXPECT_EQ(g_linkCursor, CursorAfterSetCursor(window.Control(IDC_LINK)));

    MoveMouse(page, points.rightOutside);
    HCURSOR normal = CursorAfterSetCursor(page);
    EXPECT_NE(g_linkCursor, normal);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), normal);

    // On the other pages the default cursor stays, whatever colour the link has.
    MoveMouse(page, points.blank);
    ASSERT_EQ(kLinkHoverColor, LinkColor);
    window.Tab(IDC_TAB_EXTRAS);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), CursorAfterSetCursor(window.Page()));
}

TEST(AboutPage, CursorDecidedWhenThePageOpens)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    MoveMouse(window.Page(), PointsOfLink(window.Page()).blank);
    HCURSOR earlier = g_linkCursor;

    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    window.Tab(IDC_TAB_ABOUT);
    ASSERT_NE(nullptr, g_linkCursor);
    EXPECT_EQ(g_linkCursor, GetCursor()) << "hover colour: the link cursor at once";
    // The cursor of the earlier visit is gone, not piled up.
    ICONINFO info = {};
    EXPECT_FALSE(earlier != g_linkCursor && GetIconInfo(earlier, &info));

    MoveMouse(window.Page(), {0, 0});
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    window.Tab(IDC_TAB_ABOUT);
    EXPECT_NE(g_linkCursor, GetCursor());
}

TEST(AboutPage, CursorThatCannotLoad)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    ASSERT_NE(nullptr, window.Page());
    BoxAnswerer boxes;

    // A module without cursor 153 stands in for a damaged program file.
    HINSTANCE program = g_instance;
    g_instance = GetModuleHandleA("kernel32.dll");
    HWND page = CreateDialogParamA(program, "IDD_INFO", window.Main(), PageDialogProc, 0);
    g_instance = program;
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(boxes.WaitForCount(1, 5000));
    std::vector<SeenBox> seen = boxes.Seen();
    EXPECT_EQ("Error", seen[0].text);
    EXPECT_EQ(nullptr, seen[0].owner);
    EXPECT_EQ(nullptr, g_linkCursor);

    // The page works on; over the link the pointer disappears.
    MoveMouse(page, PointsOfLink(page).blank);
    EXPECT_EQ(kLinkHoverColor, LinkColor);
    EXPECT_EQ(nullptr, CursorAfterSetCursor(page));
    MoveMouse(page, {0, 0});
    EXPECT_EQ(kLinkNormalColor, LinkColor);
    EXPECT_NE(nullptr, CursorAfterSetCursor(page));
    DestroyWindow(page);

    // The next visit loads it again.
    window.Tab(IDC_TAB_ABOUT);
    EXPECT_NE(nullptr, g_linkCursor);
    EXPECT_EQ(1u, boxes.Count());
}

TEST(AboutPage, ClickOpensTheFreewarePage)
{
    BrowserLog browser("aboutpage_click");
    {
        PagesWindow window(0);
        window.Tab(IDC_TAB_ABOUT);
        LinkPoints points = PointsOfLink(window.Page());
        // Just outside first: if it opened anything, it would be the first line.
        Click(window.Page(), points.rightOutside);
        Click(window.Page(), points.belowOutside);
        Click(window.Page(), points.blank);
        ASSERT_TRUE(browser.WaitForLines(1, 20000));
        EXPECT_EQ(std::vector<std::string>{kGermanFreewarePage}, browser.Lines());
    }
    {
        PagesWindow window(1);
        window.Tab(IDC_TAB_ABOUT);
        Click(window.Page(), PointsOfLink(window.Page()).topLeft);
        ASSERT_TRUE(browser.WaitForLines(2, 20000));
        EXPECT_EQ(kEnglishFreewarePage, browser.Lines()[1]);
    }
    EXPECT_FALSE(browser.WaitForLines(3, 1500));
}

TEST(AboutPage, ClicksOnOtherPagesOpenNothing)
{
    BrowserLog browser("aboutpage_other_pages");
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    POINT blank = PointsOfLink(window.Page()).blank;
    for (int tab : {IDC_TAB_EXTRAS, IDC_TAB_LANGUAGE, IDC_TAB_CONVERTER}) {
        window.Tab(tab);
        Click(window.Page(), blank);
    }
    // The about page's click, as a marker that the launcher has had time to run.
    window.Tab(IDC_TAB_ABOUT);
    Click(window.Page(), blank);
    ASSERT_TRUE(browser.WaitForLines(1, 20000));
    EXPECT_FALSE(browser.WaitForLines(2, 1500));
    EXPECT_EQ(1u, browser.Lines().size());
}

namespace {

// The screen's pixels inside `window`, row by row.
std::vector<DWORD> ScreenPixels(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return ScreenPixelsIn(rect);
}

size_t Differing(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    size_t count = a.size() == b.size() ? 0 : a.size() + b.size();
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        count += a[i] != b[i] ? 1 : 0;
    return count;
}

}  // namespace

// Pixels of row `row` that are not the link's background.
int OffBackground(const std::vector<DWORD>& pixels, HWND link, int row)
{
    RECT rect = {};
    GetWindowRect(link, &rect);
    int width = rect.right - rect.left;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    DWORD background = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    int count = 0;
    for (int x = 0; x < width && static_cast<size_t>(row * width + x) < pixels.size(); ++x)
        count += pixels[static_cast<size_t>(row * width + x)] != background ? 1 : 0;
    return count;
}

// Where the keyboard puts the focus, the link shows it: a dotted rectangle
// round its text, drawn once however the link is redrawn, and gone with the
// focus. Its colour and cursor for the mouse stay as they were.
TEST(AboutPage, LinkShowsTheKeyboardFocus)
{
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND link = window.Control(IDC_LINK);
    ASSERT_NE(nullptr, link);
    EXPECT_TRUE(GetWindowLongA(link, GWL_STYLE) & WS_TABSTOP);
    // Windows shows focus marks once the keyboard is used.
    SendMessageW(window.Main(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    HWND tab = GetDlgItem(window.Main(), IDC_TAB_ABOUT);
    SendMessageA(window.Main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tab), TRUE);
    UpdateWindow(link);
    PumpMessages();
    std::vector<DWORD> plain = ScreenPixels(link);
    // The text starts a row below the top: the top row is background alone.
    EXPECT_EQ(0, OffBackground(plain, link, 0));

    SendMessageA(window.Main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(link), TRUE);
    ASSERT_EQ(link, GetFocus());
    UpdateWindow(link);
    PumpMessages();
    std::vector<DWORD> focused = ScreenPixels(link);
    EXPECT_GT(OffBackground(focused, link, 0), 20) << "no dotted line along the top";
    EXPECT_GT(Differing(plain, focused), 40u) << "no focus rectangle";

    // Parts of the link drawn again: the dots there are not inverted back.
    RECT client = {};
    GetClientRect(link, &client);
    for (int part = 1; part <= 3; ++part) {
        RECT some = client;
        some.right = client.right * part / 4;
        some.left = client.right * (part - 1) / 4;
        InvalidateRect(link, &some, TRUE);
        UpdateWindow(link);
        EXPECT_EQ(0u, Differing(focused, ScreenPixels(link))) << "after part " << part << " was drawn again";
    }
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(0u, Differing(focused, ScreenPixels(link)));

    SendMessageA(window.Main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tab), TRUE);
    UpdateWindow(link);
    PumpMessages();
    EXPECT_EQ(0u, Differing(plain, ScreenPixels(link))) << "the rectangle stays after the focus left";
}

// A key held down repeats its key message; the page opens once.
TEST(AboutPage, LinkKeyHeldDownOpensThePageOnce)
{
    BrowserLog browser("aboutpage_key_held");
    PagesWindow window;
    window.Tab(IDC_TAB_ABOUT);
    HWND link = window.Control(IDC_LINK);
    ASSERT_NE(nullptr, link);
    const LPARAM kFirst = 0x00390001;     // scan code of Space, count 1
    const LPARAM kRepeat = 0x40390001;    // the same, the key down before
    SendMessageW(link, WM_KEYDOWN, VK_SPACE, kFirst);
    for (int i = 0; i < 5; ++i)
        SendMessageW(link, WM_KEYDOWN, VK_SPACE, kRepeat);
    SendMessageW(link, WM_KEYUP, VK_SPACE, 0xC0390001);
    ASSERT_TRUE(browser.WaitForLines(1, 20000));
    EXPECT_FALSE(browser.WaitForLines(2, 2000));
}
