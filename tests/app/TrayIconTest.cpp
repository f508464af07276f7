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
    HICON icon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION), later = LoadIconA(NULL, (LPCSTR)IDI_WARNING);
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

        // A re-created notification area has lost the icon, so the shell refuses whatever is
        // sent: the picture and tip shown already (the tip cut as the shell keeps it) are not sent
        // again; a new picture or tip is. Readd brings the icon back as it was last given.
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &own));
        const std::string longer = std::string(longest) + " and more", seventyOne = seventy + "k";
        const struct { HICON icon; const char *tip; bool sent; } changes[] = {
            { NULL, NULL, false }, { NULL, longest, false }, { NULL, longer.c_str(), false }, { icon, NULL, true },
            { icon, "Battery in use", true }, { icon, seventy.c_str(), true }, { icon, seventyOne.c_str(), false },
            { NULL, NULL, true },
        };
        for (const auto &c : changes)
            EXPECT_EQ(!c.sent, tray.Modify(c.icon, c.tip) != FALSE) << (c.tip ? c.tip : "no tip");
        EXPECT_TRUE(tray.Readd());
        EXPECT_TRUE(tray.Modify(later, NULL));
        EXPECT_EQ(seventy.substr(0, 63), tray.Tip());

        EXPECT_TRUE(tray.Remove());
        EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &own));   // one icon only, and it is gone
        EXPECT_TRUE(tray.Add(window, 0x8064, 7, icon, NULL));
        EXPECT_STREQ("", tray.Tip());
    }
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &own));   // destruction removed the icon

    // A first Add the shell refuses (here an icon of the same window and id is already there, as
    // when the taskbar does not exist yet): the latest picture and tip are what Readd shows.
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
