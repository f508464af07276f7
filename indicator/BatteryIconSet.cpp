#include "indicator/BatteryIconSet.h"
#include "indicator/SkinFile.h"

const char *const IconSlotKeys[IconSlotCount] = {
    "ACNoCharging_1", "ACNoCharging_2",
    "ACCharging000to009_1", "ACCharging000to009_2", "ACCharging010to019_1", "ACCharging010to019_2",
    "ACCharging020to029_1", "ACCharging020to029_2", "ACCharging030to039_1", "ACCharging030to039_2",
    "ACCharging040to049_1", "ACCharging040to049_2", "ACCharging050to059_1", "ACCharging050to059_2",
    "ACCharging060to069_1", "ACCharging060to069_2", "ACCharging070to079_1", "ACCharging070to079_2",
    "ACCharging080to089_1", "ACCharging080to089_2", "ACCharging090to100_1", "ACCharging090to100_2",
    "DC000to009_1", "DC000to009_2", "DC010to019_1", "DC010to019_2",
    "DC020to029_1", "DC020to029_2", "DC030to039_1", "DC030to039_2",
    "DC040to049_1", "DC040to049_2", "DC050to059_1", "DC050to059_2",
    "DC060to069_1", "DC060to069_2", "DC070to079_1", "DC070to079_2",
    "DC080to089_1", "DC080to089_2", "DC090to100_1", "DC090to100_2",
};

const UINT IconPictureSize = 16;

void IconPairFor(UINT percent, PowerState state, UINT pair[2])
{
    UINT first;
    if (state == OnAc) {
        first = 0;
    } else {
        UINT band = percent / 10;
        if (band > IconBandCount - 1)
            band = IconBandCount - 1;
        first = (state == OnAcCharging ? 2 : 22) + 2 * band;
    }
    pair[0] = first;
    pair[1] = first + 1;
}

BatteryIconSet::BatteryIconSet()
    : module(NULL), trayIcon(NULL), phase(0), loaded(FALSE)
{
    for (UINT i = 0; i < IconSlotCount; i++)
        icons[i] = NULL;
    pair[0] = 0;
    pair[1] = 1;
}

// A slot whose file an earlier slot names shares that slot's picture, and every slot that cannot be
// loaded shares one copy of the fallback (an empty path stands for it): a pair whose two keys name
// one file shows one picture, and blinking it gives the tray icon nothing to send.
HICON BatteryIconSet::LoadSlot(UINT slot, const char *iconFile, const char *resourceFolder,
                               HICON fallbackIcon, char (*paths)[PathSize])
{
    char *path = paths[slot];
    if (!iconFile || !ReadIconPath(iconFile, IconSlotKeys[slot], resourceFolder, path, PathSize))
        path[0] = '\0';
    for (UINT earlier = 0; earlier < slot; earlier++)
        if (icons[earlier] && lstrcmpiA(paths[earlier], path) == 0)
            return icons[earlier];
    HICON icon = path[0] ? (HICON)LoadImageA(NULL, path, IMAGE_ICON, IconPictureSize, IconPictureSize,
                                             LR_LOADFROMFILE) : NULL;
    if (icon)
        return icon;
    path[0] = '\0';
    for (UINT earlier = 0; earlier < slot; earlier++)
        if (icons[earlier] && paths[earlier][0] == '\0')
            return icons[earlier];
    return fallbackIcon ? (HICON)CopyImage(fallbackIcon, IMAGE_ICON, 0, 0, 0) : NULL;
}

BOOL BatteryIconSet::Load(HINSTANCE module, TrayIcon *trayIcon, HICON fallbackIcon,
                          const char *installFolder, const char *resourceFolder)
{
    if (loaded) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!trayIcon || !installFolder || !resourceFolder) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    this->module = module;
    this->trayIcon = trayIcon;
    char iconFile[PathSize];
    BOOL haveFile = IconFilePath(installFolder, iconFile, sizeof iconFile);
    char paths[IconSlotCount][PathSize];
    for (UINT i = 0; i < IconSlotCount; i++)
        icons[i] = LoadSlot(i, haveFile ? iconFile : NULL, resourceFolder, fallbackIcon, paths);
    pair[0] = 0;
    pair[1] = 1;
    phase = 0;
    loaded = TRUE;
    return TRUE;
}

BOOL BatteryIconSet::Update(UINT percent, PowerState state, const char *tipText)
{
    if (!loaded) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    IconPairFor(percent, state, pair);
    return trayIcon->Modify(icons[pair[phase]], tipText);
}

BOOL BatteryIconSet::Blink()
{
    if (!loaded) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    phase = 1 - phase;
    return trayIcon->Modify(icons[pair[phase]], NULL);
}

void BatteryIconSet::Release()
{
    // Each picture once, by the last slot that holds it.
    for (UINT i = 0; i < IconSlotCount; i++) {
        BOOL sharedLater = FALSE;
        for (UINT later = i + 1; later < IconSlotCount && !sharedLater; later++)
            sharedLater = icons[later] == icons[i];
        if (icons[i] && !sharedLater)
            DestroyIcon(icons[i]);
    }
    for (UINT i = 0; i < IconSlotCount; i++)
        icons[i] = NULL;
    loaded = FALSE;
    trayIcon = NULL;
}
