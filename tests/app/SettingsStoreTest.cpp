// The per-user settings against the real registry of the test prefix.
#include <gtest/gtest.h>

#include "app/SettingsStore.h"

namespace {

const char Key[] = "Software\\Ardwick\\Kestrel\\Settings";

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, Key); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, Key); }
    void StoreRaw(const char *name, DWORD type, const void *data, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, Key, &key));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, (const BYTE *)data, size));
        RegCloseKey(key);
    }
};

TEST_F(SettingsStore, AFirstStartReadsEveryDefault)
{
    DWORD backlight[2] = { 5, 5 }, clock[2] = { 5, 5 };
    LoadPowerControlSettings(backlight, clock);
    EXPECT_EQ(0xFFFFFFFFu, backlight[0]);
    EXPECT_EQ(0u, backlight[1]);
    EXPECT_EQ(0xFFFFFFFFu, clock[0]);
    EXPECT_EQ(0u, clock[1]);

    DWORD show = 9, number = 9, position = 9, vertical = 9, mode = 9;
    LoadIndicatorSettings(&show, &number, &position, &vertical, &mode);
    EXPECT_EQ(1u, show);
    EXPECT_EQ(1u, number);
    EXPECT_EQ(0u, position);
    EXPECT_EQ(0u, vertical);
    EXPECT_EQ(1u, mode);

    DWORD untouched = 77;
    EXPECT_FALSE(AccessSetting(FALSE, SettingIndicatorMode, &untouched));
    EXPECT_EQ(77u, untouched);
}

TEST_F(SettingsStore, WritingCreatesTheKeyAndReadsBack)
{
    // Nothing of the product's per-user key is left, up to its first level.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ardwick\\Kestrel");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ardwick");
    HKEY parent;
    ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ardwick", 0, KEY_READ, &parent));

    DWORD value = 3;
    ASSERT_TRUE(AccessSetting(TRUE, SettingIndicatorMode, &value));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_READ, &key));
    DWORD type = 0, stored = 0, size = sizeof stored;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "IndicatorMode", NULL, &type, (BYTE *)&stored, &size));
    RegCloseKey(key);
    EXPECT_EQ((DWORD)REG_DWORD, type);
    EXPECT_EQ(3u, stored);

    value = 0xFFFFFFFE;
    ASSERT_TRUE(AccessSetting(TRUE, SettingCpuClockAc, &value));
    DWORD read = 0;
    ASSERT_TRUE(AccessSetting(FALSE, SettingCpuClockAc, &read));
    EXPECT_EQ(0xFFFFFFFEu, read);
}

TEST_F(SettingsStore, BadOrMissingValuesFallBackEachOnItsOwn)
{
    StoreRaw("IndicatorNumber", REG_SZ, "hello", 6);             // longer than four bytes
    DWORD two = 2;
    StoreRaw("LCDBackLightDC", REG_DWORD, &two, 4);
    DWORD one = 1;
    StoreRaw("CPUClockAC", REG_DWORD, &one, 4);
    StoreRaw("IndicatorPosition", REG_BINARY, "\x03", 1);        // short values are widened

    DWORD backlight[2], clock[2];
    LoadPowerControlSettings(backlight, clock);
    EXPECT_EQ(0xFFFFFFFFu, backlight[0]);
    EXPECT_EQ(2u, backlight[1]);
    EXPECT_EQ(1u, clock[0]);
    EXPECT_EQ(0u, clock[1]);

    DWORD show, number, position, vertical, mode;
    LoadIndicatorSettings(&show, &number, &position, &vertical, &mode);
    EXPECT_EQ(1u, number);
    EXPECT_EQ(3u, position);
    EXPECT_EQ(1u, show);
    EXPECT_EQ(1u, mode);
}

} // namespace
