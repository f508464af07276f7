#include "driver/DriverChannel.h"

#include <setupapi.h>

#include "app/CommandLine.h"
#include "app/SettingsStore.h"
#include "gfx/Text.h"

static const char ApmDevicePath[] = "\\\\.\\KESTREL.VXD";
static const char DetectKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Detect";
static const char AcpiOptionValue[] = "ACPIOption";
static const GUID DriverInterfaceClass =
    { 0x92C94020, 0xDA95, 0x11D1, { 0x91, 0x35, 0x00, 0x00, 0x0E, 0x69, 0x82, 0xC2 } };

// The device-interface functions are looked up at run time: the oldest systems of the era have no
// setupapi.dll, and the program must still start there (the ACPI lookup then finds nothing).
typedef HDEVINFO (WINAPI *GetClassDevsFunction)(const GUID *, PCSTR, HWND, DWORD);
typedef BOOL (WINAPI *EnumInterfacesFunction)(HDEVINFO, PSP_DEVINFO_DATA, const GUID *, DWORD,
                                              PSP_DEVICE_INTERFACE_DATA);
typedef BOOL (WINAPI *GetInterfaceDetailFunction)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD,
                                                  PSP_DEVINFO_DATA);
typedef BOOL (WINAPI *DestroyListFunction)(HDEVINFO);

template <typename Function> static Function Resolve(HMODULE module, const char *name)
{
    return (Function)(void *)GetProcAddress(module, name);
}

// The record sizes the system checks: 28 and 5 on a 32-bit system, 32 and 8 on a 64-bit one.
const DWORD InterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
const DWORD InterfaceDetailSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
#ifndef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28 && sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5,
              "the 32-bit system's device-interface record sizes");
#endif

DriverChannel::DriverChannel()
    : acpiMode(0), handle(INVALID_HANDLE_VALUE), opened(0), lcdSupported(0), lcdLevelCount(0),
      lcdLevelAc(0), lcdLevelDc(0), cpuSupported(0), cpuLevelCount(0), cpuLevelAc(0), cpuLevelDc(0),
      ringResumeSupported(0), built(FALSE)
{
    devicePath[0] = '\0';
}

BOOL DriverChannel::DecideAcpiMode(const char *commandLine) const
{
    DWORD forceApm = 0, forceAcpi = 0;
    if (ReadDriverSwitches(commandLine, &forceApm, &forceAcpi) && (forceApm || forceAcpi))
        return forceAcpi != 0;

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DetectKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    BOOL acpi = FALSE;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &longest, NULL, NULL)
            == ERROR_SUCCESS && longest > 0) {
        BYTE *data = (BYTE *)HeapAlloc(GetProcessHeap(), 0, longest);
        DWORD size = longest;
        if (data && RegQueryValueExA(key, AcpiOptionValue, NULL, NULL, data, &size) == ERROR_SUCCESS
                && size > 0)
            acpi = (data[0] & 1) != 0;
        if (data)
            HeapFree(GetProcessHeap(), 0, data);
    }
    RegCloseKey(key);
    return acpi;
}

void DriverChannel::FindAcpiDevice()
{
    HMODULE setupApi = LoadLibraryA("setupapi.dll");
    if (!setupApi)
        return;
    GetClassDevsFunction getClassDevs = Resolve<GetClassDevsFunction>(setupApi, "SetupDiGetClassDevsA");
    EnumInterfacesFunction enumInterfaces =
        Resolve<EnumInterfacesFunction>(setupApi, "SetupDiEnumDeviceInterfaces");
    GetInterfaceDetailFunction getDetail =
        Resolve<GetInterfaceDetailFunction>(setupApi, "SetupDiGetDeviceInterfaceDetailA");
    DestroyListFunction destroyList = Resolve<DestroyListFunction>(setupApi, "SetupDiDestroyDeviceInfoList");

    HDEVINFO list = INVALID_HANDLE_VALUE;
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail = NULL;
    SP_DEVICE_INTERFACE_DATA interfaceData;
    DWORD required = 0;
    if (!getClassDevs || !enumInterfaces || !getDetail || !destroyList)
        goto done;
    list = getClassDevs(&DriverInterfaceClass, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        goto done;
    ZeroMemory(&interfaceData, sizeof interfaceData);
    interfaceData.cbSize = InterfaceDataSize;
    if (!enumInterfaces(list, NULL, &DriverInterfaceClass, 0, &interfaceData))
        goto done;
    getDetail(list, &interfaceData, NULL, 0, &required, NULL);
    if (required <= InterfaceDetailSize)
        goto done;
    detail = (PSP_DEVICE_INTERFACE_DETAIL_DATA_A)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, required);
    if (!detail)
        goto done;
    detail->cbSize = InterfaceDetailSize;
    if (getDetail(list, &interfaceData, detail, required, NULL, NULL))
        CopyText(devicePath, sizeof devicePath, detail->DevicePath);

done:
    if (detail)
        HeapFree(GetProcessHeap(), 0, detail);
    if (list != INVALID_HANDLE_VALUE)
        destroyList(list);
    FreeLibrary(setupApi);
}

