// The window at the screen's DPI: run once per DPI (96, 120, 144, 192) by
// unit/dpi.sh, which sets the prefix's LogPixels before this process starts
// and names the value in KAVONIX_TEST_DPI. The banner's bitmap and picture,
// the window's icons, the link cursor, and every text of the main dialog and
// its pages measured against its control, in both languages, idle, during and
// after a run.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "app/maindialog.h"
#include "app/screenscale.h"
#include "base/language.h"
#include "convert/job.h"
#include "res/resource.h"
#include "tests/support/boxes.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

extern HCURSOR g_linkCursor;

namespace {

// The DPI this run was started at; 96 when started by hand.
int ExpectedDpi()
{
    const char* value = getenv("KAVONIX_TEST_DPI");
    return value != nullptr && value[0] != 0 ? atoi(value) : 96;
}

class CScaledWindow {
public:
    // Opens the main dialog on `page` in the language `english`.
    CScaledWindow(int page, int english)
    {
        ZeroMemory(&g_request, sizeof(g_request));
        DeleteSettingsFile();
        WriteProgramSettings(std::to_string(page).c_str(), english ? "1" : "0");
        m_main = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
        PumpMessages();
    }
    ~CScaledWindow()
    {
        WaitUntil([] { return !g_job.IsBusy(); }, 60000);
        if (m_main != nullptr)
            DestroyWindow(m_main);
        g_mainDialog = nullptr;
        g_pageDialog = nullptr;
        g_english = 0;
        DeleteSettingsFile();
        PumpMessages();
    }
    HWND Main() const { return m_main; }
    void Tab(int id) { SendMessageA(m_main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

private:
    HWND m_main;
};

// Columns of the picture: the disc, the name and its line are light, the
// background ramp never is.
bool IsPicture(const RGBQUAD& pixel)
{
    return pixel.rgbRed + pixel.rgbGreen + pixel.rgbBlue > 450;
}

// First and last column holding a pixel of the picture; -1, -1 when none.
void PictureColumns(HBITMAP bitmap, int* first, int* last)
{
    *first = *last = -1;
    BITMAP size = {};
    if (GetObjectA(bitmap, sizeof(size), &size) == 0)
        return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.bmWidth;
    info.bmiHeader.biHeight = -size.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels((size_t)size.bmWidth * size.bmHeight);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, size.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.bmHeight)
        return;
    for (int x = 0; x < size.bmWidth; ++x) {
        for (int y = 0; y < size.bmHeight; ++y) {
            if (IsPicture(pixels[(size_t)y * size.bmWidth + x])) {
                if (*first < 0)
                    *first = x;
                *last = x;
                break;
            }
        }
    }
}

// Width and height of an icon or cursor; a monochrome one has only its mask,
// twice as high as the image.
SIZE ImageSize(HICON image)
{
    SIZE size = {0, 0};
    ICONINFO info = {};
    if (image == nullptr || !GetIconInfo(image, &info))
        return size;
    BITMAP bits = {};
    GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bits), &bits);
    size.cx = bits.bmWidth;
    size.cy = info.hbmColor != nullptr ? bits.bmHeight : bits.bmHeight / 2;
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

// Every visible static and button text of `dialog` that does not fit its
// control, drawn with the control's own font, as "id 'text' needs w x h of W x H".
void CollectCutTexts(HWND dialog, const std::string& where, std::vector<std::string>* cut)
{
    int dpi = ScreenDpi();
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        LONG style = GetWindowLongA(control, GWL_STYLE);
        if (!(style & WS_VISIBLE))
            continue;
        char className[32] = "";
        GetClassNameA(control, className, sizeof(className));
        bool isStatic = lstrcmpiA(className, "Static") == 0;
        bool isButton = lstrcmpiA(className, "Button") == 0;
        if (!isStatic && !isButton)
            continue;
        UINT format = DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS;
        int margin = 0;
        if (isStatic) {
            LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
                type != SS_SIMPLE)
                continue;
            if (style & SS_NOPREFIX)
                format |= DT_NOPREFIX;
        } else {
            LONG type = style & BS_TYPEMASK;
            if (type == BS_GROUPBOX) {
                // The caption starts about one average character in from the frame.
                margin = MulDiv(8, dpi, 96);
            } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ||
                       ((type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) && (style & BS_PUSHLIKE))) {
                // Edge and focus rectangle on each side.
                margin = MulDiv(3, dpi, 96);
            } else {
                continue;
            }
        }
        WCHAR text[512] = L"";
        GetWindowTextW(control, text, 512);
        if (text[0] == 0)
            continue;
        RECT client;
        GetClientRect(control, &client);
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
        RECT need = {0, 0, 0, 0};
        DrawTextW(dc, text, -1, &need, format);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        int roomX = client.right - 2 * margin;
        int roomY = isButton && margin > 0 && (style & BS_TYPEMASK) != BS_GROUPBOX ? client.bottom - 2 * margin
                                                                                    : client.bottom;
        if (need.right > roomX || need.bottom > roomY) {
            char shown[512] = "";
            WideCharToMultiByte(CP_ACP, 0, text, -1, shown, sizeof(shown), nullptr, nullptr);
            cut->push_back(where + ", " + std::to_string(GetDlgCtrlID(control)) + " '" + shown + "' needs " +
                           std::to_string(need.right) + " x " + std::to_string(need.bottom) + " of " +
                           std::to_string(roomX) + " x " + std::to_string(roomY));
        }
    }
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

}  // namespace

