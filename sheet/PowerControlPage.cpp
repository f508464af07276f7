#include "sheet/PowerControlPage.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "driver/DriverChannel.h"
#include "res/resource.h"
#include "sheet/SettingsSheet.h"

DWORD ClampLevel(DWORD value, DWORD count)
{
    return value < count ? value : count - 1;
}

// TBM_SETRANGE carries each end of the range in a signed 16-bit half, so a slider holds at most
// this many positions. Given more, it would show another level than the stored one and OK would
// store that instead.
const DWORD MostSliderLevels = 0x8000;

// Sets up one group (label, AC slider, battery slider and their end labels), or disables all seven
// of its controls when the driver cannot set that level or reports more levels than a slider holds.
static void SetupGroup(HWND page, int firstId, int acId, int dcId, BOOL supported, DWORD count,
                       const DWORD stored[2])
{
    if (!supported || count == 0 || count > MostSliderLevels) {
        for (int id = firstId; id < firstId + PowerGroupSize; id++)
            EnableWindow(GetDlgItem(page, id), FALSE);
        return;
    }
    const int sliders[2] = { acId, dcId };
    for (int i = 0; i < 2; i++) {
        HWND slider = GetDlgItem(page, sliders[i]);
        SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, count - 1));
        SendMessageA(slider, TBM_SETPOS, TRUE, (LPARAM)ClampLevel(stored[i], count));
    }
}

static INT_PTR OnInitDialog(HWND page)
{
    PrepareSheetWindow(GetParent(page));
    DWORD lcdSupported = 0, lcdCount = 0, cpuSupported = 0, cpuCount = 0;
    if (appState.driver)
        appState.driver->GetInfo(NULL, NULL, NULL, &lcdSupported, &lcdCount, &cpuSupported, &cpuCount);
    DWORD backlight[2], clock[2];
    LoadPowerControlSettings(backlight, clock);
    SetupGroup(page, IDC_BACKLIGHT_LABEL, IDC_BACKLIGHT_AC, IDC_BACKLIGHT_DC, lcdSupported, lcdCount, backlight);
    SetupGroup(page, IDC_CLOCK_LABEL, IDC_CLOCK_AC, IDC_CLOCK_DC, cpuSupported, cpuCount, clock);
    return TRUE;
}

static void StoreSlider(HWND page, int id, const char *name)
{
    HWND slider = GetDlgItem(page, id);
    if (!IsWindowEnabled(slider))
        return;
    DWORD position = (DWORD)SendMessageA(slider, TBM_GETPOS, 0, 0);
    AccessSetting(TRUE, name, &position);
}

static void OnApply(HWND page)
{
    StoreSlider(page, IDC_BACKLIGHT_AC, SettingLcdBacklightAc);
    StoreSlider(page, IDC_BACKLIGHT_DC, SettingLcdBacklightDc);
    StoreSlider(page, IDC_CLOCK_AC, SettingCpuClockAc);
    StoreSlider(page, IDC_CLOCK_DC, SettingCpuClockDc);
    PostSettingsChanged(PowerControlChanged);
}

static BOOL IsLevelSlider(HWND page, HWND control)
{
    return control && (control == GetDlgItem(page, IDC_BACKLIGHT_AC) || control == GetDlgItem(page, IDC_BACKLIGHT_DC)
                       || control == GetDlgItem(page, IDC_CLOCK_AC) || control == GetDlgItem(page, IDC_CLOCK_DC));
}

INT_PTR CALLBACK PowerControlPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_HSCROLL:
        // Every notification counts, even one that leaves the slider where it was.
        if (IsLevelSlider(page, (HWND)lParam))
            SheetChanged(page);
        return 0;
    case WM_NOTIFY:
        switch (((NMHDR *)lParam)->code) {
        case PSN_APPLY:
            OnApply(page);
            return PageResult(page, PSNRET_NOERROR);
        case PSN_HELP:
            SheetHelp(PowerControlHelpId);
            return PageResult(page, 0);
        }
        return 0;
    }
    return 0;
}
