// Main dialog: banner, tab row and "&ESC"; the pages it shows one at a time,
// and the share of the page procedure that every page has in common.
#include "app/maindialog.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/aboutpage.h"
#include "app/accessible.h"
#include "app/conversion.h"
#include "app/converterpage.h"
#include "app/ending.h"
#include "app/screenscale.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/sizes.h"
#include "base/widetext.h"
#include "convert/convert.h"
#include "extras/extraspage.h"
#include "res/resource.h"

HINSTANCE g_instance = nullptr;
int g_page = kPageLanguage;
HWND g_mainDialog = nullptr;
HWND g_pageDialog = nullptr;

const int kBusyMainButtons[7] = {IDC_TAB_CONVERTER, IDC_TAB_CPU, IDC_TAB_FPU, IDC_TAB_LANGUAGE,
                                 IDC_TAB_ABOUT, IDC_TAB_EXTRAS, IDCANCEL};

static HFONT g_boldFont = nullptr;
static HBRUSH g_hollowBrush = nullptr;

static const char kMainCaption[] = "Kavonix  Ver 1.64.2";
static const char kPageKey[] = "Starte mit";
static const UINT kPageReserved = WM_USER + 100;

// Indexes 2 and 3 name a template the program does not have: their pages always fail.
static const WCHAR* const kPageTemplates[kPageCount] = {
    L"WILKOMMEN", L"SPRACHE", L"VERZEICHNIS", L"VERZEICHNIS", L"SPRACHE", L"IDD_INFO", L"XSTRAS",
};

static const int kTabGroup[] = {IDC_TAB_CONVERTER, IDC_TAB_CPU, IDC_TAB_FPU,
                                IDC_TAB_LANGUAGE, IDC_TAB_ABOUT, IDC_TAB_EXTRAS};

static void ShowError(const char* text)
{
    ShowProgramBox(nullptr, text, nullptr, MB_OK);
}

// ---- Page switching ----

int ShowPage(HWND previous)
{
    if (g_page < 0) {
        PostQuitMessage(0);
        return 1;
    }
    if (g_page >= kPageCount)
        return 0;

    // Stored before the page exists, so a page that fails to appear is stored too.
    char index[kPieceSize];
    snprintf(index, sizeof(index), "%d", g_page);
    WriteProgramString(kPageKey, index);

    // Made wide, so that its controls are Unicode windows that take the
    // texts as they are set.
    g_pageDialog = CreateDialogParamW(g_instance, kPageTemplates[g_page], g_mainDialog,
                                      PageDialogProc, 0);
    if (g_pageDialog == nullptr)
        ShowError("ERROR");

    // A page made modeless is only hidden by EndDialog; it must go, or every
    // tab click would leave one more window behind.
    if (previous != nullptr && previous != g_mainDialog) {
        EndDialog(previous, 1);
        DestroyWindow(previous);
    }
    return 1;
}

void SetTabCheck(HWND window, int id)
{
    for (int tab : kTabGroup) {
        HWND button = GetDlgItem(window, tab);
        if (button == nullptr)
            continue;
        SendMessageA(button, BM_SETCHECK, tab == id ? BST_CHECKED : BST_UNCHECKED, 0);
        // A radio button keeps its tab stop only while checked; every tab
        // button stays one, so that Tab reaches each page.
        LONG style = GetWindowLongW(button, GWL_STYLE);
        if ((style & WS_TABSTOP) == 0)
            SetWindowLongW(button, GWL_STYLE, style | WS_TABSTOP);
    }
}

void EnableMainButtons(BOOL enable)
{
    for (int id : kBusyMainButtons)
        EnableWindow(GetDlgItem(g_mainDialog, id), enable);
}

static int PageOfTab(int id)
{
    switch (id) {
    case IDC_TAB_CONVERTER: return kPageConverter;
    case IDC_TAB_CPU: return kPageCpuTest;
    case IDC_TAB_FPU: return kPageFpuTest;
    case IDC_TAB_LANGUAGE: return kPageLanguage;
    case IDC_TAB_ABOUT: return kPageAbout;
    case IDC_TAB_EXTRAS: return kPageExtras;
    }
    return -1;
}

