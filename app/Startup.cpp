#include "app/Startup.h"

#include <commctrl.h>
#include <new>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/NoticeDialog.h"
#include "driver/DriverChannel.h"
#include "driver/PowerStatus.h"
#include "gfx/Text.h"
#include "res/resource.h"

const char KestrelInstanceName[] = "Kestrel:4FACD4C0-E1D7-11d1-9135-B36B9C89BE5C";

static const char ProductKey[] = "Software\\Ardwick\\Kestrel";
static const char InstallFolderValue[] = "InstFolder";
static const char ResourceSuffix[] = "\\Resource\\";
static const char HelpSuffix[] = "\\Kestrel.hlp";
static const char SiblingSuffix[] = "\\Tapfire.exe";

BOOL ReadInstallFolder(char *folder, UINT folderSize, char *resourceFolder, UINT resourceFolderSize)
{
    HKEY key;
    if (folderSize == 0 || RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    DWORD type = 0;
    DWORD size = folderSize;
    LONG status = RegQueryValueExA(key, InstallFolderValue, NULL, &type, (BYTE *)folder, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return FALSE;

    // The registry hands back the stored bytes, with no terminator when none was stored. A value
    // that fills the whole buffer without one does not fit.
    if (size > folderSize)
        return FALSE;
    if (size == 0 || folder[size - 1] != '\0') {
        if (size == folderSize)
            return FALSE;
        folder[size] = '\0';
    }
    // An empty folder is no installation: the program would work from the current drive's root
    // and launch whatever "\Tapfire.exe" it found there.
    if (folder[0] == '\0')
        return FALSE;

    char scratch[PathSize + sizeof ResourceSuffix];
    CopyText(scratch, sizeof scratch, folder);
    AppendText(scratch, sizeof scratch, ResourceSuffix);
    CopyText(resourceFolder, resourceFolderSize, scratch);
    return TRUE;
}

BOOL BuildSiblingCommand(const char *installFolder, char *command, UINT commandSize)
{
    // Installation folders hold blanks ("C:\Program Files\..."): unquoted, Windows would try
    // "C:\Program.exe" first.
    if (commandSize == 0)
        return FALSE;
    command[0] = '\0';
    return AppendText(command, commandSize, "\"") && AppendText(command, commandSize, installFolder)
        && AppendText(command, commandSize, SiblingSuffix) && AppendText(command, commandSize, "\"");
}

// Starts a program hidden and goes on at once. WinExec would do the same but then wait until the
// program is ready for input (up to 30 seconds), holding up Kestrel's own start for nothing.
static void StartHidden(char *command)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info;
    if (CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

static void LaunchSibling()
{
    DWORD noLaunch = 0;
    BOOL parsed = ReadStartupSwitches(NULL, &noLaunch);
    if (parsed && noLaunch)
        return;
    char command[PathSize + sizeof SiblingSuffix + 2];
    if (BuildSiblingCommand(appState.installFolder, command, sizeof command))
        StartHidden(command);
}

BOOL RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA wcx;
    ZeroMemory(&wcx, sizeof wcx);
    wcx.cbSize = sizeof wcx;
    wcx.style = CS_DBLCLKS;
    wcx.lpfnWndProc = MainWindowProc;
    wcx.hInstance = instance;
    wcx.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
    wcx.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wcx.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wcx.lpszClassName = KestrelInstanceName;
    wcx.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON), IMAGE_ICON, 16, 16, 0);
    if (RegisterClassExA(&wcx))
        return TRUE;

    // Systems without the extended registration take the same class without its small icon.
    if (wcx.hIconSm)
        DestroyIcon(wcx.hIconSm);
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.style = wcx.style;
    wc.lpfnWndProc = wcx.lpfnWndProc;
    wc.hInstance = wcx.hInstance;
    wc.hIcon = wcx.hIcon;
    wc.hCursor = wcx.hCursor;
    wc.hbrBackground = wcx.hbrBackground;
    wc.lpszClassName = wcx.lpszClassName;
    return RegisterClassA(&wc) != 0;
}

int RunKestrel(HINSTANCE instance)
{
    // The handle stays open for the life of the process; its end releases the mutex.
    CreateMutexA(NULL, TRUE, KestrelInstanceName);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    appState.instance = instance;
    InitCommonControls();

    if (!ReadInstallFolder(appState.installFolder, sizeof appState.installFolder,
                           appState.resourceFolder, sizeof appState.resourceFolder)) {
        ShowErrorDialog(instance, IDD_INSTALL_ERROR, NULL, NULL);
        return 0;
    }
    CopyText(appState.helpPath, sizeof appState.helpPath, appState.installFolder);
    AppendText(appState.helpPath, sizeof appState.helpPath, HelpSuffix);

    LaunchSibling();

    PowerStatus status;
    ReadPowerStatus(&status);
    appState.onAcPower = IsOnAc(status.state);

    // Without a channel object the program runs with every driver feature off.
    appState.driver = new (std::nothrow) DriverChannel;
    if (appState.driver)
        appState.driver->Open(NULL, appState.installFolder);

    appState.smallAppIcon = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON),
                                              IMAGE_ICON, 16, 16, 0);

    if (!RegisterMainWindowClass(instance))
        return 0;
    appState.mainWindow = CreateWindowExA(0, KestrelInstanceName, "", WS_POPUP | WS_DISABLED,
                                          0, 0, 0, 0, NULL, NULL, instance, NULL);
    if (!appState.mainWindow)
        return 0;

    MSG msg;
    msg.wParam = 0;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    if (appState.smallAppIcon) {
        DestroyIcon(appState.smallAppIcon);
        appState.smallAppIcon = NULL;
    }
    if (appState.driver) {
        appState.driver->Close();
        delete appState.driver;
        appState.driver = NULL;
    }
    return (int)msg.wParam;
}
