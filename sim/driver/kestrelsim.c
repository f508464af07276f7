/* sim/driver/kestrelsim.c — the power-management driver stand-in for test and demo prefixes.
 * It answers the program's seven one-word requests from a state that tests set through a second,
 * private control device, and records every request the program's device receives.
 * The program's device is offered by name (APM), as a device interface of a root-enumerated
 * PnP device (ACPI), or both, as the service key's Parameters\Modes says (PowerDevice.c). */
#include "PowerDevice.h"

#include "../control/SimProtocol.h"

/* Everything below is guarded by stateLock. Requests may arrive on more than one thread. */
static volatile LONG stateLock;
static SimWireState state;
static SimWireRequest logEntries[SIM_LOG_CAPACITY];
static ULONG logStart;   /* index of the oldest entry */
static ULONG logCount;
static ULONG logDropped;

static void Lock(void)
{
    while (__sync_lock_test_and_set(&stateLock, 1))
        while (stateLock) { }
}

static void Unlock(void)
{
    __sync_lock_release(&stateLock);
}

/* Callers hold the lock. */
static void ResetState(void)
{
    RtlZeroMemory(&state, sizeof(state));
    state.features = SIM_LCD | SIM_CPU | SIM_RING;
    state.lcdCount = 8;
    state.cpuCount = 4;
    state.lcdLevel = 7;
    logStart = 0;
    logCount = 0;
    logDropped = 0;
}

/* Callers hold the lock. A full log forgets its oldest entry, so that the requests a test has
 * just caused are always there however long the program has been polling. */
static void Record(ULONG code, ULONG input)
{
    ULONG slot;
    if (logCount == SIM_LOG_CAPACITY) {
        logStart = (logStart + 1) % SIM_LOG_CAPACITY;
        logCount--;
        logDropped++;
    }
    slot = (logStart + logCount) % SIM_LOG_CAPACITY;
    logEntries[slot].code = code;
    logEntries[slot].input = input;
    logCount++;
}

/* One request of the program: a word in, a word out, in the system buffer. Callers hold the lock. */
static NTSTATUS AnswerProgram(ULONG code, ULONG inSize, ULONG outSize, ULONG *word)
{
    ULONG feature;
    switch (code) {
    case REQ_LCD_COUNT: case REQ_LCD_GET: case REQ_LCD_SET: feature = SIM_LCD; break;
    case REQ_CPU_COUNT: case REQ_CPU_SET:                   feature = SIM_CPU; break;
    case REQ_RING_GET:  case REQ_RING_SET:                  feature = SIM_RING; break;
    default: return STATUS_INVALID_DEVICE_REQUEST;
    }
    if ((state.faults & SIM_FAULT_FAIL) || (code == REQ_LCD_GET && (state.faults & SIM_FAULT_READS)))
        return STATUS_UNSUCCESSFUL;
    if (!(state.features & feature))
        return STATUS_NOT_SUPPORTED;
    if (inSize < sizeof(ULONG) || outSize < sizeof(ULONG) || !word)
        return STATUS_BUFFER_TOO_SMALL;

    switch (code) {
    case REQ_LCD_COUNT: *word = state.lcdCount; break;
    case REQ_LCD_GET:
        /* The keys' change is reported once, by the first read after it. */
        *word = state.lcdLevel
              | ((state.lcdChanged || (state.faults & SIM_FAULT_CHANGED)) ? LCD_CHANGED_BIT : 0);
        state.lcdChanged = 0;
        break;
    case REQ_LCD_SET:   state.lcdLevel = *word & ~LCD_CHANGED_BIT; break;   /* a level is bits 0-30 */
    case REQ_CPU_COUNT: *word = state.cpuCount; break;
    case REQ_CPU_SET:   state.cpuLevel = *word; break;
    case REQ_RING_GET:  *word = state.ringValue; break;
    case REQ_RING_SET:  state.ringValue = *word; break;
    }
    return STATUS_SUCCESS;
}

