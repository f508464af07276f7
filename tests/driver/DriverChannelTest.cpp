// DriverChannel against the simulated driver, in both modes, as the driver sees it: the requests
// it receives, in order, with their words.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "SimControl.h"
#include "scenario/Scenario.h"
#include "app/SettingsStore.h"
#include "driver/DriverChannel.h"

namespace {

const char DetectKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Detect";
const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";

std::vector<SimRequest> Log()
{
    SimRequest entries[64];
    DWORD count = SimReadLog(entries, 64);
    return std::vector<SimRequest>(entries, entries + count);
}

bool RunSetup(const char *verb)
{
    return RunProgram(std::string("kestrelsim-setup.exe ") + verb, 30000) == 0;
}

class DriverChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimState state;
        if (!SimGetState(&state))
            GTEST_SKIP() << "the driver simulator is not loaded in this prefix";
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
        { "k.exe /Z", "\x01", 1, 0 },          // the switch wins; the registry is not consulted
        { "k.exe -z", "\x01", 1, 0 },
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
    SimState state;
    SimDefaultState(&state);
    state.features = SIM_LCD;
    state.lcdCount = 5;
    ASSERT_TRUE(SimSetState(&state));
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", "C:\\"));
    std::vector<SimRequest> log = Log();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(RequestLcdLevelCount, log[0].code);
    EXPECT_EQ(RequestCpuLevelCount, log[1].code);
    EXPECT_EQ(RequestGetRingResume, log[2].code);

    DWORD lcd = 0, lcdCount = 0, cpu = 9, cpuCount = 9;
    channel.GetInfo(NULL, NULL, NULL, &lcd, &lcdCount, &cpu, &cpuCount);
    EXPECT_EQ(1u, lcd);
    EXPECT_EQ(5u, lcdCount);
    EXPECT_EQ(0u, cpu);
    EXPECT_EQ(0u, cpuCount);
    DWORD ring = 0;
    EXPECT_FALSE(channel.AccessRingResume(FALSE, &ring));

    // A second Open of a built channel is refused.
    EXPECT_FALSE(channel.Open("k.exe /Z", "C:\\"));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
    channel.Close();
}

TEST_F(DriverChannelTest, StoredLevelsAreClampedToTheLevelCount)
{
    SimState state;
    SimDefaultState(&state);
    state.lcdCount = 8;
    state.cpuCount = 4;
    ASSERT_TRUE(SimSetState(&state));
    Store(SettingLcdBacklightDc, 2);
    Store(SettingCpuClockDc, 9);
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", "C:\\"));

    struct Case { DWORD stored; DWORD sent; };
    const Case cases[] = { { 0xFFFFFFFF, 7 }, { 3, 3 }, { 8, 7 }, { 7, 7 }, { 0, 0 } };
    for (const Case &c : cases) {
        Store(SettingLcdBacklightAc, c.stored);
        ASSERT_TRUE(SimClearLog());
        EXPECT_TRUE(channel.ApplyPowerLevels(TRUE, TRUE));
        std::vector<SimRequest> log = Log();
        ASSERT_EQ(2u, log.size());
        EXPECT_EQ(RequestSetLcdLevel, log[0].code);
        EXPECT_EQ(c.sent, log[0].input) << "stored " << c.stored;
        EXPECT_EQ(RequestSetCpuLevel, log[1].code);
        EXPECT_EQ(3u, log[1].input);    // CPUClockAC absent: the highest level
    }

    // Battery levels; without reload the levels read at Open stay in force.
    Store(SettingLcdBacklightDc, 6);
    ASSERT_TRUE(SimClearLog());
    EXPECT_TRUE(channel.ApplyPowerLevels(FALSE, FALSE));
    std::vector<SimRequest> log = Log();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(2u, log[0].input);
    EXPECT_EQ(3u, log[1].input);
    channel.Close();
}

TEST_F(DriverChannelTest, ACountOfZeroSendsNothingForThatFeature)
{
    SimState state;
    SimDefaultState(&state);
    state.lcdCount = 0;
    state.cpuCount = 0xFFFFFFFF;
    ASSERT_TRUE(SimSetState(&state));
    Store(SettingCpuClockAc, 123456);
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", "C:\\"));
    DWORD lcd = 0, lcdCount = 9;
    channel.GetInfo(NULL, NULL, NULL, &lcd, &lcdCount, NULL, NULL);
    EXPECT_EQ(1u, lcd);
    EXPECT_EQ(0u, lcdCount);
    ASSERT_TRUE(SimClearLog());
    EXPECT_TRUE(channel.ApplyPowerLevels(FALSE, TRUE));
    std::vector<SimRequest> log = Log();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(RequestSetCpuLevel, log[0].code);
    EXPECT_EQ(123456u, log[0].input);
    channel.Close();
}

TEST_F(DriverChannelTest, LevelAndRingRequestsCarryTheirWords)
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
    DWORD unclamped = 42;
    ASSERT_TRUE(channel.AccessLcdLevel(TRUE, &unclamped));
    DWORD ring = 1;
    ASSERT_TRUE(channel.AccessRingResume(TRUE, &ring));
    ring = 0;
    ASSERT_TRUE(channel.AccessRingResume(FALSE, &ring));
    EXPECT_EQ(1u, ring);
    std::vector<SimRequest> log = Log();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(RequestSetLcdLevel, log[0].code);
    EXPECT_EQ(42u, log[0].input);
    EXPECT_EQ(RequestSetRingResume, log[1].code);
    EXPECT_EQ(1u, log[1].input);
    EXPECT_EQ(RequestGetRingResume, log[2].code);
    EXPECT_EQ(0u, log[2].input);

    // After Close every request fails and nothing reaches the driver.
    channel.Close();
    ASSERT_TRUE(SimClearLog());
    EXPECT_FALSE(channel.ApplyPowerLevels(TRUE, TRUE));
    EXPECT_FALSE(channel.AccessLcdLevel(FALSE, &level));
    EXPECT_FALSE(channel.AccessRingResume(TRUE, &ring));
    DWORD opened = 0;
    channel.GetInfo(&opened, NULL, NULL, NULL, NULL, NULL, NULL);
    EXPECT_EQ(1u, opened);
    EXPECT_TRUE(Log().empty());
}

TEST_F(DriverChannelTest, AcpiWithoutAPresentInterfaceStaysClosed)
{
    ASSERT_TRUE(RunSetup("remove-acpi"));
    DriverChannel channel;
    EXPECT_FALSE(channel.Open("k.exe /A", "C:\\"));
    DWORD opened = 1, pathEmpty = 0, acpi = 0;
    channel.GetInfo(&opened, &pathEmpty, &acpi, NULL, NULL, NULL, NULL);
    EXPECT_EQ(1u, acpi);
    EXPECT_EQ(0u, opened);
    EXPECT_EQ(1u, pathEmpty);
    EXPECT_FALSE(channel.ApplyPowerLevels(FALSE, TRUE));
    DWORD level;
    EXPECT_FALSE(channel.AccessLcdLevel(FALSE, &level));
    EXPECT_TRUE(Log().empty());
    channel.Close();
    EXPECT_TRUE(RunSetup("install-acpi"));
}

} // namespace
