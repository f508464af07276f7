// The installation folder against the real registry of the test prefix.
#include <gtest/gtest.h>
#include <string>

#include "app/Startup.h"

namespace {

const char Key[] = "Software\\Ardwick\\Kestrel";

class InstallFolder : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key); }

    void Store(DWORD type, const void *data, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, Key, &key));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "InstFolder", 0, type, (const BYTE *)data, size));
        RegCloseKey(key);
    }
    void StoreText(const std::string &text) { Store(REG_SZ, text.c_str(), (DWORD)text.size() + 1); }

    // Reads into 260-byte buffers that sit inside larger ones, so an overrun would show.
    BOOL Read()
    {
        memset(folder, '#', sizeof folder);
        memset(resource, '#', sizeof resource);
        return ReadInstallFolder(folder, 260, resource, 260);
    }
    bool Untouched(const char *buffer) const
    {
        for (int i = 260; i < 300; i++)
            if (buffer[i] != '#')
                return false;
        return true;
    }

    char folder[300];
    char resource[300];
};

TEST_F(InstallFolder, AcceptsUpTo259CharactersAndCutsTheResourceFolder)
{
    StoreText("C:\\Program Files\\Ardwick\\Kestrel");
    ASSERT_TRUE(Read());
    EXPECT_STREQ("C:\\Program Files\\Ardwick\\Kestrel", folder);
    EXPECT_STREQ("C:\\Program Files\\Ardwick\\Kestrel\\Resource\\", resource);

    std::string longest(259, 'a');
    StoreText(longest);
    ASSERT_TRUE(Read());
    EXPECT_EQ(longest, folder);
    EXPECT_EQ(longest, resource);   // no room left for the suffix

    std::string of250(250, 'b');
    StoreText(of250);
    ASSERT_TRUE(Read());
    EXPECT_EQ(of250, folder);
    EXPECT_EQ(of250 + "\\Resource", resource);
    EXPECT_EQ(259u, strlen(resource));
    EXPECT_TRUE(Untouched(folder));
    EXPECT_TRUE(Untouched(resource));
}

TEST_F(InstallFolder, RejectsWhatDoesNotFitOrIsMissing)
{
    EXPECT_FALSE(Read());   // no key at all

    StoreText(std::string(260, 'c'));
    EXPECT_FALSE(Read());
    EXPECT_TRUE(Untouched(folder));

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, Key, &key));
    RegDeleteValueA(key, "InstFolder");
    RegCloseKey(key);
    EXPECT_FALSE(Read());   // key without the value
}

TEST_F(InstallFolder, UnterminatedValuesAreTerminatedOrRejected)
{
    Store(REG_BINARY, "C:\\Kestrel", 10);
    ASSERT_TRUE(Read());
    EXPECT_STREQ("C:\\Kestrel", folder);
    EXPECT_STREQ("C:\\Kestrel\\Resource\\", resource);

    // Filling the whole buffer without a terminator is a value one byte too long.
    std::string full(260, 'd');
    Store(REG_BINARY, full.data(), 260);
    EXPECT_FALSE(Read());
    EXPECT_TRUE(Untouched(folder));

    std::string almost(259, 'e');
    Store(REG_BINARY, almost.data(), 259);
    ASSERT_TRUE(Read());
    EXPECT_EQ(almost, folder);
    EXPECT_TRUE(Untouched(folder));
}

} // namespace