// ---- Main dialog ----

static int ReadStartPage()
{
    char text[kSettingsSize] = {0};
    if (GetProgramString(kPageKey, text) != 0)
        return atoi(text);
    return kPageLanguage;
}

static void SetBoldFont(HWND window)
{
    LOGFONTA font;
    memset(&font, 0, sizeof(font));
    font.lfHeight = -8;
    font.lfWeight = FW_BOLD;
    font.lfItalic = 0;
    font.lfCharSet = DEFAULT_CHARSET;
    // Mapped per system, as the dialogs' face, to a TrueType face that holds
    // the system's characters.
    lstrcpynA(font.lfFaceName, "MS Shell Dlg", (int)sizeof(font.lfFaceName));
    g_boldFont = CreateFontIndirectA(&font);
    SendDlgItemMessageA(window, IDC_BANNER_TEXT, WM_SETFONT, (WPARAM)g_boldFont, FALSE);
}

static void SetProgramIcons(HWND window)
{
    // The sizes the system draws them at: 32 and 16 at 96 DPI, more above.
    HICON bigIcon = LoadProgramIcon(g_instance, SM_CXICON, SM_CYICON);
    if (bigIcon != nullptr)
        SendMessageA(window, WM_SETICON, ICON_BIG, (LPARAM)bigIcon);
    HICON smallIcon = LoadProgramIcon(g_instance, SM_CXSMICON, SM_CYSMICON);
    if (smallIcon != nullptr)
        SendMessageA(window, WM_SETICON, ICON_SMALL, (LPARAM)smallIcon);
}

static INT_PTR OnMainInit(HWND window)
{
    g_mainDialog = window;
    ReportRunsTo(window);
    g_page = ReadStartPage();
    SetProgramText(window, kMainCaption);
    LoadLanguage();
    ShowPage(window);
    // The owner window stays hidden, so the dialog needs a taskbar button of its own.
    SetWindowLongA(window, GWL_EXSTYLE, WS_EX_APPWINDOW);
    SetBoldFont(window);
    SetProgramIcons(window);
    ScaleBanner(g_instance, GetDlgItem(window, IDC_BANNER));
    // The banner is the program's name, drawn.
    SetAccessibleName(GetDlgItem(window, IDC_BANNER), "Kavonix", 0);
    // With a negative index the quit request posted before may end this box at once.
    if (g_pageDialog == nullptr)
        ShowError("ERROR 1");
    return TRUE;
}

static INT_PTR OnMainEnd(EndRoute route)
{
    RequestEnd(g_mainDialog, route);
    return TRUE;
}

static INT_PTR OnTabClicked(int id)
{
    g_page = PageOfTab(id);
    ShowPage(g_pageDialog);
    SetTabCheck(g_mainDialog, id);
    return TRUE;
}

// The dialog manager sends the command of a focused push button of a page to
// this dialog, not to the page: the page shown gets every command that is not
// the main dialog's own, as property sheets do it.
static INT_PTR OnPageCommandHere(WPARAM wParam, LPARAM lParam)
{
    if (g_pageDialog == nullptr || !IsWindow(g_pageDialog))
        return FALSE;
    SendMessageA(g_pageDialog, WM_COMMAND, wParam, lParam);
    return TRUE;
}

static INT_PTR OnMainCommand(WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    switch (id) {
    case IDOK: return OnMainEnd(kEndByOk);
    case IDC_QUIT_ALL: return OnMainEnd(kEndByQuitAll);
    case IDCANCEL: return OnMainEnd(kEndByCancel);
    case IDC_MAIN_PROGRESS: return TRUE;
    case IDC_TAB_CONVERTER:
    case IDC_TAB_CPU:
    case IDC_TAB_FPU:
    case IDC_TAB_LANGUAGE:
    case IDC_TAB_ABOUT:
    case IDC_TAB_EXTRAS:
        return OnTabClicked(id);
    }
    return OnPageCommandHere(wParam, lParam);
}

