// The scenario-test helper: runs the built Kestrel.exe inside the test prefix's virtual desktop.
// It installs the image as the installer does, starts the program, finds its windows, posts to them,
// waits for conditions with deadlines and reads back registry values, files, the driver's record
// and what the screen shows.
#ifndef KESTREL_TESTS_SCENARIO_H
#define KESTREL_TESTS_SCENARIO_H

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "common/Gdi.h"

extern const char InstallFolder[];   // "C:\Program Files\Ardwick\Kestrel"
extern const char InstalledResources[];   // its Resource folder, with the trailing backslash

// Under the test runner, which builds the whole test world (simulated driver, fake battery,
// notification area), a missing piece fails the test; run by hand, it skips it.
inline bool TestWorldRequired() { return getenv("KESTREL_TEST_WORLD") && getenv("KESTREL_TEST_WORLD")[0] == '1'; }
#define REQUIRE_TEST_WORLD(present, what) \
    do { \
        if (!(present)) { \
            if (TestWorldRequired()) \
                FAIL() << "the test world is incomplete: " << (what); \
            else \
                GTEST_SKIP() << (what); \
        } \
    } while (0)
// The fake battery's folder as Wine spells it (null when the run has none).
inline const char *FakeBatteryFolder() { return getenv("KESTREL_FAKE_BATTERY"); }
// The last round of a run: the sysfs power driver over a fake backlight and cpufreq tree.
inline bool SysfsWorld() { return getenv("KESTREL_SYSFS_WORLD") && getenv("KESTREL_SYSFS_WORLD")[0] == '1'; }

// Polls condition every 20 ms until it holds or timeoutMs pass; pumps this thread's messages.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = 10000);

// Copies the installation image and the stand-in sibling program into folder and stores InstFolder.
bool InstallKestrel(const char *folder = InstallFolder);
// The skin authors' tool of the installation, and the installation folder as its first argument.
const std::string SkinToolCommand = "\"" + std::string(InstallFolder) + "\\KestrelSkin.exe\" ";
const std::string SkinToolFolder = "\"" + std::string(InstallFolder) + "\" ";
inline void UninstallKestrel() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Ardwick\\Kestrel"); }

// The requests the simulated driver received since its log was last cleared, as
// "lcd-set 7, cpu-set 3"; only those whose names contain filter when one is given.
std::string DriverRequests(const char *filter = NULL);
int CountRequests(const char *filter);

// Starts a command line as the system runs it (the program named by the line itself).
bool StartProcess(const std::string &commandLine, PROCESS_INFORMATION *info, DWORD flags = 0);
// Runs a program of the prefix to its end and returns its exit code, -1 when it could not be run or
// did not end in time; output, when given, receives what it wrote to its standard output and error.
int RunProgram(const std::string &commandLine, DWORD timeoutMs, std::string *output = NULL);

std::string ReadTextFile(const std::string &path);
bool WriteTextFile(const std::string &path, const std::string &bytes);
void RemoveTree(const std::string &folder);
int CountProcesses(const char *exeName);
void KillProcesses(const char *exeName);

// xdotool on the test display, waited for (up to 10 s): the real pointer and keyboard, as the X
// server delivers them. True when it exited with 0.
bool Xdo(const std::string &arguments);
bool ClickScreen(int x, int y, int clicks = 1);
bool ClickCentre(HWND window, int clicks = 1);

// The first top-level window of a process with the given class (any case; null: any) and title
// (null: any) for which accept, when given, holds too.
HWND FindProcessWindow(DWORD processId, const char *className, const char *title,
                       const std::function<bool(HWND)> &accept = nullptr);
inline HWND FindVisibleWindow(DWORD processId, const char *className)
{
    return FindProcessWindow(processId, className, NULL, [](HWND w) { return IsWindowVisible(w) != 0; });
}
// The program's popups of the static class: the indicator (visible, takes the mouse) and the
// brightness gauge (created hidden and disabled).
HWND IndicatorOf(DWORD processId);
HWND GaugeOf(DWORD processId);
inline RECT WindowRect(HWND window)
{
    RECT r = { 0, 0, 0, 0 };
    GetWindowRect(window, &r);
    return r;
}
RECT WorkArea();

