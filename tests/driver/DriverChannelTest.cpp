// DriverChannel against the simulated driver, in both modes, as the driver sees it: the requests
// it receives, in order, with their words.
#include <gtest/gtest.h>
#include <string>

#include "SimControl.h"
#include "scenario/Scenario.h"
#include "app/SettingsStore.h"
#include "driver/DriverChannel.h"

namespace {

const char DetectKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Detect";
const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";

class DriverChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimState state;
        REQUIRE_TEST_WORLD(SimGetState(&state), "the driver simulator is not loaded in this prefix");
        ASSERT_TRUE(SimReset());
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        SetAcpiOption(NULL, 0);
    }
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        SetAcpiOption(NULL, 0);
    }
    static void SetAcpiOption(const void *data, DWORD size)
    {
        HKEY key;
        RegCreateKeyA(HKEY_LOCAL_MACHINE, DetectKey, &key);
        if (data)
            RegSetValueExA(key, "ACPIOption", 0, REG_BINARY, (const BYTE *)data, size);
        else
            RegDeleteValueA(key, "ACPIOption");
        RegCloseKey(key);
    }
    static void Store(const char *name, DWORD value) { AccessSetting(TRUE, name, &value); }
    static void Configure(DWORD features, DWORD lcdCount, DWORD cpuCount)
    {
        SimState state;
        SimDefaultState(&state);
        state.features = features;
        state.lcdCount = lcdCount;
        state.cpuCount = cpuCount;
        ASSERT_TRUE(SimSetState(&state));
    }
};

TEST_F(DriverChannelTest, ModeComesFromTheSwitchesElseTheRegistry)
{
    struct Case { const char *line; const char *option; DWORD optionSize; DWORD acpi; };
    const Case cases[] = {
        { "k.exe", NULL, 0, 0 },
        { "k.exe", "\x00", 1, 0 },
        { "k.exe", "\x02\x01", 2, 0 },
        { "k.exe", "\x01", 1, 1 },
        { "k.exe", "\x03\x00\x00\x00", 4, 1 },
        { "k.exe -z", "\x01", 1, 0 },          // the switch wins; the registry is not consulted
        { "k.exe /A", NULL, 0, 1 },
        { "k.exe -a /Z", NULL, 0, 1 },         // ACPI wins over APM
        { "k.exe /Z /", "\x01", 1, 1 },        // a parse error falls back to the registry
    };
    for (const Case &c : cases) {
        SetAcpiOption(c.option, c.optionSize);
        DriverChannel channel;
        EXPECT_TRUE(channel.Open(c.line, "C:\\")) << c.line;
        DWORD opened = 0, pathEmpty = 1, acpi = 9;
        channel.GetInfo(&opened, &pathEmpty, &acpi, NULL, NULL, NULL, NULL);
        EXPECT_EQ(c.acpi, acpi) << c.line << " option " << c.optionSize;
        EXPECT_EQ(1u, opened) << c.line;
        EXPECT_EQ(0u, pathEmpty) << c.line;
        if (c.acpi)
            EXPECT_EQ(0, strncmp(channel.DevicePath(), "\\\\?\\", 4)) << channel.DevicePath();
        else
            EXPECT_STREQ("\\\\.\\KESTREL.VXD", channel.DevicePath());
        channel.Close();
    }
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    EXPECT_STREQ("C:\\", folder);   // the device is opened from the installation folder
}

TEST_F(DriverChannelTest, OpeningProbesTheThreeFeaturesInOrder)
{
    Configure(SIM_LCD, 5, 4);
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", "C:\\"));
    EXPECT_EQ("lcd-count 0, cpu-count 0, ring-get 0", DriverRequests());
    DWORD lcd = 0, lcdCount = 0, cpu = 9, cpuCount = 9, ring = 0;
    channel.GetInfo(NULL, NULL, NULL, &lcd, &lcdCount, &cpu, &cpuCount);
    EXPECT_EQ(1u, lcd);
    EXPECT_EQ(5u, lcdCount);
    EXPECT_EQ(0u, cpu);
    EXPECT_EQ(0u, cpuCount);
    EXPECT_FALSE(channel.AccessRingResume(FALSE, &ring));
    channel.Close();
}

