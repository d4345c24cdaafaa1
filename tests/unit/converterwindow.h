// The real main dialog with the converter page in this process, and the pieces
// a user hands the page: dropped file lists, shortcuts, file dialog input.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>
#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/maindialog.h"
#include "convert/job.h"
#include "base/language.h"
#include "res/resource.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

// Opens the main dialog modeless and switches it to the converter page, in
// German whatever language earlier tests stored: the dialog reads it back.
class ConverterWindow {
public:
    ConverterWindow()
    {
        ZeroMemory(&g_request, sizeof(g_request));
        DeleteSettingsFile();
        g_english = 0;
        m_main = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
        if (m_main)
            SendMessageA(m_main, WM_COMMAND, MAKEWPARAM(IDC_TAB_CONVERTER, BN_CLICKED), 0);
        PumpMessages();
    }
    ~ConverterWindow()
    {
        WaitUntil([] { return !g_job.IsBusy(); }, 30000);
        if (m_main)
            DestroyWindow(m_main);
        g_mainDialog = nullptr;
        g_pageDialog = nullptr;
        PumpMessages();
    }
    HWND Main() const { return m_main; }
    HWND Page() const { return g_pageDialog; }
    void Press(int id) { SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void Tab(int id) { SendMessageA(m_main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void SetField(int id, const std::string& text) { SetDlgItemTextA(Page(), id, text.c_str()); }
    std::string Field(int id) const { return ControlText(Page(), id); }
    bool Enabled(HWND dialog, int id) const { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    // The nine buttons a run disables: tabs and "&ESC" of the main dialog, both browse buttons.
    // The idle look: every one of them that the user can see is enabled.
    bool IdleButtons() const
    {
        for (int id : kBusyMainButtons) {
            HWND button = GetDlgItem(m_main, id);
            if (IsWindowVisible(button) && !IsWindowEnabled(button))
                return false;
        }
        return Enabled(Page(), IDC_SOURCE_BROWSE) && Enabled(Page(), IDC_TARGET_BROWSE);
    }
    int EnabledBusyButtons() const
    {
        int count = 0;
        for (int id : kBusyMainButtons)
            count += Enabled(m_main, id) ? 1 : 0;
        count += Enabled(Page(), IDC_SOURCE_BROWSE) ? 1 : 0;
        count += Enabled(Page(), IDC_TARGET_BROWSE) ? 1 : 0;
        return count;
    }
    bool WaitIdle(DWORD timeoutMs = 60000) { return WaitUntil([] { return !g_job.IsBusy(); }, timeoutMs); }

private:
    HWND m_main;
};

// A file list the way the shell hands it over: DROPFILES in movable global
// memory, ANSI names, a double NUL at the end. The receiver frees it.
inline HDROP MakeDrop(const std::vector<std::string>& names)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& name : names)
        size += name.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    DROPFILES* files = (DROPFILES*)GlobalLock(memory);
    files->pFiles = sizeof(DROPFILES);
    files->fWide = FALSE;
    char* at = (char*)files + sizeof(DROPFILES);
    for (const std::string& name : names) {
        memcpy(at, name.c_str(), name.size() + 1);
        at += name.size() + 1;
    }
    GlobalUnlock(memory);
    return (HDROP)memory;
}

// The same in UTF-16 (fWide), as the shell hands over names of any language.
inline HDROP MakeDrop(const std::vector<std::wstring>& names)
{
    size_t size = sizeof(DROPFILES) + sizeof(WCHAR);
    for (const std::wstring& name : names)
        size += (name.size() + 1) * sizeof(WCHAR);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    DROPFILES* files = (DROPFILES*)GlobalLock(memory);
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    WCHAR* at = (WCHAR*)((char*)files + sizeof(DROPFILES));
    for (const std::wstring& name : names) {
        memcpy(at, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
        at += name.size() + 1;
    }
    GlobalUnlock(memory);
    return (HDROP)memory;
}

// Answers the next file dialog from a thread of its own, as a user types into
// it: records the proposed name, types `typed` (in UTF-16: a name of any
// language) and presses the button (IDOK, or IDCANCEL when `typed` is empty).
class FileDialogUser {
public:
    explicit FileDialogUser(const std::string& typed) : FileDialogUser(Wide(typed)) {}
    explicit FileDialogUser(const std::wstring& typed) : m_typed(typed), m_done(false)
    {
        m_thread = std::thread([this] { Loop(); });
    }
    ~FileDialogUser() { Join(); }
    // The name the dialog proposed; waits for this user to have finished.
    std::string Proposed()
    {
        Join();
        return m_proposed;
    }
    bool Done()
    {
        Join();
        return m_done;
    }

private:
    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    void Loop()
    {
        DWORD start = GetTickCount();
        HWND dialog = nullptr;
        HWND field = nullptr;
        while (GetTickCount() - start < 20000) {
            dialog = FindFileDialog(GetCurrentProcessId(), &field);
            if (dialog && field)
                break;
            Sleep(20);
        }
        if (!field)
            return;
        m_proposed = WindowText(field);
        if (m_typed.empty()) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
        } else {
            SendMessageTimeoutW(field, WM_SETTEXT, 0, (LPARAM)m_typed.c_str(), SMTO_ABORTIFHUNG, 5000, nullptr);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
        }
        m_done = true;
    }

    std::wstring m_typed;
    std::string m_proposed;
    std::atomic<bool> m_done;
    std::thread m_thread;
};
