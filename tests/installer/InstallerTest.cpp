// KestrelSetup.exe and its uninstaller, run silently in the test prefix as a user or an
// administrator would: what they put down, what starts Kestrel at logon, and what they leave behind.
#include "scenario/Scenario.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <vector>

#include "TestPaths.h"
#include "driver/DriverChannel.h"

namespace {

const char Folder[] = "C:\\Program Files\\Ardwick Test\\My Kestrel";
const char MadeFolder[] = "C:\\Program Files\\Ardwick Test";
const char SetupPath[] = KESTREL_PROGRAM_BUILD_DIR "\\KestrelSetup.exe";
const char ProductKey[] = "Software\\Ardwick\\Kestrel";
const char MakerKey[] = "Software\\Ardwick";
const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel";

// A string value, or "<none>" when it cannot be read.
std::string RegText(HKEY root, const char *path, const char *name)
{
    char text[512] = "";
    DWORD size = sizeof text - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? text : "<none>";
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }


// Every file of the installation image, relative to it.
void ImageFiles(const std::string &relative, std::vector<std::string> *out)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((KESTREL_IMAGE_DIR + relative + "\\*").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ImageFiles(relative + "\\" + name, out)
                                                                : out->push_back(relative + "\\" + name);
    }
    FindClose(find);
}

std::string StartMenuFolder()
{
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, path, CSIDL_COMMON_PROGRAMS, FALSE);
    return std::string(path) + "\\Kestrel";
}

// /D comes last and unquoted, blanks and all.
int Install(const char *setup = SetupPath, const char *options = "")
{
    return RunProgram(std::string("\"") + setup + "\" /S " + options + "/D=" + Folder, 120000);
}

// The machine a program or driver file is built for (IMAGE_FILE_MACHINE_*), 0 when unreadable.
WORD Machine(const std::string &path)
{
    const std::string image = ReadTextFile(path);
    if (image.size() < 0x40)
        return 0;
    DWORD header;
    memcpy(&header, image.data() + 0x3C, sizeof header);
    WORD machine = 0;
    if (header < image.size() - 6)
        memcpy(&machine, image.data() + header + 4, sizeof machine);
    return machine;
}

bool ServiceRunning(const char *name)
{
    SERVICE_STATUS status = {};
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_QUERY_STATUS) : NULL;
    bool running = service && QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return running;
}

DWORD RegDword(HKEY root, const char *path, const char *name)
{
    DWORD value = 0, size = sizeof value;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&value, &size);
    RegCloseKey(key);
    return value;
}

// Runs the uninstaller as Add/Remove Programs names it and waits until it has done its work: it
// runs from a copy of itself that it starts before its own process ends.
bool Uninstall(const std::string &options)
{
    PROCESS_INFORMATION info;
    if (!StartProcess(RegText(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString") + " /S" + options, &info))
        return false;
    bool done = WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0;
    // Process ids are reused: only a process started after the uninstaller is its copy.
    FILETIME started, created, unused;
    GetProcessTimes(info.hProcess, &started, &unused, &unused, &unused);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && done; more = Process32Next(snapshot, &entry)) {
        HANDLE copy = entry.th32ParentProcessID == info.dwProcessId
            ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID) : NULL;
        if (copy && GetProcessTimes(copy, &created, &unused, &unused, &unused) && CompareFileTime(&created, &started) >= 0)
            done = WaitForSingleObject(copy, 60000) == WAIT_OBJECT_0;
        if (copy)
            CloseHandle(copy);
    }
    CloseHandle(snapshot);
    return done;
}

// Starts Kestrel with the Run key's command line, as the system does at logon.
bool StartFromRunKey(KestrelProcess *kestrel)
{
    return kestrel->StartLine(RegText(HKEY_LOCAL_MACHINE, RunKey, "Kestrel")) && kestrel->WaitForMainWindow();
}

// The exit code once the process has ended, 99 when it does not end in time.
DWORD ExitCode(KestrelProcess &kestrel)
{
    DWORD code = 99;
    kestrel.WaitForExit(10000, &code);
    return code;
}

// Each test starts from a machine without Kestrel and leaves none behind.
class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        TearDown();
        ASSERT_TRUE(Exists(SetupPath)) << SetupPath << " is missing: the program tree builds it";
    }
    void TearDown() override
    {
        KillProcesses("Kestrel.exe");
        RemoveTree(MadeFolder);
        RemoveTree(StartMenuFolder());
        for (const char *key : { ProductKey, MakerKey, UninstallKey })
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
        HKEY run;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKey, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueA(run, "Kestrel");
            RegCloseKey(run);
        }
        ClearStoredSettings();
        DeleteFileA("C:\\Program.exe");
    }
};

