// The watched converter page, the worker-thread runner, the fake clock and
// the hooked message boxes of the conversion tests.
#include "tests/unit/page_watch.h"

#include <commctrl.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include "app/maindialog.h"
#include "convert/convert.h"
#include "convert/job.h"
#include "convert/progress.h"
#include "res/resource.h"
#include "tests/support/windows.h"

static CPageWatch* g_watch = nullptr;

static const int kWatchedIds[] = {IDC_PROGRESS, IDC_STATUS_LINE, IDC_TIME_LINE};
static WNDPROC g_controlProcs[3] = {nullptr, nullptr, nullptr};

static int WatchedIndex(int id)
{
    for (int i = 0; i < 3; ++i)
        if (kWatchedIds[i] == id)
            return i;
    return -1;
}

static LRESULT CALLBACK WatchedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    int id = GetDlgCtrlID(control);
    int index = WatchedIndex(id);
    if (g_watch && (message == PBM_SETPOS || message == WM_SETTEXT)) {
        PageEvent event = {id, message, 0, 0, std::string(), std::string()};
        if (message == PBM_SETPOS)
            event.position = wParam;
        else
            event.text = lParam ? (const char*)lParam : "";
        g_watch->Record(event);
    }
    return CallWindowProcA(g_controlProcs[index], control, message, wParam, lParam);
}

static INT_PTR CALLBACK WatchedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)page;
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CONVERT_ERROR:
        if (g_watch) {
            // The file named, as the code page holds it.
            char named[4096] = "";
            if (wParam)
                WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)wParam, -1, named, sizeof(named), nullptr, nullptr);
            PageEvent event = {0, message, 0, lParam, named, std::string()};
            if (wParam && lParam == kImageAndOldFileLeft) {
                const WCHAR* image = (const WCHAR*)wParam;
                WideCharToMultiByte(CP_ACP, 0, image + wcslen(image) + 1, -1, named, sizeof(named), nullptr,
                                    nullptr);
                event.oldFile = named;
            }
            g_watch->Record(event);
        }
        return TRUE;
    }
    return FALSE;
}

CPageWatch::CPageWatch() : m_host(nullptr), m_page(nullptr)
{
    m_host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 300, nullptr, nullptr,
                             g_instance, nullptr);
    if (!m_host)
        return;
    m_page = CreateDialogParamA(g_instance, "WILKOMMEN", m_host, WatchedPageProc, 0);
    if (!m_page)
        return;
    for (int i = 0; i < 3; ++i) {
        HWND control = GetDlgItem(m_page, kWatchedIds[i]);
        g_controlProcs[i] = (WNDPROC)SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)WatchedControlProc);
    }
    g_watch = this;
}

CPageWatch::~CPageWatch()
{
    g_watch = nullptr;
    if (m_page)
        DestroyWindow(m_page);
    if (m_host)
        DestroyWindow(m_host);
    PumpMessages();
}

void CPageWatch::Record(const PageEvent& event)
{
    m_events.push_back(event);
    if (onEvent)
        onEvent(event);
}

size_t CPageWatch::Count(int control, UINT message) const
{
    size_t count = 0;
    for (const PageEvent& event : m_events)
        if (event.control == control && event.message == message)
            ++count;
    return count;
}

std::vector<WPARAM> CPageWatch::BarPositions() const
{
    std::vector<WPARAM> positions;
    for (const PageEvent& event : m_events)
        if (event.message == PBM_SETPOS)
            positions.push_back(event.position);
    return positions;
}

std::vector<std::string> CPageWatch::Texts(int control) const
{
    std::vector<std::string> texts;
    for (const PageEvent& event : m_events)
        if (event.control == control && event.message == WM_SETTEXT)
            texts.push_back(event.text);
    return texts;
}

std::vector<LPARAM> CPageWatch::Errors() const
{
    std::vector<LPARAM> codes;
    for (const PageEvent& event : m_events)
        if (event.message == WM_CONVERT_ERROR)
            codes.push_back(event.code);
    return codes;
}

std::vector<std::string> CPageWatch::LeftFiles() const
{
    std::vector<std::string> paths;
    for (const PageEvent& event : m_events)
        if (event.message == WM_CONVERT_ERROR) {
            paths.push_back(event.text);
            if (event.code == kImageAndOldFileLeft)
                paths.push_back(event.oldFile);
        }
    return paths;
}

