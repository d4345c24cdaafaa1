// Answers message boxes the way a user would: a helper thread finds each box of
// a process (a top-level "#32770" window with the text static 0xFFFF), records
// what it says and presses a button.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <deque>
#include <atomic>

struct SeenBox {
    std::string text;
    std::wstring wideText;  // the same text as the box holds it, in UTF-16
    std::string caption;
    HWND owner;
    DWORD threadId;
    int answer;   // the button pressed: IDYES, IDNO, IDCANCEL, IDOK, or 0 for the close box
};

class BoxAnswerer {
public:
    explicit BoxAnswerer(DWORD processId = GetCurrentProcessId());
    ~BoxAnswerer();

    // Answers are used in order; once they run out, every box gets the default.
    void Answer(int button);
    void SetDefault(int button);  // IDOK at first; 0 closes the box with WM_CLOSE
    // Holds boxes open (unanswered) while true.
    void Hold(bool hold);

    std::vector<SeenBox> Seen();
    size_t Count();
    bool WaitForCount(size_t count, DWORD timeoutMs);
    // The box being held open now, or null.
    HWND OpenBox();

private:
    void Loop();
    void Press(HWND box, int button);

    DWORD m_processId;
    std::mutex m_lock;
    std::deque<int> m_answers;
    int m_default;
    bool m_hold;
    std::vector<SeenBox> m_seen;
    std::vector<HWND> m_handled;
    HWND m_open;
    std::atomic<bool> m_stop;
    std::thread m_thread;
};

// Text of the box's message static, or "" when `box` is not a message box.
std::string MessageBoxText(HWND box);
std::wstring MessageBoxWideText(HWND box);
