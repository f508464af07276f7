/* sim/battery/FakeBattery.c — the fake battery's files, each replaced whole by a rename so that
 * a reader never sees half a value.
 * Wine turns the charges and the current into whole mWh and mW first (charge * voltage / 10^9),
 * then reports percent = 100 * remaining / full and, when discharging with a current,
 * BatteryLifeTime = 3600 * remaining / rate seconds. The values below keep every one of those
 * steps exact: at 20 V one mWh is 50 uAh and one mW is 50 uA, the full battery holds 500000 mWh,
 * and 3600 * remaining and every value written stay below 2^31. */
#include "FakeBattery.h"

#include <stdio.h>

#define PATH_SIZE      MAX_PATH
#define VALUE_SIZE     32
#define VOLTAGE        20000000u   /* uV */
#define MICRO_PER_MILLIWATT_HOUR 50u /* uAh per mWh, and uA per mW, at VOLTAGE */
#define FULL_MWH       500000u
#define MWH_PER_PERCENT (FULL_MWH / 100u)
/* Current while charging: Wine reports no time then, any value does. */
#define IDLE_RATE_MW   30000u

/* The rate in mW that makes Wine report exactly minutes left of remaining mWh, or 0 for none.
 * Wine's minutes are floor(60 * remaining / rate), so the largest rate not above
 * 60 * remaining / minutes is the only candidate. */
static DWORD RateFor(DWORD remaining, DWORD minutes)
{
    unsigned long long rate;
    if (minutes == 0)
        return 60u * remaining + 1u;   /* under a minute left */
    rate = (60ull * remaining) / minutes;
    if (rate == 0 || (60ull * remaining) / rate != minutes)
        return 0;
    return (DWORD)rate;
}

/* Picks the remaining mWh inside the percent's band (every value of the band shows the same
 * percentage) for which some rate gives exactly minutes; 0 % keeps at least 1 mWh. */