std::string CPageWatch::Text(int id) const
{
    return ControlText(m_page, id);
}

int CPageWatch::BarPosition() const
{
    return (int)SendMessageA(GetDlgItem(m_page, IDC_PROGRESS), PBM_GETPOS, 0, 0);
}

size_t CPageWatch::IntermediateReports() const
{
    size_t bars = Count(IDC_PROGRESS, PBM_SETPOS);
    return bars >= 2 ? bars - 2 : 0;
}

struct WorkerState {
    std::function<int()> work;
    std::atomic<bool> done{false};
    int result = -100;
};

int RunOnWorker(const std::function<int()>& work, DWORD timeoutMs)
{
    std::shared_ptr<WorkerState> state = std::make_shared<WorkerState>();
    state->work = work;
    std::thread worker([state] {
        state->result = state->work();
        state->done = true;
    });
    if (!WaitUntil([&] { return state->done.load(); }, timeoutMs)) {
        // Let a conversion that is still running come to its end.
        g_cancelRequested = 1;
        if (!WaitUntil([&] { return state->done.load(); }, 30000)) {
            worker.detach();
            return -100;
        }
        worker.join();
        return -100;
    }
    worker.join();
    return state->result;
}

static std::mutex g_clockLock;
static std::vector<long> g_clockReadings;
static std::atomic<int> g_clockCalls(0);

static long FakeClockMs()
{
    std::lock_guard<std::mutex> guard(g_clockLock);
    int call = g_clockCalls++;
    size_t index = std::min((size_t)call, g_clockReadings.size() - 1);
    return g_clockReadings[index];
}

CFakeClock::CFakeClock(std::vector<long> readings)
{
    std::lock_guard<std::mutex> guard(g_clockLock);
    g_clockReadings = readings.empty() ? std::vector<long>(1, 0) : readings;
    g_clockCalls = 0;
    g_readClockMs = FakeClockMs;
}

CFakeClock::~CFakeClock()
{
    g_readClockMs = ReadClockMs;
}

int CFakeClock::Calls() const
{
    return g_clockCalls.load();
}

static std::mutex g_hookLock;
static HHOOK g_hook = nullptr;
static int g_hookAnswer = IDYES;
static std::vector<HookedBox> g_hookedBoxes;

static BOOL CALLBACK FindQuestionIcon(HWND child, LPARAM found)
{
    HICON question = LoadIconA(nullptr, (LPCSTR)IDI_QUESTION);
    if (question && (HICON)SendMessageA(child, STM_GETICON, 0, 0) == question) {
        *(bool*)found = true;
        return FALSE;
    }
    return TRUE;
}

static LRESULT CALLBACK BoxHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        char cls[32] = "";
        GetClassNameA(box, cls, sizeof(cls));
        if (strcmp(cls, "#32770") == 0 && GetDlgItem(box, 0xFFFF)) {
            HookedBox seen;
            char text[4096] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            seen.text = text;
            WCHAR wideText[4096] = L"";
            GetDlgItemTextW(box, 0xFFFF, wideText, 4096);
            seen.wideText = wideText;
            char caption[512] = "";
            GetWindowTextA(box, caption, sizeof(caption));
            seen.caption = caption;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.hasYes = GetDlgItem(box, IDYES) != nullptr;
            seen.hasNo = GetDlgItem(box, IDNO) != nullptr;
            seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
            seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
            seen.hasQuestionIcon = false;
            EnumChildWindows(box, FindQuestionIcon, (LPARAM)&seen.hasQuestionIcon);
            int answer;
            {
                std::lock_guard<std::mutex> guard(g_hookLock);
                g_hookedBoxes.push_back(seen);
                answer = g_hookAnswer;
            }
            if (answer == 0)
                PostMessageA(box, WM_CLOSE, 0, 0);
            else
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), (LPARAM)GetDlgItem(box, answer));
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

CBoxHook::CBoxHook(int answer)
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    g_hookAnswer = answer;
    g_hookedBoxes.clear();
    g_hook = SetWindowsHookExA(WH_CBT, BoxHookProc, nullptr, GetCurrentThreadId());
}

CBoxHook::~CBoxHook()
{
    UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}

std::vector<HookedBox> CBoxHook::Boxes() const
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    return g_hookedBoxes;
}
