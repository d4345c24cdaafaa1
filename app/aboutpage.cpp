// The about page: product and version, and the link to the maker's freeware
// page whose colour and cursor follow the mouse. The link is a link for the
// keyboard and for screen readers too: it takes the focus, shows it, opens
// the page on Enter and Space, and is read as a link.
#include "app/aboutpage.h"

#include <oleacc.h>

#include "app/accessible.h"
#include "app/screenscale.h"
#include "base/sizes.h"
#include "base/widetext.h"
#include "extras/mail.h"
#include "res/resource.h"

COLORREF LinkColor = kLinkStartColor;
HCURSOR g_linkCursor = nullptr;
HBRUSH g_linkBrush = nullptr;

namespace {

const WCHAR kLinkProcProperty[] = L"Kavonix.LinkProc";
// Bit 30 of a key message: the key was down before, the message a repeat.
const LPARAM kKeyRepeat = 0x40000000;

bool ReadHighContrast()
{
    HIGHCONTRASTW contrast;
    ZeroMemory(&contrast, sizeof(contrast));
    contrast.cbSize = sizeof(contrast);
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0))
        return false;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The link is a plain static without SS_NOTIFY, so mouse messages over it
// reach the page: whether they concern the link is decided by geometry.
bool IsOverLink(HWND page, LPARAM lParam)
{
    POINT point = {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
    ClientToScreen(page, &point);
    RECT link = {};
    if (!GetWindowRect(GetDlgItem(page, IDC_LINK), &link)) {
        return false;
    }
    return PtInRect(&link, point) != FALSE;
}

// ---- The link for the keyboard ----

bool IsLinkKey(WPARAM key)
{
    return key == VK_RETURN || key == VK_SPACE;
}

// Enter and Space go to the link itself, not to the dialog manager (which
// would take Enter for the dialog's default button).
LRESULT OnLinkGetDlgCode(HWND link, WNDPROC original, WPARAM wParam, LPARAM lParam)
{
    LRESULT code = CallWindowProcW(original, link, WM_GETDLGCODE, wParam, lParam);
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key != nullptr && key->message == WM_KEYDOWN && IsLinkKey(key->wParam))
        code |= DLGC_WANTMESSAGE;
    return code;
}

