#include "tests/e2e/driver.h"

#include <string.h>

#include "tests/support/png.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

std::string ProgramPath()
{
    return BuildDirWindows() + KAVONIX_EXE_NAME;
}

std::string ScreenshotDir()
{
    std::string dir = BuildDirWindows() + "screenshots\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

CProgramDriver::CProgramDriver()
{
    ZeroMemory(&m_process, sizeof(m_process));
}

CProgramDriver::~CProgramDriver()
{
    Kill();
}

bool CProgramDriver::Start(const std::string& arguments)
{
    Kill();
    std::string commandLine = "\"" + ProgramPath() + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &m_process)) {
        ZeroMemory(&m_process, sizeof(m_process));
        return false;
    }
    m_boxes.reset(new BoxAnswerer(m_process.dwProcessId));
    ResumeThread(m_process.hThread);
    return true;
}

bool CProgramDriver::StartCopy(const std::wstring& exe)
{
    Kill();
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::vector<WCHAR> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &m_process)) {
        ZeroMemory(&m_process, sizeof(m_process));
        return false;
    }
    m_boxes.reset(new BoxAnswerer(m_process.dwProcessId));
    ResumeThread(m_process.hThread);
    return true;
}

struct FindWindowOf {
    DWORD processId;
    const char* className;
    const char* caption;  // null: any
    bool visibleOnly;
    HWND found;
};

static BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param)
{
    FindWindowOf* find = (FindWindowOf*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != find->processId)
        return TRUE;
    if (find->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (strcmp(cls, find->className) != 0)
        return TRUE;
    if (find->caption && WindowText(window) != find->caption)
        return TRUE;
    find->found = window;
    return FALSE;
}

HWND CProgramDriver::MainDialog()
{
    if (!m_process.hProcess)
        return nullptr;
    FindWindowOf find = {m_process.dwProcessId, "#32770", kMainCaption, true, nullptr};
    EnumWindows(MatchTopLevel, (LPARAM)&find);
    return find.found;
}

HWND CProgramDriver::WaitForMainDialog(DWORD timeoutMs)
{
    HWND main = nullptr;
    WaitUntil([&] { return (main = MainDialog()) != nullptr; }, timeoutMs);
    return main;
}

HWND CProgramDriver::OwnerWindow()
{
    if (!m_process.hProcess)
        return nullptr;
    FindWindowOf find = {m_process.dwProcessId, "HALLO", "Setup", false, nullptr};
    EnumWindows(MatchTopLevel, (LPARAM)&find);
    return find.found;
}

struct FindPage {
    HWND parent;
    HWND found;
};

static BOOL CALLBACK MatchPage(HWND window, LPARAM param)
{
    FindPage* find = (FindPage*)param;
    if (GetParent(window) != find->parent || !IsWindowVisible(window))
        return TRUE;
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (strcmp(cls, "#32770") != 0)
        return TRUE;
    find->found = window;
    return FALSE;
}

HWND CProgramDriver::Page()
{
    HWND main = MainDialog();
    if (!main)
        return nullptr;
    FindPage find = {main, nullptr};
    EnumChildWindows(main, MatchPage, (LPARAM)&find);
    return find.found;
}

HWND CProgramDriver::PageControl(int id)
{
    HWND page = Page();
    return page ? GetDlgItem(page, id) : nullptr;
}

HWND CProgramDriver::WaitForPage(int id, DWORD timeoutMs)
{
    HWND page = nullptr;
    WaitUntil([&] {
        page = Page();
        return page != nullptr && GetDlgItem(page, id) != nullptr;
    }, timeoutMs);
    return page && GetDlgItem(page, id) ? page : nullptr;
}

bool CProgramDriver::Click(HWND dialog, int id)
{
    HWND control = dialog ? GetDlgItem(dialog, id) : nullptr;
    return control && PostMessageA(control, BM_CLICK, 0, 0);
}

bool CProgramDriver::Command(HWND dialog, int id)
{
    if (!dialog)
        return false;
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)) != 0;
}

bool CProgramDriver::ClickTab(int id, DWORD timeoutMs)
{
    HWND main = MainDialog();
    if (!main)
        return false;
    HWND before = Page();
    size_t boxes = m_boxes->Count();
    // The command, not a click: hidden and disabled tabs take no clicks.
    if (!Command(main, id))
        return false;
    return WaitUntil([&] {
        HWND page = Page();
        return (page != nullptr && page != before) || m_boxes->Count() > boxes;
    }, timeoutMs);
}

