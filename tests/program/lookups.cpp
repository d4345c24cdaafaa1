// Every function the program looks up at run time, taken here by the type the
// program calls it through and linked against the import libraries. On 32-bit
// Windows a function's linker name carries its calling convention and its
// arguments' bytes (_Name@N for WINAPI, _Name for a C function): a type
// without WINAPI, or with arguments of other sizes, names a function that no
// library exports, and the link fails. The exe is never run.
// check_lookups.sh keeps this list equal to the program's lookups.
#include <windows.h>

#include <type_traits>

#include "app/accessible.h"
#include "app/ending.h"
#include "app/startup.h"
#include "app/xpimports.h"
#include "base/systemlib.h"
#include "convert/safereplace.h"
#include "extras/mail.h"

// Declares `Name` as the imported function of type `Proc` and keeps its address.
#define KAVONIX_LINKED_AS(Name, Proc)                                                \
    extern "C" __declspec(dllimport) std::remove_pointer<Proc>::type Name;          \
    extern const Proc kLinked##Name;                                                \
    const Proc kLinked##Name = &Name;

KAVONIX_LINKED_AS(SetDllDirectoryW, SetDllDirectoryWProc)
KAVONIX_LINKED_AS(GetFileInformationByHandleEx, IdentifyByIdCall)
KAVONIX_LINKED_AS(GetTickCount64, TickCount64Proc)
KAVONIX_LINKED_AS(ShutdownBlockReasonCreate, ShutdownBlockReasonCreateProc)
KAVONIX_LINKED_AS(ShutdownBlockReasonDestroy, ShutdownBlockReasonDestroyProc)
KAVONIX_LINKED_AS(InitCommonControlsEx, InitCommonControlsExProc)
KAVONIX_LINKED_AS(CreateStdAccessibleObject, CreateStdAccessibleObjectProc)
KAVONIX_LINKED_AS(LresultFromObject, LresultFromObjectProc)
KAVONIX_LINKED_AS(MAPISendMail, MapiSendMailProc)
KAVONIX_LINKED_AS(MAPISendMailW, MapiSendMailWProc)

int main()
{
    return 0;
}