/* The program's device: every request is recorded, then answered from the state. */
static NTSTATUS AnswerRecorded(ULONG code, ULONG inSize, ULONG outSize, ULONG *word)
{
    NTSTATUS status;

    Lock();
    Record(code, (word && inSize >= sizeof(ULONG)) ? *word : 0);
    status = AnswerProgram(code, inSize, outSize, word);
    Unlock();
    return status;
}

static void ApplySet(const SimWireSet *set)
{
    const SimWireState *in = &set->state;
    ULONG featureMask = set->mask & SIM_FIELD_FEATURES;
    state.features = (state.features & ~featureMask) | (in->features & featureMask);
    if (set->mask & SIM_FIELD_LCDCOUNT)   state.lcdCount = in->lcdCount;
    if (set->mask & SIM_FIELD_CPUCOUNT)   state.cpuCount = in->cpuCount;
    if (set->mask & SIM_FIELD_LCDLEVEL)   state.lcdLevel = in->lcdLevel & ~LCD_CHANGED_BIT;
    if (set->mask & SIM_FIELD_LCDCHANGED) state.lcdChanged = in->lcdChanged ? 1 : 0;
    if (set->mask & SIM_FIELD_CPULEVEL)   state.cpuLevel = in->cpuLevel;
    if (set->mask & SIM_FIELD_RINGVALUE)  state.ringValue = in->ringValue;
    if (set->mask & SIM_FIELD_FAULTS)     state.faults = in->faults;
}

static NTSTATUS SimulatorControl(ULONG code, void *buffer, ULONG inSize, ULONG outSize,
                                 ULONG_PTR *information)
{
    NTSTATUS status = STATUS_SUCCESS;

    Lock();
    switch (code) {
    case SIM_IOCTL_GET_STATE:
        if (outSize < sizeof(SimWireState) || !buffer) { status = STATUS_BUFFER_TOO_SMALL; break; }
        state.modes = PowerDeviceModes();
        state.logCount = logCount;
        state.logDropped = logDropped;
        RtlCopyMemory(buffer, &state, sizeof(SimWireState));
        *information = sizeof(SimWireState);
        break;
    case SIM_IOCTL_SET_STATE:
        if (inSize < sizeof(SimWireSet) || !buffer) { status = STATUS_BUFFER_TOO_SMALL; break; }
        ApplySet((const SimWireSet *)buffer);
        break;
    case SIM_IOCTL_READ_LOG: {
        SimWireLogHeader *header = (SimWireLogHeader *)buffer;
        SimWireRequest *out = (SimWireRequest *)(header + 1);
        ULONG room, n, i;
        if (outSize < sizeof(SimWireLogHeader) || !buffer) { status = STATUS_BUFFER_TOO_SMALL; break; }
        room = (outSize - sizeof(SimWireLogHeader)) / sizeof(SimWireRequest);
        n = logCount < room ? logCount : room;
        for (i = 0; i < n; i++)
            out[i] = logEntries[(logStart + i) % SIM_LOG_CAPACITY];
        header->count = n;
        header->dropped = logDropped;
        *information = sizeof(SimWireLogHeader) + n * sizeof(SimWireRequest);
        break;
    }
    case SIM_IOCTL_CLEAR_LOG:
        logStart = 0;
        logCount = 0;
        logDropped = 0;
        break;
    case SIM_IOCTL_PRESS:
        if (inSize < sizeof(ULONG) || !buffer) { status = STATUS_BUFFER_TOO_SMALL; break; }
        state.lcdLevel = *(ULONG *)buffer & ~LCD_CHANGED_BIT;
        state.lcdChanged = 1;
        break;
    case SIM_IOCTL_RESET:
        ResetState();
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    Unlock();
    return status;
}

static const PowerBackend Simulator = {
    AnswerRecorded,
    L"\\Device\\KestrelSimApm",
    SimulatorControl,
    L"\\Device\\KestrelSimControl",
    L"\\DosDevices\\KESTRELSIM.CTL",
    NULL,
};

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    Lock();
    ResetState();
    Unlock();
    return PowerDeviceStart(driver, registryPath, &Simulator);
}
