// Kestrel's entry point. The command line is read again where it is needed.
#include "app/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunKestrel(instance);
}
