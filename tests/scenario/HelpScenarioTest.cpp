// Help as the user meets it: the menu's Help command opens the contents of the installed help file,
// and the context numbers the settings pages pass to WinHelp open their pages' topics.
#include "scenario/Scenario.h"

#include <string>

namespace {

const UINT CmdHelp = 40004;
const UINT CmdExit = 40005;
const char ViewerClass[] = "MS_WINHELP";   // the help viewer's main window, as WinHelp finds it
const DWORD ViewerTimeoutMs = 20000;       // a cold viewer takes a few seconds to start

std::string InstalledHelpFile()
{
    return std::string(InstallFolder) + "\\Kestrel.hlp";
}

BOOL CALLBACK FindTextPane(HWND child, LPARAM lParam)
{
    char name[64];
    if (GetClassNameA(child, name, sizeof name) && _strnicmp(name, "RichEdit", 8) == 0) {
        *(HWND *)lParam = child;
        return FALSE;
    }
    return TRUE;
}

// The first line of the topic the viewer shows, which is the topic's title; "" when none is shown.
std::string ShownTitle()
{
    HWND viewer = FindWindowA(ViewerClass, NULL);
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

std::string ViewerCaption()
{
    char caption[256] = "";
    HWND viewer = FindWindowA(ViewerClass, NULL);
    if (viewer)
        GetWindowTextA(viewer, caption, sizeof caption);
    return caption;
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
        WinHelpA(NULL, InstalledHelpFile().c_str(), HELP_QUIT, 0);
        if (!WaitUntil([] { return FindWindowA(ViewerClass, NULL) == NULL; }, 5000))
            KillProcesses("winhlp32.exe");
        KestrelScenario::TearDown();
    }
};

TEST_F(Help, TheMenusHelpCommandOpensTheContents)
{
    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Start("/D"));
    ASSERT_TRUE(kestrel.WaitForMainWindow() != NULL);
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdHelp, 0));

    EXPECT_TRUE(WaitUntil([] { return ShownTitle() == "Kestrel Help Contents"; }, ViewerTimeoutMs))
        << "the help viewer shows \"" << ShownTitle() << "\"";
    EXPECT_EQ("Kestrel Help", ViewerCaption());

    // The viewer is a program of its own: Kestrel ends as usual while it stays open.
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdExit, 0));
    DWORD code = 99;
    ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ("Kestrel Help Contents", ShownTitle());
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
        EXPECT_TRUE(WaitUntil([&] { return ShownTitle() == page.title; }, ViewerTimeoutMs))
            << page.context << ": the help viewer shows \"" << ShownTitle() << "\"";
    }
    DestroyWindow(owner);
}

}  // namespace
