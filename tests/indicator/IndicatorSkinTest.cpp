// The indicator picture, composed by the real code with real GDI from a synthetic skin whose every
// layer has its own colour: what shows where, for each percentage, state, mode and minute count.
// The body's size and shape, and a skin without its file, the scenarios and the generated cases see.
#include <gtest/gtest.h>
#include <string>

#include "common/Gdi.h"
#include "indicator/IndicatorSkin.h"
#include "indicator/TestSkin.h"

namespace {

using namespace testskin;

const std::string Folder = FreshFolder("kestrel-composition");

// A picture composed into a screen-compatible bitmap over black, read back pixel by pixel.
class Picture {
public:
    Picture(const IndicatorSkin &skin, BOOL horizontal, UINT percent, int state, UINT minutes,
            HBRUSH background = NULL)
        : memory(NULL, 100, 100), dc(memory.Dc())
    {
        PatBlt(dc, 0, 0, 100, 100, BLACKNESS);
        EXPECT_TRUE(skin.Draw(dc, horizontal, percent, (PowerState)state, minutes, NULL, background));
    }
    COLORREF At(POINT p, int dx, int dy) const { return GetPixel(dc, p.x + dx, p.y + dy); }
    // The counter's three cells: a digit, ' ' for a blank (the body shows), '?' for anything else.
    std::string Counter(BOOL horizontal) const
    {
        std::string text;
        for (int k = 0; k < 3; k++) {
            COLORREF c = horizontal ? At(DigitsH, k * 9 + 4, 4) : At(DigitsV, 4, k * 10 + 5);
            char shown = c == BodyColour ? ' ' : '?';
            for (int d = 0; d < 10; d++)
                shown = c == Glyph(d) ? (char)('0' + d) : shown;
            text += shown;
        }
        return text;
    }
    // The columns of the horizontal gauge's middle row that show the gauge.
    int GaugeColumns() const
    {
        int n = 0;
        for (int x = 0; x < 41; x++)
            n += At(GaugeH, x, 4) == GaugeColour;
        return n;
    }
    MemoryDc memory;
    HDC dc;
};

class Composition : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(WriteSkin(Folder, 1)); }
    void TearDown() override { skin.Release(); }
    // Loads a skin of the test folder, which is both the installation and the resource folder.
    static BOOL Load(IndicatorSkin &target, UINT number, DWORD mode)
    {
        return target.Load(InstallFolderOf(Folder).c_str(), Folder.c_str(), number, mode);
    }
    IndicatorSkin skin{ GetModuleHandleA(NULL) };
};

TEST_F(Composition, TheGaugeShowsThePercentage)
{
    ASSERT_TRUE(Load(skin, 1, 0));
    // 41 x 50 / 100 = 20.5: the 20 leftmost columns. The stored gauge is cut on a copy: a full
    // gauge after a half one shows every column.
    const struct { UINT percent; int columns; } cases[] = { { 50, 20 }, { 0, 0 }, { 100, 41 }, { 250, 41 },
                                                            { 0xFFFFFFFF, 41 } };
    for (const auto &c : cases)
        EXPECT_EQ(c.columns, Picture(skin, TRUE, c.percent, OnBattery, 0).GaugeColumns()) << c.percent;
    // Vertical, 30 rows at 25 %: 7 rows from the bottom, rows 23 to 29.
    Picture quarter(skin, FALSE, 25, OnBattery, 0);
    for (int y = 0; y < 30; y++)
        EXPECT_EQ(y >= 23 ? GaugeColour : BodyColour, quarter.At(GaugeV, 4, y)) << "row " << y;
    // Key corners are copied as they are (the window's shape hides them); with a background brush
    // the key pixels show the brush instead.
    EXPECT_EQ(Key, GetPixel(quarter.dc, 0, 0));
    HBRUSH teal = CreateSolidBrush(RGB(0, 128, 128));
    Picture backed(skin, FALSE, 25, OnBattery, 0, teal);
    EXPECT_TRUE(GetPixel(backed.dc, 0, 0) == RGB(0, 128, 128) && GetPixel(backed.dc, 1, 0) == BodyColour);
    DeleteObject(teal);
}

