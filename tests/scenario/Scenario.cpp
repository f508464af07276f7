#include "scenario/Scenario.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>

#include "FakeBattery.h"
#include "SimControl.h"
#include "TestPaths.h"
#include "res/resource.h"

const char InstallFolder[] = "C:\\Program Files\\Ardwick\\Kestrel";
const char InstalledResources[] = "C:\\Program Files\\Ardwick\\Kestrel\\Resource\\";
static const char KestrelClass[] = "Kestrel:4FACD4C0-E1D7-11d1-9135-B36B9C89BE5C";
static const char ProductKey[] = "Software\\Ardwick\\Kestrel";
static const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount();; Sleep(20)) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

// A folder tree copied or removed as the shell does it: lists of names ended by an empty one.
static bool ShellOperation(UINT operation, const std::string &from, const std::string &to)
{
    const std::string fromList = from + '\0', toList = to + '\0';
    SHFILEOPSTRUCTA op = {};
    op.wFunc = operation;
    op.pFrom = fromList.c_str();
    op.pTo = to.empty() ? NULL : toList.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationA(&op) == 0;
}

void RemoveTree(const std::string &folder) { ShellOperation(FO_DELETE, folder, ""); }

bool InstallKestrel(const char *folder)
{
    SHCreateDirectoryExA(NULL, folder, NULL);
    std::string sibling = std::string(folder) + "\\Tapfire.exe";
    if (!ShellOperation(FO_COPY, KESTREL_IMAGE_DIR "\\*", folder)
            || !CopyFileA(KESTREL_SIM_DIR "\\Tapfire.exe", sibling.c_str(), FALSE))
        return false;
    DeleteFileA((std::string(folder) + "\\tapfire.log").c_str());
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, ProductKey, &key) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, "InstFolder", 0, REG_SZ, (const BYTE *)folder, lstrlenA(folder) + 1);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::string DriverRequests(const char *filter)
{
    SimRequest entries[256];
    DWORD count = SimReadLog(entries, 256);
    std::string text;
    for (DWORD i = 0; i < count; i++) {
        const char *name = SimRequestName(entries[i].code);
        if (!filter || strstr(name, filter))
            text += (text.empty() ? "" : ", ") + std::string(name) + " " + std::to_string(entries[i].input);
    }
    return text;
}

int CountRequests(const char *filter)
{
    const std::string requests = DriverRequests(filter);
    return requests.empty() ? 0 : 1 + (int)std::count(requests.begin(), requests.end(), ',');
}

bool StartProcess(const std::string &commandLine, PROCESS_INFORMATION *info, DWORD flags)
{
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, flags, NULL, NULL, &startup, info) != 0;
}

int RunProgram(const std::string &commandLine, DWORD timeoutMs, std::string *output)
{
    // Only a run whose output is wanted inherits handles: a program left running must not keep
    // the test runner's own output open.
    char temp[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "krp", 0, file);
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, NULL, TRUE };
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = output ? STARTF_USESTDHANDLES : 0;
    startup.hStdOutput = startup.hStdError =
        CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string line = commandLine;
    PROCESS_INFORMATION info;
    DWORD code = (DWORD)-1;
    if (CreateProcessA(NULL, &line[0], NULL, NULL, output != NULL, 0, NULL, NULL, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    CloseHandle(startup.hStdOutput);
    if (output)
        *output = ReadTextFile(file);
    DeleteFileA(file);
    return (int)code;
}

std::string ReadTextFile(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                              NULL);
    char buffer[4096];
    DWORD got;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &got, NULL) && got)
        text.append(buffer, got);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return text;
}

bool WriteTextFile(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL)
        && written == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return ok;
}

template <typename Visit> static void ForEachProcess(const char *exeName, Visit visit)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, exeName) == 0)
            visit(entry.th32ProcessID);
    CloseHandle(snapshot);
}

int CountProcesses(const char *exeName)
{
    int count = 0;
    ForEachProcess(exeName, [&](DWORD) { count++; });
    return count;
}

void KillProcesses(const char *exeName)
{
    ForEachProcess(exeName, [](DWORD id) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    });
}

// The system gives no handle to wait on for a program of the host, so a shell runs xdotool and
// leaves its exit code in a file, which is waited for.
bool Xdo(const std::string &arguments)
{
    static int calls = 0;
    const std::string marker = "/tmp/kestrel-xdo-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++calls);
    std::string markerDos = "Z:" + marker;
    std::replace(markerDos.begin(), markerDos.end(), '/', '\\');
    PROCESS_INFORMATION info;
    if (!StartProcess("Z:\\bin\\sh -c \"xdotool " + arguments + "; echo $? > " + marker + "\"", &info))
        return false;
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    std::string code;
    bool done = WaitUntil([&] { return !(code = ReadTextFile(markerDos)).empty(); }, 10000);
    DeleteFileA(markerDos.c_str());
    return done && code[0] == '0';
}

bool ClickScreen(int x, int y, int clicks)
{
    return Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click --repeat " + std::to_string(clicks)
               + " --delay 80 1");
}

