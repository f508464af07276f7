#include "sheet/IndicatorPage.h"

#include <new>
#include <commctrl.h>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "gfx/Text.h"
#include "indicator/IndicatorSkin.h"
#include "indicator/IndicatorSkinInfo.h"
#include "res/resource.h"
#include "sheet/IndicatorChoices.h"
#include "sheet/SettingsSheet.h"

const UINT SkinTitleBufferSize = 100;
const UINT KindItemSize = 8 + SkinTitleBufferSize;   // "NN - " and the title
const UINT PositionTextSize = 100;
const UINT CaptionTextSize = 100;
const UINT PositionCount = 5;

// The page's state: one page exists at a time, from WM_INITDIALOG until its window is destroyed.
struct IndicatorPageState {
    BOOL preferredPowerStatus;   // the user's own choices; a skin that forces a check box
    BOOL preferredTime;          // changes the box, never these
    UINT sampleStep;             // the row of the demonstration shown
    PowerState captionState;     // the state the sample's caption describes
    IndicatorSkin *sampleSkin;   // draws the sample; null when it could not be made
};

static IndicatorPageState state;

UINT SelectedSkinNumber(HWND page)
{
    HWND list = GetDlgItem(page, IDC_KIND_LIST);
    LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return 0;
    // The list gives no bound for an item's text: ask its length first.
    LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, (WPARAM)selected, 0);
    if (length == CB_ERR)
        return 0;
    char *text = new (std::nothrow) char[length + 1];
    if (!text)
        return 0;
    UINT number = 0;
    if (SendMessageA(list, CB_GETLBTEXT, (WPARAM)selected, (LPARAM)text) != CB_ERR)
        number = SkinNumberFromText(text);
    delete[] text;
    return number;
}

// A stored skin that is no longer installed leaves the kind list without a selection.
static BOOL KindChosen(HWND page)
{
    return SendMessageA(GetDlgItem(page, IDC_KIND_LIST), CB_GETCURSEL, 0, 0) != CB_ERR;
}

static BOOL Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) != BST_UNCHECKED;
}

// Sets the two "show" check boxes from the user's choices and what the selected skin forces;
// a forced remaining time is hidden altogether, a forced power status only disabled. Without a
// selection no skin forces anything.
static void ApplySkinFixes(HWND page, BOOL *powerStatusFixed, BOOL *timeFixed)
{
    SkinFix markFix = Free, timeFix = Free;
    IndicatorSkinInfo info;
    if (!KindChosen(page) || !info.Load(appState.installFolder, SelectedSkinNumber(page))
            || !info.GetInfo(NULL, 0, &markFix, &timeFix))
        markFix = timeFix = Free;
    BOOL powerStatus = ResolveChoice(state.preferredPowerStatus, markFix, powerStatusFixed);
    BOOL time = ResolveChoice(state.preferredTime, timeFix, timeFixed);

    HWND box = GetDlgItem(page, IDC_SHOW_POWER_STATUS);
    EnableWindow(box, TRUE);
    CheckDlgButton(page, IDC_SHOW_POWER_STATUS, powerStatus ? BST_CHECKED : BST_UNCHECKED);
    if (*powerStatusFixed)
        EnableWindow(box, FALSE);

    box = GetDlgItem(page, IDC_SHOW_REMAINING_TIME);
    EnableWindow(box, TRUE);
    CheckDlgButton(page, IDC_SHOW_REMAINING_TIME, time ? BST_CHECKED : BST_UNCHECKED);
    if (*timeFixed) {
        EnableWindow(box, FALSE);
        ShowWindow(box, SW_HIDE);
    } else {
        ShowWindow(box, SW_SHOWNA);
    }
}

static void UpdateIndicatorControls(HWND page, BOOL powerStatusFixed, BOOL timeFixed)
{
    BOOL shown = Checked(page, IDC_SHOW_INDICATOR);
    const int group[] = { IDC_INDICATOR_GROUP, IDC_POSITION_LABEL, IDC_POSITION_LIST, IDC_VERTICAL, IDC_KIND_LABEL,
                          IDC_KIND_LIST, IDC_SAMPLE_LABEL };
    for (int id : group)
        EnableWindow(GetDlgItem(page, id), shown);
    EnableWindow(GetDlgItem(page, IDC_SHOW_POWER_STATUS), shown && !powerStatusFixed);
    EnableWindow(GetDlgItem(page, IDC_SHOW_REMAINING_TIME), shown && !timeFixed);
    ShowWindow(GetDlgItem(page, IDC_SAMPLE_CAPTION), shown ? SW_SHOWNA : SW_HIDE);
    ShowWindow(GetDlgItem(page, IDC_SAMPLE), shown ? SW_SHOWNA : SW_HIDE);
}