BOOL DriverChannel::Open(const char *commandLine, const char *installFolder)
{
    if (built) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    built = TRUE;
    acpiMode = DecideAcpiMode(commandLine);

    if (acpiMode)
        FindAcpiDevice();
    else
        CopyText(devicePath, sizeof devicePath, ApmDevicePath);

    if (devicePath[0] == '\0')
        return FALSE;
    // From here on the process works from its installation folder.
    SetCurrentDirectoryA(installFolder);
    handle = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                         FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    opened = 1;

    DWORD word = 0;
    if (Request(RequestLcdLevelCount, &word)) {
        lcdSupported = 1;
        lcdLevelCount = word;
    }
    word = 0;
    if (Request(RequestCpuLevelCount, &word)) {
        cpuSupported = 1;
        cpuLevelCount = word;
    }
    word = 0;
    if (Request(RequestGetRingResume, &word))
        ringResumeSupported = 1;

    LoadStoredLevels();
    return TRUE;
}

void DriverChannel::LoadStoredLevels()
{
    DWORD backlight[2], clock[2];
    LoadPowerControlSettings(backlight, clock);
    lcdLevelAc = backlight[0];
    lcdLevelDc = backlight[1];
    cpuLevelAc = clock[0];
    cpuLevelDc = clock[1];
}

void DriverChannel::Close()
{
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

void DriverChannel::GetInfo(DWORD *isOpened, DWORD *pathEmpty, DWORD *isAcpiMode, DWORD *isLcdSupported,
                            DWORD *lcdCount, DWORD *isCpuSupported, DWORD *cpuCount) const
{
    if (isOpened) *isOpened = opened;
    if (pathEmpty) *pathEmpty = devicePath[0] == '\0';
    if (isAcpiMode) *isAcpiMode = acpiMode;
    if (isLcdSupported) *isLcdSupported = lcdSupported;
    if (lcdCount) *lcdCount = lcdLevelCount;
    if (isCpuSupported) *isCpuSupported = cpuSupported;
    if (cpuCount) *cpuCount = cpuLevelCount;
}

BOOL DriverChannel::Request(DWORD code, DWORD *word)
{
    DWORD returned = 0;
    return DeviceIoControl(handle, code, word, sizeof *word, word, sizeof *word, &returned, NULL);
}

void DriverChannel::SendLevel(DWORD code, DWORD level, DWORD count)
{
    // A count of 0 has no valid level at all: nothing is sent rather than level 0xFFFFFFFF.
    if (count == 0)
        return;
    if (level >= count)
        level = count - 1;   // so the default 0xFFFFFFFF stands for the highest level
    Request(code, &level);
}

BOOL DriverChannel::ApplyPowerLevels(BOOL reload, BOOL onAc)
{
    if (!opened)
        return FALSE;
    if (reload)
        LoadStoredLevels();
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    if (lcdSupported)
        SendLevel(RequestSetLcdLevel, onAc ? lcdLevelAc : lcdLevelDc, lcdLevelCount);
    if (cpuSupported)
        SendLevel(RequestSetCpuLevel, onAc ? cpuLevelAc : cpuLevelDc, cpuLevelCount);
    return TRUE;
}

BOOL DriverChannel::Access(BOOL supported, DWORD setCode, DWORD getCode, BOOL set, DWORD *value)
{
    if (!opened || !supported || handle == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD word = set ? *value : 0;
    BOOL answered = Request(set ? setCode : getCode, &word);
    if (set)
        return TRUE;   // set requests are fire-and-forget
    // A read the driver did not answer reports nothing: a 0 here would pass for a real setting.
    if (!answered)
        return FALSE;
    *value = word;
    return TRUE;
}

BOOL DriverChannel::AccessLcdLevel(BOOL set, DWORD *value)
{
    return Access(lcdSupported, RequestSetLcdLevel, RequestGetLcdLevel, set, value);
}

BOOL DriverChannel::AccessRingResume(BOOL set, DWORD *value)
{
    return Access(ringResumeSupported, RequestSetRingResume, RequestGetRingResume, set, value);
}
