/* sim/control/SimControl.c — one control request per call on the simulator's control device. */
#include "SimControl.h"

static BOOL Call(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize, DWORD *returned)
{
    HANDLE device;
    DWORD bytes = 0, error;
    BOOL ok;

    device = CreateFileA(SIM_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE)
        return FALSE;
    ok = DeviceIoControl(device, code, in, inSize, out, outSize, &bytes, NULL);
    error = GetLastError();
    CloseHandle(device);
    SetLastError(ok ? 0 : error);
    if (returned)
        *returned = bytes;
    return ok;
}

static void ToWire(const SimState *state, SimWireState *wire)
{
    ZeroMemory(wire, sizeof(*wire));
    wire->features = state->features;
    wire->lcdCount = state->lcdCount;
    wire->cpuCount = state->cpuCount;
    wire->lcdLevel = state->lcdLevel;
    wire->lcdChanged = state->lcdChanged;
    wire->cpuLevel = state->cpuLevel;
    wire->ringValue = state->ringValue;
    wire->faults = state->faults;
}

static BOOL GetWire(SimWireState *wire)
{
    DWORD bytes = 0;
    ZeroMemory(wire, sizeof(*wire));
    if (!Call(SIM_IOCTL_GET_STATE, NULL, 0, wire, sizeof(*wire), &bytes))
        return FALSE;
    if (bytes != sizeof(*wire)) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    return TRUE;
}

BOOL SimGetState(SimState *state)
{
    SimWireState wire;
    if (!state) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!GetWire(&wire))
        return FALSE;
    state->features = wire.features;
    state->lcdCount = wire.lcdCount;
    state->cpuCount = wire.cpuCount;
    state->lcdLevel = wire.lcdLevel;
    state->lcdChanged = wire.lcdChanged;
    state->cpuLevel = wire.cpuLevel;
    state->ringValue = wire.ringValue;
    state->faults = wire.faults;
    return TRUE;
}

BOOL SimSetFields(DWORD mask, const SimState *state)
{
    SimWireSet set;
    if (!state) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    set.mask = mask & SIM_FIELD_ALL;
    ToWire(state, &set.state);
    return Call(SIM_IOCTL_SET_STATE, &set, sizeof(set), NULL, 0, NULL);
}

BOOL SimSetState(const SimState *state)
{
    return SimSetFields(SIM_FIELD_ALL, state);
}

BOOL SimGetInfo(SimInfo *info)
{
    SimWireState wire;
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!GetWire(&wire))
        return FALSE;
    info->modes = wire.modes;
    info->logCount = wire.logCount;
    info->logDropped = wire.logDropped;
    return TRUE;
}

BOOL SimClearLog(void)
{
    return Call(SIM_IOCTL_CLEAR_LOG, NULL, 0, NULL, 0, NULL);
}

DWORD SimReadLog(SimRequest *entries, DWORD max)
{
    /* Room for the whole record, whatever the caller asks for. */
    static const DWORD bufferSize = sizeof(SimWireLogHeader) + SIM_LOG_CAPACITY * sizeof(SimWireRequest);
    SimWireLogHeader *header;
    SimWireRequest *wire;
    DWORD bytes = 0, n, i;

    if (!entries && max) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    header = (SimWireLogHeader *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bufferSize);
    if (!header) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (!Call(SIM_IOCTL_READ_LOG, NULL, 0, header, bufferSize, &bytes)
        || bytes < sizeof(*header)
        || header->count > (bytes - sizeof(*header)) / sizeof(SimWireRequest)) {
        DWORD error = GetLastError();
        HeapFree(GetProcessHeap(), 0, header);
        SetLastError(error ? error : ERROR_INVALID_DATA);
        return 0;
    }
    wire = (SimWireRequest *)(header + 1);
    n = header->count < max ? header->count : max;
    for (i = 0; i < n; i++) {
        entries[i].code = wire[i].code;
        entries[i].input = wire[i].input;
    }
    HeapFree(GetProcessHeap(), 0, header);
    SetLastError(0);
    return n;
}

BOOL SimPress(DWORD level)
{
    return Call(SIM_IOCTL_PRESS, &level, sizeof(level), NULL, 0, NULL);
}

BOOL SimReset(void)
{
    return Call(SIM_IOCTL_RESET, NULL, 0, NULL, 0, NULL);
}

void SimDefaultState(SimState *state)
{
    if (!state)
        return;
    state->features = SIM_LCD | SIM_CPU | SIM_RING;
    state->lcdCount = 8;
    state->cpuCount = 4;
    state->lcdLevel = 7;
    state->lcdChanged = 0;
    state->cpuLevel = 0;
    state->ringValue = 0;
    state->faults = 0;
}

const char *SimRequestName(DWORD code)
{
    switch (code) {
    case 0x220200: return "lcd-count";
    case 0x220204: return "lcd-get";
    case 0x220208: return "lcd-set";
    case 0x22020C: return "cpu-count";
    case 0x220214: return "cpu-set";
    case 0x220218: return "ring-get";
    case 0x22021C: return "ring-set";
    }
    return "unknown";
}
