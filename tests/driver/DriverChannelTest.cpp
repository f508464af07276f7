// DriverChannel against the simulated driver, in both modes, as the driver sees it: the requests
// it receives, in order, with their words. The probes at start, the levels pushed, cut to the
// driver's counts, and an ACPI machine without the driver's interface are seen in the scenarios.
#include <gtest/gtest.h>
#include <string>

#include "SimControl.h"
#include "scenario/Scenario.h"
#include "driver/DriverChannel.h"

namespace {

const char DetectKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Detect";

void SetAcpiOption(DWORD type, const std::string &bytes)
{
    HKEY key;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, DetectKey, &key);
    if (type)
        RegSetValueExA(key, "ACPIOption", 0, type, (const BYTE *)bytes.data(), (DWORD)bytes.size());
    else
        RegDeleteValueA(key, "ACPIOption");
    RegCloseKey(key);
}

class DriverChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimState state;
        REQUIRE_TEST_WORLD(SimGetState(&state), "the driver simulator is not loaded in this prefix");
        ASSERT_TRUE(SimReset());
        TearDown();
    }
    void TearDown() override
    {
        ClearStoredSettings();
        SetAcpiOption(0, "");
    }
};

TEST_F(DriverChannelTest, ModeComesFromTheSwitchesElseTheFirstByteOfTheAcpiOption)
{
    const struct { const char *line; DWORD type; std::string option; DWORD acpi; } cases[] = {
        { "k.exe", 0, "", 0 }, { "k.exe", REG_BINARY, std::string(1, '\0'), 0 }, { "k.exe", REG_BINARY, "\x02\x01", 0 },
        { "k.exe", REG_BINARY, "\x01", 1 }, { "k.exe", REG_DWORD, std::string("\x03\0\0\0", 4), 1 },
        { "k.exe", REG_SZ, std::string("7\0", 2), 1 },   // '7' is odd
        { "k.exe", REG_DWORD, "", 0 }, { "k.exe", REG_BINARY, std::string(4096, '\x01'), 1 },
        { "k.exe -z", REG_BINARY, "\x01", 0 },   // the switch wins; the registry is not consulted
        { "k.exe /A", 0, "", 1 },
        { "k.exe -a /Z", 0, "", 1 },             // ACPI wins over APM
        { "k.exe /Z /", REG_BINARY, "\x01", 1 }, // a parse error falls back to the registry
    };
    for (const auto &c : cases) {
        SetAcpiOption(c.type, c.option);
        DriverChannel channel;
        EXPECT_TRUE(channel.Open(c.line, "C:\\")) << c.line;
        DWORD opened = 0, pathEmpty = 1, acpi = 9;
        channel.GetInfo(&opened, &pathEmpty, &acpi, NULL, NULL, NULL, NULL);
        EXPECT_TRUE(acpi == c.acpi && opened == 1 && pathEmpty == 0) << c.line << ", option of " << c.option.size();
        EXPECT_EQ(c.acpi ? "\\\\?\\" : "\\\\.\\KESTREL.VXD", std::string(channel.DevicePath()).substr(0, c.acpi ? 4 : 99));
        channel.Close();
    }
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    EXPECT_STREQ("C:\\", folder);   // the device is opened from the installation folder
}

TEST_F(DriverChannelTest, LevelAndRingRequestsCarryTheirWordsAndAFailedReadTellsNothing)
{
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", "C:\\"));
    ASSERT_TRUE(SimPress(5));
    DWORD level = 0, first = 0;
    ASSERT_TRUE(channel.AccessLcdLevel(FALSE, &first) && channel.AccessLcdLevel(FALSE, &level));
    EXPECT_TRUE(first == (LcdLevelChangedBit | 5) && level == 5);   // the flag is reported once

    ASSERT_TRUE(SimClearLog());
    DWORD unclamped = 42, ring = 1;
    ASSERT_TRUE(channel.AccessLcdLevel(TRUE, &unclamped) && channel.AccessRingResume(TRUE, &ring));
    ring = 0;
    ASSERT_TRUE(channel.AccessRingResume(FALSE, &ring));
    EXPECT_EQ(1u, ring);
    EXPECT_EQ("lcd-set 42, ring-set 1, ring-get 0", DriverRequests());
    // A level is bits 0 to 30: a set with bit 31 does not make every later read a key change.
    DWORD high = LcdLevelChangedBit | 3;
    ASSERT_TRUE(channel.AccessLcdLevel(TRUE, &high) && channel.AccessLcdLevel(FALSE, &level));
    EXPECT_EQ(3u, level);

    // The driver stops answering: a read reports the failure and leaves the caller's word alone,
    // while a set still goes out and counts as sent.
    SimState none = {};
    ASSERT_TRUE(SimSetFields(SIM_FIELD_FEATURES, &none));
    level = 77;
    ring = 88;
    EXPECT_FALSE(channel.AccessLcdLevel(FALSE, &level) || channel.AccessRingResume(FALSE, &ring));
    EXPECT_TRUE(level == 77 && ring == 88);
    EXPECT_TRUE(channel.AccessRingResume(TRUE, &ring));

    channel.Close();
}

} // namespace
