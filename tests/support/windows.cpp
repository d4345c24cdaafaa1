#include "tests/support/windows.h"

#include <string.h>

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::string WindowText(HWND window)
{
    char buffer[4096] = "";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), (LPARAM)buffer, SMTO_ABORTIFHUNG, 2000, &ignored);
    return buffer;
}

std::wstring WindowWideText(HWND window)
{
    WCHAR buffer[4096] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, sizeof(buffer) / sizeof(buffer[0]), (LPARAM)buffer, SMTO_ABORTIFHUNG,
                        2000, &ignored);
    return buffer;
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowText(control) : std::string();
}

namespace {

struct FileDialogSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchFileDialog(HWND window, LPARAM param)
{
    FileDialogSearch* search = (FileDialogSearch*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof(cls));
    // Wine's file dialogs keep the name field in combo box cmb13 (0x47C), others in edt1 (0x480).
    if (pid == search->processId && IsWindowVisible(window) && strcmp(cls, "#32770") == 0 &&
        (GetDlgItem(window, 0x47C) || GetDlgItem(window, 0x480))) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchEdit(HWND window, LPARAM param)
{
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (lstrcmpiA(cls, "Edit") != 0)
        return TRUE;
    *(HWND*)param = window;
    return FALSE;
}

}  // namespace

HWND FindFileDialog(DWORD processId, HWND* nameField)
{
    *nameField = nullptr;
    FileDialogSearch search = {processId, nullptr};
    EnumWindows(MatchFileDialog, (LPARAM)&search);
    if (!search.found)
        return nullptr;
    HWND combo = GetDlgItem(search.found, 0x47C);
    if (combo)
        EnumChildWindows(combo, MatchEdit, (LPARAM)nameField);
    else
        *nameField = GetDlgItem(search.found, 0x480);
    return search.found;
}

HWND WaitForFileDialog(DWORD processId, HWND* nameField, DWORD timeoutMs)
{
    HWND dialog = nullptr;
    bool found = WaitUntil([&] { return (dialog = FindFileDialog(processId, nameField)) != nullptr && *nameField; },
                           timeoutMs);
    return found ? dialog : nullptr;
}
