// Images at the screen's scale: the banner made from its large drawing, icons
// and cursor in the sizes the system asks for.
#include "app/screenscale.h"

#include "res/resource.h"

static const int kBaseDpi = 96;
static const int kBannerWidth = 700;
static const int kBannerHeight = 60;

// Made once: the system DPI does not change while the process runs.
static HBITMAP g_scaledBanner = nullptr;

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return kBaseDpi;
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

HICON LoadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric)
{
    return (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                             GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_COLOR);
}

HCURSOR LoadLinkCursor(HINSTANCE instance)
{
    return (HCURSOR)LoadImageA(instance, MAKEINTRESOURCEA(IDC_LINK_CURSOR), IMAGE_CURSOR,
                               GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR), LR_COLOR);
}

// The large banner scaled to `width` x `height` in the screen's format; null on failure.
static HBITMAP MakeBanner(HINSTANCE instance, int width, int height)
{
    HBITMAP large = (HBITMAP)LoadImageA(instance, MAKEINTRESOURCEA(IDB_BANNER_2X), IMAGE_BITMAP, 0, 0,
                                        LR_CREATEDIBSECTION);
    if (large == nullptr)
        return nullptr;
    BITMAP size;
    if (GetObjectA(large, sizeof(size), &size) == 0) {
        DeleteObject(large);
        return nullptr;
    }
    // At 192 DPI the large drawing is the size due: shown as it is.
    if (size.bmWidth == width && size.bmHeight == height)
        return large;
    HBITMAP scaled = nullptr;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    if (screen != nullptr && from != nullptr && to != nullptr)
        scaled = CreateCompatibleBitmap(screen, width, height);
    if (scaled != nullptr) {
        HGDIOBJ oldFrom = SelectObject(from, large);
        HGDIOBJ oldTo = SelectObject(to, scaled);
        // Halftone averages the source pixels each target pixel covers; the
        // brush origin must be set after choosing it.
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        BOOL drawn = StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
        SelectObject(to, oldTo);
        SelectObject(from, oldFrom);
        if (!drawn) {
            DeleteObject(scaled);
            scaled = nullptr;
        }
    }
    if (to != nullptr)
        DeleteDC(to);
    if (from != nullptr)
        DeleteDC(from);
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    DeleteObject(large);
    return scaled;
}

int ScaleBanner(HINSTANCE instance, HWND banner)
{
    int dpi = ScreenDpi();
    if (dpi == kBaseDpi)
        return 0;
    if (g_scaledBanner == nullptr)
        g_scaledBanner = MakeBanner(instance, MulDiv(kBannerWidth, dpi, kBaseDpi),
                                    MulDiv(kBannerHeight, dpi, kBaseDpi));
    if (g_scaledBanner == nullptr || banner == nullptr)
        return -1;
    // The template's banner was loaded for this control alone; once replaced,
    // nothing shows it any more.
    HGDIOBJ previous = (HGDIOBJ)SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)g_scaledBanner);
    if (previous != nullptr && previous != g_scaledBanner)
        DeleteObject(previous);
    return 1;
}
