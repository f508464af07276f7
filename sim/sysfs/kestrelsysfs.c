/* sim/sysfs/kestrelsysfs.c — the power driver for Kestrel under Wine on a Linux notebook. It
 * answers the program's requests from the machine itself: the backlight from one panel of
 * /sys/class/backlight, the CPU clock as a cap on every policy of /sys/devices/system/cpu/cpufreq.
 * Linux gives a program no resume-on-ring switch, so those requests fail as unsupported.
 * Wine opens an NT path that begins with \??\unix as the Unix path that follows it, so these
 * files are read and written in place, exactly as a Linux program would.
 *
 * What exists is looked for at each level-count request and kept until the next one. The program
 * asks for the counts once, when it starts, and reads the level up to ten times a second after a
 * key press: scanning the folders at every read would cost more than the read itself, and a panel
 * that appears later is found when the program next starts. A request that comes before any count
 * scans first. A file that vanishes or stops answering between two scans makes its requests fail.
 * Files are opened for each request and closed again, so nothing is held while the program idles. */
#include <ntifs.h>

#include "../driver/PowerDevice.h"

#define BACKLIGHT_FOLDER L"\\??\\unix\\sys\\class\\backlight"
#define CPUFREQ_FOLDER   L"\\??\\unix\\sys\\devices\\system\\cpu\\cpufreq"

#define PATH_CAPACITY   160   /* WCHARs: one of the folders above, a name and a file name */
#define NAME_CAPACITY   64    /* WCHARs of a panel's or a policy's folder name, with the terminator */
#define TEXT_CAPACITY   32    /* bytes read from one file: each holds a short word or number */
#define NUMBER_CAPACITY 12    /* bytes of a written value: ten digits and a newline */
#define LIST_CAPACITY   1024  /* bytes of directory entries fetched at a time */
#define POLICY_CAPACITY 128

/* Eight levels keep each step a change the eye sees on panels with hundreds or thousands of raw
 * values; a panel with fewer raw values than that gets one level for each. */
#define LCD_MAX_LEVELS 8
/* A policy offers a range, not a table (intel_pstate and amd-pstate list no frequencies), and the
 * governor picks the clock under the cap by itself: so the levels are caps, the bottom of the range,
 * the top, and two evenly between. Fewer would leave no middle ground between slow and full
 * speed; more would make neighbouring steps a difference nobody feels. */
#define CPU_LEVELS 4

/* How Linux desktops choose among several panels: the firmware's control first and the platform's
 * next, which both know the panel's useful range, then the graphics card's raw register. */
typedef enum { RankFirmware = 0, RankPlatform = 1, RankRaw = 2, RankUnknown = 3 } PanelRank;

typedef struct Panel {
    WCHAR name[NAME_CAPACITY];
    PanelRank rank;
    ULONG maxBrightness;   /* at least 1 */
} Panel;

typedef struct Policy {
    WCHAR name[NAME_CAPACITY];
    ULONG minClock;        /* kHz */
    ULONG maxClock;        /* kHz, at least minClock */
} Policy;

typedef struct PanelScan {
    BOOLEAN found;
    Panel best;
} PanelScan;

/* Everything below is guarded by lock. Requests may arrive on more than one thread, and an answer
 * holds the lock across its file reads and writes, so a waiter sleeps instead of spinning. */
static KMUTEX lock;

static struct {
    BOOLEAN scanned;
    BOOLEAN found;         /* scanned, and a usable panel was there */
    Panel panel;
    ULONG levelCount;
    ULONG rawSeen;         /* the panel's value as last read or written */
    BOOLEAN afterSet;      /* the next reading is the panel's own answer to the program's setting */
    ULONG levelSet;        /* the level of that setting */
} backlight;

/* Nothing reads the clock back, so the level last set is not kept. */
static struct {
    BOOLEAN scanned;
    ULONG policyCount;     /* usable policies found; 0: the feature is absent */
    Policy policies[POLICY_CAPACITY];
    ULONG levelCount;
} cpu;

