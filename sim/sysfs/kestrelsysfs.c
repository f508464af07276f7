/* sim/sysfs/kestrelsysfs.c — the power driver for Kestrel under Wine on a Linux notebook. It
 * answers the program's requests from the machine itself: the backlight from one panel of
 * /sys/class/backlight, the CPU clock as a cap on every policy of /sys/devices/system/cpu/cpufreq.
 * Linux gives a program no resume-on-ring switch, so those requests fail as unsupported.
 * Wine opens an NT path that begins with \??\unix as the Unix path that follows it, so these
 * files are read and written in place, exactly as a Linux program would.
 *
 * What exists is looked for at each level-count request and kept until the next one. The program
 * asks for the counts once, when it starts, and reads the level up to ten times a second after a
 * key press: scanning the folders at every read would cost more than the read itself. A request
 * that comes before any count scans first, and so does one whose panel has gone (a graphics reset
 * or a module reload brings it back under a new name). Files are opened for each request and
 * closed again, so nothing is held while the program idles.
 *
 * The machine is left as the driver found it: each policy's cap is remembered before the first
 * write and put back when the driver stops. The backlight stays where the user last saw it. */
#include <ntifs.h>

#include "../driver/PowerDevice.h"

#define BACKLIGHT_FOLDER L"\\??\\unix\\sys\\class\\backlight"
#define CPUFREQ_FOLDER   L"\\??\\unix\\sys\\devices\\system\\cpu\\cpufreq"

#define PATH_CAPACITY   160   /* WCHARs: one of the folders above, a name and a file name */
#define NAME_CAPACITY   64    /* WCHARs of a panel's folder name, with the terminator */
#define TEXT_CAPACITY   32    /* bytes of one file's text: each holds a short word or number */
#define NUMBER_CAPACITY 12    /* bytes of a written value: ten digits and a newline */
#define LIST_CAPACITY   1024  /* bytes of directory entries fetched at a time */
/* Every policy of a notebook, and of most larger machines: one a CPU at worst. Policies beyond
 * these are not capped. */
#define POLICY_CAPACITY 1024
#define POLICY_NAME_CAPACITY 17   /* "policy" and up to ten digits, with the terminator */

/* Eight levels keep each step a change the eye sees on panels with hundreds or thousands of raw
 * values; a panel with fewer values than that above its lowest level gets one level for each. */
#define LCD_MAX_LEVELS 8
/* The lowest level of a raw panel, in hundredths of max_brightness: on many panels the value 1
 * is off, and 5 % is the least that stays readable in a lit room. */
#define RAW_FLOOR_PERCENT 5
/* After the program sets the backlight, readings on the way from the old value to the new one
 * are the panel fading, not a key press, for this long (100 ns units: 3 s). */
#define FADE_TIME 30000000
/* A policy offers a range, not a table (intel_pstate and amd-pstate list no frequencies), and the
 * governor picks the clock under the cap by itself: so the levels are caps, the bottom of the range,
 * the top, and two evenly between. Fewer would leave no middle ground between slow and full
 * speed; more would make neighbouring steps a difference nobody feels. */
#define CPU_LEVELS 4

/* How Linux desktops choose among several panels: the firmware's control first and the platform's
 * next, which both know the panel's useful range, then the graphics card's raw register, the one
 * of a connector that is switched on before the others; an external monitor's DDC/CI panel only
 * when there is nothing else, since the notebook's own screen is the one the keys belong to. */
typedef enum {
    RankFirmware, RankPlatform, RankRawEnabled, RankRaw, RankRawDisabled, RankUnknown, RankExternal
} PanelRank;

typedef struct Panel {
    WCHAR name[NAME_CAPACITY];
    PanelRank rank;
    BOOLEAN raw;           /* raw register values: a floor and the lightness curve apply */
    ULONG maxBrightness;   /* at least 1 */
} Panel;

typedef struct Policy {
    WCHAR name[POLICY_NAME_CAPACITY];
    ULONG minClock;        /* kHz */
    ULONG maxClock;        /* kHz, at least minClock */
} Policy;

