// Help as the user meets it: the menu's Help command opens the contents of the installed help file.
// (The settings pages' Help buttons are driven in the sheet's scenario.)
#include "scenario/Scenario.h"

#include <string>

namespace {

const UINT CmdHelp = 40004;
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
    ASSERT_TRUE(kestrel.Launch("/D"));
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdHelp, 0));

    EXPECT_TRUE(WaitUntil([] { return HelpViewerTitle() == "Kestrel Help Contents"; }, ViewerTimeoutMs))
        << "the help viewer shows \"" << HelpViewerTitle() << "\"";
    EXPECT_EQ("Kestrel Help", HelpViewerCaption());

    // The viewer is a program of its own: Kestrel ends as usual while it stays open.
    kestrel.Exit();
    EXPECT_EQ("Kestrel Help Contents", HelpViewerTitle());
}

}  // namespace