// The dialog manager presses the default button on Enter, and the dialog's
// IDOK ends the program where there is none. A focused tab button is pressed
// as a focused push button is; elsewhere the page shown names its default
// button (the converter's fields: Convert).
static INT_PTR OnMainGetDefId(HWND window)
{
    HWND focus = GetFocus();
    int id = 0;
    if (focus != nullptr && GetParent(focus) == window && PageOfTab(GetDlgCtrlID(focus)) >= 0) {
        id = GetDlgCtrlID(focus);
    } else if (g_pageDialog != nullptr && IsWindow(g_pageDialog)) {
        LRESULT pageDefault = SendMessageW(g_pageDialog, DM_GETDEFID, 0, 0);
        if (HIWORD(pageDefault) == DC_HASDEFID)
            id = LOWORD(pageDefault);
    }
    if (id == 0)
        return FALSE;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, MAKELONG(id, DC_HASDEFID));
    return TRUE;
}

static BOOL CALLBACK ForwardColorChange(HWND child, LPARAM)
{
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

// The user changed the colours or switched high contrast on or off: the
// window follows at once. Only top-level windows hear of new colours; the
// common controls of the pages (the progress bar) must be told.
static INT_PTR OnMainColorsChanged(HWND window, bool forward)
{
    if (forward)
        EnumChildWindows(window, ForwardColorChange, 0);
    OnAboutColorsChanged();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return FALSE;
}

static INT_PTR OnMainSettingChange(HWND window, WPARAM setting)
{
    return setting == SPI_SETHIGHCONTRAST ? OnMainColorsChanged(window, false) : FALSE;
}

// The statics draw over the banner and the dialog without a background of their own.
static INT_PTR OnMainCtlColorStatic(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    if (g_hollowBrush == nullptr) {
        LOGBRUSH brush = {BS_HOLLOW, 0, 0};
        g_hollowBrush = CreateBrushIndirect(&brush);
    }
    return (INT_PTR)g_hollowBrush;
}

// A dialog procedure hands this answer to Windows through DWLP_MSGRESULT.
static INT_PTR OnMainQueryEndSession(HWND window)
{
    SetWindowLongPtrA(window, DWLP_MSGRESULT, OnQueryEndSession());
    return TRUE;
}

static INT_PTR OnMainEndSession(HWND window, BOOL ending)
{
    OnEndSession(window, ending);
    return TRUE;
}

// Sent from inside the job's start, before the run's first window call: from
// here on the ending counts the run as under way.
static INT_PTR OnMainRunStarted(HWND window)
{
    EnableMainButtons(FALSE);
    OnRunStarted(window);
    return TRUE;
}

// Sent from the watcher, also into the session's end while it waits.
static INT_PTR OnMainRunWoundUp(HWND window)
{
    EnableMainButtons(TRUE);
    OnRunWoundUp(window);
    return TRUE;
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnMainInit(window);
    case WM_COMMAND: return OnMainCommand(wParam, lParam);
    // The close box, Alt+F4 and close requests of other programs; left to the
    // dialog manager they would do nothing while "&ESC" is disabled.
    case WM_CLOSE: return OnMainEnd(kEndByCancel);
    case WM_CTLCOLORSTATIC: return OnMainCtlColorStatic((HDC)wParam);
    case DM_GETDEFID: return OnMainGetDefId(window);
    case WM_SYSCOLORCHANGE: return OnMainColorsChanged(window, true);
    case WM_SETTINGCHANGE: return OnMainSettingChange(window, wParam);
    case WM_QUERYENDSESSION: return OnMainQueryEndSession(window);
    case WM_ENDSESSION: return OnMainEndSession(window, (BOOL)wParam);
    case WM_RUN_STARTED: return OnMainRunStarted(window);
    case WM_RUN_WOUND_UP: return OnMainRunWoundUp(window);
    }
    return FALSE;
}

