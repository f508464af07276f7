// Kestrel's entry point. The command line is read again where it is needed.
#include <stdlib.h>

#include <new>

#include "app/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunKestrel(instance);
}

// Kestrel never throws and allocates only with new (std::nothrow): these go straight to the C
// runtime's heap, so that the C++ exception runtime the library's versions need stays out of the
// program. A failed allocation returns null, which every caller checks.
void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    return malloc(size ? size : 1);
}

void *operator new[](size_t size, const std::nothrow_t &) noexcept
{
    return malloc(size ? size : 1);
}

void operator delete(void *block) noexcept
{
    free(block);
}

void operator delete[](void *block) noexcept
{
    free(block);
}