/* A policy's cap as the driver found it before its first write, and the cap it wrote last. */
typedef struct FoundCap {
    WCHAR name[POLICY_NAME_CAPACITY];
    ULONG found;
    ULONG written;
} FoundCap;

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
    ULONG values[LCD_MAX_LEVELS];   /* the panel's value of each level, rising */
    ULONG rawSeen;         /* the panel's value as last read or written */
    BOOLEAN fading;        /* the program set the panel at fadeStart; see ReadLcdLevel */
    ULONGLONG fadeStart;
    ULONG fadeFrom;        /* the panel's value before that setting */
    ULONG levelSet;        /* the level of that setting */
} backlight;

/* Nothing reads the clock back, so the level last set is not kept. The caps found outlive the
 * scans: a scan at each start of the program must not forget what the machine had before. */
static struct {
    BOOLEAN scanned;
    ULONG policyCount;     /* usable policies found; 0: the feature is absent */
    Policy policies[POLICY_CAPACITY];
    ULONG levelCount;
    ULONG foundCount;
    FoundCap found[POLICY_CAPACITY];
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

/* Copies a name known to fit (shorter than capacity). */
static void CopyName(WCHAR *to, const WCHAR *from, ULONG capacity)
{
    ULONG i;
    for (i = 0; from[i] && i + 1 < capacity; i++)
        to[i] = from[i];
    to[i] = 0;
}

/* Whether name begins with prefix. */
static BOOLEAN StartsWith(const WCHAR *name, const WCHAR *prefix)
{
    for (; *prefix; prefix++, name++)
        if (*name != *prefix)
            return FALSE;
    return TRUE;
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

/* The file's whole text, at most TEXT_CAPACITY - 1 bytes, terminated. A longer file is refused:
 * its first bytes alone could read as another, smaller number. */
static NTSTATUS ReadText(const WCHAR *path, char text[TEXT_CAPACITY], ULONG *length)
{
    HANDLE file;
    IO_STATUS_BLOCK io;
    NTSTATUS status;

    status = OpenPath(path, FILE_READ_DATA, FILE_OPEN, FILE_NON_DIRECTORY_FILE, &file);
    if (!NT_SUCCESS(status))
        return status;
    io.Information = 0;
    status = ZwReadFile(file, NULL, NULL, NULL, &io, text, TEXT_CAPACITY, NULL, NULL);
    ZwClose(file);
    if (!NT_SUCCESS(status))
        return status;
    if (io.Information >= TEXT_CAPACITY)
        return STATUS_BUFFER_OVERFLOW;
    *length = (ULONG)io.Information;
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
 * before it, and higher whenever high - low >= count - 1. */
static ULONG LevelValue(ULONG low, ULONG high, ULONG level, ULONG count)
{
    ULONG gaps = count - 1, span = high - low;
    if (count <= 1)
        return high;
    if (level > gaps)
        level = gaps;
    return low + level * (span / gaps) + level * (span % gaps) / gaps;
}

#define CURVE_BITS 24
#define CURVE_ONE (1u << CURVE_BITS)   /* 1.0 in the curve's fixed point */

/* max * t^3 with t in 1/2^24ths, at most 1: each product stays below 2^56. */
static ULONG Cube(ULONG max, ULONG t)
{
    ULONGLONG value = max;
    value = (value * t) >> CURVE_BITS;
    value = (value * t) >> CURVE_BITS;
    value = (value * t) >> CURVE_BITS;
    return (ULONG)value;
}

/* The panel's value of each backlight level, from its lowest lit value to max_brightness.
 *
 * A raw panel's value is the light's power, and the eye sees the cube root of that: the CIE
 * lightness L* of a luminance Y is 116 * Y^(1/3) - 16 above 0.9 % of the full light. Its levels are
 * even steps of that lightness,
 *     raw(i) = max * (t0 + i * (1 - t0) / (count - 1))^3,   t0 = (floor / max)^(1/3),
 * from floor = max(1, 5 % of max), rounded up, to max; values that the rounding would make equal
 * are pushed apart by one, so each level is brighter than the one below. Firmware and platform
 * panels already number their own steps as the eye sees them: their levels are spread evenly over
 * 1..max, never 0, which turns many panels off. */
static void PlanPanelLevels(void)
{
    const Panel *panel = &backlight.panel;
    ULONG max = panel->maxBrightness, count, i, t0 = 0, high = CURVE_ONE;
    /* RAW_FLOOR_PERCENT of max rounded up, without a product that could pass 32 bits: at least 1. */
    ULONG floor = panel->raw ? max / 100 * RAW_FLOOR_PERCENT + (max % 100 * RAW_FLOOR_PERCENT + 99) / 100 : 1;

    count = max - floor + 1 < LCD_MAX_LEVELS ? max - floor + 1 : LCD_MAX_LEVELS;
    backlight.levelCount = count;
    if (!panel->raw) {
        for (i = 0; i < count; i++)
            backlight.values[i] = LevelValue(1, max, i, count);
        return;
    }
    /* t0: the least t whose cube reaches the floor. */
    while (t0 < high) {
        ULONG middle = t0 + (high - t0) / 2;
        if (Cube(max, middle) >= floor)
            high = middle;
        else
            t0 = middle + 1;
    }
    backlight.values[0] = floor;
    for (i = 1; i < count; i++) {
        ULONG value = i + 1 == count ? max : Cube(max, t0 + i * (CURVE_ONE - t0) / (count - 1));
        backlight.values[i] = value > backlight.values[i - 1] ? value : backlight.values[i - 1] + 1;
    }
    /* From the top down, room for every level above: max - floor >= count - 1 leaves enough. */
    for (i = count - 1; i-- > 1;)
        if (backlight.values[i] >= backlight.values[i + 1])
            backlight.values[i] = backlight.values[i + 1] - 1;
}

/* The level whose value is nearest raw; of two equally near, the darker. */
static ULONG NearestLevel(ULONG raw)
{
    ULONG level, best = 0, bestDistance = 0xFFFFFFFFu;
    for (level = 0; level < backlight.levelCount; level++) {
        ULONG value = backlight.values[level];
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

/* The panel's kind from its type, its name and, for a raw panel, its display connector (the
 * device the panel belongs to), whose enabled file says whether the connector is switched on. A
 * panel of no known type is treated as raw: its lowest values may be dark. */
static void ReadKind(const WCHAR *name, Panel *panel)
{
    WCHAR path[PATH_CAPACITY];
    char type[TEXT_CAPACITY], enabled[TEXT_CAPACITY];
    ULONG typeLength = 0, enabledLength = 0;

    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"type") || !NT_SUCCESS(ReadText(path, type, &typeLength)))
        typeLength = 0;
    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"device\\enabled")
        || !NT_SUCCESS(ReadText(path, enabled, &enabledLength)))
        enabledLength = 0;
    panel->raw = !TextIs(type, typeLength, "firmware") && !TextIs(type, typeLength, "platform");
    if (StartsWith(name, L"ddcci"))
        panel->rank = RankExternal;
    else if (TextIs(type, typeLength, "firmware"))
        panel->rank = RankFirmware;
    else if (TextIs(type, typeLength, "platform"))
        panel->rank = RankPlatform;
    else if (!TextIs(type, typeLength, "raw"))
        panel->rank = RankUnknown;
    else if (TextIs(enabled, enabledLength, "enabled"))
        panel->rank = RankRawEnabled;
    else if (TextIs(enabled, enabledLength, "disabled"))
        panel->rank = RankRawDisabled;
    else
        panel->rank = RankRaw;
}

/* A panel is usable when its range and its value can be read and its brightness written. Of
 * two of the same rank, the first by name. */
static void ConsiderPanel(const WCHAR *name, void *context)
{
    PanelScan *scan = (PanelScan *)context;
    WCHAR path[PATH_CAPACITY];
    Panel panel;
    ULONG raw;

    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"max_brightness")
        || !NT_SUCCESS(ReadNumber(path, &panel.maxBrightness)) || panel.maxBrightness == 0)
        return;
    if (!NT_SUCCESS(ReadPanel(name, &raw)))
        return;
    if (!BuildPath(path, BACKLIGHT_FOLDER, name, L"brightness") || !CanWrite(path))
        return;
    ReadKind(name, &panel);
    CopyName(panel.name, name, NAME_CAPACITY);
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
        backlight.fading = FALSE;
    }
    backlight.scanned = TRUE;
    backlight.found = scan.found;
    if (scan.found) {
        backlight.panel = scan.best;
        PlanPanelLevels();
    }
}

