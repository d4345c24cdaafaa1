// The real main dialog in this process, shown on screen, for the tests of the
// about and extras pages: tab clicks, page commands, mouse messages and the
// pixels the pages draw.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/maindialog.h"
#include "base/language.h"
#include "base/settings.h"
#include "res/resource.h"
#include "tests/support/windows.h"

class PagesWindow {
public:
    // Opens on the language page in the language `english`.
    explicit PagesWindow(int english = 0)
    {
        WriteProgramString("Starte mit", "4");
        WriteProgramString("m_lang_id", english ? "1" : "0");
        // Keep the pointer away from the window: real mouse movements would
        // change the link's colour behind the test's back.
        SetCursorPos(1279, 1023);
        m_main = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
        if (m_main != nullptr)
            SetWindowPos(m_main, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        PumpMessages();
    }
    ~PagesWindow()
    {
        if (m_main != nullptr)
            DestroyWindow(m_main);
        g_mainDialog = nullptr;
        g_pageDialog = nullptr;
        PumpMessages();
    }
    HWND Main() const { return m_main; }
    HWND Page() const { return g_pageDialog; }
    HWND Control(int id) const { return GetDlgItem(Page(), id); }
    void Tab(int id)
    {
        SendMessageA(m_main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_main, id)));
        PumpMessages();
    }
    void Press(int id)
    {
        SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
        PumpMessages();
    }

private:
    HWND m_main;
};

// A control's rectangle in its page's client coordinates.
inline RECT ClientRectOf(HWND control)
{
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A rectangle given in dialog units, in the page's pixels.
inline RECT DialogUnits(HWND page, int x, int y, int width, int height)
{
    // Converted one by one, as the dialog manager places controls.
    RECT units = {x, y, width, height};
    MapDialogRect(page, &units);
    RECT rect = {units.left, units.top, units.left + units.right, units.top + units.bottom};
    return rect;
}

inline LPARAM PointParam(int x, int y)
{
    return MAKELPARAM(x, y);
}

// The screen's pixels inside `rect` (screen coordinates), row by row, each
// as 0xRRGGBB: the screen as it shows now (the only way to see what really
// got drawn).
inline std::vector<DWORD> ScreenPixelsIn(const RECT& rect)
{
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    std::vector<DWORD> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        const DWORD* pixel = static_cast<const DWORD*>(bits);
        pixels.assign(pixel, pixel + static_cast<size_t>(width) * height);
        for (DWORD& value : pixels)
            value &= 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// How many screen pixels inside `rect` (screen coordinates) have exactly `color`.
inline int CountScreenPixelsIn(const RECT& rect, COLORREF color)
{
    DWORD wanted = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    int count = 0;
    for (DWORD pixel : ScreenPixelsIn(rect))
        count += pixel == wanted ? 1 : 0;
    return count;
}

// The same inside `window`.
inline int CountScreenPixels(HWND window, COLORREF color)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return CountScreenPixelsIn(rect, color);
}

// Waits until the screen shows `window` with some pixels of `color`.
inline bool WaitForScreenColor(HWND window, COLORREF color, DWORD timeoutMs = 5000)
{
    return WaitUntil([&] { return CountScreenPixels(window, color) > 0; }, timeoutMs);
}
