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
// The same in UTF-16: what the user reads, whatever the code page.
std::wstring WindowWideText(HWND window);

// A visible file dialog (Open or Save) of process `processId`, or null; its
// name field goes to *nameField (null while the dialog has none yet).
HWND FindFileDialog(DWORD processId, HWND* nameField);
// Waits for such a dialog with its name field; null on timeout.
HWND WaitForFileDialog(DWORD processId, HWND* nameField, DWORD timeoutMs);