// The virtual desktop's notification area. Icons sit in slots of 20 x 20 pixels from its right end,
// the first added rightmost; the shell paints each picture centred in its slot.
bool TraySlot(int index, RECT *slot);
// No picture in the slot: every pixel shows the taskbar's own colour.
bool TraySlotEmpty(int index);
// Whether the slot shows every opaque pixel of picture.
bool ShowsPicture(int index, HICON picture);
// Rests the mouse at (x, y) and returns the text of the process's tooltip that shows, "" when none
// does; and the tooltip the shell shows for a slot of the notification area.
std::string RestingTooltip(int x, int y, DWORD processId);
std::string HoverTooltip(int index);
// A 16 x 16 icon file of the installation's Resource folder.
HICON LoadInstalledIcon(const std::string &relativePath);

// Copies the screen's area into the picture's top left corner.
bool CopyScreen(const RECT &area, const MemoryDc &picture);

// The user's settings under HKEY_CURRENT_USER: a REG_DWORD read (NotStored when absent or of
// another type), written, the whole key removed, and every value of the key with its type and bytes.
const DWORD NotStored = 0xBADBAD;   // what StoredDword gives for an absent value
DWORD StoredDword(const char *name);
void StoreDword(const char *name, DWORD value);
inline void ClearStoredSettings() { RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ardwick\\Kestrel\\Settings"); }
std::string StoredSettings();

// Sends and waits up to 5 s for the answer, as the system delivers broadcasts and display changes.
inline LRESULT SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_BLOCK, 5000, &result);
    return (LRESULT)result;
}
inline bool Responsive(HWND window)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

// A window of the test's own that the user works in; it takes the foreground from whoever has it.
class UserWindow {
public:
    UserWindow();
    UserWindow(const UserWindow &) = delete;
    UserWindow &operator=(const UserWindow &) = delete;
    ~UserWindow();
    bool TakeForeground();
    HWND Window() const { return window; }
private:
    HWND window;
};

// The title of the topic the help viewer shows (the first line of its text), "" when none shows;
// and closing the viewer (HELP_QUIT, then ending its process if the window stays).
std::string HelpViewerTitle();
void CloseHelpViewer();

// Puts back what a test took away (the driver, its ACPI device, the display) whatever happens to
// the test meanwhile.
struct Restorer {
    std::function<bool()> restore;
    ~Restorer() { EXPECT_TRUE(restore()); }
};

class KestrelProcess {
public:
    KestrelProcess();
    KestrelProcess(const KestrelProcess &) = delete;
    KestrelProcess &operator=(const KestrelProcess &) = delete;
    ~KestrelProcess();   // ends a copy that is still running
    bool Start(const std::string &arguments, const char *folder = InstallFolder)
    {
        return StartLine("\"" + std::string(folder) + "\\Kestrel.exe\"" + (arguments.empty() ? "" : " " + arguments));
    }
    // Starts a whole command line as the system runs it (the program named by the line itself).
    bool StartLine(const std::string &commandLine) { return StartProcess(commandLine, &info); }
    // Start, then WaitForMainWindow: true once the main window is there.
    bool Launch(const std::string &arguments) { return Start(arguments) && WaitForMainWindow() != NULL; }
    HWND WaitForMainWindow(DWORD timeoutMs = 15000);
    HWND WaitForWindow(const char *className, const char *title, DWORD timeoutMs = 10000);
    bool Post(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return mainWindow && PostMessageA(mainWindow, message, wParam, lParam);
    }
    bool WaitForExit(DWORD timeoutMs, DWORD *exitCode);
    bool Running() const { return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    // The menu's Exit command; the process is expected to end with code 0.
    void Exit();
    DWORD Id() const { return info.dwProcessId; }
    HWND MainWindow() const { return mainWindow; }
private:
    PROCESS_INFORMATION info;
    HWND mainWindow;
};

// Launches Kestrel and waits until its start-up notices have run: the indicator shows (unless it is
// switched off), and a driver that answers has had its ring setting written back.
bool StartSettled(KestrelProcess &kestrel, const std::string &arguments, bool indicator = true,
                  bool ringAnswers = true);

// A fresh installation and the whole test world for every test: the fake battery on AC power and
// full, the notification area with no icon in its first slot, the simulated driver reset, xdotool,
// and no stored settings. No copy of Kestrel or its sibling outlives the test.
class KestrelWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const char *battery = NULL;
    KestrelProcess kestrel;
};

#endif
