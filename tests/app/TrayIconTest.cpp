// The notification-area icon against Wine's real shell: these need the virtual desktop's
// notification area (Xvfb and an idle program in the desktop).
#include <gtest/gtest.h>
#include <string>

#include "app/TrayIcon.h"

namespace {

const UINT CallbackMessage = 0x8064;
const UINT IconId = 7;

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL,
                                 GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(window != NULL);
        icon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    }
    void TearDown() override
    {
        // Whatever a failed case left behind goes, so the next case starts with no icon.
        NOTIFYICONDATAA data = Record();
        Shell_NotifyIconA(NIM_DELETE, &data);
        DestroyWindow(window);
    }
    // A record of our own for the same icon, to ask the shell directly what it holds.
    NOTIFYICONDATAA Record() const
    {
        NOTIFYICONDATAA data;
        ZeroMemory(&data, sizeof data);
        data.cbSize = TrayRecordSize;
        data.hWnd = window;
        data.uID = IconId;
        return data;
    }
    bool ShellHasIcon() const
    {
        NOTIFYICONDATAA data = Record();
        data.uFlags = NIF_TIP;
        return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
    }

    HWND window;
    HICON icon;
};

TEST_F(TrayIconTest, RefusesWhatItsStateDoesNotAllow)
{
    TrayIcon tray;
    SetLastError(0);
    EXPECT_FALSE(tray.Modify(icon, "x"));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
    SetLastError(0);
    EXPECT_FALSE(tray.Remove());
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
    SetLastError(0);
    EXPECT_FALSE(tray.Readd());
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());

    ASSERT_TRUE(tray.Add(window, CallbackMessage, IconId, icon, NULL)) << "no notification area?";
    EXPECT_TRUE(tray.Added());
    EXPECT_STREQ("", tray.Tip());
    EXPECT_TRUE(ShellHasIcon());

    // Adding twice is refused without a second icon.
    SetLastError(0);
    EXPECT_FALSE(tray.Add(window, CallbackMessage, IconId, icon, "second"));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_STREQ("", tray.Tip());

    EXPECT_TRUE(tray.Remove());
    EXPECT_FALSE(tray.Added());
    EXPECT_FALSE(ShellHasIcon());
    NOTIFYICONDATAA data = Record();
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data));   // nothing left over
    SetLastError(0);
    EXPECT_FALSE(tray.Remove());
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
    SetLastError(0);
    EXPECT_FALSE(tray.Modify(icon, NULL));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
}

TEST_F(TrayIconTest, TooltipHoldsAtMost63Characters)
{
    TrayIcon tray;
    const std::string seventy(70, 'k');
    ASSERT_TRUE(tray.Add(window, CallbackMessage, IconId, icon, seventy.c_str()));
    EXPECT_EQ(seventy.substr(0, 63), tray.Tip());

    // The longest status line fits whole; no tip keeps the one there.
    const char longest[] = "Connected to AC power (battery charging):100% battery remaining";
    ASSERT_EQ(63u, strlen(longest));
    EXPECT_TRUE(tray.Modify(icon, longest));
    EXPECT_STREQ(longest, tray.Tip());
    HICON other = LoadIconA(NULL, (LPCSTR)IDI_HAND);
    EXPECT_TRUE(tray.Modify(other, NULL));
    EXPECT_STREQ(longest, tray.Tip());
    EXPECT_EQ(other, tray.Icon());
    EXPECT_TRUE(tray.Modify(icon, std::string(200, 'z').c_str()));
    EXPECT_EQ(std::string(63, 'z'), tray.Tip());
}

TEST_F(TrayIconTest, ReaddRestoresTheIconAfterTheShellLostIt)
{
    TrayIcon tray;
    ASSERT_TRUE(tray.Add(window, CallbackMessage, IconId, icon, "before"));
    ASSERT_TRUE(tray.Modify(icon, "status"));

    // A restarted notification area has none of the old icons.
    NOTIFYICONDATAA data = Record();
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(tray.Modify(icon, NULL));

    EXPECT_TRUE(tray.Readd());
    EXPECT_TRUE(tray.Added());
    EXPECT_TRUE(ShellHasIcon());
    EXPECT_STREQ("status", tray.Tip());
    EXPECT_TRUE(tray.Modify(icon, NULL));
}

TEST_F(TrayIconTest, DestructionRemovesTheIcon)
{
    {
        TrayIcon tray;
        ASSERT_TRUE(tray.Add(window, CallbackMessage, IconId, icon, "going"));
        ASSERT_TRUE(ShellHasIcon());
    }
    EXPECT_FALSE(ShellHasIcon());
}

} // namespace