TEST_F(Installer, ASilentInstallPutsDownTheImageTheEntriesAndAQuotedStartAtLogon)
{
    ASSERT_EQ(0, Install());
    std::vector<std::string> files;
    ImageFiles("", &files);
    ASSERT_GT(files.size(), 2u);
    for (const std::string &f : files)
        EXPECT_TRUE(ReadTextFile(KESTREL_IMAGE_DIR + f) == ReadTextFile(Folder + f)) << f;
    const std::string folder = Folder;
    EXPECT_TRUE(Exists(folder + "\\Uninstall.exe") && Exists(StartMenuFolder() + "\\Kestrel.lnk")
                && Exists(StartMenuFolder() + "\\Uninstall.lnk"));
    EXPECT_EQ(folder, RegText(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder"));
    EXPECT_EQ("\"" + folder + "\\Kestrel.exe\"", RegText(HKEY_LOCAL_MACHINE, RunKey, "Kestrel"));
    EXPECT_EQ("Kestrel", RegText(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName"));
    EXPECT_EQ("\"" + folder + "\\Uninstall.exe\"", RegText(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString"));
    // Started as the system starts it at logon. Unquoted, the line would start C:\Program.exe.
    ASSERT_TRUE(CopyFileA(KESTREL_SIM_DIR "\\Tapfire.exe", "C:\\Program.exe", FALSE));
    KestrelProcess kestrel;
    ASSERT_TRUE(StartFromRunKey(&kestrel));
    EXPECT_EQ(0, CountProcesses("Program.exe"));
    kestrel.Exit();
}

TEST_F(Installer, ASecondInstallAndTheUninstallEndKestrelThroughExitAndKeepTheSettingsUnlessAsked)
{
    for (bool removeSettings : { false, true }) {
        SCOPED_TRACE(removeSettings ? "removing the settings" : "keeping the settings");
        ASSERT_EQ(0, Install());
        StoreDword("LCDBackLightAC", 5);
        KestrelProcess first, second;
        ASSERT_TRUE(StartFromRunKey(&first));
        // A running Kestrel is ended through Exit (a kill would leave another code), so that its
        // files can be replaced; the settings stay.
        ASSERT_EQ(0, Install());
        EXPECT_EQ(0u, ExitCode(first));
        EXPECT_EQ(Folder, RegText(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder"));
        ASSERT_TRUE(StartFromRunKey(&second));
        // The folders the first installation made still go with the uninstall.
        ASSERT_TRUE(Uninstall(removeSettings ? " /REMOVESETTINGS" : ""));
        EXPECT_EQ(0u, ExitCode(second));
        EXPECT_FALSE(Exists(Folder) || Exists(MadeFolder) || Exists(StartMenuFolder()));
        for (const char *key : { ProductKey, MakerKey, UninstallKey })
            EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, key)) << key;
        EXPECT_EQ("<none>", RegText(HKEY_LOCAL_MACHINE, RunKey, "Kestrel"));
        EXPECT_EQ(!removeSettings, StoredDword("LCDBackLightAC") == 5);
    }
}

TEST_F(Installer, TheDriverOfThePrefixsOwnKindIsInstalledAndStartedInPlaceOfTheRunningOne)
{
    // The test world's simulator runs with its device, as a driver an earlier installation left
    // would: the installer replaces it and starts its own. The prefix is of this process's kind,
    // and so must be the driver. The shipped 32-bit installer runs in a 64-bit prefix only where
    // 32-bit Wine does.
    const WORD own = sizeof(void *) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    std::vector<std::string> setups = { SetupPath };
    const char *wine32 = getenv("KESTREL_WINE32");
    if (own == IMAGE_FILE_MACHINE_AMD64 && wine32 && wine32[0] == '1')
        setups.push_back(KESTREL_SHIPPED_BUILD_DIR "\\KestrelSetup.exe");
    char system[MAX_PATH] = "";
    ASSERT_TRUE(GetSystemDirectoryA(system, MAX_PATH));
    for (const std::string &setup : setups) {
        SCOPED_TRACE(setup);
        ASSERT_EQ(0, Install(setup.c_str(), "/SIMULATOR "));
        EXPECT_EQ(own, Machine(std::string(system) + "\\drivers\\kestrelsim.sys"));
        EXPECT_EQ(own, Machine(std::string(system) + "\\kestrelsim-setup.exe"));
        EXPECT_TRUE(ServiceRunning("kestrelsim") && RegDword(HKEY_LOCAL_MACHINE, ProductKey, "Simulator") == 1);
        // What the program finds: the device interface of an ACPI machine, answering.
        DriverChannel channel;
        DWORD opened = 0, pathEmpty = 1, lcd = 0;
        ASSERT_TRUE(channel.Open("k.exe /A", Folder));
        channel.GetInfo(&opened, &pathEmpty, NULL, &lcd, NULL, NULL, NULL);
        EXPECT_TRUE(opened && !pathEmpty && lcd) << opened << pathEmpty << lcd;
        channel.Close();
    }
}

} // namespace