static void ReleaseSample()
{
    if (state.sampleSkin) {
        state.sampleSkin->Release();
        delete state.sampleSkin;
        state.sampleSkin = NULL;
    }
}

// Without a selection there is no skin to show: the sample stays empty.
static void RebuildSample(HWND page)
{
    ReleaseSample();
    if (KindChosen(page))
        state.sampleSkin = new (std::nothrow) IndicatorSkin(appState.instance);
    const DWORD mode = ModeFromChecks(Checked(page, IDC_SHOW_POWER_STATUS), Checked(page, IDC_SHOW_REMAINING_TIME));
    // A skin whose file is missing loads without images and draws nothing visible.
    if (state.sampleSkin)
        state.sampleSkin->Load(appState.installFolder, appState.resourceFolder, SelectedSkinNumber(page), mode);
    InvalidateRect(GetDlgItem(page, IDC_SAMPLE), NULL, FALSE);
}

static void ShowSampleDescription(HWND page, PowerState powerState)
{
    char caption[CaptionTextSize] = "";
    LoadStringA(appState.instance, SampleCaptionId(powerState), caption, sizeof caption);
    SetDlgItemTextA(page, IDC_SAMPLE_CAPTION, caption);
}

static void FillKindList(HWND page, DWORD storedNumber)
{
    HWND list = GetDlgItem(page, IDC_KIND_LIST);
    LRESULT chosen = CB_ERR;
    for (UINT number = 0; number < SkinNumberCount; number++) {
        IndicatorSkinInfo info;
        info.Load(appState.installFolder, number);
        char title[SkinTitleBufferSize];
        if (!info.GetInfo(title, sizeof title, NULL, NULL))
            continue;
        char item[KindItemSize];
        wsprintfA(item, "%02u - ", number);   // at most "99 - "
        AppendText(item, sizeof item, title);
        LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)item);
        if (number == storedNumber)
            chosen = index;
    }
    // A stored number that names no installed skin leaves the list without a selection.
    if (chosen != CB_ERR)
        SendMessageA(list, CB_SETCURSEL, (WPARAM)chosen, 0);
}

static void FillPositionList(HWND page, DWORD storedPosition)
{
    HWND list = GetDlgItem(page, IDC_POSITION_LIST);
    for (UINT i = 0; i < PositionCount; i++) {
        char text[PositionTextSize] = "";
        LoadStringA(appState.instance, IDS_POSITION_TOP_RIGHT + i, text, sizeof text);
        SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)text);
    }
    // Outside the list (a damaged value) there is no selection, which reads back as "free".
    SendMessageA(list, CB_SETCURSEL, (WPARAM)storedPosition, 0);
}

static INT_PTR OnInitDialog(HWND page)
{
    PrepareSheetWindow(GetParent(page));
    state.sampleStep = 0;
    state.captionState = SampleDemoTable[0].state;
    SetTimer(page, SampleTimer, SamplePeriod, NULL);
    ShowSampleDescription(page, state.captionState);

    DWORD show, number, position, vertical, mode;
    LoadIndicatorSettings(&show, &number, &position, &vertical, &mode);
    CheckDlgButton(page, IDC_SHOW_INDICATOR, show ? BST_CHECKED : BST_UNCHECKED);
    FillKindList(page, number);
    FillPositionList(page, position);
    CheckDlgButton(page, IDC_VERTICAL, vertical ? BST_CHECKED : BST_UNCHECKED);
    PreferredFromMode(mode, &state.preferredPowerStatus, &state.preferredTime);

    BOOL powerStatusFixed, timeFixed;
    ApplySkinFixes(page, &powerStatusFixed, &timeFixed);
    RebuildSample(page);
    UpdateIndicatorControls(page, powerStatusFixed, timeFixed);
    return TRUE;
}