bool CProgramDriver::ChooseInFileDialog(int browseButton, const std::string& path, std::string* proposed)
{
    WCHAR wide[4096] = L"";
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 4096);
    // Left as it is when no dialog came.
    const std::wstring kNone(1, L'\x1');
    std::wstring offered = kNone;
    bool closed = ChooseInFileDialog(browseButton, std::wstring(wide), &offered);
    char narrow[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, offered.c_str(), -1, narrow, sizeof(narrow), nullptr, nullptr);
    if (offered != kNone)
        *proposed = narrow;
    return closed;
}

bool CProgramDriver::ChooseInFileDialog(int browseButton, const std::wstring& path, std::wstring* proposed)
{
    // Looked up first: while the file dialog winds up, reading the caption can fail.
    HWND main = MainDialog();
    if (!main || !ClickPage(browseButton))
        return false;
    HWND field = nullptr;
    HWND dialog = WaitForFileDialog(m_process.dwProcessId, &field, 20000);
    if (!dialog)
        return false;
    *proposed = WindowWideText(field);
    // A folder: the user takes the proposal there.
    std::wstring typed = !path.empty() && path.back() == L'\\' ? path + *proposed : path;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(field, WM_SETTEXT, 0, (LPARAM)typed.c_str(), SMTO_ABORTIFHUNG, 5000, &ignored);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
    // Back in the program's own loop: the dialog gone and its owner usable again.
    return WaitUntil([&] {
        return !IsWindow(dialog) && IsWindowEnabled(main) &&
               SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }, 20000);
}

bool CProgramDriver::SetText(HWND dialog, int id, const std::string& text)
{
    HWND control = dialog ? GetDlgItem(dialog, id) : nullptr;
    DWORD_PTR result = 0;
    return control && SendMessageTimeoutA(control, WM_SETTEXT, 0, (LPARAM)text.c_str(),
                                          SMTO_ABORTIFHUNG, 5000, &result) && result;
}

std::wstring CProgramDriver::PageWideText(int id)
{
    HWND page = Page();
    HWND control = page ? GetDlgItem(page, id) : nullptr;
    return control ? WindowWideText(control) : std::wstring();
}

std::string CProgramDriver::Text(HWND dialog, int id)
{
    return dialog ? ControlText(dialog, id) : std::string();
}

int CProgramDriver::Checked(int id)
{
    HWND main = MainDialog();
    HWND button = main ? GetDlgItem(main, id) : nullptr;
    DWORD_PTR state = 0;
    if (!button || !SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state))
        return -1;
    return (int)state;
}

bool CProgramDriver::PressKey(WORD key, bool shift, bool alt)
{
    HWND main = MainDialog();
    if (!main)
        return false;
    if (GetForegroundWindow() != main)
        SetForegroundWindow(main);
    INPUT keys[6];
    ZeroMemory(keys, sizeof(keys));
    UINT count = 0;
    auto add = [&](WORD code, bool up) {
        keys[count].type = INPUT_KEYBOARD;
        keys[count].ki.wVk = code;
        keys[count].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        ++count;
    };
    if (shift)
        add(VK_SHIFT, false);
    if (alt)
        add(VK_MENU, false);
    add(key, false);
    add(key, true);
    if (alt)
        add(VK_MENU, true);
    if (shift)
        add(VK_SHIFT, true);
    return SendInput(count, keys, sizeof(INPUT)) == count;
}

HWND CProgramDriver::Focus()
{
    HWND main = MainDialog();
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    if (!main || !GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

std::vector<std::string> CProgramDriver::BoxTexts()
{
    std::vector<std::string> texts;
    if (m_boxes)
        for (const SeenBox& box : m_boxes->Seen())
            texts.push_back(box.text);
    return texts;
}

bool CProgramDriver::Running()
{
    return m_process.hProcess && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

bool CProgramDriver::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!m_process.hProcess)
        return false;
    if (!WaitUntil([&] { return !Running(); }, timeoutMs))
        return false;
    DWORD code = 0;
    GetExitCodeProcess(m_process.hProcess, &code);
    if (exitCode)
        *exitCode = code;
    return true;
}

void CProgramDriver::Kill()
{
    if (m_process.hProcess) {
        if (Running()) {
            TerminateProcess(m_process.hProcess, 999);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    ZeroMemory(&m_process, sizeof(m_process));
    m_boxes.reset();
}

bool CProgramDriver::Screenshot(const std::string& fileName)
{
    HWND main = MainDialog();
    if (!main)
        return false;
    // Let the program finish painting before the pixels are read.
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return SaveWindowScreenshot(main, ScreenshotDir() + fileName);
}
