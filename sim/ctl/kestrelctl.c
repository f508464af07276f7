/* sim/ctl/kestrelctl.c — the simulated power driver from the command line:
 *   kestrelctl show | log | clear | reset | press N | start | post MESSAGE WPARAM
 *   kestrelctl set [lcd=0|1] [cpu=0|1] [ring=0|1] [lcdcount=N] [cpucount=N] [level=N]
 *                  [changed=0|1] [cpulevel=N] [ringvalue=N] [faults=N]
 * faults: 1 every request of the program fails, 2 every level read reports a key change, 4 every
 * level read fails.
 * "start" loads the driver (the demand-start service "kestrelsim") when it is not running and
 * waits until it answers. "post" posts a message to the running Kestrel's main window, as the tray
 * icon or a settings page would (0x111 40003 opens the settings sheet). Numbers are decimal or 0x-prefixed hexadecimal, up to 0xFFFFFFFF. Exit code 0 on success,
 * 1 with a message on stderr otherwise. */
#include <stdio.h>
#include <string.h>

#include "../control/SimControl.h"

static int Fail(const char *what)
{
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        fprintf(stderr, "kestrelctl: %s: the simulated driver is not running (no %s)\n", what,
                SIM_CONTROL_PATH);
    else
        fprintf(stderr, "kestrelctl: %s failed (error %lu)\n", what, (unsigned long)error);
    return 1;
}

static int Usage(void)
{
    fprintf(stderr,
            "usage: kestrelctl show | log | clear | reset | press N | start | post MESSAGE WPARAM\n"
            "       kestrelctl set [lcd=0|1] [cpu=0|1] [ring=0|1] [lcdcount=N] [cpucount=N]\n"
            "                      [level=N] [changed=0|1] [cpulevel=N] [ringvalue=N] [faults=N]\n");
    return 1;
}

/* Whole text as a 32-bit number: decimal, or hexadecimal after "0x". */
static BOOL ParseNumber(const char *text, DWORD *value)
{
    unsigned long long n = 0;
    unsigned base = 10, digit;
    const char *p = text;

    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (!*p)
        return FALSE;
    for (; *p; p++) {
        if (*p >= '0' && *p <= '9') digit = (unsigned)(*p - '0');
        else if (base == 16 && *p >= 'a' && *p <= 'f') digit = (unsigned)(*p - 'a' + 10);
        else if (base == 16 && *p >= 'A' && *p <= 'F') digit = (unsigned)(*p - 'A' + 10);
        else return FALSE;
        n = n * base + digit;
        if (n > 0xFFFFFFFFull)
            return FALSE;
    }
    *value = (DWORD)n;
    return TRUE;
}

static int Show(void)
{
    SimState s;
    SimInfo info;
    if (!SimGetState(&s) || !SimGetInfo(&info))
        return Fail("show");
    printf("lcd=%d\ncpu=%d\nring=%d\n", (s.features & SIM_LCD) ? 1 : 0,
           (s.features & SIM_CPU) ? 1 : 0, (s.features & SIM_RING) ? 1 : 0);
    printf("lcdcount=%lu\ncpucount=%lu\nlevel=%lu\nchanged=%lu\ncpulevel=%lu\nringvalue=%lu\n",
           (unsigned long)s.lcdCount, (unsigned long)s.cpuCount, (unsigned long)s.lcdLevel,
           (unsigned long)s.lcdChanged, (unsigned long)s.cpuLevel, (unsigned long)s.ringValue);
    printf("faults=%lu\n", (unsigned long)s.faults);
    printf("apm=%d\nacpi=%d\nlogcount=%lu\nlogdropped=%lu\n", (info.modes & 1) ? 1 : 0,
           (info.modes & 2) ? 1 : 0, (unsigned long)info.logCount, (unsigned long)info.logDropped);
    return 0;
}

static int Log(void)
{
    static SimRequest entries[SIM_LOG_CAPACITY];
    SimInfo info;
    DWORD n, i;

    n = SimReadLog(entries, SIM_LOG_CAPACITY);
    if (n == 0 && GetLastError() != 0)
        return Fail("log");
    for (i = 0; i < n; i++)
        printf("0x%08lX 0x%08lX %s\n", (unsigned long)entries[i].code,
               (unsigned long)entries[i].input, SimRequestName(entries[i].code));
    if (SimGetInfo(&info) && info.logDropped)
        fprintf(stderr, "kestrelctl: %lu older requests were dropped\n",
                (unsigned long)info.logDropped);
    return 0;
}