TEST_F(Composition, TheMarkFollowsTheStateInTheModesThatShowIt)
{
    const struct { int state; COLORREF mark; } states[] = {
        { OnAc, AcMark }, { OnAcCharging, ChargingMark }, { OnBattery, BatteryMark }, { 7, BatteryMark },
    };
    for (DWORD mode = 0; mode < 4; mode++) {
        IndicatorSkin moded(GetModuleHandleA(NULL));
        ASSERT_TRUE(Load(moded, 1, mode));
        for (const auto &s : states) {
            const COLORREF mark = mode & 1 ? s.mark : BodyColour;
            EXPECT_TRUE(mark == Picture(moded, TRUE, 100, s.state, 0).At(MarkH, 3, 3)
                        && mark == Picture(moded, FALSE, 100, s.state, 0).At(MarkV, 3, 3))
                << "mode " << mode << " state " << s.state;
        }
        // The modes without the time read no strip: 90 minutes draw neither digits nor label.
        Picture timed(moded, TRUE, 0, OnBattery, 90);
        EXPECT_TRUE(timed.Counter(TRUE) == (mode >= 2 ? " 90" : "   ")
                    && timed.At(LabelH, 4, 4) == (mode >= 2 ? LabelColour : BodyColour)) << mode;
        moded.Release();
    }
}

TEST_F(Composition, TheMinutesCounterAndItsLabel)
{
    ASSERT_TRUE(Load(skin, 1, 3));
    const struct { UINT minutes; const char *shown; } cases[] = {
        { 75, " 75" }, { 5, "  5" }, { 240, "240" }, { 105, "105" }, { 1000, "999" }, { 999, "999" },
        { 0xFFFFFFFF, "999" }, { 0x80000000u, "999" }, { 100, "100" }, { 10, " 10" }, { 0, "   " },
    };
    for (const auto &c : cases) {
        Picture p(skin, TRUE, 100, OnBattery, c.minutes);
        EXPECT_EQ(c.shown, p.Counter(TRUE)) << c.minutes;
        EXPECT_EQ(c.minutes ? LabelColour : BodyColour, p.At(LabelH, 4, 4)) << c.minutes;
    }
    // Vertical: the most significant cell at the bottom, so 75 reads 5, 7, blank from the top.
    Picture vertical(skin, FALSE, 100, OnBattery, 75);
    EXPECT_EQ("57 ", vertical.Counter(FALSE));
    EXPECT_EQ(LabelColour, vertical.At(LabelV, 4, 4));
    // A 95-pixel strip has 9-pixel cells: its last 5 columns never show.
    Picture nines(skin, TRUE, 100, OnBattery, 999);
    for (int x = 0; x < 28; x++)
        EXPECT_EQ(x < 27 ? Glyph(9) : BodyColour, nines.At(DigitsH, x, 4)) << x;
    // A strip too narrow for ten cells is left out with its label, not drawn from cells 0 pixels wide.
    ASSERT_TRUE(WriteSkin(Folder, 2) && WriteBmp(Folder + "narrow.bmp", 9, 8, [](int, int) { return Glyph(1); }));
    WritePrivateProfileStringA("Indicator.Psm.Rbt", "RbtNumH", "2,12,255,0,255,narrow.bmp",
                               (Folder + "Indicator02.dat").c_str());
    IndicatorSkin narrow(GetModuleHandleA(NULL));
    ASSERT_TRUE(Load(narrow, 2, 3));
    {
        Picture p(narrow, TRUE, 100, OnBattery, 75);
        EXPECT_TRUE(p.At(DigitsH, 0, 0) == BodyColour && p.At(LabelH, 4, 4) == BodyColour)
            << std::hex << p.At(DigitsH, 0, 0) << " " << p.At(LabelH, 4, 4);
    }
    narrow.Release();
}

} // namespace
