// Registry values of the wrong type or size, as another program or a damaged profile leaves them:
// every per-user setting, the installation folder and the ACPI option, against the real registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "app/Startup.h"
#include "driver/DriverChannel.h"

namespace {

const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";
const char ProductKey[] = "Software\\Ardwick\\Kestrel";
const char DetectKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Detect";
const DWORD Default = 0xDEFA017;   // marks "the reader's own default" in the tables
const DWORD LargeSize = 4096;

// One stored form of a value: its type and bytes.
struct Raw {
    const char *what;
    DWORD type;
    std::string bytes;
};

// The same damaged forms for every value: a wrong type, sizes 0, 1, 3, 5 and a large one.
std::vector<Raw> DamagedForms(char fill)
{
    return {
        { "a string", REG_SZ, std::string("7\0", 2) },
        { "a quad word", REG_QWORD, std::string(8, fill) },
        { "size 0", REG_DWORD, std::string() },
        { "size 1", REG_DWORD, std::string(1, fill) },
        { "size 3", REG_BINARY, std::string(3, fill) },
        { "size 5", REG_DWORD, std::string(5, fill) },
        { "a large size", REG_BINARY, std::string(LargeSize, fill) },
    };
}

void Store(HKEY root, const char *path, const char *name, const Raw &raw)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(root, path, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, raw.type, (const BYTE *)raw.bytes.data(),
                                            (DWORD)raw.bytes.size()));
    RegCloseKey(key);
}

// The value as the registry holds it now: its type and bytes, or "absent".
std::string Stored(HKEY root, const char *path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "absent";
    std::string data(LargeSize + 16, '\0');
    DWORD type = 0, size = (DWORD)data.size();
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)&data[0], &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "absent";
    return std::to_string(type) + ":" + data.substr(0, size);
}

class SettingsFaults : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear()
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DetectKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "ACPIOption");
            RegCloseKey(key);
        }
    }
};

// What the program reads for setting index i (the order of the table below).
DWORD ReadThroughTheProgram(int i)
{
    DWORD backlight[2], clock[2], indicator[5];
    if (i < 4) {
        LoadPowerControlSettings(backlight, clock);
        return i < 2 ? backlight[i] : clock[i - 2];
    }
    if (i < 9) {
        LoadIndicatorSettings(&indicator[0], &indicator[1], &indicator[2], &indicator[3], &indicator[4]);
        return indicator[i - 4];
    }
    // The indicator window applies its own defaults to the free position; the store reports failure.
    DWORD word = Default;
    AccessSetting(FALSE, i == 9 ? SettingIndicatorX : SettingIndicatorY, &word);
    return word;
}

TEST_F(SettingsFaults, EverySettingTakesWhatFitsInAWordAndTheDefaultOtherwise)
{
    struct Setting { const char *name; DWORD fallback; };
    const Setting settings[] = {
        { SettingLcdBacklightAc, 0xFFFFFFFF }, { SettingLcdBacklightDc, 0 }, { SettingCpuClockAc, 0xFFFFFFFF },
        { SettingCpuClockDc, 0 }, { SettingIndicatorShow, 1 }, { SettingIndicatorNumber, 1 },
        { SettingIndicatorPosition, 0 }, { SettingIndicatorVertical, 0 }, { SettingIndicatorMode, 1 },
        { SettingIndicatorX, Default }, { SettingIndicatorY, Default },
    };
    // A value of at most four bytes is taken as it lies, widened with zeros; anything longer is
    // no setting at all.
    const DWORD expected[] = { 0x37, Default, 0, 0x05, 0x050505, Default, Default };
    for (int i = 0; i < 11; i++) {
        std::vector<Raw> forms = DamagedForms('\x05');
        for (size_t f = 0; f < forms.size(); f++) {
            Store(HKEY_CURRENT_USER, SettingsKey, settings[i].name, forms[f]);
            std::string before = Stored(HKEY_CURRENT_USER, SettingsKey, settings[i].name);
            DWORD want = expected[f] == Default ? settings[i].fallback : expected[f];
            EXPECT_EQ(want, ReadThroughTheProgram(i)) << settings[i].name << " stored as " << forms[f].what;
            // Readers never write back, not even the default they fell back to.
            EXPECT_EQ(before, Stored(HKEY_CURRENT_USER, SettingsKey, settings[i].name)) << settings[i].name;
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }
}

TEST_F(SettingsFaults, TheInstallationFolderIsTextOfAnyTypeThatFitsAndIsNotEmpty)
{
    struct Case { Raw raw; const char *folder; };   // folder null: the read fails
    const Case cases[] = {
        { { "a double word", REG_DWORD, "C:\\K" }, "C:\\K" },
        { { "an expandable string", REG_EXPAND_SZ, std::string("C:\\Kestrel\0", 11) }, "C:\\Kestrel" },
        { { "size 0", REG_SZ, std::string() }, NULL },
        { { "an empty string", REG_SZ, std::string(1, '\0') }, NULL },
        { { "size 1", REG_SZ, "C" }, "C" },
        { { "size 3", REG_BINARY, "C:\\" }, "C:\\" },
        { { "size 5", REG_SZ, "C:\\Ke" }, "C:\\Ke" },
        { { "a large size", REG_SZ, std::string(LargeSize, 'k') }, NULL },
    };
    for (const Case &c : cases) {
        Store(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder", c.raw);
        std::string before = Stored(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder");
        char folder[PathSize + 8], resource[PathSize + 8];
        memset(folder, '#', sizeof folder);
        memset(resource, '#', sizeof resource);
        BOOL read = ReadInstallFolder(folder, PathSize, resource, PathSize);
        EXPECT_EQ(c.folder != NULL, read != 0) << c.raw.what;
        if (c.folder && read) {
            EXPECT_STREQ(c.folder, folder) << c.raw.what;
            EXPECT_EQ(std::string(c.folder) + "\\Resource\\", resource) << c.raw.what;
        }
        EXPECT_EQ('#', folder[PathSize]) << c.raw.what;
        EXPECT_EQ('#', resource[PathSize]) << c.raw.what;
        EXPECT_EQ(before, Stored(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder")) << c.raw.what;
    }
}

TEST_F(SettingsFaults, TheAcpiOptionIsItsFirstByteWhateverItsTypeAndSize)
{
    // Filled with 0x01 (odd: ACPI) or 0x02 (even: APM); a string "7" starts with '7', odd.
    const DWORD acpiWhenFilledWithOne[] = { 1, 1, 0, 1, 1, 1, 1 };
    const char fills[] = { '\x01', '\x02' };
    for (char fill : fills) {
        std::vector<Raw> forms = DamagedForms(fill);
        for (size_t f = 0; f < forms.size(); f++) {
            Store(HKEY_LOCAL_MACHINE, DetectKey, "ACPIOption", forms[f]);
            std::string before = Stored(HKEY_LOCAL_MACHINE, DetectKey, "ACPIOption");
            DriverChannel channel;
            channel.Open("k.exe", "C:\\");
            DWORD acpi = 9;
            channel.GetInfo(NULL, NULL, &acpi, NULL, NULL, NULL, NULL);
            channel.Close();
            DWORD want = f == 0 ? 1 : fill == '\x01' ? acpiWhenFilledWithOne[f] : 0;
            EXPECT_EQ(want, acpi) << "ACPIOption stored as " << forms[f].what << " of " << (int)fill;
            EXPECT_EQ(before, Stored(HKEY_LOCAL_MACHINE, DetectKey, "ACPIOption"));
        }
    }
}

} // namespace