/* Scans when nothing was found yet: a panel may have come since. */
static NTSTATUS FindPanel(void)
{
    if (!backlight.found)
        ScanBacklight();
    return backlight.found ? STATUS_SUCCESS : STATUS_NOT_SUPPORTED;
}

static NTSTATUS CountLcdLevels(ULONG *word)
{
    ScanBacklight();
    if (!backlight.found)
        return STATUS_NOT_SUPPORTED;
    *word = backlight.levelCount;
    return STATUS_SUCCESS;
}

/* Whether a reading is the panel still on its way to the program's last setting: for FADE_TIME
 * after it, any value between the one before and the one set, or of the level set (a panel may
 * round what it was given). */
static BOOLEAN IsOwnFade(ULONG raw)
{
    ULONG to = backlight.values[backlight.levelSet], from = backlight.fadeFrom;
    if (!backlight.fading || KeQueryInterruptTime() - backlight.fadeStart > FADE_TIME)
        return FALSE;
    return (raw >= (from < to ? from : to) && raw <= (from > to ? from : to))
        || NearestLevel(raw) == backlight.levelSet;
}

/* A reading other than the value last seen or written means the machine's keys, or another
 * program, moved the backlight: that read carries the change bit, once. Readings of the panel
 * fading to the program's own setting are not a move; the first reading outside the fade is. */
