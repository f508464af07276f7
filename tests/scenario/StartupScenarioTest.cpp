// Start-up as a user and the driver see it: one copy per system, the installation notice, the
// sibling launch by its quoted path and the switch that suppresses it, and Exit.
#include "scenario/Scenario.h"

#include <algorithm>

#include "SimControl.h"
#include "TestPaths.h"
#include "res/resource.h"

namespace {

const char KestrelClass[] = "Kestrel:4FACD4C0-E1D7-11d1-9135-B36B9C89BE5C";

std::string SiblingLog() { return ReadTextFile(std::string(InstallFolder) + "\\tapfire.log"); }

typedef KestrelWorld Startup;

TEST_F(Startup, ASecondCopyEndsAtOnceWithoutAWindowTheDriverOrTheSibling)
{
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    // The first copy's main window is hidden and of no size.
    EXPECT_FALSE(IsWindowVisible(kestrel.MainWindow()));
    RECT r = WindowRect(kestrel.MainWindow());
    EXPECT_TRUE(r.right == r.left && r.bottom == r.top);
    ASSERT_TRUE(WaitUntil([] { return SiblingLog() != ""; }));
    ASSERT_TRUE(SimClearLog());

    // The second copy is watched from its start to its end: a window it made would be found.
    // (Wine tells no process of the windows another one makes as they are made.)
    PROCESS_INFORMATION second;
    ASSERT_TRUE(StartProcess(std::string("\"") + InstallFolder + "\\Kestrel.exe\"", &second));
    int windowsSeen = 0;
    const DWORD started = GetTickCount();
    while (WaitForSingleObject(second.hProcess, 1) == WAIT_TIMEOUT && GetTickCount() - started < 10000)
        windowsSeen += FindProcessWindow(second.dwProcessId, NULL, NULL) != NULL;
    DWORD code = 99;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.hProcess, 0));
    GetExitCodeProcess(second.hProcess, &code);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    EXPECT_EQ(0u, code);
    EXPECT_EQ(0, windowsSeen);
    // An opened channel always probes its features first: no probe, no open. The first copy reads
    // the level every second meanwhile, so only the probe's requests tell of the second one.
    EXPECT_EQ("", DriverRequests("-count"));
    EXPECT_EQ("", DriverRequests("ring-get"));
    const std::string log = SiblingLog();
    EXPECT_EQ(1, CountProcesses("Tapfire.exe"));
    EXPECT_EQ(1, (int)std::count(log.begin(), log.end(), '\n'));
    kestrel.Exit();
}

TEST_F(Startup, NoInstallationShowsTheCentredNoticeAndOkEndsWithCodeZero)
{
    UninstallKestrel();
    ASSERT_TRUE(kestrel.Start(""));
    HWND notice = kestrel.WaitForWindow("#32770", "Kestrel");
    ASSERT_TRUE(notice != NULL && WaitUntil([&] { return IsWindowVisible(notice) != FALSE; }));
    char first[200], second[200];
    GetDlgItemTextA(notice, IDC_NOTICE_TEXT1, first, sizeof first);
    GetDlgItemTextA(notice, IDC_NOTICE_TEXT2, second, sizeof second);
    EXPECT_STREQ("Incorrect installation of Kestrel avoids this process from being continued.", first);
    EXPECT_STREQ("Reinstall Kestrel with its specific installer.", second);
    RECT desktop = WindowRect(GetDesktopWindow()), r = WindowRect(notice);
    EXPECT_TRUE(abs(desktop.right - r.left - r.right) <= 2 && abs(desktop.bottom - r.top - r.bottom) <= 2);   // centred
    EXPECT_EQ(0, CountProcesses("Tapfire.exe"));
    SendMessageA(GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(kestrel.WaitForExit(10000, &code) && code == 0) << code;
    EXPECT_TRUE(FindProcessWindow(kestrel.Id(), KestrelClass, NULL) == NULL);
}

TEST_F(Startup, TheSiblingStartsByItsQuotedPathUnlessTheSwitchXSaysOtherwise)
{
    // With an unquoted path the system would start C:\Program.exe first.
    ASSERT_TRUE(CopyFileA(KESTREL_SIM_DIR "\\Tapfire.exe", "C:\\Program.exe", FALSE));
    DeleteFileA("C:\\tapfire.log");
    const struct { const char *arguments; bool launched; } cases[] = {
        { "", true }, { "-x", false }, { "-D -X -z", false }, { "-x /", true },   // a faulty line: the defaults
    };
    for (const auto &c : cases) {
        DeleteFileA((std::string(InstallFolder) + "\\tapfire.log").c_str());
        KestrelProcess started;
        ASSERT_TRUE(StartSettled(started, c.arguments)) << c.arguments;
        // The sibling is started before the main window: a launch would soon be on record.
        EXPECT_EQ(c.launched, WaitUntil([] { return SiblingLog() != ""; }, c.launched ? 10000 : 500)) << c.arguments;
        EXPECT_EQ(c.launched ? "\"C:\\Program Files\\Ardwick\\Kestrel\\Tapfire.exe\"\r\n" : "", SiblingLog())
            << c.arguments;
        started.Exit();
        KillProcesses("Tapfire.exe");
    }
    EXPECT_EQ("", ReadTextFile("C:\\tapfire.log"));
    DeleteFileA("C:\\Program.exe");
}

} // namespace
