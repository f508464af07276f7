/* sim/setup/kestrelsim-setup.c — adds or removes the root-enumerated device that makes a power
 * driver of the prefix offer its ACPI device interface:
 *   kestrelsim-setup install-acpi [SERVICE] | remove-acpi [SERVICE]
 * and starts or stops a driver's service, waiting until it runs or has stopped:
 *   kestrelsim-setup start SERVICE | stop SERVICE
 * SERVICE is the driver's service, "kestrelsim" (the simulated driver) unless given. There is one
 * such device: install-acpi binds it to SERVICE, replacing a device bound to another driver;
 * remove-acpi removes it only when it is bound to SERVICE. A driver cannot stop while its device
 * exists, so stop removes the device first; a service that does not exist counts as stopped. All
 * are idempotent. Exit code 0 on success, 1 with a message on stderr otherwise. */
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <string.h>

static const GUID SystemClass =
    { 0x4D36E97D, 0xE325, 0x11CE, { 0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18 } };

#define DEVICE_ID   "ROOT\\KESTREL\\0000"
#define DEFAULT_SERVICE "kestrelsim"
/* Service names are short key names; a longer one is refused. */
#define SERVICE_CAPACITY 64
/* Asks the service's driver host to enumerate root devices again (a Wine driver host control). */
#define CONTROL_REENUMERATE_ROOT_DEVICES 128

static int Fail(const char *what)
{
    fprintf(stderr, "kestrelsim-setup: %s failed (error 0x%lx)\n", what, (unsigned long)GetLastError());
    return 1;
}

/* How long start and stop wait for the driver host, in steps of 100 ms. */
#define SERVICE_WAIT_STEPS 100