// Where the keyboard is, unless Windows keeps focus marks hidden until the
// keyboard is used.
bool ShowsFocus(HWND link)
{
    return GetFocus() == link && (SendMessageW(link, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

// The rectangle the text takes, as the static draws it.
RECT LinkTextRect(HWND link, HDC dc)
{
    RECT area = {};
    GetClientRect(link, &area);
    WCHAR text[kPieceSize] = L"";
    GetWindowTextW(link, text, (int)kPieceSize);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    RECT need = area;
    DrawTextW(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    if (old != nullptr)
        SelectObject(dc, old);
    RECT shown = {};
    IntersectRect(&shown, &need, &area);
    return shown;
}

// The static draws its text; the focus rectangle goes round it. The
// rectangle's dots are inverted, not painted, so the whole link is drawn
// anew first: a dot inverted twice would vanish.
LRESULT OnLinkPaint(HWND link, WNDPROC original, WPARAM wParam, LPARAM lParam)
{
    bool focus = wParam == 0 && ShowsFocus(link);
    if (focus)
        InvalidateRect(link, nullptr, TRUE);
    LRESULT result = CallWindowProcW(original, link, WM_PAINT, wParam, lParam);
    if (!focus)
        return result;
    HDC dc = GetDC(link);
    if (dc != nullptr) {
        RECT text = LinkTextRect(link, dc);
        DrawFocusRect(dc, &text);
        ReleaseDC(link, dc);
    }
    return result;
}

LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = reinterpret_cast<WNDPROC>(GetPropW(link, kLinkProcProperty));
    if (original == nullptr)
        return DefWindowProcW(link, message, wParam, lParam);
    switch (message) {
    case WM_GETDLGCODE:
        return OnLinkGetDlgCode(link, original, wParam, lParam);
    case WM_KEYDOWN:
        if (!IsLinkKey(wParam))
            break;
        // A key held down opens the page once.
        if ((lParam & kKeyRepeat) == 0)
            OpenFreewarePage();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        InvalidateRect(link, nullptr, TRUE);
        break;
    case WM_PAINT:
        return OnLinkPaint(link, original, wParam, lParam);
    case WM_NCDESTROY:
        RemovePropW(link, kLinkProcProperty);
        break;
    }
    return CallWindowProcW(original, link, message, wParam, lParam);
}

void MakeLinkAKeyboardLink(HWND link)
{
    if (link == nullptr || GetPropW(link, kLinkProcProperty) != nullptr)
        return;
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(link, GWLP_WNDPROC));
    if (original == nullptr || !SetPropW(link, kLinkProcProperty, reinterpret_cast<HANDLE>(original)))
        return;
    SetWindowLongPtrW(link, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkProc));
}

// The icons are the program's: read by its name, as the banner is, rather
// than by the resource number their text holds.
void NameTheIcons(HWND page)
{
    for (HWND control = GetWindow(page, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            SetAccessibleName(control, "Kavonix", 0);
    }
}

}  // namespace

bool (*g_readHighContrast)() = ReadHighContrast;

void OnAboutPageInit(HWND page, HINSTANCE instance)
{
    HWND link = GetDlgItem(page, IDC_LINK);
    HCURSOR previous = g_linkCursor;
    g_linkCursor = LoadLinkCursor(instance);
    if (g_linkCursor == nullptr) {
        ShowProgramBox(nullptr, "Error", nullptr, MB_OK);
    }
    // The static passes this on to the page, which picks the cursor at once
    // instead of waiting for the next mouse movement.
    SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(g_linkCursor), HTCLIENT);
    // The cursor of an earlier visit is no longer shown; one per visit would pile up.
    if (previous != nullptr && previous != g_linkCursor) {
        DestroyCursor(previous);
    }
    MakeLinkAKeyboardLink(link);
    // Read by its text, as a link.
    SetAccessibleName(link, nullptr, ROLE_SYSTEM_LINK);
    NameTheIcons(page);
}

INT_PTR OnAboutSetCursor(HWND page)
{
    if (LinkColor != kLinkHoverColor) {
        return FALSE;
    }
    SetCursor(g_linkCursor);
    // Also the answer to the static that forwarded the message: it must not
    // put its own arrow back.
    SetWindowLongPtrA(page, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR OnAboutCtlColorStatic(HWND page, HDC dc, HWND control)
{
    if (control == nullptr || control != GetDlgItem(page, IDC_LINK)) {
        return FALSE;
    }
    // Under high contrast the user's colours rule: the link takes the
    // system's colour for links, whatever the mouse does.
    SetTextColor(dc, g_readHighContrast() ? GetSysColor(COLOR_HOTLIGHT) : LinkColor);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    if (g_linkBrush == nullptr) {
        g_linkBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    }
    return reinterpret_cast<INT_PTR>(g_linkBrush);
}

INT_PTR OnAboutMouseMove(HWND page, LPARAM lParam)
{
    COLORREF color = IsOverLink(page, lParam) ? kLinkHoverColor : kLinkNormalColor;
    if (color == LinkColor) {
        return FALSE;
    }
    LinkColor = color;
    RedrawWindow(GetDlgItem(page, IDC_LINK), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return FALSE;
}

INT_PTR OnAboutLButtonDown(HWND page, LPARAM lParam)
{
    if (IsOverLink(page, lParam)) {
        OpenFreewarePage();
    }
    return FALSE;
}

void OnAboutColorsChanged()
{
    if (g_linkBrush != nullptr) {
        DeleteObject(g_linkBrush);
        g_linkBrush = nullptr;
    }
}