static void OnCommand(HWND page, int id, int code)
{
    BOOL powerStatusFixed, timeFixed;
    switch (id) {
    case IDC_SHOW_INDICATOR:
        SheetChanged(page);
        ApplySkinFixes(page, &powerStatusFixed, &timeFixed);
        UpdateIndicatorControls(page, powerStatusFixed, timeFixed);
        break;
    case IDC_POSITION_LIST:
        if (code == CBN_SELCHANGE)
            SheetChanged(page);
        break;
    case IDC_KIND_LIST:
        if (code != CBN_SELCHANGE)
            break;
        ApplySkinFixes(page, &powerStatusFixed, &timeFixed);
        SheetChanged(page);
        RebuildSample(page);
        break;
    case IDC_SHOW_POWER_STATUS:
        state.preferredPowerStatus = Checked(page, IDC_SHOW_POWER_STATUS);
        SheetChanged(page);
        RebuildSample(page);
        break;
    case IDC_SHOW_REMAINING_TIME:
        state.preferredTime = Checked(page, IDC_SHOW_REMAINING_TIME);
        SheetChanged(page);
        RebuildSample(page);
        break;
    case IDC_VERTICAL:
        SheetChanged(page);
        break;
    }
}

static void OnTimer(HWND page)
{
    state.sampleStep = (state.sampleStep + 1) % SampleRowCount;
    InvalidateRect(GetDlgItem(page, IDC_SAMPLE), NULL, FALSE);
    PowerState rowState = SampleDemoTable[state.sampleStep].state;
    if (rowState != state.captionState) {
        state.captionState = rowState;
        ShowSampleDescription(page, rowState);
    }
}

// The sample always shows the horizontal layout, centred in the button, at the current row.
static void PaintSample(HDC canvas, int width, int height, HBRUSH background, void *)
{
    int skinWidth, skinHeight;
    if (!state.sampleSkin || !state.sampleSkin->GetSize(TRUE, &skinWidth, &skinHeight))
        return;
    POINT origin = { (width - skinWidth) / 2, (height - skinHeight) / 2 };
    const SampleRow &row = SampleDemoTable[state.sampleStep];
    state.sampleSkin->Draw(canvas, TRUE, row.percent, row.state, row.minutes, &origin, background);
}

static void DrawSample(HWND page, const DRAWITEMSTRUCT *item)
{
    PaintItemOnPage(page, item, PaintSample, NULL);
}

static void OnApply(HWND page)
{
    DWORD show = Checked(page, IDC_SHOW_INDICATOR) ? 1 : 0;
    // Without a selection the stored number stays, rather than a 0 that would take the indicator
    // away.
    const BOOL kindChosen = KindChosen(page);
    DWORD number = SelectedSkinNumber(page);
    // No selection stores all ones, which the indicator takes as a free position.
    DWORD position = (DWORD)SendMessageA(GetDlgItem(page, IDC_POSITION_LIST), CB_GETCURSEL, 0, 0);
    DWORD vertical = Checked(page, IDC_VERTICAL) ? 1 : 0;
    DWORD mode = ModeFromChecks(Checked(page, IDC_SHOW_POWER_STATUS), Checked(page, IDC_SHOW_REMAINING_TIME));
    AccessSetting(TRUE, SettingIndicatorShow, &show);
    if (kindChosen)
        AccessSetting(TRUE, SettingIndicatorNumber, &number);
    AccessSetting(TRUE, SettingIndicatorPosition, &position);
    AccessSetting(TRUE, SettingIndicatorVertical, &vertical);
    AccessSetting(TRUE, SettingIndicatorMode, &mode);
    PostSettingsChanged(IndicatorChanged);
}

// Cancel, and the end of the page window whatever closed the sheet: the sample's bitmaps and
// shapes are not kept for a page that no longer exists.
static void StopSample(HWND page)
{
    KillTimer(page, SampleTimer);
    ReleaseSample();
}

INT_PTR CALLBACK IndicatorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        if (wParam != (WPARAM)IDC_SAMPLE)
            return 0;
        DrawSample(page, (const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_TIMER:
        OnTimer(page);
        return 0;
    case WM_DESTROY:
        StopSample(page);
        return 0;
    case WM_NOTIFY:
        switch (((NMHDR *)lParam)->code) {
        case PSN_APPLY:
            OnApply(page);
            return PageResult(page, PSNRET_NOERROR);
        case PSN_RESET:
            StopSample(page);
            return 0;
        case PSN_HELP:
            SheetHelp(IndicatorHelpId);
            return PageResult(page, 0);
        }
        return 0;
    }
    return 0;
}