/* ---- Text ---- */

static BOOLEAN AppendText(WCHAR *path, ULONG *used, const WCHAR *text)
{
    for (; *text; text++) {
        if (*used + 1 >= PATH_CAPACITY)
            return FALSE;
        path[(*used)++] = *text;
    }
    path[*used] = 0;
    return TRUE;
}

/* folder\name\file; FALSE when it does not fit. */
static BOOLEAN BuildPath(WCHAR *path, const WCHAR *folder, const WCHAR *name, const WCHAR *file)
{
    ULONG used = 0;
    path[0] = 0;
    return AppendText(path, &used, folder) && AppendText(path, &used, L"\\")
        && AppendText(path, &used, name) && AppendText(path, &used, L"\\")
        && AppendText(path, &used, file);
}

static int CompareNames(const WCHAR *a, const WCHAR *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return (int)*a - (int)*b;
}

static BOOLEAN IsSpace(char c)
{
    return c == '\n' || c == ' ' || c == '\t' || c == '\r';
}

/* The whole text is one word, maybe followed by white space (the newline sysfs ends values with). */
static BOOLEAN TextIs(const char *text, ULONG length, const char *word)
{
    ULONG i = 0;
    for (; word[i]; i++)
        if (i >= length || text[i] != word[i])
            return FALSE;
    for (; i < length; i++)
        if (!IsSpace(text[i]))
            return FALSE;
    return TRUE;
}

/* The whole text is a decimal number below 2^32, maybe followed by white space. */
static BOOLEAN ParseNumber(const char *text, ULONG length, ULONG *value)
{
    ULONG i = 0, n = 0, digit;
    if (length == 0 || text[0] < '0' || text[0] > '9')
        return FALSE;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; i++) {
        digit = (ULONG)(text[i] - '0');
        if (n > (0xFFFFFFFFu - digit) / 10)
            return FALSE;
        n = n * 10 + digit;
    }
    for (; i < length; i++)
        if (!IsSpace(text[i]))
            return FALSE;
    *value = n;
    return TRUE;
}

/* value in decimal and a newline, as a shell's echo writes it; returns the length. */
static ULONG FormatNumber(ULONG value, char text[NUMBER_CAPACITY])
{
    char digits[NUMBER_CAPACITY];
    ULONG count = 0, length = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    while (count)
        text[length++] = digits[--count];
    text[length++] = '\n';
    return length;
}

/* ---- Files ---- */

static NTSTATUS OpenPath(const WCHAR *path, ACCESS_MASK access, ULONG disposition, ULONG options,
                         HANDLE *handle)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;

    RtlInitUnicodeString(&name, path);
    /* Linux names are case-sensitive: no OBJ_CASE_INSENSITIVE. */
    InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE, NULL, NULL);
    return ZwCreateFile(handle, access | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, disposition,
                        options | FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0);
}

/* The file's text, at most TEXT_CAPACITY - 1 bytes, terminated. */
static NTSTATUS ReadText(const WCHAR *path, char text[TEXT_CAPACITY], ULONG *length)
{
    HANDLE file;
    IO_STATUS_BLOCK io;
    NTSTATUS status;

    status = OpenPath(path, FILE_READ_DATA, FILE_OPEN, FILE_NON_DIRECTORY_FILE, &file);
    if (!NT_SUCCESS(status))
        return status;
    io.Information = 0;
    status = ZwReadFile(file, NULL, NULL, NULL, &io, text, TEXT_CAPACITY - 1, NULL, NULL);
    ZwClose(file);
    if (!NT_SUCCESS(status))
        return status;
    *length = io.Information < TEXT_CAPACITY - 1 ? (ULONG)io.Information : TEXT_CAPACITY - 1;
    text[*length] = 0;
    return STATUS_SUCCESS;
}