TEST(ScreenScale, RunsAtTheDpiAsked)
{
    EXPECT_EQ(ExpectedDpi(), ScreenDpi());
}

// At 96 DPI the template's banner; elsewhere the large one scaled to the DPI,
// its picture spanning what it spans at 96 DPI times dpi / 96. Twice, as the
// program may open its main dialog only once, but the tests open many.
TEST(ScreenScale, BannerAtTheScaleOfTheScreen)
{
    int dpi = ScreenDpi();
    HBITMAP small = (HBITMAP)LoadImageA(g_instance, MAKEINTRESOURCEA(IDB_BANNER), IMAGE_BITMAP, 0, 0,
                                        LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, small);
    int smallFirst = -1;
    int smallLast = -1;
    PictureColumns(small, &smallFirst, &smallLast);
    DeleteObject(small);
    ASSERT_GT(smallFirst, 0);
    int smallSpan = smallLast - smallFirst + 1;

    for (int round = 0; round < 2; ++round) {
        CScaledWindow window(kPageLanguage, 0);
        ASSERT_NE(nullptr, window.Main());
        HBITMAP shown = (HBITMAP)SendDlgItemMessageA(window.Main(), IDC_BANNER, STM_GETIMAGE, IMAGE_BITMAP, 0);
        BITMAP size = {};
        ASSERT_NE(0, GetObjectA(shown, sizeof(size), &size)) << "round " << round;
        EXPECT_EQ(MulDiv(700, dpi, 96), size.bmWidth);
        EXPECT_EQ(MulDiv(60, dpi, 96), size.bmHeight);
        int first = -1;
        int last = -1;
        PictureColumns(shown, &first, &last);
        int span = last - first + 1;
        int due = MulDiv(smallSpan, dpi, 96);
        // The large drawing is not the small one enlarged: its edges fall a
        // pixel or two apart after scaling.
        EXPECT_NEAR(due, span, 3) << "picture from " << first << " to " << last;
        EXPECT_NEAR(MulDiv(smallFirst, dpi, 96), first, 3);
    }
}

