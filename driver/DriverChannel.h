// DriverChannel: the program's only link to its power-management driver. Start-up creates one,
// Opens it (mode decision, device lookup, open, feature probes, stored levels) before the main
// window exists, and Closes and deletes it after the message loop. A channel that failed to open
// stays closed for the life of the process; every user must also accept the pointer being null.
#ifndef KESTREL_DRIVERCHANNEL_H
#define KESTREL_DRIVERCHANNEL_H

#include <windows.h>

#include "gfx/Text.h"

// Request codes: buffered, FILE_DEVICE_UNKNOWN, any access, functions 0x80 to 0x87. Each carries
// one 32-bit word in and out.
const DWORD RequestLcdLevelCount = 0x220200;
const DWORD RequestGetLcdLevel = 0x220204;
const DWORD RequestSetLcdLevel = 0x220208;
const DWORD RequestCpuLevelCount = 0x22020C;
const DWORD RequestSetCpuLevel = 0x220214;
const DWORD RequestGetRingResume = 0x220218;
const DWORD RequestSetRingResume = 0x22021C;

// Bit 31 of the level word: the brightness keys changed the level and the change is to be shown.
const DWORD LcdLevelChangedBit = 0x80000000;

class DriverChannel {
public:
    DriverChannel();

    // commandLine null means the process's own; the device is opened from installFolder.
    BOOL Open(const char *commandLine, const char *installFolder);
    void Close();

    void GetInfo(DWORD *isOpened, DWORD *pathEmpty, DWORD *isAcpiMode, DWORD *isLcdSupported,
                 DWORD *lcdCount, DWORD *isCpuSupported, DWORD *cpuCount) const;
    BOOL ApplyPowerLevels(BOOL reload, BOOL onAc);
    // Set (fire-and-forget) or read the backlight level or the resume-on-ring setting. 0 when the
    // channel is closed or the feature unsupported; a read the driver fails is 0 too, *value untouched.
    BOOL AccessLcdLevel(BOOL set, DWORD *value);
    BOOL AccessRingResume(BOOL set, DWORD *value);

    const char *DevicePath() const { return devicePath; }

private:
    BOOL DecideAcpiMode(const char *commandLine) const;
    void FindAcpiDevice();
    void LoadStoredLevels();
    BOOL Access(BOOL supported, DWORD setCode, DWORD getCode, BOOL set, DWORD *value);
    BOOL Request(DWORD code, DWORD *word);
    void SendLevel(DWORD code, DWORD level, DWORD count);

    DWORD acpiMode;
    char devicePath[PathSize];
    HANDLE handle;
    DWORD opened;
    DWORD lcdSupported;
    DWORD lcdLevelCount;
    DWORD lcdLevelAc;
    DWORD lcdLevelDc;
    DWORD cpuSupported;
    DWORD cpuLevelCount;
    DWORD cpuLevelAc;
    DWORD cpuLevelDc;
    DWORD ringResumeSupported;
    BOOL built;
};

#endif
