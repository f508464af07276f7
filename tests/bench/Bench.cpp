// make bench: Kestrel's costs measured side by side in one run of the test world, each repeated,
// printed as one table (median, min, max). Start-up is timed against an empty resident program
// started the same way; idle CPU is taken from the processes themselves and from the host's view of
// the prefix's server. Prints figures; asserts nothing.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeBattery.h"
#include "TestPaths.h"
#include "gfx/MemoryDc.h"
#include "indicator/IndicatorSkin.h"
#include "osd/BrightnessOsd.h"
#include "res/resource.h"
#include "scenario/Scenario.h"

namespace {

const char EmptyClass[] = "KestrelBenchEmpty";
const char SheetTitle[] = "Kestrel Properties";

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)counter.QuadPart / (double)frequency.QuadPart;
}

// Polls every millisecond: the 20 ms of WaitUntil would blur the figures.
bool PollUntil(bool (*condition)(void *), void *context, double timeoutMs)
{
    double end = Now() + timeoutMs;
    while (!condition(context)) {
        if (Now() > end)
            return false;
        Sleep(1);
    }
    return true;
}

struct Row {
    std::string name;
    std::string unit;
    std::vector<double> samples;
};
std::vector<Row> table;

void Add(const std::string &name, const std::string &unit, const std::vector<double> &samples)
{
    Row row = { name, unit, samples };
    table.push_back(row);
}

void Add(const std::string &name, const std::string &unit, double value)
{
    Add(name, unit, std::vector<double>(1, value));
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void PrintTable()
{
    printf("\n%-52s %10s %10s %10s  %-6s %s\n", "measure", "median", "min", "max", "unit", "runs");
    for (size_t i = 0; i < table.size(); i++) {
        const Row &row = table[i];
        if (row.samples.empty()) {
            printf("%-52s %10s\n", row.name.c_str(), "failed");
            continue;
        }
        double low = *std::min_element(row.samples.begin(), row.samples.end());
        double high = *std::max_element(row.samples.begin(), row.samples.end());
        printf("%-52s %10.2f %10.2f %10.2f  %-6s %u\n", row.name.c_str(), Median(row.samples), low, high,
               row.unit.c_str(), (unsigned)row.samples.size());
    }
}

// --- processes -------------------------------------------------------------------------------

std::string KestrelPath()
{
    return std::string(InstallFolder) + "\\Kestrel.exe";
}

std::string EmptyPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\')) + "\\empty_resident.exe";
}