static NTSTATUS ReadNumber(const WCHAR *path, ULONG *value)
{
    char text[TEXT_CAPACITY];
    ULONG length;
    NTSTATUS status = ReadText(path, text, &length);
    if (!NT_SUCCESS(status))
        return status;
    return ParseNumber(text, length, value) ? STATUS_SUCCESS : STATUS_DEVICE_DATA_ERROR;
}

/* Replaces the file's text with value, the way `echo value > file` does. */
static NTSTATUS WriteNumber(const WCHAR *path, ULONG value)
{
    char text[NUMBER_CAPACITY];
    ULONG length = FormatNumber(value, text);
    HANDLE file;
    IO_STATUS_BLOCK io;
    NTSTATUS status;

    status = OpenPath(path, FILE_WRITE_DATA, FILE_OVERWRITE, FILE_NON_DIRECTORY_FILE, &file);
    if (!NT_SUCCESS(status))
        return status;
    io.Information = 0;
    status = ZwWriteFile(file, NULL, NULL, NULL, &io, text, length, NULL, NULL);
    ZwClose(file);
    if (NT_SUCCESS(status) && io.Information != length)
        status = STATUS_DEVICE_DATA_ERROR;
    return status;
}

/* Whether the file can be opened for writing; nothing is written. A file on a read-only mount
 * refuses even root here, which is what makes its feature absent. */
static BOOLEAN CanWrite(const WCHAR *path)
{
    HANDLE file;
    if (!NT_SUCCESS(OpenPath(path, FILE_WRITE_DATA, FILE_OPEN, FILE_NON_DIRECTORY_FILE, &file)))
        return FALSE;
    ZwClose(file);
    return TRUE;
}

typedef void (*EntryVisitor)(const WCHAR *name, void *context);

/* Calls visit with the name of every entry of folder but "." and "..". Names too long for
 * NAME_CAPACITY are left out: no panel or policy is named like that. */
static void ForEachEntry(const WCHAR *folder, EntryVisitor visit, void *context)
{
    ULONG buffer[LIST_CAPACITY / sizeof(ULONG)];   /* the records are aligned on 4 bytes */
    const ULONG header = FIELD_OFFSET(FILE_NAMES_INFORMATION, FileName);
    WCHAR name[NAME_CAPACITY];
    IO_STATUS_BLOCK io;
    HANDLE list;
    BOOLEAN restart = TRUE;

    if (!NT_SUCCESS(OpenPath(folder, FILE_LIST_DIRECTORY, FILE_OPEN, FILE_DIRECTORY_FILE, &list)))
        return;
    /* Each query returns at least one entry; the last ends with STATUS_NO_MORE_FILES. */
    for (;;) {
        ULONG offset = 0;
        io.Information = 0;
        if (!NT_SUCCESS(ZwQueryDirectoryFile(list, NULL, NULL, NULL, &io, buffer, sizeof(buffer),
                                             FileNamesInformation, FALSE, NULL, restart))
            || io.Information < header || io.Information > sizeof(buffer))
            break;
        restart = FALSE;
        for (;;) {
            const FILE_NAMES_INFORMATION *entry =
                (const FILE_NAMES_INFORMATION *)((const UCHAR *)buffer + offset);
            ULONG room = (ULONG)io.Information - offset - header;
            ULONG chars = entry->FileNameLength / sizeof(WCHAR), i;
            if (entry->FileNameLength > room)
                break;
            if (chars < NAME_CAPACITY) {
                for (i = 0; i < chars; i++)
                    name[i] = entry->FileName[i];
                name[chars] = 0;
                if (CompareNames(name, L".") && CompareNames(name, L".."))
                    visit(name, context);
            }
            if (entry->NextEntryOffset == 0 || entry->NextEntryOffset % sizeof(ULONG)
                || entry->NextEntryOffset > room)
                break;
            offset += entry->NextEntryOffset;
        }
    }
    ZwClose(list);
}

/* ---- Levels ---- */

