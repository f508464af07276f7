// The status line and power state for every kind of system power status, and the real reading
// through the fake battery.
#include <gtest/gtest.h>
#include <string>

#include "FakeBattery.h"
#include "driver/PowerStatus.h"
#include "scenario/Scenario.h"

namespace {

SYSTEM_POWER_STATUS Status(BYTE ac, BYTE flag, BYTE percent, DWORD lifeTime)
{
    SYSTEM_POWER_STATUS s;
    ZeroMemory(&s, sizeof s);
    s.ACLineStatus = ac;
    s.BatteryFlag = flag;
    s.BatteryLifePercent = percent;
    s.BatteryLifeTime = lifeTime;
    s.BatteryFullLifeTime = 0xFFFFFFFF;
    return s;
}

struct StatusCase {
    const char *what;
    SYSTEM_POWER_STATUS system;
    DWORD percent;
    PowerState state;
    DWORD minutes;
    const char *text;
};

TEST(PowerStatus, EveryBranchGivesItsStateAndLine)
{
    const DWORD unknownTime = 0xFFFFFFFF;
    const StatusCase cases[] = {
        { "AC line unknown", Status(255, 1, 80, unknownTime), 0, OnBattery, 0, "Power status unknown" },
        { "battery unknown", Status(1, 255, 80, unknownTime), 0, OnBattery, 0, "Power status unknown" },
        { "no battery on AC", Status(1, 128, 255, unknownTime), 0, OnAc, 0,
          "Connected to AC power (no battery contained)" },
        { "no battery off AC", Status(0, 128, 255, unknownTime), 0, OnBattery, 0,
          "Connected to AC power (no battery contained)" },
        { "charging on AC", Status(1, 8, 80, unknownTime), 80, OnAcCharging, 0,
          "Connected to AC power (battery charging):80% battery remaining" },
        { "charging off AC", Status(0, 8 | 1, 70, 3600), 70, OnBattery, 60,
          "Battery in use:70% battery remaining" },
        { "full on AC", Status(1, 1, 100, 7200), 100, OnAc, 0, "Connected to AC power:100% battery remaining" },
        { "on battery", Status(0, 0, 57, 3599), 57, OnBattery, 59, "Battery in use:57% battery remaining" },
        { "time unknown", Status(0, 2, 12, unknownTime), 12, OnBattery, 0, "Battery in use:12% battery remaining" },
        { "percent unknown", Status(0, 0, 255, 60), 0, OnBattery, 1, "Battery in use:0% battery remaining" },
    };
    for (const StatusCase &c : cases) {
        DWORD percent = 1234, minutes = 1234;
        PowerState state = OnAc;
        char text[100];
        ComposePowerStatus(&c.system, &percent, &state, &minutes, text, sizeof text);
        EXPECT_EQ(c.percent, percent) << c.what;
        EXPECT_EQ(c.state, state) << c.what;
        EXPECT_EQ(c.minutes, minutes) << c.what;
        EXPECT_STREQ(c.text, text) << c.what;
    }

    // The system could not be asked at all.
    DWORD percent = 5, minutes = 5;
    PowerState state = OnAc;
    char text[100];
    ComposePowerStatus(NULL, &percent, &state, &minutes, text, sizeof text);
    EXPECT_EQ(OnBattery, state);
    EXPECT_STREQ("Power status unknown", text);
}

TEST(PowerStatus, TheLineIsCutToTheCallersBuffer)
{
    SYSTEM_POWER_STATUS longest = Status(1, 8, 100, 0xFFFFFFFF);
    DWORD percent, minutes;
    PowerState state;
    char tip[64];
    ComposePowerStatus(&longest, &percent, &state, &minutes, tip, sizeof tip);
    EXPECT_EQ(63u, strlen(tip));   // the longest line fits the tray tooltip whole

    char small[30];
    memset(small, '#', sizeof small);
    ComposePowerStatus(&longest, &percent, &state, &minutes, small, 10);
    EXPECT_STREQ("Connected", small);
    for (size_t i = 10; i < sizeof small; i++)
        ASSERT_EQ('#', small[i]) << i;

    SYSTEM_POWER_STATUS battery = Status(0, 0, 57, 60);
    ComposePowerStatus(&battery, &percent, &state, &minutes, small, 18);
    EXPECT_STREQ("Battery in use:57", small);
}

TEST(PowerStatus, ReadsTheSystemThroughTheFakeBattery)
{
    const char *battery = FakeBatteryFolder();
    REQUIRE_TEST_WORLD(battery, "no fake battery: the test run could not make a private mount namespace");

    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
    PowerStatus status;
    ReadPowerStatus(&status);
    EXPECT_EQ(57u, status.percent);
    EXPECT_EQ(OnBattery, status.state);
    EXPECT_EQ(95u, status.minutes);
    EXPECT_STREQ("Battery in use:57% battery remaining", status.text);

    // The other states are composed by the table above and read on screen by the scenarios.
    ASSERT_TRUE(FakeBatterySet(battery, FakeStatusUnknown, 50, 0));
    ReadPowerStatus(&status);
    EXPECT_STREQ("Power status unknown", status.text);

    FakeBatterySet(battery, FakeAcNotCharging, 100, 0);
}

} // namespace
