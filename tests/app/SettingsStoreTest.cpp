// The registry readers against the real registry of the test prefix: the per-user settings and the
// installation folder, well formed and as another program or a damaged profile leaves them.
#include <gtest/gtest.h>
#include <string>

#include "app/AppState.h"
#include "app/SettingsStore.h"
#include "app/Startup.h"

namespace {

const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";
const char ProductKey[] = "Software\\Ardwick\\Kestrel";

void Store(HKEY root, const char *path, const char *name, DWORD type, const std::string &bytes)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(root, path, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, (const BYTE *)bytes.data(), (DWORD)bytes.size()));
    RegCloseKey(key);
}

// The value as the registry holds it now: its type and bytes, or "absent".
std::string Stored(HKEY root, const char *path, const char *name)
{
    std::string data(8192, '\0');
    DWORD type = 0, size = (DWORD)data.size();
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "absent";
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)&data[0], &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::to_string(type) + ":" + data.substr(0, size) : "absent";
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);
    }
};

// What the program reads for setting i of the table below, through its own readers.
DWORD Read(int i, DWORD untouched)
{
    DWORD power[4], indicator[5];
    LoadPowerControlSettings(power, power + 2);
    LoadIndicatorSettings(&indicator[0], &indicator[1], &indicator[2], &indicator[3], &indicator[4]);
    if (i < 4)
        return power[i];
    if (i < 9)
        return indicator[i - 4];
    // The free position has no default here: the reader fails and leaves the word alone.
    AccessSetting(FALSE, i == 9 ? SettingIndicatorX : SettingIndicatorY, &untouched);
    return untouched;
}

TEST_F(Registry, EverySettingTakesWhatFitsInAWordAndItsDefaultOtherwise)
{
    const char *names[11] = { SettingLcdBacklightAc, SettingLcdBacklightDc, SettingCpuClockAc, SettingCpuClockDc,
                              SettingIndicatorShow, SettingIndicatorNumber, SettingIndicatorPosition,
                              SettingIndicatorVertical, SettingIndicatorMode, SettingIndicatorX, SettingIndicatorY };
    const DWORD Default = 0xDEFA017, defaults[11] = { 0xFFFFFFFF, 0, 0xFFFFFFFF, 0, 1, 1, 0, 0, 1, Default, Default };
    // A value of at most four bytes is taken as it lies, widened with zeros; a longer one is none.
    const struct { const char *what; DWORD type; std::string bytes; DWORD read; } forms[] = {
        { "absent", 0, "", Default }, { "a string", REG_SZ, std::string("7\0", 2), 0x37 },
        { "a quad word", REG_QWORD, std::string(8, '\x05'), Default }, { "size 0", REG_DWORD, "", 0 },
        { "size 1", REG_DWORD, "\x05", 5 }, { "size 3", REG_BINARY, "\x05\x05\x05", 0x050505 },
        { "size 5", REG_DWORD, std::string(5, '\x05'), Default },
        { "a large size", REG_BINARY, std::string(4096, '\x05'), Default },
    };
    for (int i = 0; i < 11; i++) {
        for (const auto &f : forms) {
            if (f.type)
                Store(HKEY_CURRENT_USER, SettingsKey, names[i], f.type, f.bytes);
            const std::string before = Stored(HKEY_CURRENT_USER, SettingsKey, names[i]);
            EXPECT_EQ(f.read == Default ? defaults[i] : f.read, Read(i, Default)) << names[i] << " as " << f.what;
            // Readers never write back, not even the default they fell back to.
            EXPECT_EQ(before, Stored(HKEY_CURRENT_USER, SettingsKey, names[i])) << names[i];
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }

    // Writing makes the whole key, up to its first level, and a value of four bytes.
    RegDeleteKeyA(HKEY_CURRENT_USER, ProductKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ardwick");
    DWORD value = 0xFFFFFFFE;
    ASSERT_TRUE(AccessSetting(TRUE, SettingCpuClockAc, &value));
    EXPECT_EQ("4:" + std::string("\xFE\xFF\xFF\xFF", 4), Stored(HKEY_CURRENT_USER, SettingsKey, SettingCpuClockAc));
}

TEST_F(Registry, TheInstallationFolderIsTextOfAnyTypeThatFitsAndIsNotEmpty)
{
    const std::string usual = "C:\\Program Files\\Ardwick\\Kestrel", a(259, 'a'), b(250, 'b'), e(259, 'e');
    const struct { const char *what; DWORD type; std::string bytes; bool ok; std::string folder, resource; } cases[] = {
        { "the usual", REG_SZ, usual + '\0', true, usual, usual + "\\Resource\\" },
        // The resource folder is cut to the path size, whatever room the suffix needs.
        { "259 characters", REG_SZ, a + '\0', true, a, a },
        { "250 characters", REG_SZ, b + '\0', true, b, b + "\\Resource" },
        { "260 characters", REG_SZ, std::string(260, 'c') + '\0', false, "", "" },
        // Unterminated bytes are terminated when there is room; filling the buffer is one too many.
        { "unterminated", REG_BINARY, "C:\\K", true, "C:\\K", "C:\\K\\Resource\\" },
        { "unterminated 259", REG_BINARY, e, true, e, e },
        { "unterminated 260", REG_BINARY, std::string(260, 'd'), false, "", "" },
        { "a double word", REG_DWORD, "C:\\K", true, "C:\\K", "C:\\K\\Resource\\" },
        { "an expandable string", REG_EXPAND_SZ, std::string("C:\\K\0", 5), true, "C:\\K", "C:\\K\\Resource\\" },
        { "size 0", REG_SZ, "", false, "", "" }, { "an empty string", REG_SZ, std::string(1, '\0'), false, "", "" },
        { "a large size", REG_SZ, std::string(4096, 'k'), false, "", "" }, { "absent", 0, "", false, "", "" },
    };
    for (const auto &c : cases) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);
        if (c.type)
            Store(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder", c.type, c.bytes);
        // Buffers of the path size inside larger ones, so that an overrun shows.
        char folder[PathSize + 40], resource[PathSize + 40];
        memset(folder, '#', sizeof folder);
        memset(resource, '#', sizeof resource);
        EXPECT_EQ(c.ok, ReadInstallFolder(folder, PathSize, resource, PathSize) != 0) << c.what;
        if (c.ok) {
            EXPECT_EQ(c.folder, folder) << c.what;
            EXPECT_EQ(c.resource, resource) << c.what;
        }
        EXPECT_EQ(std::string(40, '#'), std::string(folder + PathSize, 40)) << c.what;
        EXPECT_EQ(std::string(40, '#'), std::string(resource + PathSize, 40)) << c.what;
    }
}

} // namespace