/* Level i of count spread evenly over low..high, both ends included:
 *     value(i) = low + floor(i * (high - low) / (count - 1))
 * so value(0) = low and value(count - 1) = high; a single level is high. With q and r the quotient
 * and remainder of (high - low) / (count - 1) this is low + i*q + floor(i*r / (count - 1)), the same
 * integer without a product that could pass 32 bits (i*r < count^2). Each value is at least the one
 * before it, and higher whenever high - low >= count - 1, which the backlight's count ensures. */
static ULONG LevelValue(ULONG low, ULONG high, ULONG level, ULONG count)
{
    ULONG gaps = count - 1, span = high - low;
    if (count <= 1)
        return high;
    if (level > gaps)
        level = gaps;
    return low + level * (span / gaps) + level * (span % gaps) / gaps;
}

/* The panel's value of backlight level i: low = 1, high = max_brightness, count = min(8, max), so
 *     raw(i) = 1 + floor(i * (max - 1) / (count - 1)),
 * from the dimmest lit value to the brightest. 0 is never written: on many panels it is off. */
static ULONG PanelValue(ULONG level)
{
    return LevelValue(1, backlight.panel.maxBrightness, level, backlight.levelCount);
}

/* The level whose value is nearest raw; of two equally near, the darker. */
static ULONG NearestLevel(ULONG raw)
{
    ULONG level, best = 0, bestDistance = 0xFFFFFFFFu;
    for (level = 0; level < backlight.levelCount; level++) {
        ULONG value = PanelValue(level);
        ULONG distance = value > raw ? value - raw : raw - value;
        if (distance < bestDistance) {
            best = level;
            bestDistance = distance;
        }
    }
    return best;
}

/* ---- The backlight ---- */

/* The panel's present value: actual_brightness is what the hardware shows; brightness, the value
 * last asked for, stands in where the driver offers no actual_brightness. */
static NTSTATUS ReadPanel(const WCHAR *name, ULONG *raw)
{
    WCHAR path[PATH_CAPACITY];
    if (BuildPath(path, BACKLIGHT_FOLDER, name, L"actual_brightness")
        && NT_SUCCESS(ReadNumber(path, raw)))
        return STATUS_SUCCESS;
    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"brightness"))
        return STATUS_NAME_TOO_LONG;
    return ReadNumber(path, raw);
}

static PanelRank ReadRank(const WCHAR *name)
{
    WCHAR path[PATH_CAPACITY];
    char text[TEXT_CAPACITY];
    ULONG length;

    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"type")
        || !NT_SUCCESS(ReadText(path, text, &length)))
        return RankUnknown;
    if (TextIs(text, length, "firmware")) return RankFirmware;
    if (TextIs(text, length, "platform")) return RankPlatform;
    if (TextIs(text, length, "raw"))      return RankRaw;
    return RankUnknown;
}

/* A panel is usable when its range and its value can be read and its brightness written. */
static void ConsiderPanel(const WCHAR *name, void *context)
{
    PanelScan *scan = (PanelScan *)context;
    WCHAR path[PATH_CAPACITY];
    Panel panel;
    ULONG raw, i;

    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"max_brightness")
        || !NT_SUCCESS(ReadNumber(path, &panel.maxBrightness)) || panel.maxBrightness == 0)
        return;
    if (!NT_SUCCESS(ReadPanel(name, &raw)))
        return;
    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"brightness") || !CanWrite(path))
        return;
    panel.rank = ReadRank(name);
    for (i = 0; name[i]; i++)
        panel.name[i] = name[i];
    panel.name[i] = 0;
    if (!scan->found || panel.rank < scan->best.rank
        || (panel.rank == scan->best.rank && CompareNames(panel.name, scan->best.name) < 0)) {
        scan->best = panel;
        scan->found = TRUE;
    }
}

