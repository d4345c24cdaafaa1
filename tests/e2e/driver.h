// End-to-end driver: starts the real kavonix.exe in the test prefix and uses it
// from outside the way a user would: finds its windows, clicks, types, reads
// texts, answers its message boxes, and reads how it ended.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/boxes.h"

const char kMainCaption[] = "Kavonix  Ver 1.64.2";

// <build>\kavonix.exe as a Windows path.
std::string ProgramPath();
// <build>\screenshots\ (created on demand).
std::string ScreenshotDir();

class CProgramDriver {
public:
    CProgramDriver();
    ~CProgramDriver();  // kills a program that is still running

    // Starts the program with `arguments` (nothing after the program name when
    // empty). The box answerer watches the process before its first instruction.
    bool Start(const std::string& arguments = std::string());
    // The same from another copy of the program file, named in UTF-16.
    bool StartCopy(const std::wstring& exe);
    // Waits for the visible main dialog; null on timeout.
    HWND WaitForMainDialog(DWORD timeoutMs = 15000);
    HWND MainDialog();  // the visible main dialog now, or null
    // The page shown: the visible child dialog of the main dialog, or null.
    HWND Page();
    // Waits until a page with control `id` is shown; null on timeout.
    HWND WaitForPage(int id, DWORD timeoutMs = 10000);
    HWND PageControl(int id);  // control of the page shown, or null
    HWND OwnerWindow();        // the hidden owner window ("HALLO" / "Setup")

    // Clicks a tab button of the main dialog and waits for a new page (or for
    // the "ERROR" box where a page cannot be made). True when something came.
    bool ClickTab(int id, DWORD timeoutMs = 10000);
    // BM_CLICK, posted: returns at once, also when the click opens a modal box.
    bool Click(HWND dialog, int id);
    bool ClickPage(int id) { return Click(Page(), id); }
    // WM_COMMAND to a dialog, posted.
    bool Command(HWND dialog, int id);
    // WM_SETTEXT (synchronous, with a timeout).
    bool SetText(HWND dialog, int id, const std::string& text);
    std::string Text(HWND dialog, int id);
    std::string MainText(int id) { return Text(MainDialog(), id); }
    std::string PageText(int id) { return Text(Page(), id); }
    // What the user reads in a control of the page: its text in UTF-16.
    std::wstring PageWideText(int id);
    int Checked(int id);  // BM_GETCHECK of a main dialog button

    // Types a key as the keyboard does (SendInput), Shift or Alt held where
    // asked, into the program's main dialog, brought to the front first.
    bool PressKey(WORD key, bool shift = false, bool alt = false);
    // The control that has the program's keyboard focus, or null.
    HWND Focus();

    // Presses a browse button of the page, types `path` into the file dialog's
    // name field and presses OK; *proposed gets the name the dialog offered.
    // False when no dialog came or it did not close.
    bool ChooseInFileDialog(int browseButton, const std::string& path, std::string* proposed);
    // The same in UTF-16: a name of any language, and the proposal as the
    // dialog shows it; a `path` ending in "\" takes the proposal in that folder.
    bool ChooseInFileDialog(int browseButton, const std::wstring& path, std::wstring* proposed);

    // The program's message boxes, answered by a helper thread (IDOK unless told).
    BoxAnswerer& Boxes() { return *m_boxes; }
    std::vector<std::string> BoxTexts();

    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    bool Running();
    void Kill();
    DWORD ProcessId() const { return m_process.dwProcessId; }
    HANDLE Process() const { return m_process.hProcess; }

    // PNG of the main dialog as the screen shows it, under ScreenshotDir().
    bool Screenshot(const std::string& fileName);

private:
    PROCESS_INFORMATION m_process;
    std::unique_ptr<BoxAnswerer> m_boxes;
};
