/* sim/driver/kestrelsim.c — the power-management driver stand-in for test and demo prefixes.
 * It answers the program's seven one-word requests from a state that tests set through a second,
 * private control device, and records every request the program's device receives.
 * The program's device is offered by name (APM), as a device interface of a root-enumerated
 * PnP device (ACPI), or both, as the service key's Parameters\Modes says. */
#include <ntddk.h>

#include "../control/SimProtocol.h"

#define MODE_APM  0x1u
#define MODE_ACPI 0x2u
#define MODE_DEFAULT (MODE_APM | MODE_ACPI)

/* The program's requests: buffered, FILE_DEVICE_UNKNOWN, any access, functions 0x80 to 0x87. */
#define REQ_LCD_COUNT 0x220200u
#define REQ_LCD_GET   0x220204u
#define REQ_LCD_SET   0x220208u
#define REQ_CPU_COUNT 0x22020Cu
#define REQ_CPU_SET   0x220214u
#define REQ_RING_GET  0x220218u
#define REQ_RING_SET  0x22021Cu

#define LCD_CHANGED_BIT 0x80000000u

typedef enum { KindApm = 1, KindAcpi = 2, KindControl = 3 } DeviceKind;

typedef struct DeviceExtension {
    DeviceKind kind;
    PDEVICE_OBJECT lower;          /* ACPI function device: the next device down the stack */
    UNICODE_STRING interfaceName;  /* ACPI function device: its registered interface */
    BOOLEAN interfaceRegistered;
} DeviceExtension;

static const GUID PowerDriverInterface =
    { 0x92C94020, 0xDA95, 0x11D1, { 0x91, 0x35, 0x00, 0x00, 0x0E, 0x69, 0x82, 0xC2 } };

static ULONG modes = MODE_DEFAULT;
static PDEVICE_OBJECT apmDevice;
static PDEVICE_OBJECT controlDevice;
static BOOLEAN apmLinked;
static BOOLEAN controlLinked;

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

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
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
    if (state.faults & SIM_FAULT_FAIL)
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

static NTSTATUS ProgramControl(PIRP irp, PIO_STACK_LOCATION stack)
{
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    ULONG *word = (ULONG *)irp->AssociatedIrp.SystemBuffer;
    NTSTATUS status;

    Lock();
    Record(code, (word && inSize >= sizeof(ULONG)) ? *word : 0);
    status = AnswerProgram(code, inSize, outSize, word);
    Unlock();
    return Complete(irp, status, sizeof(ULONG));
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

static NTSTATUS SimulatorControl(PIRP irp, PIO_STACK_LOCATION stack)
{
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    void *buffer = irp->AssociatedIrp.SystemBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG_PTR information = 0;

    Lock();
    switch (code) {
    case SIM_IOCTL_GET_STATE:
        if (outSize < sizeof(SimWireState) || !buffer) { status = STATUS_BUFFER_TOO_SMALL; break; }
        state.modes = modes;
        state.logCount = logCount;
        state.logDropped = logDropped;
        RtlCopyMemory(buffer, &state, sizeof(SimWireState));
        information = sizeof(SimWireState);
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
        information = sizeof(SimWireLogHeader) + n * sizeof(SimWireRequest);
        break;
    }
    case SIM_IOCTL_CLEAR_LOG:
        logStart = 0;
        logCount = 0;
        logDropped = 0;
        break;
    case SIM_IOCTL_PRESS:
        if (inSize < sizeof(ULONG) || !buffer) { status = STATUS_BUFFER_TOO_SMALL; break; }
        state.lcdLevel = *(ULONG *)buffer;
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
    return Complete(irp, status, information);
}

static NTSTATUS Pnp(PDEVICE_OBJECT device, PIRP irp, PIO_STACK_LOCATION stack)
{
    DeviceExtension *ext = (DeviceExtension *)device->DeviceExtension;
    PDEVICE_OBJECT lower = ext->lower;
    NTSTATUS status;

    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
        if (ext->interfaceRegistered)
            IoSetDeviceInterfaceState(&ext->interfaceName, TRUE);
        break;
    case IRP_MN_SURPRISE_REMOVAL:
        if (ext->interfaceRegistered)
            IoSetDeviceInterfaceState(&ext->interfaceName, FALSE);
        break;
    case IRP_MN_REMOVE_DEVICE:
        if (ext->interfaceRegistered) {
            IoSetDeviceInterfaceState(&ext->interfaceName, FALSE);
            RtlFreeUnicodeString(&ext->interfaceName);
            ext->interfaceRegistered = FALSE;
        }
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        status = IoCallDriver(lower, irp);
        IoDetachDevice(lower);
        IoDeleteDevice(device);
        return status;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(lower, irp);
}

static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp)
{
    DeviceExtension *ext = (DeviceExtension *)device->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);

    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLEANUP:
    case IRP_MJ_CLOSE:
        return Complete(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_DEVICE_CONTROL:
        if (ext->kind == KindControl)
            return SimulatorControl(irp, stack);
        return ProgramControl(irp, stack);
    case IRP_MJ_PNP:
        if (ext->kind == KindAcpi)
            return Pnp(device, irp, stack);
        return Complete(irp, STATUS_NOT_SUPPORTED, 0);
    case IRP_MJ_POWER:
    case IRP_MJ_SYSTEM_CONTROL:
        if (ext->kind == KindAcpi) {
            IoSkipCurrentIrpStackLocation(irp);
            return IoCallDriver(ext->lower, irp);
        }
        return Complete(irp, STATUS_NOT_SUPPORTED, 0);
    }
    return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

static NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    PDEVICE_OBJECT fdo;
    DeviceExtension *ext;
    NTSTATUS status;

    status = IoCreateDevice(driver, sizeof(DeviceExtension), NULL, FILE_DEVICE_UNKNOWN, 0, FALSE, &fdo);
    if (!NT_SUCCESS(status))
        return status;
    ext = (DeviceExtension *)fdo->DeviceExtension;
    RtlZeroMemory(ext, sizeof(*ext));
    ext->kind = KindAcpi;
    ext->lower = IoAttachDeviceToDeviceStack(fdo, pdo);
    if (!ext->lower) {
        IoDeleteDevice(fdo);
        return STATUS_NO_SUCH_DEVICE;
    }
    /* With the ACPI mode switched off the device still attaches, but offers no interface. */
    if (modes & MODE_ACPI) {
        status = IoRegisterDeviceInterface(pdo, &PowerDriverInterface, NULL, &ext->interfaceName);
        ext->interfaceRegistered = NT_SUCCESS(status);
    }
    fdo->Flags |= DO_BUFFERED_IO;
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

/* Parameters\Modes of the service key; anything missing or unusable offers both modes. */
static ULONG ReadModes(PUNICODE_STRING registryPath)
{
    OBJECT_ATTRIBUTES attributes;
    UNICODE_STRING name;
    HANDLE service = NULL, parameters = NULL;
    ULONG result = MODE_DEFAULT, size = 0;
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(ULONG)];
    } value;

    InitializeObjectAttributes(&attributes, registryPath, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&service, KEY_READ, &attributes)))
        return result;
    RtlInitUnicodeString(&name, L"Parameters");
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               service, NULL);
    if (NT_SUCCESS(ZwOpenKey(&parameters, KEY_READ, &attributes))) {
        RtlInitUnicodeString(&name, L"Modes");
        if (NT_SUCCESS(ZwQueryValueKey(parameters, &name, KeyValuePartialInformation, &value,
                                       sizeof(value), &size))
            && value.info.Type == REG_DWORD && value.info.DataLength == sizeof(ULONG)) {
            ULONG stored;
            RtlCopyMemory(&stored, value.info.Data, sizeof(ULONG));
            result = stored & (MODE_APM | MODE_ACPI);
        }
        ZwClose(parameters);
    }
    ZwClose(service);
    return result;
}

static void DeleteNamedDevices(void)
{
    UNICODE_STRING link;
    if (apmLinked) {
        RtlInitUnicodeString(&link, L"\\DosDevices\\KESTREL.VXD");
        IoDeleteSymbolicLink(&link);
        apmLinked = FALSE;
    }
    if (controlLinked) {
        RtlInitUnicodeString(&link, L"\\DosDevices\\KESTRELSIM.CTL");
        IoDeleteSymbolicLink(&link);
        controlLinked = FALSE;
    }
    if (apmDevice) { IoDeleteDevice(apmDevice); apmDevice = NULL; }
    if (controlDevice) { IoDeleteDevice(controlDevice); controlDevice = NULL; }
}

static void NTAPI Unload(PDRIVER_OBJECT driver)
{
    (void)driver;
    DeleteNamedDevices();
}

static NTSTATUS CreateNamedDevice(PDRIVER_OBJECT driver, const WCHAR *deviceName,
                                  const WCHAR *linkName, DeviceKind kind,
                                  PDEVICE_OBJECT *device, BOOLEAN *linked)
{
    UNICODE_STRING name, link;
    NTSTATUS status;

    RtlInitUnicodeString(&name, deviceName);
    status = IoCreateDevice(driver, sizeof(DeviceExtension), &name, FILE_DEVICE_UNKNOWN, 0, FALSE,
                            device);
    if (!NT_SUCCESS(status))
        return status;
    RtlZeroMemory((*device)->DeviceExtension, sizeof(DeviceExtension));
    ((DeviceExtension *)(*device)->DeviceExtension)->kind = kind;
    (*device)->Flags |= DO_BUFFERED_IO;
    (*device)->Flags &= ~DO_DEVICE_INITIALIZING;
    RtlInitUnicodeString(&link, linkName);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status))
        return status;
    *linked = TRUE;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    NTSTATUS status;
    ULONG i;

    Lock();
    ResetState();
    Unlock();
    modes = ReadModes(registryPath);

    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; i++)
        driver->MajorFunction[i] = Dispatch;
    driver->DriverUnload = Unload;
    driver->DriverExtension->AddDevice = AddDevice;

    status = CreateNamedDevice(driver, L"\\Device\\KestrelSimControl", L"\\DosDevices\\KESTRELSIM.CTL",
                               KindControl, &controlDevice, &controlLinked);
    if (NT_SUCCESS(status) && (modes & MODE_APM))
        status = CreateNamedDevice(driver, L"\\Device\\KestrelSimApm", L"\\DosDevices\\KESTREL.VXD",
                                   KindApm, &apmDevice, &apmLinked);
    if (!NT_SUCCESS(status))
        DeleteNamedDevices();
    return status;
}
