// Windows XP has no GetTickCount64, yet the thread library that the MinGW-w64
// runtime links in statically imports it, and XP's loader refuses to start an
// exe with an import it cannot resolve. The program therefore fills that one
// import slot itself: calls go to GetTickCount64 where Windows has it (Vista
// and later), looked up at run time, and on XP to GetTickCount with its wraps
// counted. Built only with MinGW-w64; other toolchains bring no such import.
// Both builds need it: Windows XP Professional x64 Edition and Server 2003
// x64 have no GetTickCount64 either.
#include "app/xpimports.h"

#include "base/systemlib.h"

namespace {

ULONGLONG WINAPI TickCount64FromTickCount()
{
    // The number of wraps and the last reading in one value, so that a single
    // compare-exchange keeps both right when threads call at the same time.
    // The wraps are counted only if the count is read once every 49.7 days.
    static volatile LONGLONG s_state = 0;
    for (;;) {
        LONGLONG seen = InterlockedCompareExchange64(&s_state, 0, 0);
        DWORD last = (DWORD)seen;
        DWORD wraps = (DWORD)((ULONGLONG)seen >> 32);
        DWORD now = GetTickCount();
        if (now < last)
            ++wraps;
        LONGLONG next = (LONGLONG)(((ULONGLONG)wraps << 32) | now);
        if (InterlockedCompareExchange64(&s_state, next, seen) == seen)
            return (ULONGLONG)next;
    }
}

ULONGLONG WINAPI ResolveTickCount64();

}  // namespace

// The slot the thread library calls through; it resolves itself on first use.
// Its name is the import's, as each build's linker spells it: 32-bit names
// carry a leading underscore and the argument bytes, 64-bit names neither.
#if defined(_WIN64)
extern "C" TickCount64Proc g_importTickCount64 __asm__("__imp_GetTickCount64");
#else
extern "C" TickCount64Proc g_importTickCount64 __asm__("__imp__GetTickCount64@0");
#endif
TickCount64Proc g_importTickCount64 = ResolveTickCount64;

namespace {

ULONGLONG WINAPI ResolveTickCount64()
{
    TickCount64Proc resolved =
        FindSystemFunction<TickCount64Proc>(GetModuleHandleA("kernel32.dll"), "GetTickCount64");
    if (resolved == nullptr)
        resolved = TickCount64FromTickCount;
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&g_importTickCount64),
                               reinterpret_cast<PVOID>(resolved));
    return resolved();
}

}  // namespace
