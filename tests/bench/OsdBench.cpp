// Times the brightness gauge's work in the test world (make bench): a full layout at two screen
// sizes and one Show of the popup. Prints the figures; asserts nothing.
#include <windows.h>

#include <stdio.h>

#include "osd/BrightnessOsd.h"

namespace {

GaugeStyle Style()
{
    GaugeStyle style = { 8, 8, FW_BOLD, "Arial", "Min.", "Max.", "Brightness",
                         TRUE, TRUE, 3, 3, TRUE, 1, RGB(0, 255, 0), RGB(0, 0, 0) };
    return style;
}

double Milliseconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// A layout only runs for a new screen size: alternate with a third size, time only the wanted one.
double LayoutTime(LevelGauge &gauge, UINT width, UINT height, int rounds)
{
    double total = 0;
    for (int i = 0; i < rounds; i++) {
        gauge.LayoutForScreen(640, 480);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        BOOL ok = gauge.LayoutForScreen(width, height);
        QueryPerformanceCounter(&end);
        if (!ok)
            return -1;
        total += Milliseconds(start, end);
    }
    return total / rounds;
}

} // namespace

int main()
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    const int rounds = 10;
    LevelGauge gauge(instance);
    if (!gauge.Setup(Style())) {
        printf("bench: the gauge cannot be set up (error %lu)\n", GetLastError());
        return 1;
    }
    printf("gauge layout, 1024 x 768:  %8.2f ms (mean of %d)\n", LayoutTime(gauge, 1024, 768, rounds), rounds);
    printf("gauge layout, 1920 x 1080: %8.2f ms (mean of %d)\n", LayoutTime(gauge, 1920, 1080, rounds), rounds);
    gauge.Destroy();

    BrightnessOsd osd;
    if (!osd.Create(instance, NULL, Style())) {
        printf("bench: the display cannot be created (error %lu)\n", GetLastError());
        return 1;
    }
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    osd.Show(7);
    Pump();
    const int shows = 200;
    double total = 0;
    for (int i = 0; i < shows; i++) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        osd.Show((UINT)(i * 3) % 8);
        QueryPerformanceCounter(&end);
        total += Milliseconds(start, end);
        Pump();
    }
    printf("display Show at %ld x %ld:  %8.2f ms (mean of %d, shown, level changing)\n",
           screen.right - screen.left, screen.bottom - screen.top, total / shows, shows);
    osd.Destroy();
    return 0;
}
