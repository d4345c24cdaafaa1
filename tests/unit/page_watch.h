// A real converter page ("WILKOMMEN" from the resources) whose bar and text
// lines record every PBM_SETPOS and WM_SETTEXT they receive, and whose
// dialog procedure records every WM_CONVERT_ERROR. Conversions run on a
// second thread while the test thread handles the page's messages, so the
// page is reached by the same cross-thread calls as in the program.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

struct PageEvent {
    int control;      // 1004, 1092, 1093, or 0 for WM_CONVERT_ERROR on the page
    UINT message;     // PBM_SETPOS, WM_SETTEXT or WM_CONVERT_ERROR
    WPARAM position;  // bar position for PBM_SETPOS
    LPARAM code;      // error code for WM_CONVERT_ERROR
    std::string text; // new text for WM_SETTEXT; the file named in wParam of WM_CONVERT_ERROR
    std::string oldFile; // the old file that kImageAndOldFileLeft names after the image
};

class CPageWatch {
public:
    CPageWatch();
    ~CPageWatch();

    HWND Page() const { return m_page; }
    bool IsReady() const { return m_page != nullptr; }

    // Called on the interface thread for every event, after it is recorded.
    std::function<void(const PageEvent&)> onEvent;

    const std::vector<PageEvent>& Events() const { return m_events; }
    void ClearEvents() { m_events.clear(); }
    size_t Count(int control, UINT message) const;
    std::vector<WPARAM> BarPositions() const;
    std::vector<std::string> Texts(int control) const;
    std::vector<LPARAM> Errors() const;
    // The file each WM_CONVERT_ERROR names as left beside the target, "" for
    // none; the image, then the old file, where it names both.
    std::vector<std::string> LeftFiles() const;
    // The controls' state now.
    std::string Text(int id) const;
    int BarPosition() const;

    // Bar updates of intermediate reports: a closing report (final or
    // stopped) sends two, the last of them 0.
    size_t IntermediateReports() const;

    void Record(const PageEvent& event);

private:
    HWND m_host;
    HWND m_page;
    std::vector<PageEvent> m_events;
};

// Runs `work` on a second thread while this thread handles messages; the
// result of `work`, or -100 when it did not end within `timeoutMs`.
int RunOnWorker(const std::function<int()>& work, DWORD timeoutMs = 120000);

// A millisecond clock that answers the given readings in turn, then repeats
// the last one. Installed as g_readClockMs until the object goes away.
class CFakeClock {
public:
    explicit CFakeClock(std::vector<long> readings);
    ~CFakeClock();
    int Calls() const;
};

// Answers the message boxes of the thread that creates it, through a WH_CBT
// hook that sees each box before it shows.
struct HookedBox {
    std::string text;
    std::wstring wideText;  // the same text as the box holds it, in UTF-16
    std::string caption;
    HWND owner;
    bool hasYes, hasNo, hasCancel, hasOk;
    bool hasQuestionIcon;
};

class CBoxHook {
public:
    // `answer`: IDYES, IDNO, IDCANCEL, or 0 to close the box.
    explicit CBoxHook(int answer);
    ~CBoxHook();
    std::vector<HookedBox> Boxes() const;
};
