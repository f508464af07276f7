// Start-up as a user sees it: one copy per system, the installation notice, the sibling launch and
// its switch, and Exit.
#include "scenario/Scenario.h"

#include "TestPaths.h"

namespace {

std::string SiblingLog() { return ReadTextFile(std::string(InstallFolder) + "\\tapfire.log"); }

typedef KestrelScenario Startup;

TEST_F(Startup, ExitEndsTheProcessWithCodeZero)
{
    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Launch(""));
    HWND main = kestrel.MainWindow();
    EXPECT_FALSE(IsWindowVisible(main));
    RECT r;
    GetWindowRect(main, &r);
    EXPECT_EQ(0, r.right - r.left);
    EXPECT_EQ(0, r.bottom - r.top);
    kestrel.Exit();
}

TEST_F(Startup, ASecondCopyExitsAtOnceAndStartsNothing)
{
    KestrelProcess first;
    ASSERT_TRUE(first.Launch(""));
    ASSERT_TRUE(WaitUntil([] { return CountLines(SiblingLog()) == 1; }));

    KestrelProcess second;
    ASSERT_TRUE(second.Start(""));
    DWORD code = 99;
    ASSERT_TRUE(second.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    // The sibling is started before the window, so a launch by the second copy would show by now.
    EXPECT_EQ(1, CountProcesses("Tapfire.exe"));
    EXPECT_EQ(1, CountLines(SiblingLog()));
    EXPECT_TRUE(first.Running());
    first.Exit();
}

TEST_F(Startup, NoInstallationShowsTheNoticeAndOkEndsWithCodeZero)
{
    UninstallKestrel();
    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Start(""));
    HWND notice = kestrel.WaitForWindow("#32770", "Kestrel");
    ASSERT_TRUE(notice != NULL);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(notice) != FALSE; }));
    char text[200];
    GetDlgItemTextA(notice, 1001, text, sizeof text);
    EXPECT_STREQ("Incorrect installation of Kestrel avoids this process from being continued.", text);
    GetDlgItemTextA(notice, 1002, text, sizeof text);
    EXPECT_STREQ("Reinstall Kestrel with its specific installer.", text);

    // Centred on the desktop.
    RECT desktop, r;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(notice, &r);
    EXPECT_NEAR((desktop.right - desktop.left) / 2, (r.left + r.right) / 2, 1);
    EXPECT_NEAR((desktop.bottom - desktop.top) / 2, (r.top + r.bottom) / 2, 1);

    EXPECT_EQ(0, CountProcesses("Tapfire.exe"));
    SendMessageA(GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(FindProcessWindow(kestrel.Id(), "Kestrel:4FACD4C0-E1D7-11d1-9135-B36B9C89BE5C", NULL) == NULL);
}

TEST_F(Startup, TheSwitchXSuppressesTheSiblingLaunch)
{
    struct Case { const char *arguments; bool launched; };
    const Case cases[] = {
        { "", true }, { "-x", false }, { "-D -X -z", false }, { "-x /", true },   // a faulty line: the defaults
    };
    for (const Case &c : cases) {
        DeleteFileA((std::string(InstallFolder) + "\\tapfire.log").c_str());
        KestrelProcess kestrel;
        ASSERT_TRUE(kestrel.Launch(c.arguments)) << c.arguments;
        EXPECT_EQ(c.launched ? 1 : 0, CountProcesses("Tapfire.exe")) << "arguments: " << c.arguments;
        kestrel.Exit();
        KillProcesses("Tapfire.exe");
    }
}

TEST_F(Startup, TheSiblingIsStartedByItsQuotedPath)
{
    // With an unquoted path the system would start C:\Program.exe first.
    ASSERT_TRUE(CopyFileA(KESTREL_SIM_DIR "\\Tapfire.exe", "C:\\Program.exe", FALSE));
    DeleteFileA("C:\\tapfire.log");
    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Launch(""));
    ASSERT_TRUE(WaitUntil([] { return CountLines(SiblingLog()) == 1; }));
    EXPECT_EQ("\"C:\\Program Files\\Ardwick\\Kestrel\\Tapfire.exe\"\r\n", SiblingLog());
    EXPECT_EQ(0, CountProcesses("Program.exe"));
    EXPECT_EQ("", ReadTextFile("C:\\tapfire.log"));
    kestrel.Exit();
    DeleteFileA("C:\\Program.exe");
}

} // namespace
