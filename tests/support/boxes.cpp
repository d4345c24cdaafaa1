#include "tests/support/boxes.h"

#include <string.h>

#include <algorithm>

std::string MessageBoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text)
        return std::string();
    char buffer[4096] = "";
    SendMessageTimeoutA(text, WM_GETTEXT, sizeof(buffer), (LPARAM)buffer, SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

std::wstring MessageBoxWideText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text)
        return std::wstring();
    WCHAR buffer[4096] = L"";
    SendMessageTimeoutW(text, WM_GETTEXT, sizeof(buffer) / sizeof(buffer[0]), (LPARAM)buffer, SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return buffer;
}

BoxAnswerer::BoxAnswerer(DWORD processId)
    : m_processId(processId), m_default(IDOK), m_hold(false), m_open(nullptr), m_stop(false)
{
    m_thread = std::thread([this] { Loop(); });
}

BoxAnswerer::~BoxAnswerer()
{
    m_stop = true;
    m_thread.join();
}

void BoxAnswerer::Answer(int button)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.push_back(button);
}

void BoxAnswerer::SetDefault(int button)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_default = button;
}

void BoxAnswerer::Hold(bool hold)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_hold = hold;
}

std::vector<SeenBox> BoxAnswerer::Seen()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_seen;
}

size_t BoxAnswerer::Count()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_seen.size();
}

HWND BoxAnswerer::OpenBox()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_open;
}

bool BoxAnswerer::WaitForCount(size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (Count() >= count)
            return true;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    return Count() >= count;
}

void BoxAnswerer::Press(HWND box, int button)
{
    if (button == 0) {
        PostMessageA(box, WM_CLOSE, 0, 0);
        return;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(box, button));
}

struct FindBoxes {
    DWORD processId;
    std::vector<HWND> found;
};

static BOOL CALLBACK FindOtherButton(HWND child, LPARAM param)
{
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof(cls));
    int id = GetDlgCtrlID(child);
    if (_stricmp(cls, "Button") == 0 && (id < IDOK || id > 11)) {
        *(bool*)param = true;
        return FALSE;
    }
    return TRUE;
}

// Dialogs of the program also have statics with id 0xFFFF (IDC_STATIC); a
// message box differs in having only the standard buttons IDOK..IDCONTINUE.
static bool IsMessageBox(HWND window)
{
    if (!GetDlgItem(window, 0xFFFF))
        return false;
    bool other = false;
    EnumChildWindows(window, FindOtherButton, (LPARAM)&other);
    return !other;
}

static BOOL CALLBACK CollectBox(HWND window, LPARAM param)
{
    FindBoxes* find = (FindBoxes*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != find->processId || !IsWindowVisible(window))
        return TRUE;
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (strcmp(cls, "#32770") == 0 && IsMessageBox(window))
        find->found.push_back(window);
    return TRUE;
}

void BoxAnswerer::Loop()
{
    while (!m_stop) {
        FindBoxes find = {m_processId, {}};
        EnumWindows(CollectBox, (LPARAM)&find);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            // Forget boxes that are gone, so a reused handle counts as new.
            m_handled.erase(std::remove_if(m_handled.begin(), m_handled.end(),
                                           [](HWND w) { return !IsWindow(w); }),
                            m_handled.end());
            if (m_open && !IsWindow(m_open))
                m_open = nullptr;
        }
        for (HWND box : find.found) {
            std::unique_lock<std::mutex> guard(m_lock);
            if (std::find(m_handled.begin(), m_handled.end(), box) != m_handled.end())
                continue;
            // A box pressed earlier may have gone between the enumeration and the
            // pruning above: it is not a new box.
            if (!IsWindow(box))
                continue;
            if (m_hold) {
                m_open = box;
                continue;
            }
            int button = m_default;
            if (!m_answers.empty()) {
                button = m_answers.front();
                m_answers.pop_front();
            }
            m_handled.push_back(box);
            guard.unlock();

            SeenBox seen;
            seen.text = MessageBoxText(box);
            seen.wideText = MessageBoxWideText(box);
            char caption[512] = "";
            SendMessageTimeoutA(box, WM_GETTEXT, sizeof(caption), (LPARAM)caption, SMTO_ABORTIFHUNG, 2000, nullptr);
            seen.caption = caption;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.threadId = GetWindowThreadProcessId(box, nullptr);
            seen.answer = button;
            if (!IsWindow(box) && seen.text.empty())
                continue;
            {
                std::lock_guard<std::mutex> again(m_lock);
                m_seen.push_back(seen);
                if (m_open == box)
                    m_open = nullptr;
            }
            Press(box, button);
        }
        Sleep(15);
    }
}
