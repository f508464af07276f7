/* sim/setup/kestrelsim-setup.c — adds or removes the root-enumerated device that makes the
 * simulated driver offer its ACPI device interface:
 *   kestrelsim-setup install-acpi | remove-acpi
 * Both are idempotent. Exit code 0 on success, 1 with a message on stderr otherwise. */
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <string.h>

static const GUID SystemClass =
    { 0x4D36E97D, 0xE325, 0x11CE, { 0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18 } };

#define DEVICE_ID   "ROOT\\KESTREL\\0000"
#define SERVICE     "kestrelsim"
/* Asks the service's driver host to enumerate root devices again (a Wine driver host control). */
#define CONTROL_REENUMERATE_ROOT_DEVICES 128

static int Fail(const char *what)
{
    fprintf(stderr, "kestrelsim-setup: %s failed (error 0x%lx)\n", what, (unsigned long)GetLastError());
    return 1;
}

/* A driver that already runs does not see a new root device until asked to look again. */
static void ReenumerateIfRunning(void)
{
    SC_HANDLE manager, service;
    SERVICE_STATUS status;

    manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return;
    service = OpenServiceA(manager, SERVICE, SERVICE_QUERY_STATUS | SERVICE_USER_DEFINED_CONTROL);
    if (service) {
        if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING)
            ControlService(service, CONTROL_REENUMERATE_ROOT_DEVICES, &status);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

static int Install(void)
{
    static const char hardwareId[] = "ROOT\\KESTREL\0";   /* a multi-string: two terminators */
    HDEVINFO set;
    SP_DEVINFO_DATA device;
    int result = 1;

    set = SetupDiCreateDeviceInfoList(&SystemClass, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
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
    if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_SERVICE, (const BYTE *)SERVICE,
                                           sizeof(SERVICE))) {
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
        ReenumerateIfRunning();
    return result;
}

static int Remove(void)
{
    HDEVINFO set;
    SP_DEVINFO_DATA device;
    int result = 1;

    set = SetupDiCreateDeviceInfoList(NULL, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
    device.cbSize = sizeof(device);
    if (!SetupDiOpenDeviceInfoA(set, DEVICE_ID, NULL, 0, &device)) {
        DWORD error = GetLastError();
        if (error == ERROR_NO_SUCH_DEVINST || error == ERROR_FILE_NOT_FOUND)
            result = 0;
        else
            Fail("SetupDiOpenDeviceInfo");
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

int main(int argc, char **argv)
{
    if (argc == 2 && !strcmp(argv[1], "install-acpi"))
        return Install();
    if (argc == 2 && !strcmp(argv[1], "remove-acpi"))
        return Remove();
    fprintf(stderr, "usage: kestrelsim-setup install-acpi | remove-acpi\n");
    return 1;
}
