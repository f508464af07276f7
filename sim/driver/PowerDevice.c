/* sim/driver/PowerDevice.c — the program's device by name and as a device interface, the PnP
 * plumbing of the root device, and the private control device; see PowerDevice.h. */
#include "PowerDevice.h"

#define MODE_DEFAULT (POWER_MODE_APM | POWER_MODE_ACPI)

typedef enum { KindApm = 1, KindAcpi = 2, KindControl = 3 } DeviceKind;

typedef struct DeviceExtension {
    DeviceKind kind;
    PDEVICE_OBJECT lower;          /* ACPI function device: the next device down the stack */
    UNICODE_STRING interfaceName;  /* ACPI function device: its registered interface */
    BOOLEAN interfaceRegistered;
} DeviceExtension;

static const GUID PowerDriverInterface =
    { 0x92C94020, 0xDA95, 0x11D1, { 0x91, 0x35, 0x00, 0x00, 0x0E, 0x69, 0x82, 0xC2 } };

static const PowerBackend *backend;
static ULONG modes = MODE_DEFAULT;
static PDEVICE_OBJECT apmDevice;
static PDEVICE_OBJECT controlDevice;
static BOOLEAN apmLinked;
static BOOLEAN controlLinked;
static volatile LONG programHandles;   /* open handles of the program's devices */

ULONG PowerDeviceModes(void)
{
    return modes;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS ProgramControl(PIRP irp, PIO_STACK_LOCATION stack)
{
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    ULONG *word = (ULONG *)irp->AssociatedIrp.SystemBuffer;

    return Complete(irp, backend->answer(code, inSize, outSize, word), sizeof(ULONG));
}

static NTSTATUS PrivateControl(PIRP irp, PIO_STACK_LOCATION stack)
{
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    ULONG_PTR information = 0;
    NTSTATUS status;

    status = backend->control(code, irp->AssociatedIrp.SystemBuffer, inSize, outSize, &information);
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
        if (ext->kind != KindControl)
            InterlockedIncrement(&programHandles);
        return Complete(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_CLOSE:
        if (ext->kind != KindControl && InterlockedDecrement(&programHandles) == 0 && backend->restore)
            backend->restore();
        return Complete(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_CLEANUP:
        return Complete(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_DEVICE_CONTROL:
        if (ext->kind == KindControl)
            return PrivateControl(irp, stack);
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
    if (modes & POWER_MODE_ACPI) {
        status = IoRegisterDeviceInterface(pdo, &PowerDriverInterface, NULL, &ext->interfaceName);
        ext->interfaceRegistered = NT_SUCCESS(status);
    }
    fdo->Flags |= DO_BUFFERED_IO;
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

/* Parameters\Modes of the service key; anything missing or unusable, a value with neither known
 * bit included, offers both modes. */
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
            if (stored & MODE_DEFAULT)
                result = stored & MODE_DEFAULT;
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
        RtlInitUnicodeString(&link, backend->controlLinkName);
        IoDeleteSymbolicLink(&link);
        controlLinked = FALSE;
    }
    if (apmDevice) { IoDeleteDevice(apmDevice); apmDevice = NULL; }
    if (controlDevice) { IoDeleteDevice(controlDevice); controlDevice = NULL; }
}

static void NTAPI Unload(PDRIVER_OBJECT driver)
{
    (void)driver;
    if (backend->restore)
        backend->restore();
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

NTSTATUS PowerDeviceStart(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath,
                          const PowerBackend *driverBackend)
{
    NTSTATUS status = STATUS_SUCCESS;
    ULONG i;

    backend = driverBackend;
    modes = ReadModes(registryPath);

    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; i++)
        driver->MajorFunction[i] = Dispatch;
    driver->DriverUnload = Unload;
    driver->DriverExtension->AddDevice = AddDevice;

    if (backend->control)
        status = CreateNamedDevice(driver, backend->controlDeviceName, backend->controlLinkName,
                                   KindControl, &controlDevice, &controlLinked);
    if (NT_SUCCESS(status) && (modes & POWER_MODE_APM))
        status = CreateNamedDevice(driver, backend->apmDeviceName, L"\\DosDevices\\KESTREL.VXD",
                                   KindApm, &apmDevice, &apmLinked);
    if (!NT_SUCCESS(status))
        DeleteNamedDevices();
    return status;
}