static void ScanBacklight(void)
{
    PanelScan scan;
    ULONG raw = 0;

    scan.found = FALSE;
    ForEachEntry(BACKLIGHT_FOLDER, ConsiderPanel, &scan);
    if (scan.found && !NT_SUCCESS(ReadPanel(scan.best.name, &raw)))
        scan.found = FALSE;
    /* The same panel again keeps the value last seen, so a scan neither hides a key press that
     * came before it nor invents one; a new panel starts from its present value. */
    if (scan.found && (!backlight.found || CompareNames(scan.best.name, backlight.panel.name))) {
        backlight.rawSeen = raw;
        backlight.afterSet = FALSE;
    }
    backlight.scanned = TRUE;
    backlight.found = scan.found;
    if (scan.found) {
        backlight.panel = scan.best;
        backlight.levelCount = scan.best.maxBrightness < LCD_MAX_LEVELS
                             ? scan.best.maxBrightness : LCD_MAX_LEVELS;
    }
}

static NTSTATUS CountLcdLevels(ULONG *word)
{
    ScanBacklight();
    if (!backlight.found)
        return STATUS_NOT_SUPPORTED;
    *word = backlight.levelCount;
    return STATUS_SUCCESS;
}

/* A reading other than the value last seen or written means the machine's keys, or another
 * program, moved the backlight: that read carries the change bit, once. A panel may round what it
 * was given, so the first reading after the program's own setting counts as its answer when it
 * is still the level set; one of another level was moved meanwhile. */
static NTSTATUS ReadLcdLevel(ULONG *word)
{
    ULONG raw;
    BOOLEAN changed;
    NTSTATUS status;

    if (!backlight.scanned)
        ScanBacklight();
    if (!backlight.found)
        return STATUS_NOT_SUPPORTED;
    status = ReadPanel(backlight.panel.name, &raw);
    if (!NT_SUCCESS(status))
        return status;
    changed = raw != backlight.rawSeen && !(backlight.afterSet && NearestLevel(raw) == backlight.levelSet);
    backlight.rawSeen = raw;
    backlight.afterSet = FALSE;
    *word = NearestLevel(raw) | (changed ? LCD_CHANGED_BIT : 0);
    return STATUS_SUCCESS;
}

static NTSTATUS SetLcdLevel(ULONG level)
{
    WCHAR path[PATH_CAPACITY];
    ULONG raw;
    NTSTATUS status;

    if (!backlight.scanned)
        ScanBacklight();
    if (!backlight.found)
        return STATUS_NOT_SUPPORTED;
    level &= ~LCD_CHANGED_BIT;
    if (level >= backlight.levelCount)
        level = backlight.levelCount - 1;
    raw = PanelValue(level);
    if (!BuildPath(path, BACKLIGHT_FOLDER, backlight.panel.name, L"brightness"))
        return STATUS_NAME_TOO_LONG;
    status = WriteNumber(path, raw);
    if (NT_SUCCESS(status)) {
        backlight.rawSeen = raw;
        backlight.afterSet = TRUE;
        backlight.levelSet = level;
    }
    return status;
}

/* ---- The CPU clock ---- */

static BOOLEAN IsPolicyName(const WCHAR *name)
{
    const WCHAR *prefix = L"policy";
    for (; *prefix; prefix++, name++)
        if (*name != *prefix)
            return FALSE;
    if (!*name)
        return FALSE;
    for (; *name; name++)
        if (*name < L'0' || *name > L'9')
            return FALSE;
    return TRUE;
}

/* A policy is usable when its range can be read and its cap written. The others are left out
 * rather than taking the feature away: the policy of CPUs that are all offline answers no reads,
 * and the online ones still deserve their cap. */
static void ConsiderPolicy(const WCHAR *name, void *context)
{
    WCHAR path[PATH_CAPACITY];
    Policy *policy;
    ULONG i;

    (void)context;
    if (!IsPolicyName(name) || cpu.policyCount >= POLICY_CAPACITY)
        return;
    policy = &cpu.policies[cpu.policyCount];
    if (!BuildPath(path, CPUFREQ_FOLDER, name, L"cpuinfo_min_freq")
        || !NT_SUCCESS(ReadNumber(path, &policy->minClock)))
        return;
    if (!BuildPath(path, CPUFREQ_FOLDER, name, L"cpuinfo_max_freq")
        || !NT_SUCCESS(ReadNumber(path, &policy->maxClock)) || policy->maxClock < policy->minClock)
        return;
    if (!BuildPath(path, CPUFREQ_FOLDER, name, L"scaling_max_freq") || !CanWrite(path))
        return;
    for (i = 0; name[i]; i++)
        policy->name[i] = name[i];
    policy->name[i] = 0;
    cpu.policyCount++;
}