static BOOL Discharge(DWORD percent, DWORD minutes, DWORD *remaining, DWORD *rate)
{
    DWORD low = percent ? percent * MWH_PER_PERCENT : 1;
    DWORD high = percent == 100 ? FULL_MWH : (percent + 1) * MWH_PER_PERCENT - 1;
    DWORD r;
    for (r = high; r >= low; r--) {
        *rate = RateFor(r, minutes);
        if (*rate) {
            *remaining = r;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL FakeBatteryValuesFor(FakeBatteryState state, DWORD percent, DWORD minutes,
                          FakeBatteryValues *values)
{
    if (!values || percent > 100) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ZeroMemory(values, sizeof(*values));
    {
        DWORD remaining = percent ? percent * MWH_PER_PERCENT : MWH_PER_PERCENT - 1;
        DWORD rate = IDLE_RATE_MW;

        values->hasBattery = TRUE;
        values->voltageNow = VOLTAGE;
        values->chargeFull = FULL_MWH * MICRO_PER_MILLIWATT_HOUR;
        values->chargeNow = remaining * MICRO_PER_MILLIWATT_HOUR;
        switch (state) {
        case FakeAcNotCharging:
            values->acOnline = 1;
            values->status = "Full";
            rate = 0;   /* nothing drawn: Wine reports no time, as on AC power */
            break;
        case FakeAcCharging:
            values->acOnline = 1;
            values->status = "Charging";
            break;
        case FakeOnBattery:
            values->acOnline = 0;
            values->status = "Discharging";
            if (minutes == FAKE_MINUTES_UNKNOWN) {
                rate = 0;   /* no current drawn: Wine reports the time as unknown */
            } else if (!Discharge(percent, minutes, &remaining, &rate)) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            values->chargeNow = remaining * MICRO_PER_MILLIWATT_HOUR;
            break;
        default:
            break;
        }
        values->currentNow = rate * MICRO_PER_MILLIWATT_HOUR;
    }
    switch (state) {
    case FakeAcNotCharging:
    case FakeAcCharging:
    case FakeOnBattery:
        break;
    case FakeAcNoBattery:
        values->acOnline = 1;
        values->hasBattery = FALSE;
        break;
    case FakeStatusUnknown:
        values->acOnline = 255;
        values->status = "Discharging";
        values->currentNow = 0;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

static BOOL JoinPath(char *out, const char *dir, const char *entry, const char *file)
{
    int n = _snprintf(out, PATH_SIZE, file ? "%s\\%s\\%s" : "%s\\%s", dir, entry, file);
    if (n < 0 || n >= PATH_SIZE) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    out[PATH_SIZE - 1] = '\0';
    return TRUE;
}

/* Writes "text\n" into a sibling temporary file, then renames it over the real one. */
static BOOL WriteWhole(const char *dir, const char *entry, const char *file, const char *text)
{
    char path[PATH_SIZE], temporary[PATH_SIZE], name[VALUE_SIZE + 8], line[VALUE_SIZE + 2];
    HANDLE handle;
    DWORD written = 0, length, error;
    BOOL ok;

    _snprintf(name, sizeof(name), ".%s.new", file);
    name[sizeof(name) - 1] = '\0';
    if (!JoinPath(path, dir, entry, file) || !JoinPath(temporary, dir, entry, name))
        return FALSE;
    length = (DWORD)_snprintf(line, sizeof(line), "%s\n", text);
    line[sizeof(line) - 1] = '\0';
    handle = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    ok = WriteFile(handle, line, length, &written, NULL) && written == length;
    error = GetLastError();
    CloseHandle(handle);
    if (ok)
        ok = MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING);
    if (!ok) {
        error = GetLastError();
        DeleteFileA(temporary);
        SetLastError(error);
    }
    return ok;
}

static BOOL WriteNumber(const char *dir, const char *entry, const char *file, DWORD value)
{
    char text[VALUE_SIZE];
    _snprintf(text, sizeof(text), "%lu", (unsigned long)value);
    text[sizeof(text) - 1] = '\0';
    return WriteWhole(dir, entry, file, text);
}

static BOOL EnsureEntry(const char *dir, const char *entry)
{
    char path[PATH_SIZE];
    if (!JoinPath(path, dir, entry, NULL))
        return FALSE;
    if (CreateDirectoryA(path, NULL) || GetLastError() == ERROR_ALREADY_EXISTS)
        return TRUE;
    return FALSE;
}

/* Removes an entry with every file in it; a missing entry is already removed. */
static BOOL RemoveEntry(const char *dir, const char *entry)
{
    static const char *const files[] = {
        "type", "status", "voltage_now", "charge_full", "charge_now", "current_now", "online",
    };
    char path[PATH_SIZE];
    unsigned i;

    for (i = 0; i < sizeof(files) / sizeof(files[0]); i++)
        if (JoinPath(path, dir, entry, files[i]))
            DeleteFileA(path);
    if (!JoinPath(path, dir, entry, NULL))
        return FALSE;
    if (RemoveDirectoryA(path))
        return TRUE;
    return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
}

BOOL FakeBatterySet(const char *dir, FakeBatteryState state, DWORD percent, DWORD minutes)
{
    FakeBatteryValues v;

    if (!dir || !*dir) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!FakeBatteryValuesFor(state, percent, minutes, &v))
        return FALSE;
    if (!CreateDirectoryA(dir, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        return FALSE;
    if (v.hasBattery) {
        /* The full charge never changes, so a reader between two writes still sees a sane
         * percentage; the line state goes last, after the battery it describes. */
        if (!EnsureEntry(dir, "BAT0")
            || !WriteWhole(dir, "BAT0", "type", "Battery")
            || !WriteNumber(dir, "BAT0", "voltage_now", v.voltageNow)
            || !WriteNumber(dir, "BAT0", "charge_full", v.chargeFull)
            || !WriteNumber(dir, "BAT0", "current_now", v.currentNow)
            || !WriteNumber(dir, "BAT0", "charge_now", v.chargeNow)
            || !WriteWhole(dir, "BAT0", "status", v.status))
            return FALSE;
    } else if (!RemoveEntry(dir, "BAT0")) {
        return FALSE;
    }
    return EnsureEntry(dir, "AC")
        && WriteWhole(dir, "AC", "type", "Mains")
        && WriteNumber(dir, "AC", "online", v.acOnline);
}