static int Set(int argc, char **argv)
{
    static const struct { const char *key; DWORD field; BOOL flag; } keys[] = {
        { "lcd", SIM_FIELD_LCD, TRUE },           { "cpu", SIM_FIELD_CPU, TRUE },
        { "ring", SIM_FIELD_RING, TRUE },         { "lcdcount", SIM_FIELD_LCDCOUNT, FALSE },
        { "cpucount", SIM_FIELD_CPUCOUNT, FALSE }, { "level", SIM_FIELD_LCDLEVEL, FALSE },
        { "changed", SIM_FIELD_LCDCHANGED, TRUE }, { "cpulevel", SIM_FIELD_CPULEVEL, FALSE },
        { "ringvalue", SIM_FIELD_RINGVALUE, FALSE }, { "faults", SIM_FIELD_FAULTS, FALSE },
    };
    SimState s;
    DWORD mask = 0, value;
    int a;
    unsigned k;

    ZeroMemory(&s, sizeof(s));
    if (argc < 1)
        return Usage();
    for (a = 0; a < argc; a++) {
        const char *eq = strchr(argv[a], '=');
        size_t keyLength = eq ? (size_t)(eq - argv[a]) : 0;
        for (k = 0; k < sizeof(keys) / sizeof(keys[0]); k++)
            if (eq && strlen(keys[k].key) == keyLength && !strncmp(keys[k].key, argv[a], keyLength))
                break;
        if (k == sizeof(keys) / sizeof(keys[0])) {
            fprintf(stderr, "kestrelctl: unknown setting \"%s\"\n", argv[a]);
            return Usage();
        }
        if (!ParseNumber(eq + 1, &value) || (keys[k].flag && value > 1)) {
            fprintf(stderr, "kestrelctl: bad value in \"%s\"\n", argv[a]);
            return 1;
        }
        mask |= keys[k].field;
        switch (keys[k].field) {
        case SIM_FIELD_LCD: case SIM_FIELD_CPU: case SIM_FIELD_RING:
            s.features = value ? (s.features | keys[k].field) : (s.features & ~keys[k].field);
            break;
        case SIM_FIELD_LCDCOUNT:   s.lcdCount = value; break;
        case SIM_FIELD_CPUCOUNT:   s.cpuCount = value; break;
        case SIM_FIELD_LCDLEVEL:   s.lcdLevel = value; break;
        case SIM_FIELD_LCDCHANGED: s.lcdChanged = value; break;
        case SIM_FIELD_CPULEVEL:   s.cpuLevel = value; break;
        case SIM_FIELD_RINGVALUE:  s.ringValue = value; break;
        case SIM_FIELD_FAULTS:     s.faults = value; break;
        }
    }
    if (!SimSetFields(mask, &s))
        return Fail("set");
    return 0;
}

static int Start(void)
{
    SC_HANDLE manager, service;
    SimInfo info;
    DWORD waited;

    manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return Fail("start");
    service = OpenServiceA(manager, "kestrelsim", SERVICE_START);
    if (!service) {
        CloseServiceHandle(manager);
        return Fail("start (is the simulator installed?)");
    }
    if (!StartServiceA(service, 0, NULL) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        return Fail("start");
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    for (waited = 0; waited < 10000; waited += 50) {
        if (SimGetInfo(&info))
            return 0;
        Sleep(50);
    }
    return Fail("start");
}

static int Post(const char *messageText, const char *wParamText)
{
    DWORD message, wParam;
    HWND window;

    if (!ParseNumber(messageText, &message) || !ParseNumber(wParamText, &wParam)) {
        fprintf(stderr, "kestrelctl: bad message or wParam\n");
        return 1;
    }
    window = FindWindowA("Kestrel:4FACD4C0-E1D7-11d1-9135-B36B9C89BE5C", NULL);
    if (!window) {
        fprintf(stderr, "kestrelctl: post: Kestrel is not running in this desktop\n");
        return 1;
    }
    return PostMessageA(window, message, wParam, 0) ? 0 : Fail("post");
}

int main(int argc, char **argv)
{
    DWORD level;

    if (argc < 2)
        return Usage();
    if (!strcmp(argv[1], "show") && argc == 2)
        return Show();
    if (!strcmp(argv[1], "log") && argc == 2)
        return Log();
    if (!strcmp(argv[1], "clear") && argc == 2)
        return SimClearLog() ? 0 : Fail("clear");
    if (!strcmp(argv[1], "reset") && argc == 2)
        return SimReset() ? 0 : Fail("reset");
    if (!strcmp(argv[1], "start") && argc == 2)
        return Start();
    if (!strcmp(argv[1], "post") && argc == 4)
        return Post(argv[2], argv[3]);
    if (!strcmp(argv[1], "set"))
        return Set(argc - 2, argv + 2);
    if (!strcmp(argv[1], "press") && argc == 3) {
        if (!ParseNumber(argv[2], &level)) {
            fprintf(stderr, "kestrelctl: bad level \"%s\"\n", argv[2]);
            return 1;
        }
        return SimPress(level) ? 0 : Fail("press");
    }
    return Usage();
}