static void ScanCpu(void)
{
    ULONG i;

    cpu.scanned = TRUE;
    cpu.policyCount = 0;
    ForEachEntry(CPUFREQ_FOLDER, ConsiderPolicy, NULL);
    /* A range that is one clock leaves nothing to choose. */
    cpu.levelCount = 1;
    for (i = 0; i < cpu.policyCount; i++)
        if (cpu.policies[i].maxClock > cpu.policies[i].minClock)
            cpu.levelCount = CPU_LEVELS;
}

static NTSTATUS CountCpuLevels(ULONG *word)
{
    ScanCpu();
    if (cpu.policyCount == 0)
        return STATUS_NOT_SUPPORTED;
    *word = cpu.levelCount;
    return STATUS_SUCCESS;
}

/* Level 0 is the slowest and the last level full speed: each policy's cap is
 *     scaling_max_freq(i) = min + floor(i * (max - min) / (count - 1))
 * over its own cpuinfo range, and a single level is max, which lifts any cap. Every policy is
 * written even when one fails; the first failure is the answer. */
static NTSTATUS SetCpuLevel(ULONG level)
{
    WCHAR path[PATH_CAPACITY];
    NTSTATUS status, result = STATUS_SUCCESS;
    ULONG i;

    if (!cpu.scanned)
        ScanCpu();
    if (cpu.policyCount == 0)
        return STATUS_NOT_SUPPORTED;
    if (level >= cpu.levelCount)
        level = cpu.levelCount - 1;
    for (i = 0; i < cpu.policyCount; i++) {
        const Policy *policy = &cpu.policies[i];
        if (!BuildPath(path, CPUFREQ_FOLDER, policy->name, L"scaling_max_freq"))
            status = STATUS_NAME_TOO_LONG;
        else
            status = WriteNumber(path, LevelValue(policy->minClock, policy->maxClock, level,
                                                  cpu.levelCount));
        if (!NT_SUCCESS(status) && NT_SUCCESS(result))
            result = status;
    }
    return result;
}

/* ---- The program's device ---- */

static NTSTATUS Answer(ULONG code, ULONG inSize, ULONG outSize, ULONG *word)
{
    NTSTATUS status;

    switch (code) {
    case REQ_LCD_COUNT: case REQ_LCD_GET: case REQ_LCD_SET: case REQ_CPU_COUNT: case REQ_CPU_SET:
        break;
    case REQ_RING_GET: case REQ_RING_SET:
        return STATUS_NOT_SUPPORTED;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    if (inSize < sizeof(ULONG) || outSize < sizeof(ULONG) || !word)
        return STATUS_BUFFER_TOO_SMALL;

    KeWaitForSingleObject(&lock, Executive, KernelMode, FALSE, NULL);
    switch (code) {
    case REQ_LCD_COUNT: status = CountLcdLevels(word); break;
    case REQ_LCD_GET:   status = ReadLcdLevel(word); break;
    case REQ_LCD_SET:   status = SetLcdLevel(*word); break;
    case REQ_CPU_COUNT: status = CountCpuLevels(word); break;
    default:            status = SetCpuLevel(*word); break;
    }
    KeReleaseMutex(&lock, FALSE);
    return status;
}

static const PowerBackend Sysfs = {
    Answer,
    L"\\Device\\KestrelSysfsApm",
    NULL,
    NULL,
    NULL,
};

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    KeInitializeMutex(&lock, 0);
    return PowerDeviceStart(driver, registryPath, &Sysfs);
}
