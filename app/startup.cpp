#include "app/startup.h"
HINSTANCE g_instance = nullptr;
HWND g_ownerWindow = nullptr;
int RunProgram(HINSTANCE, const char*, int) { return 0; }
