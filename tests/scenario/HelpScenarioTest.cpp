// Help as the user meets it: the menu's Help command opens the contents of the installed help file,
// each settings page's Help button its own topic.
#include "scenario/Scenario.h"

#include <commctrl.h>

#include "res/resource.h"

namespace {

const DWORD ViewerTimeoutMs = 20000;   // a cold viewer takes a few seconds to start

class Help : public KestrelWorld {
protected:
    void TearDown() override
    {
        CloseHelpViewer();
        KestrelWorld::TearDown();
    }
};

TEST_F(Help, TheMenuOpensTheContentsAndEachPageItsTopic)
{
    KillProcesses("winhlp32.exe");
    ASSERT_TRUE(StartSettled(kestrel, "/D /Z"));
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, IDM_HELP, 0));
    EXPECT_TRUE(WaitUntil([] { return HelpViewerTitle() == "Kestrel Help Contents"; }, ViewerTimeoutMs))
        << "the help viewer shows \"" << HelpViewerTitle() << "\"";

    ASSERT_TRUE(kestrel.Post(WM_COMMAND, IDM_PROPERTIES, 0));   // as the menu's default item does
    HWND sheet = kestrel.WaitForWindow("#32770", "Kestrel Properties");
    ASSERT_TRUE(sheet != NULL && WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }));
    const char *titles[] = { "Version Information", "Power Control", "Indicator", "Other" };
    for (int page = 0; page < 4; page++) {
        SendMessageA(sheet, PSM_SETCURSEL, page, 0);
        ASSERT_TRUE(PostMessageA(sheet, WM_COMMAND, IDHELP, 0));   // the sheet's Help button
        EXPECT_TRUE(WaitUntil([&] { return HelpViewerTitle() == titles[page]; }, ViewerTimeoutMs))
            << titles[page] << ": the help viewer shows \"" << HelpViewerTitle() << "\"";
    }
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }));
    // The viewer is a program of its own: Kestrel ends as usual while it stays open.
    kestrel.Exit();
    EXPECT_EQ("Other", HelpViewerTitle());
}

} // namespace
