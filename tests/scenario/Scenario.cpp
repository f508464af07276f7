#include "scenario/Scenario.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>

#include "FakeBattery.h"
#include "SimControl.h"
#include "TestPaths.h"

const char InstallFolder[] = "C:\\Program Files\\Ardwick\\Kestrel";
static const char KestrelClass[] = "Kestrel:4FACD4C0-E1D7-11d1-9135-B36B9C89BE5C";
static const char ProductKey[] = "Software\\Ardwick\\Kestrel";
static const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";
static const UINT CmdExit = 40005;

bool TestWorldRequired()
{
    const char *required = getenv("KESTREL_TEST_WORLD");
    return required && required[0] == '1';
}

const char *FakeBatteryFolder()
{
    return getenv("KESTREL_FAKE_BATTERY");
}

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(20);
    }
}

static bool CopyTree(const std::string &from, const std::string &to)
{
    CreateDirectoryA(to.c_str(), NULL);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + "\\" + name, to + "\\" + name) && ok;
        else
            ok = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return ok;
}

bool InstallKestrel(const char *folder)
{
    SHCreateDirectoryExA(NULL, folder, NULL);
    if (!CopyTree(KESTREL_IMAGE_DIR, folder))
        return false;
    std::string sibling = std::string(folder) + "\\Tapfire.exe";
    if (!CopyFileA(KESTREL_SIM_DIR "\\Tapfire.exe", sibling.c_str(), FALSE))
        return false;
    DeleteFileA((std::string(folder) + "\\tapfire.log").c_str());
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, ProductKey, &key) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, "InstFolder", 0, REG_SZ, (const BYTE *)folder, lstrlenA(folder) + 1);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void UninstallKestrel()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);
}

std::string DriverRequests(const char *filter)
{
    SimRequest entries[256];
    DWORD count = SimReadLog(entries, 256);
    std::string text;
    for (DWORD i = 0; i < count; i++) {
        const char *name = SimRequestName(entries[i].code);
        if (filter && !strstr(name, filter))
            continue;
        if (!text.empty())
            text += ", ";
        text += name + std::string(" ") + std::to_string(entries[i].input);
    }
    return text;
}

// The system gives no handle to wait on for a program of the host, so a shell runs xdotool and
// leaves its exit code in a file, which is waited for.
bool StartProcess(const std::string &commandLine, PROCESS_INFORMATION *info)
{
    std::string line = commandLine;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    return CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, info) != 0;
}

bool Xdo(const std::string &arguments)
{
    static int calls = 0;
    std::string marker = "/tmp/kestrel-xdo-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++calls);
    std::string markerDos = "Z:" + marker;
    for (char &c : markerDos)
        c = c == '/' ? '\\' : c;
    DeleteFileA(markerDos.c_str());
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

int RunProgram(const std::string &commandLine, DWORD timeoutMs)
{
    PROCESS_INFORMATION info;
    if (!StartProcess(commandLine, &info))
        return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return (int)code;
}

std::string ReadTextFile(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

int CountLines(const std::string &text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

template <typename Visit> static void ForEachProcess(const char *exeName, Visit visit)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) == 0)
            visit(entry.th32ProcessID);
    }
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