bool ClickCentre(HWND window, int clicks)
{
    const RECT r = WindowRect(window);
    return window && ClickScreen((r.left + r.right) / 2, (r.top + r.bottom) / 2, clicks);
}

struct WindowSearch {
    DWORD processId;
    const char *className, *title;
    const std::function<bool(HWND)> *accept;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    WindowSearch *search = (WindowSearch *)lParam;
    DWORD owner = 0;
    char text[256];
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId
            || (search->className && (!GetClassNameA(window, text, sizeof text) || lstrcmpiA(text, search->className)))
            || (search->title && (GetWindowTextA(window, text, sizeof text), lstrcmpA(text, search->title)))
            || (*search->accept && !(*search->accept)(window)))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindProcessWindow(DWORD processId, const char *className, const char *title,
                       const std::function<bool(HWND)> &accept)
{
    WindowSearch search = { processId, className, title, &accept, NULL };
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}

HWND IndicatorOf(DWORD processId)
{
    return FindProcessWindow(processId, "Static", NULL, [](HWND w) {
        return IsWindowVisible(w) && !(GetWindowLongA(w, GWL_STYLE) & WS_DISABLED);
    });
}

HWND GaugeOf(DWORD processId)
{
    return FindProcessWindow(processId, "Static", NULL,
                             [](HWND w) { return (GetWindowLongA(w, GWL_STYLE) & WS_DISABLED) != 0; });
}

RECT WorkArea()
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool TraySlot(int index, RECT *slot)
{
    const int size = 20;   // the small icon and a border of 2 around it
    RECT r;
    if (!GetWindowRect(FindWindowA("Shell_TrayWnd", NULL), &r))
        return false;
    int top = r.top + (r.bottom - r.top - size) / 2;
    SetRect(slot, r.right - size * (index + 1), top, r.right - size * index, top + size);
    return true;
}

bool CopyScreen(const RECT &area, const MemoryDc &picture)
{
    HDC screen = GetDC(NULL);
    bool copied = BitBlt(picture.Dc(), 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top,
                         SRCCOPY) != 0;
    ReleaseDC(NULL, screen);
    return copied;
}

bool TraySlotEmpty(int index)
{
    RECT slot;
    MemoryDc shot(NULL, 20, 20);
    if (!TraySlot(index, &slot) || !CopyScreen(slot, shot))
        return false;
    for (int i = 0; i < 400; i++)
        if (GetPixel(shot.Dc(), i % 20, i / 20) != GetPixel(shot.Dc(), 0, 0))
            return false;
    return true;
}

bool ShowsPicture(int index, HICON picture)
{
    ICONINFO info;
    if (!picture || !GetIconInfo(picture, &info))
        return false;
    RECT slot;
    bool same;
    int opaque = 0;
    {
        MemoryDc shot(NULL, 20, 20), colour(NULL, info.hbmColor), mask(NULL, info.hbmMask);
        same = TraySlot(index, &slot) && CopyScreen(slot, shot);
        for (int i = 0; i < 256 && same; i++) {
            const int x = i % 16, y = i / 16;
            if (GetPixel(mask.Dc(), x, y) == RGB(0, 0, 0)) {   // opaque: the taskbar does not show through
                opaque++;
                same = GetPixel(shot.Dc(), x + 2, y + 2) == GetPixel(colour.Dc(), x, y);
            }
        }
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return same && opaque > 0;
}

std::string RestingTooltip(int x, int y, DWORD processId)
{
    std::string tip;
    int step = 0;
    WaitUntil([&] {
        // Small moves on the spot: a tip shows once the mouse rests there.
        if (step++ % 25 == 0)
            Xdo("mousemove " + std::to_string(x + (step / 25) % 2) + " " + std::to_string(y));
        char text[256] = "";
        if (HWND shown = FindVisibleWindow(processId, "tooltips_class32"))
            SendMessageTimeoutA(shown, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_BLOCK, 2000, NULL);
        return !(tip = text).empty();
    }, 15000);
    // Away, so that the tip goes and the next rest shows a fresh one.
    Xdo("mousemove 500 400");
    WaitUntil([&] { return FindVisibleWindow(processId, "tooltips_class32") == NULL; }, 2000);
    return tip;
}

std::string HoverTooltip(int index)
{
    RECT slot;
    DWORD shell = 0;
    GetWindowThreadProcessId(FindWindowA("Shell_TrayWnd", NULL), &shell);
    return TraySlot(index, &slot) ? RestingTooltip((slot.left + slot.right) / 2, (slot.top + slot.bottom) / 2, shell) : "";
}

HICON LoadInstalledIcon(const std::string &relativePath)
{
    const std::string path = std::string(InstallFolder) + "\\Resource\\" + relativePath;
    return (HICON)LoadImageA(NULL, path.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
}

DWORD StoredDword(const char *name)
{
    DWORD value = NotStored, size = sizeof value, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return NotStored;
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)&value, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? value : NotStored;
}

void StoreDword(const char *name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key));
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
    RegCloseKey(key);
}

