/* sim/driver/PowerDevice.h — the devices every power driver of a prefix offers the program: its
 * device by name (APM), the device interface of the root device ROOT\KESTREL\0000 (ACPI), or both,
 * as the service key's Parameters\Modes says, and optionally a private control device of its own.
 * A driver hands PowerDeviceStart its backend once, from DriverEntry; the devices then live until
 * the driver unloads. The backend only answers requests; every IRP is completed here. */
#ifndef KESTREL_POWER_DEVICE_H
#define KESTREL_POWER_DEVICE_H

#include <ntddk.h>

/* The program's requests: buffered, FILE_DEVICE_UNKNOWN, any access, functions 0x80 to 0x87. */
#define REQ_LCD_COUNT 0x220200u
#define REQ_LCD_GET   0x220204u
#define REQ_LCD_SET   0x220208u
#define REQ_CPU_COUNT 0x22020Cu
#define REQ_CPU_SET   0x220214u
#define REQ_RING_GET  0x220218u
#define REQ_RING_SET  0x22021Cu

/* Set in a level read when the backlight moved without the program; a level is bits 0-30. */
#define LCD_CHANGED_BIT 0x80000000u

/* Bits of Parameters\Modes. */
#define POWER_MODE_APM  0x1u
#define POWER_MODE_ACPI 0x2u

/* One request of the program: one word in and out of the same buffer, which is NULL when the
 * caller passed none. Requests may arrive on several threads at once; the backend guards its own
 * state. A successful answer returns one word. */
typedef NTSTATUS (*PowerAnswer)(ULONG code, ULONG inSize, ULONG outSize, ULONG *word);

/* One request of the private control device; *information receives the bytes returned. */
typedef NTSTATUS (*PowerControl)(ULONG code, void *buffer, ULONG inSize, ULONG outSize,
                                 ULONG_PTR *information);

/* Called when the program lets go of the driver (the last open handle of its device closes: the
 * program exited, or its process ended with the prefix) and when the driver unloads, before its
 * devices go: the moments to put back what the backend changed on the machine. */
typedef void (*PowerRestore)(void);

typedef struct PowerBackend {
    PowerAnswer answer;
    const WCHAR *apmDeviceName;      /* the kernel device behind \DosDevices\KESTREL.VXD */
    PowerControl control;            /* NULL: the driver has no control device */
    const WCHAR *controlDeviceName;
    const WCHAR *controlLinkName;
    PowerRestore restore;            /* NULL: nothing to put back */
} PowerBackend;

/* Reads the modes, fills the driver's dispatch table and creates the named devices. On failure
 * nothing is left behind and DriverEntry returns the status. The backend must outlive the driver. */
NTSTATUS PowerDeviceStart(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath,
                          const PowerBackend *backend);

/* The modes read at start: POWER_MODE_APM | POWER_MODE_ACPI. */
ULONG PowerDeviceModes(void);

#endif