struct WindowSearch {
    DWORD processId;
    const char *className;
    const char *title;
    const std::function<bool(HWND)> *accept;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    WindowSearch *search = (WindowSearch *)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    char text[256];
    if (search->className && (!GetClassNameA(window, text, sizeof text) || lstrcmpiA(text, search->className)))
        return TRUE;
    if (search->title && (GetWindowTextA(window, text, sizeof text), lstrcmpA(text, search->title)))
        return TRUE;
    if (*search->accept && !(*search->accept)(window))
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

KestrelProcess::KestrelProcess() : mainWindow(NULL)
{
    ZeroMemory(&info, sizeof info);
}

KestrelProcess::~KestrelProcess()
{
    if (info.hProcess) {
        if (Running()) {
            TerminateProcess(info.hProcess, 1);
            WaitForSingleObject(info.hProcess, 5000);
        }
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
}

bool KestrelProcess::Start(const std::string &arguments, const char *folder)
{
    return StartLine("\"" + std::string(folder) + "\\Kestrel.exe\"" + (arguments.empty() ? "" : " " + arguments));
}

bool KestrelProcess::StartLine(const std::string &commandLine)
{
    return StartProcess(commandLine, &info);
}

bool KestrelProcess::Launch(const std::string &arguments)
{
    return Start(arguments) && WaitForMainWindow() != NULL;
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
    WaitUntil([&] { return (window = FindProcessWindow(info.dwProcessId, className, title)) != NULL; },
              timeoutMs);
    return window;
}

bool KestrelProcess::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    return mainWindow && PostMessageA(mainWindow, message, wParam, lParam);
}

bool KestrelProcess::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    if (!info.hProcess || WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(info.hProcess, exitCode) != 0;
}

bool KestrelProcess::Running() const
{
    return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

void KestrelProcess::Exit()
{
    ASSERT_TRUE(Post(WM_COMMAND, CmdExit, 0));
    DWORD code = 99;
    ASSERT_TRUE(WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
}

void KestrelScenario::SetUp()
{
    KillProcesses("Kestrel.exe");
    KillProcesses("Tapfire.exe");
    ASSERT_TRUE(InstallKestrel());
}

void KestrelScenario::TearDown()
{
    KillProcesses("Kestrel.exe");
    KillProcesses("Tapfire.exe");
}

void KestrelWorld::SetUp()
{
    KestrelScenario::SetUp();
    battery = FakeBatteryFolder();
    REQUIRE_TEST_WORLD(battery, "no fake battery: the test run could not make a private mount namespace");
    // The runner starts the desktop just before the tests: give its taskbar a moment.
    REQUIRE_TEST_WORLD(WaitUntil([] { return FindWindowA("Shell_TrayWnd", NULL) != NULL; }, 15000),
                       "the virtual desktop has no notification area");
    SimState state;
    REQUIRE_TEST_WORLD(SimGetState(&state), "the driver simulator is not loaded in this prefix");
    REQUIRE_TEST_WORLD(GetFileAttributesA("Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES,
                       "xdotool is not installed");
    ASSERT_TRUE(SimReset());
    ASSERT_TRUE(FakeBatterySet(battery, FakeAcNotCharging, 100, 0));
    ClearStoredSettings();
    ASSERT_TRUE(WaitUntil([] { return TraySlotEmpty(0); })) << "an earlier program's icon is still shown";
}

void KestrelWorld::TearDown()
{
    KestrelScenario::TearDown();
    ClearStoredSettings();
    SimReset();
    if (battery)
        FakeBatterySet(battery, FakeAcNotCharging, 100, 0);
}

bool StoredDword(const char *name, DWORD *value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof *value, type = 0;
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)value, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD;
}

void StoreDword(const char *name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key));
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
    RegCloseKey(key);
}

void ClearStoredSettings()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
}

bool ClickScreen(int x, int y, int clicks)
{
    return Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click --repeat "
               + std::to_string(clicks) + " --delay 80 1");
}

bool ClickCentre(HWND window, int clicks)
{
    RECT r;
    return window && GetWindowRect(window, &r) && ClickScreen((r.left + r.right) / 2, (r.top + r.bottom) / 2, clicks);
}

HWND FindVisibleWindow(DWORD processId, const char *className)
{
    return FindProcessWindow(processId, className, NULL, [](HWND window) { return IsWindowVisible(window) != 0; });
}

LRESULT SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_BLOCK, 5000, &result);
    return (LRESULT)result;
}

UserWindow::UserWindow()
{
    window = CreateWindowExA(0, "STATIC", "user's work", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200,
                             NULL, NULL, GetModuleHandleA(NULL), NULL);
}

UserWindow::~UserWindow()
{
    if (window)
        DestroyWindow(window);
}

bool UserWindow::TakeForeground()
{
    return window && WaitUntil([this] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
    }, 5000);
}

bool TraySlot(int index, RECT *slot)
{
    const int size = 20;   // the small icon and a border of 2 around it
    HWND tray = FindWindowA("Shell_TrayWnd", NULL);
    RECT r;
    if (!tray || !GetWindowRect(tray, &r))
        return false;
    int top = r.top + (r.bottom - r.top - size) / 2;
    SetRect(slot, r.right - size * (index + 1), top, r.right - size * index, top + size);
    return true;
}

MemoryPicture::MemoryPicture(int width, int height)
{
    HDC screen = GetDC(NULL);
    dc = CreateCompatibleDC(screen);
    owned = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    old = SelectObject(dc, owned);
}

MemoryPicture::MemoryPicture(HBITMAP borrowed) : dc(CreateCompatibleDC(NULL)), owned(NULL)
{
    old = SelectObject(dc, borrowed);
}

MemoryPicture::~MemoryPicture()
{
    SelectObject(dc, old);
    DeleteDC(dc);
    if (owned)
        DeleteObject(owned);
}

