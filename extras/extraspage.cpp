#include "extras/extraspage.h"
void OnExtrasPageInit(HWND) {}
INT_PTR OnExtrasCommand(HWND, int) { return TRUE; }