/* Sends control (0: start) to the service and waits until it reaches state. */
static int ServiceTo(const char *serviceName, DWORD control, DWORD state)
{
    SC_HANDLE manager, service;
    SERVICE_STATUS status;
    int step, result = 1;

    manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return Fail("OpenSCManager");
    service = OpenServiceA(manager, serviceName, SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP);
    if (!service) {
        result = GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST && state == SERVICE_STOPPED ? 0
                                                                                          : Fail("OpenService");
        CloseServiceHandle(manager);
        return result;
    }
    if (!QueryServiceStatus(service, &status)) {
        Fail("QueryServiceStatus");
        goto done;
    }
    /* A service already on its way there is only waited for. */
    if (status.dwCurrentState != state
        && status.dwCurrentState != (state == SERVICE_RUNNING ? SERVICE_START_PENDING : SERVICE_STOP_PENDING)) {
        if (control == 0 ? !StartServiceA(service, 0, NULL) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING
                         : !ControlService(service, control, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
            Fail(control == 0 ? "starting the driver" : "stopping the driver");
            goto done;
        }
    }
    for (step = 0; step < SERVICE_WAIT_STEPS; step++) {
        if (!QueryServiceStatus(service, &status)) {
            Fail("QueryServiceStatus");
            goto done;
        }
        if (status.dwCurrentState == state) {
            result = 0;
            goto done;
        }
        Sleep(100);
    }
    fprintf(stderr, "kestrelsim-setup: the driver %s did not %s (its state is %lu)\n", serviceName,
            state == SERVICE_RUNNING ? "start" : "stop", (unsigned long)status.dwCurrentState);
done:
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

/* A driver that already runs does not see a new root device until asked to look again. */
static void ReenumerateIfRunning(const char *serviceName)
{
    SC_HANDLE manager, service;
    SERVICE_STATUS status;

    manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return;
    service = OpenServiceA(manager, serviceName, SERVICE_QUERY_STATUS | SERVICE_USER_DEFINED_CONTROL);
    if (service) {
        if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING)
            ControlService(service, CONTROL_REENUMERATE_ROOT_DEVICES, &status);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

/* Opens the device into set: 1 when it exists, 0 when it does not, -1 on failure (reported). */
static int OpenRootDevice(HDEVINFO set, SP_DEVINFO_DATA *device)
{
    DWORD error;

    device->cbSize = sizeof(*device);
    if (SetupDiOpenDeviceInfoA(set, DEVICE_ID, NULL, 0, device))
        return 1;
    error = GetLastError();
    if (error == ERROR_NO_SUCH_DEVINST || error == ERROR_FILE_NOT_FOUND)
        return 0;
    Fail("SetupDiOpenDeviceInfo");
    return -1;
}

/* Whether the opened device belongs to serviceName. A device whose service cannot be read is
 * bound to no driver, and so to anyone's. */
static BOOL BoundTo(HDEVINFO set, SP_DEVINFO_DATA *device, const char *serviceName)
{
    char bound[SERVICE_CAPACITY];
    DWORD type;

    if (!SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_SERVICE, &type, (BYTE *)bound,
                                           sizeof(bound) - 1, NULL))
        return TRUE;
    bound[sizeof(bound) - 1] = 0;
    return bound[0] == 0 || lstrcmpiA(bound, serviceName) == 0;
}

/* Removes the device when it belongs to serviceName, or to anyone when serviceName is NULL. */
static int Remove(const char *serviceName)
{
    HDEVINFO set;
    SP_DEVINFO_DATA device;
    int result = 1, exists;

    set = SetupDiCreateDeviceInfoList(NULL, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
    exists = OpenRootDevice(set, &device);
    if (exists == 0)
        result = 0;
    if (exists <= 0)
        goto done;
    if (serviceName && !BoundTo(set, &device, serviceName)) {
        result = 0;   /* another driver's device stays */
        goto done;
    }
    if (!SetupDiRemoveDevice(set, &device)) {
        Fail("SetupDiRemoveDevice");
        goto done;
    }
    result = 0;
done:
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

static int Install(const char *serviceName)
{
    static const char hardwareId[] = "ROOT\\KESTREL\0";   /* a multi-string: two terminators */
    HDEVINFO set;
    SP_DEVINFO_DATA device;
    int result = 1, exists;

    set = SetupDiCreateDeviceInfoList(&SystemClass, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
    exists = OpenRootDevice(set, &device);
    if (exists < 0)
        goto done;
    if (exists && BoundTo(set, &device, serviceName)) {
        result = 0;
        goto done;
    }
    if (exists) {
        /* The device of another driver: that one gives it up first. */
        SetupDiDestroyDeviceInfoList(set);
        if (Remove(NULL) != 0)
            return 1;
        set = SetupDiCreateDeviceInfoList(&SystemClass, NULL);
        if (set == INVALID_HANDLE_VALUE)
            return Fail("SetupDiCreateDeviceInfoList");
    }
    device.cbSize = sizeof(device);
    if (!SetupDiCreateDeviceInfoA(set, DEVICE_ID, &SystemClass, NULL, NULL, 0, &device)) {
        if (GetLastError() == ERROR_DEVINST_ALREADY_EXISTS) {
            result = 0;
            goto done;
        }
        Fail("SetupDiCreateDeviceInfo");
        goto done;
    }
    if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, (const BYTE *)hardwareId,
                                           sizeof(hardwareId))) {
        Fail("setting the hardware id");
        goto done;
    }
    if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_SERVICE, (const BYTE *)serviceName,
                                           (DWORD)strlen(serviceName) + 1)) {
        Fail("setting the service");
        goto done;
    }
    if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
        Fail("registering the device");
        goto done;
    }
    result = 0;
done:
    SetupDiDestroyDeviceInfoList(set);
    if (result == 0)
        ReenumerateIfRunning(serviceName);
    return result;
}

int main(int argc, char **argv)
{
    const char *serviceName = argc == 3 ? argv[2] : DEFAULT_SERVICE;

    if ((argc == 2 || argc == 3) && serviceName[0] && strlen(serviceName) < SERVICE_CAPACITY) {
        if (!strcmp(argv[1], "install-acpi"))
            return Install(serviceName);
        if (!strcmp(argv[1], "remove-acpi"))
            return Remove(serviceName);
        if (!strcmp(argv[1], "start") && argc == 3)
            return ServiceTo(serviceName, 0, SERVICE_RUNNING);
        if (!strcmp(argv[1], "stop") && argc == 3)
            return Remove(serviceName) || ServiceTo(serviceName, SERVICE_CONTROL_STOP, SERVICE_STOPPED);
    }
    fprintf(stderr, "usage: kestrelsim-setup install-acpi [SERVICE] | remove-acpi [SERVICE] | start SERVICE | stop SERVICE\n");
    return 1;
}