TEST_F(DriverChannelTest, StoredLevelsAreClampedToTheLevelCount)
{
    Configure(SIM_LCD | SIM_CPU, 8, 4);
    Store(SettingLcdBacklightDc, 2);
    Store(SettingCpuClockDc, 9);
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", "C:\\"));

    // CPUClockAC is absent: its default stands for the highest level.
    const DWORD stored[] = { 0xFFFFFFFF, 3, 8, 7, 0 };
    const char *sent[] = { "lcd-set 7, cpu-set 3", "lcd-set 3, cpu-set 3", "lcd-set 7, cpu-set 3",
                           "lcd-set 7, cpu-set 3", "lcd-set 0, cpu-set 3" };
    for (int i = 0; i < 5; i++) {
        Store(SettingLcdBacklightAc, stored[i]);
        ASSERT_TRUE(SimClearLog());
        EXPECT_TRUE(channel.ApplyPowerLevels(TRUE, TRUE));
        EXPECT_EQ(sent[i], DriverRequests()) << "stored " << stored[i];
    }

    // Battery levels; without reload the levels read before stay in force.
    Store(SettingLcdBacklightDc, 6);
    ASSERT_TRUE(SimClearLog());
    EXPECT_TRUE(channel.ApplyPowerLevels(FALSE, FALSE));
    EXPECT_EQ("lcd-set 2, cpu-set 3", DriverRequests());

    // A count of 0 has no valid level: nothing is sent for that feature, though it reads as supported.
    channel.Close();
    Configure(SIM_LCD | SIM_CPU, 0, 0xFFFFFFFF);
    Store(SettingCpuClockAc, 123456);
    DriverChannel zero;
    ASSERT_TRUE(zero.Open("k.exe /Z", "C:\\"));
    DWORD lcd = 0, lcdCount = 9;
    zero.GetInfo(NULL, NULL, NULL, &lcd, &lcdCount, NULL, NULL);
    EXPECT_EQ(1u, lcd);
    EXPECT_EQ(0u, lcdCount);
    ASSERT_TRUE(SimClearLog());
    EXPECT_TRUE(zero.ApplyPowerLevels(FALSE, TRUE));
    EXPECT_EQ("cpu-set 123456", DriverRequests());
    zero.Close();
}

TEST_F(DriverChannelTest, LevelAndRingRequestsCarryTheirWordsUntilClosed)
{
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", "C:\\"));
    ASSERT_TRUE(SimPress(5));
    DWORD level = 0;
    ASSERT_TRUE(channel.AccessLcdLevel(FALSE, &level));
    EXPECT_EQ(LcdLevelChangedBit | 5, level);
    ASSERT_TRUE(channel.AccessLcdLevel(FALSE, &level));
    EXPECT_EQ(5u, level);   // the flag is reported once

    ASSERT_TRUE(SimClearLog());
    DWORD unclamped = 42, ring = 1;
    ASSERT_TRUE(channel.AccessLcdLevel(TRUE, &unclamped));
    ASSERT_TRUE(channel.AccessRingResume(TRUE, &ring));
    ring = 0;
    ASSERT_TRUE(channel.AccessRingResume(FALSE, &ring));
    EXPECT_EQ(1u, ring);
    EXPECT_EQ("lcd-set 42, ring-set 1, ring-get 0", DriverRequests());

    // The driver stops answering: a read reports the failure and leaves the caller's word alone,
    // while a set still goes out and counts as sent.
    SimState none = {};
    ASSERT_TRUE(SimSetFields(SIM_FIELD_FEATURES, &none));
    level = 77;
    ring = 88;
    EXPECT_FALSE(channel.AccessLcdLevel(FALSE, &level));
    EXPECT_FALSE(channel.AccessRingResume(FALSE, &ring));
    EXPECT_EQ(77u, level);
    EXPECT_EQ(88u, ring);
    EXPECT_TRUE(channel.AccessRingResume(TRUE, &ring));

    // After Close every request fails and nothing reaches the driver; opened stays set.
    channel.Close();
    ASSERT_TRUE(SimClearLog());
    EXPECT_FALSE(channel.ApplyPowerLevels(TRUE, TRUE));
    EXPECT_FALSE(channel.AccessLcdLevel(FALSE, &level));
    EXPECT_FALSE(channel.AccessRingResume(TRUE, &ring));
    DWORD opened = 0;
    channel.GetInfo(&opened, NULL, NULL, NULL, NULL, NULL, NULL);
    EXPECT_EQ(1u, opened);
    EXPECT_EQ("", DriverRequests());
}

TEST_F(DriverChannelTest, AcpiWithoutAPresentInterfaceStaysClosed)
{
    ASSERT_EQ(0, RunProgram("kestrelsim-setup.exe remove-acpi", 30000));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows"));
    DriverChannel channel;
    EXPECT_FALSE(channel.Open("k.exe /A", "C:\\"));
    // Construction ended at the failed lookup, before the move to the installation folder.
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    EXPECT_STREQ("C:\\windows", folder);
    DWORD opened = 1, pathEmpty = 0, acpi = 0;
    channel.GetInfo(&opened, &pathEmpty, &acpi, NULL, NULL, NULL, NULL);
    EXPECT_EQ(1u, acpi);
    EXPECT_EQ(0u, opened);
    EXPECT_EQ(1u, pathEmpty);
    EXPECT_FALSE(channel.ApplyPowerLevels(FALSE, TRUE));
    DWORD level;
    EXPECT_FALSE(channel.AccessLcdLevel(FALSE, &level));
    EXPECT_EQ("", DriverRequests());
    channel.Close();
    EXPECT_EQ(0, RunProgram("kestrelsim-setup.exe install-acpi", 30000));
}

} // namespace
