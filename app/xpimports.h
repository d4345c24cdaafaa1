// The import slot the program fills itself (app/xpimports.cpp): nothing to
// call, only the type of the function it stands for.
#pragma once

#include <windows.h>

// Vista and later; looked up where Windows has it.
typedef ULONGLONG(WINAPI* TickCount64Proc)();