// The window's icons at the sizes the system draws them, each taken from an
// image of that very size in 32-bit colour, not stretched from another.
TEST(ScreenScale, IconsAtTheSystemSizes)
{
    CScaledWindow window(kPageAbout, 0);
    ASSERT_NE(nullptr, window.Main());
    HICON big = (HICON)SendMessageA(window.Main(), WM_GETICON, ICON_BIG, 0);
    HICON small = (HICON)SendMessageA(window.Main(), WM_GETICON, ICON_SMALL, 0);
    SIZE bigSize = ImageSize(big);
    SIZE smallSize = ImageSize(small);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), bigSize.cx);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), bigSize.cy);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), smallSize.cx);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), smallSize.cy);

    HRSRC group = FindResourceA(g_instance, MAKEINTRESOURCEA(IDI_PROGRAM), (LPCSTR)RT_GROUP_ICON);
    ASSERT_NE(nullptr, group);
    BYTE* directory = (BYTE*)LockResource(LoadResource(g_instance, group));
    ASSERT_NE(nullptr, directory);
    for (int metric : {SM_CXICON, SM_CXSMICON}) {
        int side = GetSystemMetrics(metric);
        int id = LookupIconIdFromDirectoryEx(directory, TRUE, side, side, LR_DEFAULTCOLOR);
        HRSRC image = FindResourceA(g_instance, MAKEINTRESOURCEA(id), (LPCSTR)RT_ICON);
        ASSERT_NE(nullptr, image) << side;
        const BITMAPINFOHEADER* header = (const BITMAPINFOHEADER*)LockResource(LoadResource(g_instance, image));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(side, header->biWidth);
        EXPECT_EQ(32, header->biBitCount);
    }
}

TEST(ScreenScale, LinkCursorAtTheSystemSize)
{
    CScaledWindow window(kPageAbout, 0);
    ASSERT_NE(nullptr, window.Main());
    SIZE size = ImageSize((HICON)g_linkCursor);
    EXPECT_EQ(GetSystemMetrics(SM_CXCURSOR), size.cx);
    EXPECT_EQ(GetSystemMetrics(SM_CYCURSOR), size.cy);
}

// Every page in both languages: no text of the main dialog or of the page is
// cut. The converter page also while a run waits at its question, and after.
TEST(ScreenScale, EveryTextFitsItsControl)
{
    std::vector<std::string> cut;
    const int pages[] = {kPageConverter, kPageLanguage, kPageAbout, kPageExtras};
    for (int english = 0; english < 2; ++english) {
        for (int page : pages) {
            CScaledWindow window(page, english);
            ASSERT_NE(nullptr, window.Main());
            ASSERT_NE(nullptr, g_pageDialog);
            std::string where = std::string(english ? "English" : "German") + " page " + std::to_string(page);
            CollectCutTexts(window.Main(), where + " main", &cut);
            CollectCutTexts(g_pageDialog, where, &cut);
        }

        CScaledWindow window(kPageConverter, english);
        ASSERT_NE(nullptr, g_pageDialog);
        std::string dir = TestDir(english ? "scaledrun1" : "scaledrun0");
        ASSERT_TRUE(WriteImage(dir + "disc.bin", kImageMode1, 2000));
        // An existing target: its question holds the run in its busy look.
        ASSERT_TRUE(WriteFileBytes(dir + "disc.iso", "old", 3));
        SetDlgItemTextA(g_pageDialog, IDC_SOURCE_EDIT, (dir + "disc.bin").c_str());
        SetDlgItemTextA(g_pageDialog, IDC_TARGET_EDIT, (dir + "disc.iso").c_str());
        BoxAnswerer boxes;
        boxes.Hold(true);
        SendMessageA(g_pageDialog, WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), 0);
        ASSERT_TRUE(WaitUntil([&] { return boxes.OpenBox() != nullptr; }, 20000));
        std::string where = std::string(english ? "English" : "German") + " converter";
        CollectCutTexts(window.Main(), where + " busy, main", &cut);
        CollectCutTexts(g_pageDialog, where + " busy", &cut);
        boxes.Answer(IDYES);
        boxes.Hold(false);
        ASSERT_TRUE(WaitUntil([] { return !g_job.IsBusy(); }, 60000));
        EXPECT_NE("", ControlText(g_pageDialog, IDC_STATUS_LINE));
        CollectCutTexts(window.Main(), where + " after the run, main", &cut);
        CollectCutTexts(g_pageDialog, where + " after the run", &cut);
    }
    EXPECT_TRUE(cut.empty()) << "at " << ScreenDpi() << " DPI:\n" << Joined(cut);
}
