// Small helpers for tests that watch real windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Handles this thread's pending messages.
void PumpMessages();
// Pumps messages until `done` holds or `timeoutMs` has passed; the last result of `done`.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Text of a window or of a dialog control (works across processes).
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
