// The about page: product and version, and the link to the maker's freeware
// page whose colour and cursor follow the mouse.
#include "app/aboutpage.h"

#include "app/screenscale.h"
#include "base/widetext.h"
#include "extras/mail.h"
#include "res/resource.h"

COLORREF LinkColor = kLinkStartColor;
HCURSOR g_linkCursor = nullptr;
HBRUSH g_linkBrush = nullptr;

namespace {

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

}  // namespace

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
    SetTextColor(dc, LinkColor);
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
