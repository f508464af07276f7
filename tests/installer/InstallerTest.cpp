// KestrelSetup.exe and its uninstaller, run silently in the test prefix as a user or an
// administrator would: what they put down, what starts Kestrel at logon, and what they leave behind.
#include "scenario/Scenario.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <vector>

#include "TestPaths.h"

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
int Install() { return RunProgram(std::string("\"") + SetupPath + "\" /S /D=" + Folder, 120000); }

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

} // namespace
