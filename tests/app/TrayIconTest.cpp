// The notification-area icon against Wine's real shell (needs the virtual desktop's notification
// area: Xvfb and an idle program in the desktop).
#include <gtest/gtest.h>
#include <cstddef>
#include <string>

#include "app/TrayIcon.h"

namespace {

// The call fails with exactly this last-error code.
#define EXPECT_REFUSED(call, code) \
    do { SetLastError(0); EXPECT_FALSE(call); EXPECT_EQ((DWORD)(code), GetLastError()); } while (0)

TEST(TrayIcon, RefusalsTooltipAndReadding)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    HICON icon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    NOTIFYICONDATAA own = NOTIFYICONDATAA();   // the same icon, to ask the shell about it
    own.cbSize = TrayRecordSize;
    own.hWnd = window;
    own.uID = 7;
    {
        TrayIcon tray;
        EXPECT_REFUSED(tray.Modify(icon, "x"), ERROR_NOT_READY);
        EXPECT_REFUSED(tray.Remove(), ERROR_NOT_READY);
        EXPECT_REFUSED(tray.Readd(), ERROR_NOT_READY);
        const std::string seventy(70, 'k');
        ASSERT_TRUE(tray.Add(window, 0x8064, 7, icon, seventy.c_str())) << "no notification area?";
        EXPECT_EQ(seventy.substr(0, 63), tray.Tip());
        EXPECT_REFUSED(tray.Add(window, 0x8064, 7, icon, "second"), ERROR_ALREADY_EXISTS);

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
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &own));   // destruction removed the icon

    // A first Add the shell refuses (here an icon of the same window and id is already there, as
    // when the taskbar does not exist yet): the latest picture and tip are what Readd shows.
    HICON later = LoadIconA(NULL, (LPCSTR)IDI_WARNING);
    {
        TrayIcon tray;
        ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &own));
        EXPECT_FALSE(tray.Add(window, 0x8064, 7, icon, "first") || tray.Added());
        EXPECT_REFUSED(tray.Modify(later, "later"), ERROR_NOT_READY);
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &own));
        EXPECT_TRUE(tray.Readd() && tray.Icon() == later);
        EXPECT_STREQ("later", tray.Tip());
    }
    // The record the shell is handed ends with the first version's tooltip, on either build.
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, szTip) + TrayTipSize, TrayRecordSize);
    DestroyWindow(window);
}

} // namespace