std::string StoredSettings()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    std::string all = "key";
    char name[256];
    BYTE data[8192];
    for (DWORD i = 0, nameSize = sizeof name, type, size = sizeof data;
         RegEnumValueA(key, i, name, &nameSize, NULL, &type, data, &size) == ERROR_SUCCESS;
         i++, nameSize = sizeof name, size = sizeof data)
        all += "|" + std::string(name) + ":" + std::to_string(type) + ":" + std::string((char *)data, size);
    RegCloseKey(key);
    return all;
}

UserWindow::UserWindow()
    : window(CreateWindowExA(0, "STATIC", "user's work", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, NULL,
                             NULL, GetModuleHandleA(NULL), NULL))
{
}

UserWindow::~UserWindow() { DestroyWindow(window); }

bool UserWindow::TakeForeground()
{
    return WaitUntil([this] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
    }, 5000);
}

static BOOL CALLBACK FindTextPane(HWND child, LPARAM lParam)
{
    char name[64];
    if (GetClassNameA(child, name, sizeof name) && _strnicmp(name, "RichEdit", 8) == 0)
        *(HWND *)lParam = child;
    return *(HWND *)lParam == NULL;
}

std::string HelpViewerTitle()
{
    HWND viewer = FindWindowA("MS_WINHELP", NULL), pane = NULL;   // as WinHelp itself finds the viewer
    if (viewer)
        EnumChildWindows(viewer, FindTextPane, (LPARAM)&pane);
    char text[4096] = "";
    DWORD_PTR copied = 0;
    if (!pane || !SendMessageTimeoutA(pane, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_BLOCK, 2000, &copied))
        return "";
    const std::string shown(text, copied);
    return shown.substr(0, shown.find_first_of("\r\n"));
}

void CloseHelpViewer()
{
    WinHelpA(NULL, (std::string(InstallFolder) + "\\Kestrel.hlp").c_str(), HELP_QUIT, 0);
    if (!WaitUntil([] { return FindWindowA("MS_WINHELP", NULL) == NULL; }, 5000))
        KillProcesses("winhlp32.exe");
}

KestrelProcess::KestrelProcess() : mainWindow(NULL) { ZeroMemory(&info, sizeof info); }

KestrelProcess::~KestrelProcess()
{
    if (!info.hProcess)
        return;
    if (Running()) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

HWND KestrelProcess::WaitForMainWindow(DWORD timeoutMs)
{
    WaitUntil([this] {
        mainWindow = FindProcessWindow(info.dwProcessId, KestrelClass, NULL);
        return mainWindow != NULL || !Running();
    }, timeoutMs);
    return mainWindow;
}

HWND KestrelProcess::WaitForWindow(const char *className, const char *title, DWORD timeoutMs)
{
    HWND window = NULL;
    WaitUntil([&] { return (window = FindProcessWindow(info.dwProcessId, className, title)) != NULL; }, timeoutMs);
    return window;
}

bool KestrelProcess::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    return info.hProcess && WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0
        && GetExitCodeProcess(info.hProcess, exitCode);
}

void KestrelProcess::Exit()
{
    DWORD code = 99;
    ASSERT_TRUE(Post(WM_COMMAND, IDM_EXIT, 0));
    ASSERT_TRUE(WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
}

bool StartSettled(KestrelProcess &kestrel, const std::string &arguments, bool indicator, bool ringAnswers)
{
    return kestrel.Launch(arguments) && (!indicator || WaitUntil([&] { return IndicatorOf(kestrel.Id()) != NULL; }))
        && (!ringAnswers || WaitUntil([] { return DriverRequests("ring-set") != ""; }));
}

void KestrelWorld::SetUp()
{
    KillProcesses("Kestrel.exe");
    KillProcesses("Tapfire.exe");
    ASSERT_TRUE(InstallKestrel());
    battery = FakeBatteryFolder();
    REQUIRE_TEST_WORLD(battery, "no fake battery: the test run could not make a private mount namespace");
    // The runner starts the desktop just before the tests: give its taskbar a moment.
    REQUIRE_TEST_WORLD(WaitUntil([] { return FindWindowA("Shell_TrayWnd", NULL) != NULL; }, 15000),
                       "the virtual desktop has no notification area");
    REQUIRE_TEST_WORLD(GetFileAttributesA("Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES, "xdotool is not installed");
    // In the sysfs world the sysfs power driver answers, from the fake tree, and the simulator is gone.
    SimState state;
    REQUIRE_TEST_WORLD(SysfsWorld() || SimGetState(&state), "the driver simulator is not loaded in this prefix");
    ASSERT_TRUE(SysfsWorld() || SimReset());
    ASSERT_TRUE(FakeBatterySet(battery, FakeAcNotCharging, 100, 0));
    ClearStoredSettings();
    ASSERT_TRUE(WaitUntil([] { return TraySlotEmpty(0); })) << "an earlier program's icon is still shown";
}

void KestrelWorld::TearDown()
{
    KillProcesses("Kestrel.exe");
    KillProcesses("Tapfire.exe");
    ClearStoredSettings();
    if (!SysfsWorld())
        SimReset();
    if (battery)
        FakeBatterySet(battery, FakeAcNotCharging, 100, 0);
}
