// The owners of memory contexts and selections: what they selected goes back at scope end, a
// borrowed bitmap stays the caller's, an owned one goes, and the clean-up keeps a failure's code.
#include <gtest/gtest.h>

#include "common/Gdi.h"

namespace {

TEST(MemoryDc, PutsBackWhatItSelectedAndKeepsTheFailuresCode)
{
    {
        MemoryDc warm(NULL, 8, 8);   // the screen's context and the stock font, made once
        SelectedObject fixed(warm.Dc(), GetStockObject(ANSI_FIXED_FONT));
    }
    const UINT before = CountGdiObjects();
    HBITMAP borrowed = CreateBitmap(4, 4, 1, 32, NULL);
    ASSERT_TRUE(borrowed);
    {
        MemoryDc canvas(NULL, 8, 8);
        ASSERT_TRUE(canvas.Dc());
        const HGDIOBJ font = GetCurrentObject(canvas.Dc(), OBJ_FONT);
        {
            SelectedObject fixed(canvas.Dc(), GetStockObject(ANSI_FIXED_FONT));
            EXPECT_EQ(GetStockObject(ANSI_FIXED_FONT), GetCurrentObject(canvas.Dc(), OBJ_FONT));
        }
        EXPECT_EQ(font, GetCurrentObject(canvas.Dc(), OBJ_FONT));

        MemoryDc holder(NULL, borrowed);
        ASSERT_TRUE(holder.Dc());
        MemoryDc refused(NULL, borrowed);   // a bitmap lives in one context at a time
        EXPECT_FALSE(refused.Dc());
        holder.Deselect();
        EXPECT_FALSE(holder.Dc());
        MemoryDc next(NULL, borrowed);
        EXPECT_TRUE(next.Dc());
        SetLastError(ERROR_INVALID_PARAMETER);   // as a failed drawing call leaves it
    }
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    {
        MemoryDc again(NULL, borrowed);   // still the caller's, and no context holds it any more
        EXPECT_TRUE(again.Dc());
    }
    DeleteObject(borrowed);
    EXPECT_EQ(before, CountGdiObjects());
}

} // namespace
