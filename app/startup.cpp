// Start-up: prepares the interface thread, creates the hidden owner window and
// runs the main dialog modally; the process ends when the dialog ends.
#include "app/startup.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/ending.h"
#include "app/maindialog.h"
#include "app/screenscale.h"
#include "base/precision.h"
#include "base/sizes.h"
#include "base/systemlib.h"
#include "base/widetext.h"
#include "res/resource.h"

HWND g_ownerWindow = nullptr;

static LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    // Other programs close a program by posting WM_CLOSE to its top-level
    // windows, this hidden one included. Destroyed by default handling, it
    // would take the main dialog with it in the middle of a run.
    case WM_CLOSE:
        if (g_mainDialog == nullptr || !IsWindow(g_mainDialog))
            break;
        RequestEnd(g_mainDialog, kEndByOwnerClose);
        return 0;
    // Windows asks the hidden owner too, and may end the process as soon as
    // any window has returned from WM_ENDSESSION.
    case WM_QUERYENDSESSION:
        return OnQueryEndSession();
    case WM_ENDSESSION:
        OnEndSession(g_mainDialog, (BOOL)wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void RegisterOwnerClass(HINSTANCE instance, const char* className)
{
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = OwnerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
}

int RunProgram(HINSTANCE instance, const char* commandTail, int showCommand)
{
    // Before anything can load a library or compute a figure.
    RemoveCurrentDirectoryFromLibrarySearch();
    UseDoublePrecision();

    // The owner is never shown, whatever the start-up information asks for.
    (void)showCommand;

    char title[kPathSize] = {0};
    char className[kPathSize] = {0};
    LoadStringA(instance, IDS_OWNER_TITLE, title, (int)sizeof(title));
    LoadStringA(instance, IDS_OWNER_CLASS, className, (int)sizeof(className));
    RegisterOwnerClass(instance, className);

    // The command line carries nothing; it is only shown.
    if (commandTail != nullptr && commandTail[0] != 0)
        MessageBoxA(nullptr, commandTail, nullptr, MB_OK);

    // Without OLE dropped shortcuts cannot be resolved; everything else still works.
    if (FAILED(OleInitialize(nullptr)))
        ShowProgramBox(nullptr, "OLE INIT FAILED", nullptr, MB_OK);

    g_instance = instance;
    g_ownerWindow = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                    instance, nullptr);
    if (g_ownerWindow == nullptr)
        return 0;
    UpdateWindow(g_ownerWindow);

    // The common controls are not one of Windows' known libraries, so they
    // come from the system folder by full path, not by import. They stay
    // loaded: the progress bar class must stay registered. Version 5.82,
    // loaded without a manifest, refuses the whole call for any flag it does
    // not know.
    InitCommonControlsExProc initCommonControls = FindSystemFunction<InitCommonControlsExProc>(
        LoadSystemLibrary(L"COMCTL32.DLL"), "InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    if (initCommonControls != nullptr)
        initCommonControls(&controls);

    // Wide, as its pages: every text reaches a Unicode window unconverted.
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), g_ownerWindow, MainDialogProc, 0);
    PostQuitMessage(0);

    MSG message;
    ZeroMemory(&message, sizeof(message));
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