// A started program; Start returns the time until it waits for input, or -1.
class Program {
public:
    Program() { ZeroMemory(&info, sizeof info); }
    ~Program() { Stop(); }
    double Start(const std::string &path, const char *arguments)
    {
        std::string line = "\"" + path + "\" " + arguments;
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        double start = Now();
        if (!CreateProcessA(path.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
            return -1;
        DWORD idle = WaitForInputIdle(info.hProcess, 15000);
        double taken = Now() - start;
        return idle == 0 ? taken : -1;
    }
    // Asks the program to end through its window (Kestrel: the Exit command) and waits for it.
    void Stop()
    {
        if (!info.hProcess)
            return;
        HWND empty = NULL, kestrel = NULL;
        WaitUntil([&] {
            empty = FindProcessWindow(info.dwProcessId, EmptyClass, NULL);
            kestrel = FindKestrelWindow();
            return empty || kestrel;
        }, 5000);
        if (empty)
            PostMessageA(empty, WM_CLOSE, 0, 0);
        else if (kestrel)
            PostMessageA(kestrel, WM_COMMAND, IDM_EXIT, 0);
        if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        ZeroMemory(&info, sizeof info);
    }
    HWND FindKestrelWindow() const
    {
        return FindProcessWindow(info.dwProcessId, NULL, NULL, [](HWND w) {
            char name[64];
            GetClassNameA(w, name, sizeof name);
            return strncmp(name, "Kestrel:", 8) == 0;
        });
    }
    HANDLE Handle() const { return info.hProcess; }
    DWORD Id() const { return info.dwProcessId; }

private:
    PROCESS_INFORMATION info;
};

bool TrayShowsPicture(void *) { return !TraySlotEmpty(0); }
bool TrayEmpty(void *) { return TraySlotEmpty(0); }

void StartUp(int runs)
{
    std::vector<double> empty, kestrel, ratio, tray;
    for (int i = 0; i < runs; i++) {
        Program floor;
        double e = floor.Start(EmptyPath(), "");
        floor.Stop();
        Program program;
        double k = program.Start(KestrelPath(), "/D");
        program.Stop();
        if (e > 0 && k > 0) {
            empty.push_back(e);
            kestrel.push_back(k);
            ratio.push_back(k / e);
        }
        // The first picture in the notification area, in a run of its own.
        if (!PollUntil(TrayEmpty, NULL, 10000))
            continue;
        Program seen;
        double start = Now();
        if (seen.Start(KestrelPath(), "/D") > 0 && PollUntil(TrayShowsPicture, NULL, 15000))
            tray.push_back(Now() - start);
        seen.Stop();
        PollUntil(TrayEmpty, NULL, 10000);
    }
    Add("start-up to input idle: empty program", "ms", empty);
    Add("start-up to input idle: Kestrel /D", "ms", kestrel);
    Add("start-up ratio Kestrel / empty (same run)", "x", ratio);
    Add("start-up to the first tray picture: Kestrel /D", "ms", tray);
}

// --- idle CPU and memory ---------------------------------------------------------------------

// The host's /proc folders (through the Z: drive) of this prefix's processes whose command line
// contains name. Wine reports neither times nor private bytes for other processes; the host does.
std::vector<std::string> HostProcesses(const char *name)
{
    const char *prefix = getenv("WINEPREFIX");
    std::string mark = std::string("WINEPREFIX=") + (prefix ? prefix : "") + '\0';
    std::vector<std::string> folders;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do {
        if (found.cFileName[0] < '1' || found.cFileName[0] > '9')
            continue;
        std::string folder = std::string("Z:\\proc\\") + found.cFileName + "\\";
        if (ReadTextFile(folder + "cmdline").find(name) == std::string::npos)
            continue;
        if ((ReadTextFile(folder + "environ") + '\0').find(mark) != std::string::npos)
            folders.push_back(folder);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return folders;
}

// User and system time, in ms, of those processes.
double HostCpuMs(const char *name)
{
    double total = 0;
    std::vector<std::string> folders = HostProcesses(name);
    for (size_t i = 0; i < folders.size(); i++) {
        std::string stat = ReadTextFile(folders[i] + "stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        // After the name: state is field 3; utime and stime, in ticks of 10 ms, fields 14 and 15.
        const char *p = stat.c_str() + close + 1;
        unsigned long long field[13] = { 0 };
        for (int f = 0; f < 13 && *p; f++) {
            while (*p == ' ')
                p++;
            field[f] = strtoull(p, NULL, 10);
            while (*p && *p != ' ')
                p++;
        }
        total += 10.0 * (double)(field[11] + field[12]);
    }
    return total;
}

// A "Key:   N kB" line of the first such process's status, in KiB; -1 when there is none.
double HostMemoryKiB(const char *name, const char *key)
{
    std::vector<std::string> folders = HostProcesses(name);
    if (folders.empty())
        return -1;
    std::string status = ReadTextFile(folders[0] + "status");
    size_t at = status.find(std::string("\n") + key + ":");
    return at == std::string::npos ? -1 : atof(status.c_str() + at + strlen(key) + 2);
}

struct CpuSample {
    double kestrel, shell, server;
    void Take()
    {
        kestrel = HostCpuMs("Kestrel.exe");
        shell = HostCpuMs("explorer.exe");
        server = HostCpuMs("wineserver");
    }
};

// Kestrel idling in one power state: its process, and the shell and the server beside it.
struct IdleRun {
    bool measured;
    CpuSample start, end;
};

IdleRun IdleWith(FakeBatteryState state, DWORD percent, DWORD minutes, int seconds, double *resident, double *anonymous)
{
    IdleRun run = { false, {}, {} };
    const char *battery = FakeBatteryFolder();
    Program program;
    // Without the sibling, whose stand-in ends two minutes after its start, inside some later span.
    if (!battery || !FakeBatterySet(battery, state, percent, minutes) || program.Start(KestrelPath(), "/D /X") < 0)
        return run;
    Sleep(3000);   // the start-up's own timers and first refreshes settle
    run.start.Take();
    Sleep(seconds * 1000);
    run.end.Take();
    run.measured = true;
    if (resident) {
        *resident = HostMemoryKiB("Kestrel.exe", "VmRSS");
        *anonymous = HostMemoryKiB("Kestrel.exe", "RssAnon");
    }
    program.Stop();
    return run;
}

// Idle CPU on AC power and full, and on the battery at 50 % (a steady picture each), against the
// same world without Kestrel; Kestrel's whole cost is its own process and what it adds to the
// shell and the server.
void Idle(int seconds)
{
    KillProcesses("Tapfire.exe");   // the siblings the other groups' starts launched
    double resident = -1, anonymous = -1;
    IdleRun ac = IdleWith(FakeAcNotCharging, 100, 0, seconds, &resident, &anonymous);
    IdleRun dc = IdleWith(FakeOnBattery, 50, 100, seconds, NULL, NULL);
    if (FakeBatteryFolder())
        FakeBatterySet(FakeBatteryFolder(), FakeAcNotCharging, 100, 0);

    Program floor;
    floor.Start(EmptyPath(), "");
    Sleep(3000);
    double floorResident = HostMemoryKiB("empty_resident.exe", "VmRSS");
    double floorAnonymous = HostMemoryKiB("empty_resident.exe", "RssAnon");
    floor.Stop();

    CpuSample without0, without1;
    without0.Take();
    Sleep(seconds * 1000);
    without1.Take();

    const double span = 10.0 * seconds;   // ms per percent of one core
    const double shellAlone = (without1.shell - without0.shell) / span;
    const double serverAlone = (without1.server - without0.server) / span;
    const struct { const char *name; const IdleRun &run; } states[2] = { { "on AC", ac }, { "on battery", dc } };
    char name[96];
    for (const auto &s : states) {
        const std::vector<double> none;
        if (!s.run.measured) {
            wsprintfA(name, "idle CPU %s: Kestrel's whole cost", s.name);
            Add(name, "%core", none);
            continue;
        }
        const double own = (s.run.end.kestrel - s.run.start.kestrel) / span;
        const double shell = (s.run.end.shell - s.run.start.shell) / span;
        const double server = (s.run.end.server - s.run.start.server) / span;
        wsprintfA(name, "idle CPU over %d s %s: Kestrel's process", seconds, s.name);
        Add(name, "%core", own);
        wsprintfA(name, "idle CPU %s: explorer with Kestrel", s.name);
        Add(name, "%core", shell);
        wsprintfA(name, "idle CPU %s: wineserver with Kestrel", s.name);
        Add(name, "%core", server);
        wsprintfA(name, "idle CPU %s: Kestrel's whole cost", s.name);
        Add(name, "%core", own + (shell - shellAlone) + (server - serverAlone));
    }
    Add("idle CPU: explorer without Kestrel", "%core", shellAlone);
    Add("idle CPU: wineserver without Kestrel", "%core", serverAlone);
    Add("memory: Kestrel working set (resident)", "KiB", resident);
    Add("memory: Kestrel private (anonymous resident)", "KiB", anonymous);
    Add("memory: empty program working set (resident)", "KiB", floorResident);
    Add("memory: empty program private (anonymous resident)", "KiB", floorAnonymous);
}

// --- the sheet -------------------------------------------------------------------------------

struct SheetWatch {
    DWORD process;
    HWND sheet;
};

bool SheetShown(void *context)
{
    SheetWatch *watch = (SheetWatch *)context;
    watch->sheet = FindProcessWindow(watch->process, "#32770", SheetTitle,
                                     [](HWND w) { return IsWindowVisible(w) != 0; });
    return watch->sheet != NULL;
}

bool SheetGone(void *context)
{
    return !SheetShown(context);
}

void SheetOpening(int runs)
{
    std::vector<double> samples;
    Program program;
    if (program.Start(KestrelPath(), "/D") > 0) {
        HWND main = NULL;
        WaitUntil([&] { return (main = program.FindKestrelWindow()) != NULL; });
        SheetWatch watch = { program.Id(), NULL };
        for (int i = 0; main && i < runs; i++) {
            double start = Now();
            PostMessageA(main, WM_COMMAND, IDM_PROPERTIES, 0);
            if (!PollUntil(SheetShown, &watch, 10000))
                break;
            samples.push_back(Now() - start);
            PostMessageA(watch.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            PollUntil(SheetGone, &watch, 10000);
        }
    }
    Add("sheet: command to \"Kestrel Properties\" shown", "ms", samples);
}

// --- drawing, in this process ----------------------------------------------------------------

void SkinLoadAndPaint(HINSTANCE instance, int runs)
{
    std::vector<double> loads, paints;
    for (int i = 0; i < runs; i++) {
        IndicatorSkin skin(instance);
        double start = Now();
        if (!skin.Load(KESTREL_IMAGE_DIR, KESTREL_IMAGE_DIR "\\Resource\\", 1, 0))
            break;
        loads.push_back(Now() - start);
        int width = 0, height = 0;
        skin.GetSize(TRUE, &width, &height);
        MemoryDc canvas(NULL, width, height);
        start = Now();
        skin.Draw(canvas.Dc(), TRUE, 57, OnBattery, 123, NULL, NULL);
        paints.push_back(Now() - start);
        skin.Release();
    }
    Add("indicator: skin 1 load", "ms", loads);
    Add("indicator: one paint", "ms", paints);
}

GaugeStyle Style()
{
    GaugeStyle style = DisplayGaugeStyle(8);
    style.minLabel = "Min.";
    style.maxLabel = "Max.";
    style.title = "Brightness";
    return style;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// A layout only runs for a new screen size: alternate with a third size, time only the wanted one.
std::vector<double> LayoutTimes(LevelGauge &gauge, UINT width, UINT height, int runs)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; i++) {
        gauge.LayoutForScreen(640, 480);
        double start = Now();
        if (!gauge.LayoutForScreen(width, height))
            break;
        samples.push_back(Now() - start);
    }
    return samples;
}

void Gauge(HINSTANCE instance, int runs)
{
    LevelGauge gauge(instance);
    if (gauge.Setup(Style())) {
        Add("gauge: layout at 1024 x 768", "ms", LayoutTimes(gauge, 1024, 768, runs));
        Add("gauge: layout at 1920 x 1080", "ms", LayoutTimes(gauge, 1920, 1080, runs));
    }
    gauge.Destroy();

    BrightnessOsd osd;
    std::vector<double> shows;
    if (osd.Create(instance, NULL, Style())) {
        osd.Show(7);
        Pump();
        for (int i = 0; i < runs * 10; i++) {
            double start = Now();
            osd.Show((UINT)(i * 3) % 8);
            shows.push_back(Now() - start);
            Pump();
        }
    }
    osd.Destroy();
    Add("gauge: one Show (shown, level changing)", "ms", shows);
}

double FileKiB(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return data.nFileSizeLow / 1024.0;
}

// KESTREL_BENCH_ONLY (e.g. "startup,idle") measures only the named groups: size, startup, sheet,
// skin, gauge, idle. KESTREL_BENCH_IDLE_SECONDS shortens the idle spans (60 s each).
bool Wanted(const char *group)
{
    const char *only = getenv("KESTREL_BENCH_ONLY");
    return !only || !*only || strstr(only, group) != NULL;
}

} // namespace

int main()
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    const char *idle = getenv("KESTREL_BENCH_IDLE_SECONDS");
    int idleSeconds = idle && atoi(idle) > 0 ? atoi(idle) : 60;
    if (!InstallKestrel()) {
        printf("bench: Kestrel cannot be installed into the prefix\n");
        return 1;
    }
    printf("bench: Kestrel installed; measuring (the whole run takes about %d s)\n", 3 * idleSeconds + 95);

    if (Wanted("size")) {
        Add("size: Kestrel.exe as shipped (i686)", "KiB", FileKiB(KESTREL_SHIPPED_IMAGE_DIR "\\Kestrel.exe"));
        Add("size: Kestrel.exe under test", "KiB", FileKiB(KestrelPath()));
    }
    if (Wanted("startup"))
        StartUp(9);
    if (Wanted("sheet"))
        SheetOpening(9);
    if (Wanted("skin"))
        SkinLoadAndPaint(instance, 21);
    if (Wanted("gauge"))
        Gauge(instance, 9);
    if (Wanted("idle"))
        Idle(idleSeconds);
    UninstallKestrel();
    PrintTable();
    return 0;
}
