// The settings pages' rules over plain values: level clamping, the indicator choices and skin
// fixes, kind list items, the sample's sequence, the version report and the large title's layout.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "sheet/IndicatorChoices.h"
#include "sheet/LargeTextStatic.h"
#include "sheet/PowerControlPage.h"
#include "sheet/VersionPage.h"

namespace {

TEST(PowerLevels, StoredValuesBeyondTheDriverShowAtTheHighestLevel)
{
    struct { DWORD stored, count, shown; } cases[] = {
        { 7, 4, 3 },              // a machine with fewer levels than when it was stored
        { 4, 4, 3 },
        { 3, 4, 3 },
        { 0, 4, 0 },
        { 0xFFFFFFFF, 8, 7 },     // the "highest" default, compared unsigned
        { 0x80000000, 8, 7 },     // would be negative if compared signed
        { 0, 1, 0 }, { 5, 1, 0 }, // a single position
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.shown, ClampLevel(c.stored, c.count)) << c.stored << " of " << c.count;
}

TEST(IndicatorChoices, ModeAndPreferredChoicesRoundTrip)
{
    struct { DWORD mode; BOOL mark, time; } cases[] = {
        { 0, FALSE, FALSE }, { 1, TRUE, FALSE }, { 2, FALSE, TRUE }, { 3, TRUE, TRUE },
        { 4, TRUE, TRUE }, { 7, TRUE, TRUE }, { 0xFFFFFFFF, TRUE, TRUE },   // damaged: both
    };
    for (const auto &c : cases) {
        BOOL mark = -1, time = -1;
        PreferredFromMode(c.mode, &mark, &time);
        EXPECT_EQ(c.mark, mark) << c.mode;
        EXPECT_EQ(c.time, time) << c.mode;
        EXPECT_EQ(c.mode > 3 ? 3 : c.mode, ModeFromChecks(mark, time)) << c.mode;
    }
}

TEST(IndicatorChoices, AForcingSkinChangesTheBoxButNotTheUsersChoice)
{
    const UINT free = 0, forcedOff = 1, forcedOn = 2;
    BOOL fixed = -1;
    EXPECT_TRUE(ResolveChoice(TRUE, free, &fixed));
    EXPECT_FALSE(fixed);
    EXPECT_FALSE(ResolveChoice(FALSE, free, &fixed));
    EXPECT_FALSE(fixed);
    EXPECT_FALSE(ResolveChoice(TRUE, forcedOff, &fixed));
    EXPECT_TRUE(fixed);
    EXPECT_TRUE(ResolveChoice(FALSE, forcedOn, &fixed));
    EXPECT_TRUE(fixed);
}

TEST(IndicatorChoices, TheSkinNumberComesFromTheItemsLeadingDigits)
{
    struct { const char *text; UINT number; } cases[] = {
        { "07 - x", 7 }, { "00 - Plain", 0 }, { "99 - Last", 99 }, { "01", 1 },
        { "x", 0 }, { "", 0 }, { " 7 - x", 0 }, { "-1 - x", 0 },
        { "123 - y", 12 },   // never more than two digits
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.number, SkinNumberFromText(c.text)) << '"' << c.text << '"';
}

TEST(IndicatorChoices, TheSampleRunsOnBatteryChargesRestsOnAcAndRunsDownAgain)
{
    for (UINT row = 0; row < SampleRowCount; row++) {
        const SampleRow &r = SampleDemoTable[row];
        UINT caption = row <= 3 ? IDS_SAMPLE_BATTERY : row <= 15 ? IDS_SAMPLE_CHARGING
                     : row <= 19 ? IDS_SAMPLE_AC : IDS_SAMPLE_BATTERY;
        EXPECT_EQ(caption, SampleCaptionId(r.state)) << "row " << row;
        // Minutes only while on the battery; the percentage never goes past 100.
        EXPECT_EQ(r.state == OnBattery, r.minutes != 0) << "row " << row;
        EXPECT_LE(r.percent, 100u) << "row " << row;
    }
    EXPECT_EQ((UINT)IDS_SAMPLE_BATTERY, SampleCaptionId((PowerState)7));   // unreadable state
}

TEST(VersionReport, TextsFollowTheDriversState)
{
    struct {
        DriverReport report;
        VersionTexts texts;
    } cases[] = {
        // ACPI, working, backlight with 8 levels, no clock control
        { { 1, 0, 1, 1, 8, 0, 0 }, { IDS_MODE_ACPI, IDS_DRIVER_NORMAL, IDS_FEATURE_SUPPORTED, IDS_FEATURE_ABSENT } },
        // supported with 0 levels counts as absent
        { { 1, 0, 0, 1, 0, 1, 4 }, { IDS_MODE_APM, IDS_DRIVER_NORMAL, IDS_FEATURE_ABSENT, IDS_FEATURE_SUPPORTED } },
        // ACPI without its interface: no path
        { { 0, 1, 1, 0, 0, 0, 0 }, { IDS_MODE_ACPI, IDS_DRIVER_MISSING, IDS_FEATURE_UNKNOWN, IDS_FEATURE_UNKNOWN } },
        // a path but the open failed; what the probes left behind is not believed
        { { 0, 0, 0, 1, 8, 1, 4 }, { IDS_MODE_APM, IDS_DRIVER_MISSING, IDS_FEATURE_UNKNOWN, IDS_FEATURE_UNKNOWN } },
        // no channel at all
        { { 0, 1, 0, 0, 0, 0, 0 }, { IDS_MODE_APM, IDS_DRIVER_MISSING, IDS_FEATURE_UNKNOWN, IDS_FEATURE_UNKNOWN } },
    };
    for (const auto &c : cases) {
        VersionTexts t = VersionTextsFor(c.report);
        EXPECT_EQ(c.texts.mode, t.mode);
        EXPECT_EQ(c.texts.driver, t.driver);
        EXPECT_EQ(c.texts.backlight, t.backlight);
        EXPECT_EQ(c.texts.clock, t.clock);
    }
}

TEST(LargeTitle, LayoutFlagsFollowTheStaticsStyle)
{
    EXPECT_EQ((UINT)(DT_LEFT | DT_WORDBREAK), LargeTextFlags(SS_LEFT));
    EXPECT_EQ((UINT)(DT_CENTER | DT_WORDBREAK), LargeTextFlags(SS_CENTER | WS_CHILD | WS_VISIBLE));
    EXPECT_EQ((UINT)(DT_RIGHT | DT_WORDBREAK | DT_NOPREFIX), LargeTextFlags(SS_RIGHT | SS_NOPREFIX));
    EXPECT_EQ((UINT)DT_LEFT, LargeTextFlags(SS_LEFTNOWORDWRAP));
    EXPECT_EQ((UINT)(DT_LEFT | DT_WORDBREAK), LargeTextFlags(SS_SIMPLE));
    EXPECT_EQ((UINT)(DT_LEFT | DT_WORDBREAK), LargeTextFlags(SS_ICON));

    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = -13;
    font.lfWidth = 5;
    DoubleFontSize(&font);
    EXPECT_EQ(-26, font.lfHeight);
    EXPECT_EQ(10, font.lfWidth);
}

} // namespace