static NTSTATUS ReadLcdLevel(ULONG *word)
{
    ULONG raw;
    BOOLEAN own;
    NTSTATUS status = FindPanel();

    if (NT_SUCCESS(status) && !NT_SUCCESS(ReadPanel(backlight.panel.name, &raw))) {
        /* Gone: it may be back under another name. */
        ScanBacklight();
        status = backlight.found ? ReadPanel(backlight.panel.name, &raw) : STATUS_NOT_SUPPORTED;
    }
    if (!NT_SUCCESS(status))
        return status;
    own = IsOwnFade(raw);
    *word = NearestLevel(raw) | (!own && raw != backlight.rawSeen ? LCD_CHANGED_BIT : 0);
    backlight.fading = own;
    backlight.rawSeen = raw;
    return STATUS_SUCCESS;
}

/* Writes the panel's value of level, the level cut to the panel's count. */
static NTSTATUS WritePanel(ULONG level)
{
    WCHAR path[PATH_CAPACITY];
    ULONG from, raw;
    NTSTATUS status;

    if (level >= backlight.levelCount)
        level = backlight.levelCount - 1;
    raw = backlight.values[level];
    if (!NT_SUCCESS(ReadPanel(backlight.panel.name, &from)))
        from = backlight.rawSeen;
    if (!BuildPath(path, BACKLIGHT_FOLDER, backlight.panel.name, L"brightness"))
        return STATUS_NAME_TOO_LONG;
    status = WriteNumber(path, raw);
    if (NT_SUCCESS(status)) {
        backlight.rawSeen = raw;
        backlight.fading = TRUE;
        backlight.fadeStart = KeQueryInterruptTime();
        backlight.fadeFrom = from;
        backlight.levelSet = level;
    }
    return status;
}

