// KestrelSetup.exe and its uninstaller, run silently in the test prefix as a user or an
// administrator would: what they put down, what starts Kestrel at logon, and what they leave behind.
#include "scenario/Scenario.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include "TestPaths.h"

namespace {

const char Folder[] = "C:\\Program Files\\Ardwick Test\\My Kestrel";
const char MadeFolder[] = "C:\\Program Files\\Ardwick Test";
const char SetupPath[] = KESTREL_PROGRAM_BUILD_DIR "\\KestrelSetup.exe";
const char ProductKey[] = "Software\\Ardwick\\Kestrel";
const char MakerKey[] = "Software\\Ardwick";
const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";
const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel";

bool KeyExists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A string value, or "<none>" when it cannot be read.
std::string RegText(HKEY root, const char *path, const char *name)
{
    char text[512];
    DWORD size = sizeof text, type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return "<none>";
    text[sizeof text - 1] = 0;
    return text;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD FileSize(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : (DWORD)-1;
}

// Every file of the installation image, relative to it.
void ImageFiles(const std::string &relative, std::vector<std::string> *out)
{
    WIN32_FIND_DATAA found;
    std::string base = std::string(KESTREL_IMAGE_DIR) + relative;
    HANDLE find = FindFirstFileA((base + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ImageFiles(relative + "\\" + name, out);
        else
            out->push_back(relative + "\\" + name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

std::string StartMenuFolder()
{
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, path, CSIDL_COMMON_PROGRAMS, FALSE);
    return std::string(path) + "\\Kestrel";
}

int Install(const char *folder)
{
    // /D comes last and unquoted, blanks and all.
    return RunProgram(std::string("\"") + SetupPath + "\" /S /D=" + folder, 120000);
}

// Runs the uninstaller as Add/Remove Programs names it and waits until it has done its work: it
// runs from a copy of itself that it starts before its own process ends.
bool Uninstall(const std::string &options)
{
    PROCESS_INFORMATION info;
    if (!StartProcess(RegText(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString") + " /S" + options, &info))
        return false;
    bool ended = WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0;
    // Process ids are reused: only a process started after the uninstaller is its copy.
    FILETIME started, unused;
    GetProcessTimes(info.hProcess, &started, &unused, &unused, &unused);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    if (!ended)
        return false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool done = true;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != info.dwProcessId)
            continue;
        HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID);
        FILETIME created;
        if (copy && GetProcessTimes(copy, &created, &unused, &unused, &unused)
                && CompareFileTime(&created, &started) >= 0)
            done = WaitForSingleObject(copy, 60000) == WAIT_OBJECT_0 && done;
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
    return kestrel.WaitForExit(10000, &code) ? code : 99;
}

void RemoveTree(const std::string &path)
{
    const std::string from = path + '\0';   // a list of one name, ended by an empty one
    SHFILEOPSTRUCTA remove = {};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&remove);
}

// Each test starts from a machine without Kestrel and leaves none behind.
class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        ASSERT_TRUE(Exists(SetupPath)) << SetupPath << " is missing: the program tree builds it";
    }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        KillProcesses("Kestrel.exe");
        RemoveTree(MadeFolder);
        RemoveTree(StartMenuFolder());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, MakerKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey);
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
    ASSERT_EQ(0, Install(Folder));

    std::vector<std::string> files;
    ImageFiles("", &files);
    ASSERT_GT(files.size(), 2u);
    for (const std::string &f : files)
        EXPECT_EQ(FileSize(KESTREL_IMAGE_DIR + f), FileSize(Folder + f)) << f;
    EXPECT_TRUE(Exists(std::string(Folder) + "\\Uninstall.exe"));

    const std::string exe = std::string(Folder) + "\\Kestrel.exe";
    EXPECT_EQ(Folder, RegText(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder"));
    EXPECT_EQ("\"" + exe + "\"", RegText(HKEY_LOCAL_MACHINE, RunKey, "Kestrel"));
    EXPECT_TRUE(Exists(StartMenuFolder() + "\\Kestrel.lnk"));
    EXPECT_TRUE(Exists(StartMenuFolder() + "\\Uninstall.lnk"));
    EXPECT_EQ("Kestrel", RegText(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName"));
    EXPECT_EQ("\"" + std::string(Folder) + "\\Uninstall.exe\"",
              RegText(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString"));

    // Started as the system starts it at logon. Unquoted, the line would start C:\Program.exe.
    ASSERT_TRUE(CopyFileA(KESTREL_SIM_DIR "\\Tapfire.exe", "C:\\Program.exe", FALSE));
    KestrelProcess kestrel;
    ASSERT_TRUE(StartFromRunKey(&kestrel));
    EXPECT_EQ(0, CountProcesses("Program.exe"));
    kestrel.Exit();
}

TEST_F(Installer, UninstallEndsTheRunningKestrelThroughExitAndLeavesOnlyTheUsersSettings)
{
    ASSERT_EQ(0, Install(Folder));
    StoreDword("LCDBackLightAC", 5);
    KestrelProcess kestrel;
    ASSERT_TRUE(StartFromRunKey(&kestrel));

    ASSERT_TRUE(Uninstall(""));
    // Exit ends it with code 0; a kill would leave another code.
    EXPECT_EQ(0u, ExitCode(kestrel));
    EXPECT_FALSE(Exists(Folder));
    EXPECT_FALSE(Exists(MadeFolder));
    EXPECT_FALSE(Exists(StartMenuFolder()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ProductKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MakerKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_EQ("<none>", RegText(HKEY_LOCAL_MACHINE, RunKey, "Kestrel"));
    DWORD value = 0;
    EXPECT_TRUE(StoredDword("LCDBackLightAC", &value) && value == 5) << value;
}

TEST_F(Installer, ASecondInstallEndsKestrelKeepsTheSettingsAndRemovingThemTakesAsking)
{
    ASSERT_EQ(0, Install(Folder));
    StoreDword("CPUClockDC", 2);
    // A running Kestrel is ended through Exit first, so that its files can be replaced.
    KestrelProcess kestrel;
    ASSERT_TRUE(StartFromRunKey(&kestrel));
    ASSERT_EQ(0, Install(Folder));
    EXPECT_EQ(0u, ExitCode(kestrel));
    DWORD value = 0;
    EXPECT_TRUE(StoredDword("CPUClockDC", &value) && value == 2) << value;
    EXPECT_EQ(Folder, RegText(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder"));
    EXPECT_TRUE(Exists(std::string(Folder) + "\\Kestrel.exe"));

    // The folders the first installation made still go with the uninstall.
    ASSERT_TRUE(Uninstall(" /REMOVESETTINGS"));
    EXPECT_FALSE(Exists(MadeFolder));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SettingsKey));
}

} // namespace