// ---- Pages ----

static void PlacePage(HWND page)
{
    HWND placeholder = GetDlgItem(g_mainDialog, IDC_PAGE_PLACEHOLDER);
    if (placeholder == nullptr) {
        ShowError("EROR_STR433");
        return;
    }
    RECT area;
    GetWindowRect(placeholder, &area);
    POINT corner = {area.left, area.top};
    ScreenToClient(g_mainDialog, &corner);
    SetWindowPos(page, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE);
}

// Lookups of converter controls find nothing on the other pages.
static void SetPageTexts(HWND page)
{
    SetProgramItemText(page, IDC_CONVERT, ByLanguage("&Convert", "&Konvertieren"));
    SetProgramItemText(page, IDC_TARGET_LABEL, ByLanguage("&Target : ", "&Ziel : "));
    SetProgramItemText(page, IDC_SOURCE_LABEL, ByLanguage("&Source : ", "&Quele : "));
    SetProgramItemText(g_mainDialog, IDC_TAB_LANGUAGE, LanguageTabCaption());
    SetProgramItemText(g_mainDialog, IDC_TAB_EXTRAS, ByLanguage("&More", "&Mehr"));
}

static INT_PTR OnPageInit(HWND page)
{
    PlacePage(page);
    // The page's controls join the main dialog's keyboard navigation.
    SetWindowLongA(page, GWL_EXSTYLE, WS_EX_CONTROLPARENT);
    ShowWindow(page, SW_RESTORE);
    UpdateWindow(page);
    SetPageTexts(page);

    switch (g_page) {
    case kPageExtras: OnExtrasPageInit(page); break;
    case kPageAbout: OnAboutPageInit(page, g_instance); break;
    case kPageConverter: OnConverterPageInit(page); break;
    }
    return TRUE;
}

static INT_PTR OnPageQuitRequest()
{
    RequestEnd(g_mainDialog, kEndByQuitRequest);
    return FALSE;
}

static INT_PTR OnPageCommand(HWND page, int id)
{
    switch (id) {
    case IDOK:
        return OnPageQuitRequest();
    case IDC_SOURCE_BROWSE:
    case IDC_TARGET_BROWSE:
    case IDC_CONVERT:
        return g_page == kPageConverter ? OnConverterCommand(page, id) : FALSE;
    case IDC_ENGLISH:
    case IDC_DEUTSCH:
        return OnLanguageButton(page, id);
    case IDC_RECOMMEND:
    case IDC_SEND_PROGRAM:
    case IDC_MORE_FREEWARE:
        return OnExtrasCommand(g_mainDialog, id);
    }
    return FALSE;
}

INT_PTR CALLBACK PageDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnPageInit(page);
    case WM_CREATE: return TRUE;
    case kPageReserved: return TRUE;
    case WM_COMMAND: return OnPageCommand(page, LOWORD(wParam));
    case DM_GETDEFID: return g_page == kPageConverter ? OnConverterGetDefId(page) : FALSE;
    case WM_SETCURSOR: return g_page == kPageAbout ? OnAboutSetCursor(page) : FALSE;
    case WM_CTLCOLORSTATIC:
        return g_page == kPageAbout ? OnAboutCtlColorStatic(page, (HDC)wParam, (HWND)lParam) : FALSE;
    case WM_MOUSEMOVE: return g_page == kPageAbout ? OnAboutMouseMove(page, lParam) : FALSE;
    case WM_LBUTTONDOWN: return g_page == kPageAbout ? OnAboutLButtonDown(page, lParam) : FALSE;
    case WM_DROPFILES: return OnDropFiles(page, (HDROP)wParam);
    case WM_CONVERT_ERROR: return OnConvertError(page, lParam, (const WCHAR*)wParam);
    }
    return FALSE;
}
