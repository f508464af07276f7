// Help as the user meets it: the menu's Help command opens the contents of the installed help file,
// and the context numbers the settings pages pass to WinHelp open their pages' topics.
#include "scenario/Scenario.h"

#include <string>

namespace {

const UINT CmdHelp = 40004;
const UINT CmdExit = 40005;
const DWORD ViewerTimeoutMs = 20000;   // a cold viewer takes a few seconds to start

std::string InstalledHelpFile()
{
    return std::string(InstallFolder) + "\\Kestrel.hlp";
}

class Help : public KestrelScenario {
protected:
    void SetUp() override
    {
        KestrelScenario::SetUp();
        KillProcesses("winhlp32.exe");
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(InstalledHelpFile().c_str()))
            << "the installation image has no Kestrel.hlp";
    }
    void TearDown() override
    {
        CloseHelpViewer(InstalledHelpFile().c_str());
        KestrelScenario::TearDown();
    }
};

TEST_F(Help, TheMenusHelpCommandOpensTheContents)
{
    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Start("/D"));
    ASSERT_TRUE(kestrel.WaitForMainWindow() != NULL);
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdHelp, 0));

    EXPECT_TRUE(WaitUntil([] { return HelpViewerTitle() == "Kestrel Help Contents"; }, ViewerTimeoutMs))
        << "the help viewer shows \"" << HelpViewerTitle() << "\"";
    EXPECT_EQ("Kestrel Help", HelpViewerCaption());

    // The viewer is a program of its own: Kestrel ends as usual while it stays open.
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdExit, 0));
    DWORD code = 99;
    ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ("Kestrel Help Contents", HelpViewerTitle());
}

TEST_F(Help, EachSettingsPagesContextNumberOpensItsTopic)
{
    const struct {
        DWORD context;
        const char *title;
    } pages[] = {
        { 10001, "Version Information" },
        { 10002, "Power Control" },
        { 10003, "Indicator" },
        { 10004, "Other" },
    };
    // The sheet passes its own window; any window of the caller will do.
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(owner != NULL);
    for (const auto &page : pages) {
        EXPECT_TRUE(WinHelpA(owner, InstalledHelpFile().c_str(), HELP_CONTEXT, page.context))
            << page.context;
        EXPECT_TRUE(WaitUntil([&] { return HelpViewerTitle() == page.title; }, ViewerTimeoutMs))
            << page.context << ": the help viewer shows \"" << HelpViewerTitle() << "\"";
    }
    DestroyWindow(owner);
}

}  // namespace
