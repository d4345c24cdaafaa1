// Process entry: hands over to the start-up.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int showCommand)
{
    return RunProgram(instance, commandTail, showCommand);
}