static NTSTATUS SetLcdLevel(ULONG level)
{
    NTSTATUS status = FindPanel();

    level &= ~LCD_CHANGED_BIT;
    if (NT_SUCCESS(status) && !NT_SUCCESS(status = WritePanel(level))) {
        /* Gone: it may be back under another name. */
        ScanBacklight();
        status = backlight.found ? WritePanel(level) : STATUS_NOT_SUPPORTED;
    }
    return status;
}

/* ---- The CPU clock ---- */

/* "policy" and a number that fits POLICY_NAME_CAPACITY. */
static BOOLEAN IsPolicyName(const WCHAR *name)
{
    ULONG i;
    if (!StartsWith(name, L"policy") || !name[6])
        return FALSE;
    for (i = 6; name[i]; i++)
        if (name[i] < L'0' || name[i] > L'9' || i + 1 >= POLICY_NAME_CAPACITY)
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
    CopyName(policy->name, name, POLICY_NAME_CAPACITY);
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

/* The policy's cap as found before the driver's first write to it; NULL when it cannot be read
 * (or no more can be kept), and then the driver leaves that policy alone. */
static FoundCap *RememberCap(const WCHAR *name, const WCHAR *path)
{
    FoundCap *found;
    ULONG i;

    for (i = 0; i < cpu.foundCount; i++)
        if (!CompareNames(cpu.found[i].name, name))
            return &cpu.found[i];
    if (cpu.foundCount >= POLICY_CAPACITY)
        return NULL;
    found = &cpu.found[cpu.foundCount];
    if (!NT_SUCCESS(ReadNumber(path, &found->found)))
        return NULL;
    CopyName(found->name, name, POLICY_NAME_CAPACITY);
    found->written = found->found;
    cpu.foundCount++;
    return found;
}

/* Level 0 is the slowest and the last level full speed: each policy's cap is
 *     scaling_max_freq(i) = min + floor(i * (max - min) / (count - 1))
 * over its own cpuinfo range, and a single level is max, which lifts any cap. Every policy is
 * written even when one fails; the first failure is the answer. */
static NTSTATUS SetCpuLevel(ULONG level)
{
    WCHAR path[PATH_CAPACITY];
    NTSTATUS status, result = STATUS_SUCCESS;
    ULONG i, cap;

    if (!cpu.scanned)
        ScanCpu();
    if (cpu.policyCount == 0)
        return STATUS_NOT_SUPPORTED;
    if (level >= cpu.levelCount)
        level = cpu.levelCount - 1;
    for (i = 0; i < cpu.policyCount; i++) {
        const Policy *policy = &cpu.policies[i];
        FoundCap *found = NULL;
        cap = LevelValue(policy->minClock, policy->maxClock, level, cpu.levelCount);
        if (!BuildPath(path, CPUFREQ_FOLDER, policy->name, L"scaling_max_freq"))
            status = STATUS_NAME_TOO_LONG;
        else if (!(found = RememberCap(policy->name, path)))
            status = STATUS_UNSUCCESSFUL;
        else
            status = WriteNumber(path, cap);
        if (NT_SUCCESS(status))
            found->written = cap;
        else if (NT_SUCCESS(result))
            result = status;
    }
    return result;
}

/* Puts back each cap the driver changed, as it was found, unless someone else has set it since:
 * then that setting is the one the machine should keep. */
static void RestoreCaps(void)
{
    WCHAR path[PATH_CAPACITY];
    ULONG i, now;

    KeWaitForSingleObject(&lock, Executive, KernelMode, FALSE, NULL);
    for (i = 0; i < cpu.foundCount; i++) {
        const FoundCap *found = &cpu.found[i];
        if (found->written == found->found
            || !BuildPath(path, CPUFREQ_FOLDER, found->name, L"scaling_max_freq"))
            continue;
        if (!NT_SUCCESS(ReadNumber(path, &now)) || now == found->written)
            WriteNumber(path, found->found);
    }
    cpu.foundCount = 0;
    KeReleaseMutex(&lock, FALSE);
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
    RestoreCaps,
};

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    KeInitializeMutex(&lock, 0);
    return PowerDeviceStart(driver, registryPath, &Sysfs);
}
