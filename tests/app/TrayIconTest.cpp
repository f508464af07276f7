// The notification-area icon against Wine's real shell (needs the virtual desktop's notification
// area: Xvfb and an idle program in the desktop).
#include <gtest/gtest.h>
#include <string>

#include "app/TrayIcon.h"

namespace {

TEST(TrayIcon, RefusalsTooltipAndReadding)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    HICON icon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    NOTIFYICONDATAA own;   // our own record of the same icon, to ask the shell what it holds
    ZeroMemory(&own, sizeof own);
    own.cbSize = TrayRecordSize;
    own.hWnd = window;
    own.uID = 7;
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

        const std::string seventy(70, 'k');
        ASSERT_TRUE(tray.Add(window, 0x8064, 7, icon, seventy.c_str())) << "no notification area?";
        EXPECT_EQ(seventy.substr(0, 63), tray.Tip());
        SetLastError(0);
        EXPECT_FALSE(tray.Add(window, 0x8064, 7, icon, "second"));
        EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());

        // The longest status line fits whole; no tip keeps the one there.
        const char longest[] = "Connected to AC power (battery charging):100% battery remaining";
        EXPECT_TRUE(tray.Modify(icon, longest));
        EXPECT_TRUE(tray.Modify(NULL, NULL));
        EXPECT_STREQ(longest, tray.Tip());

        // A re-created notification area has lost the icon; Readd brings it back as it was.
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &own));
        EXPECT_FALSE(tray.Modify(icon, NULL));
        EXPECT_TRUE(tray.Readd());
        EXPECT_TRUE(tray.Modify(icon, NULL));
        EXPECT_STREQ(longest, tray.Tip());

        EXPECT_TRUE(tray.Remove());
        EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &own));   // one icon only, and it is gone
        EXPECT_TRUE(tray.Add(window, 0x8064, 7, icon, NULL));
        EXPECT_STREQ("", tray.Tip());
    }
    // Destruction removes the icon.
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &own));
    DestroyWindow(window);
}

} // namespace