bool CopyScreen(const RECT &area, const MemoryPicture &picture)
{
    HDC screen = GetDC(NULL);
    bool copied = BitBlt(picture.dc, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
                         area.top, SRCCOPY) != 0;
    ReleaseDC(NULL, screen);
    return copied;
}

bool TraySlotEmpty(int index)
{
    RECT slot;
    MemoryPicture shot(20, 20);
    if (!TraySlot(index, &slot) || !CopyScreen(slot, shot))
        return false;
    COLORREF background = GetPixel(shot.dc, 0, 0);
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 20; x++)
            if (GetPixel(shot.dc, x, y) != background)
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
        MemoryPicture shot(20, 20), colour(info.hbmColor), mask(info.hbmMask);
        same = TraySlot(index, &slot) && CopyScreen(slot, shot);
        for (int y = 0; y < 16 && same; y++) {
            for (int x = 0; x < 16 && same; x++) {
                if (GetPixel(mask.dc, x, y) != RGB(0, 0, 0))
                    continue;   // transparent in the picture: the taskbar shows through
                opaque++;
                same = GetPixel(shot.dc, x + 2, y + 2) == GetPixel(colour.dc, x, y);
            }
        }
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return same && opaque > 0;
}

struct TooltipSearch {
    HWND owner, found;
};

static BOOL CALLBACK MatchTooltip(HWND window, LPARAM lParam)
{
    TooltipSearch *search = (TooltipSearch *)lParam;
    char name[64];
    if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)
            && GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, "tooltips_class32") == 0)
        search->found = window;
    return search->found == NULL;
}

std::string HoverTooltip(int index, DWORD timeoutMs)
{
    RECT slot;
    if (!TraySlot(index, &slot))
        return "";
    int x = (slot.left + slot.right) / 2, y = (slot.top + slot.bottom) / 2;
    // The shell's tip: a visible tooltip window that the taskbar owns.
    TooltipSearch search = { FindWindowA("Shell_TrayWnd", NULL), NULL };
    int step = 0;
    WaitUntil([&] {
        // Small moves inside the slot: the shell shows the tip once the mouse rests there.
        if (step++ % 25 == 0)
            SetCursorPos(x + (step / 25) % 2, y);
        EnumWindows(MatchTooltip, (LPARAM)&search);
        return search.found != NULL;
    }, timeoutMs);
    char tip[256] = "";
    if (search.found)
        SendMessageTimeoutA(search.found, WM_GETTEXT, sizeof tip, (LPARAM)tip, SMTO_BLOCK, 2000, NULL);
    // Away from the taskbar, so that the tip goes and the next hover shows a fresh one.
    SetCursorPos(x - 500, y - 400);
    WaitUntil([&] { return !IsWindowVisible(search.found); }, 2000);
    return tip;
}

HICON LoadInstalledIcon(const std::string &relativePath)
{
    std::string path = std::string(InstallFolder) + "\\Resource\\" + relativePath;
    return (HICON)LoadImageA(NULL, path.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
}

static const char HelpViewerClass[] = "MS_WINHELP";   // as WinHelp itself finds the viewer

static BOOL CALLBACK FindTextPane(HWND child, LPARAM lParam)
{
    char name[64];
    if (GetClassNameA(child, name, sizeof name) && _strnicmp(name, "RichEdit", 8) == 0)
        *(HWND *)lParam = child;
    return *(HWND *)lParam == NULL;
}

std::string HelpViewerTitle()
{
    HWND viewer = FindWindowA(HelpViewerClass, NULL);
    HWND pane = NULL;
    if (viewer)
        EnumChildWindows(viewer, FindTextPane, (LPARAM)&pane);
    if (!pane)
        return "";
    char text[4096] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(pane, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_BLOCK, 2000, &copied))
        return "";
    std::string shown(text, copied);
    return shown.substr(0, shown.find_first_of("\r\n"));
}

std::string HelpViewerCaption()
{
    char caption[256] = "";
    HWND viewer = FindWindowA(HelpViewerClass, NULL);
    if (viewer)
        GetWindowTextA(viewer, caption, sizeof caption);
    return caption;
}

void CloseHelpViewer(const char *helpFile)
{
    WinHelpA(NULL, helpFile, HELP_QUIT, 0);
    if (!WaitUntil([] { return FindWindowA(HelpViewerClass, NULL) == NULL; }, 5000))
        KillProcesses("winhlp32.exe");
}
