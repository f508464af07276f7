// The command-line tokenizer against tables of lines; the expectations are what a user typing the
// line means, including the platform's quoting of program paths.
#include <gtest/gtest.h>
#include <string>

#include "app/CommandLine.h"

namespace {

struct DriverCase {
    const char *line;
    WORD result;
    DWORD forceApm, forceAcpi;
};

TEST(CommandLine, DriverSwitchesFromWholeLines)
{
    const DriverCase cases[] = {
        { "", Ok, 0, 0 },
        { "   \t ", Ok, 0, 0 },
        { "kestrel.exe", Ok, 0, 0 },
        { "\"C:\\Program Files\\Ardwick\\Kestrel\\Kestrel.exe\" /Z", Ok, 1, 0 },
        { "\"C:\\Program Files\\Ardwick\\Kestrel\\Kestrel.exe\"", Ok, 0, 0 },
        // An unquoted path with a "-" ends the program name there; its letter a is the ACPI switch.
        { "D:\\my-app\\x.exe", Ok, 0, 1 },
        { "k.exe -z -A", Ok, 1, 1 },
        { "k.exe /a", Ok, 0, 1 },
        { "k.exe / z", Ok, 1, 0 },               // blanks between switch character and letter
        { "k.exe /Q -z", Ok, 1, 0 },             // unknown letters are skipped
        { "k.exe -za", Ok, 1, 0 },               // one letter per switch character; "a" is a stray token
        { "k.exe stray words -A", Ok, 0, 1 },
        { "k.exe -z /", MissingOption, 1, 0 },   // what was seen before the error stays set
        { "k.exe -  ", MissingOption, 0, 0 },
    };
    for (const DriverCase &c : cases) {
        DWORD apm = 7, acpi = 7;
        OptionSpec table[] = {
            { OptionSwitch, 'Z', &apm, NULL, 0 }, { OptionSwitch, 'z', &apm, NULL, 0 },
            { OptionSwitch, 'A', &acpi, NULL, 0 }, { OptionSwitch, 'a', &acpi, NULL, 0 },
            { OptionEnd, 0, NULL, NULL, 0 },
        };
        const char *error = c.line;
        EXPECT_EQ(c.result, ParseOptions(c.line, TRUE, table, &error, TRUE, TRUE)) << c.line;
        EXPECT_EQ(c.forceApm, apm) << c.line;
        EXPECT_EQ(c.forceAcpi, acpi) << c.line;
        EXPECT_EQ(c.result == Ok, error == NULL) << c.line;

        DWORD apm2 = 7, acpi2 = 7;
        EXPECT_EQ(c.result == Ok, ReadDriverSwitches(c.line, &apm2, &acpi2)) << c.line;
        EXPECT_EQ(c.forceApm, apm2) << c.line;
        EXPECT_EQ(c.forceAcpi, acpi2) << c.line;
    }
}

TEST(CommandLine, ProgramTablesShareOneFlagForBothCases)
{
    DWORD flag = 0;
    EXPECT_TRUE(ReadStartupSwitches("k.exe -X", &flag)); EXPECT_EQ(1u, flag);
    EXPECT_TRUE(ReadStartupSwitches("k.exe /x", &flag)); EXPECT_EQ(1u, flag);
    EXPECT_TRUE(ReadStartupSwitches("k.exe / X", &flag)); EXPECT_EQ(1u, flag);
    EXPECT_TRUE(ReadStartupSwitches("k.exe /D", &flag)); EXPECT_EQ(0u, flag);
    EXPECT_FALSE(ReadStartupSwitches("k.exe /", &flag)); EXPECT_EQ(0u, flag);
    EXPECT_TRUE(ReadMainWindowSwitches("k.exe -x -d", &flag)); EXPECT_EQ(1u, flag);
    EXPECT_TRUE(ReadMainWindowSwitches("k.exe -x", &flag)); EXPECT_EQ(0u, flag);
}

TEST(CommandLine, ErrorsReportTheTokenWhereTheyWereFound)
{
    DWORD flag;
    OptionSpec table[] = { { OptionSwitch, 'x', &flag, NULL, 0 }, { OptionEnd, 0, NULL, NULL, 0 } };
    const char *error = NULL;

    const char unknown[] = "prog -x -q";
    EXPECT_EQ(UnknownOption, ParseOptions(unknown, TRUE, table, &error, FALSE, TRUE));
    EXPECT_EQ(unknown + 8, error);

    const char surplus[] = "prog -x extra";
    EXPECT_EQ(UnexpectedArgument, ParseOptions(surplus, TRUE, table, &error, FALSE, TRUE));
    EXPECT_EQ(surplus + 8, error);

    const char bare[] = "prog -x /";
    EXPECT_EQ(MissingOption, ParseOptions(bare, TRUE, table, &error, TRUE, TRUE));
    EXPECT_EQ(bare + 8, error);

    // Without a program name to skip, the first token is an argument.
    EXPECT_EQ(UnexpectedArgument, ParseOptions("prog", FALSE, table, &error, FALSE, TRUE));
}

TEST(CommandLine, ProgramNameOfAThousandCharactersIsTooLong)
{
    DWORD flag;
    OptionSpec table[] = { { OptionSwitch, 'x', &flag, NULL, 0 }, { OptionEnd, 0, NULL, NULL, 0 } };
    std::string name(999, 'n');
    EXPECT_EQ(Ok, ParseOptions((name + " -x").c_str(), TRUE, table, NULL, TRUE, TRUE));
    EXPECT_EQ(1u, flag);
    std::string longName(1000, 'n');
    const char *error = NULL;
    std::string line = longName + " -x";
    EXPECT_EQ(ValueTooLong, ParseOptions(line.c_str(), TRUE, table, &error, TRUE, TRUE));
    EXPECT_EQ(line.c_str(), error);
    EXPECT_EQ(0u, flag);
    // Quoted, the blanks and switch characters of a long path are part of the one token.
    std::string quoted = "\"" + std::string(500, 'q') + " -x " + std::string(600, 'q') + "\"";
    EXPECT_EQ(ValueTooLong, ParseOptions(quoted.c_str(), TRUE, table, NULL, TRUE, TRUE));
    EXPECT_EQ(0u, flag);
}

TEST(CommandLine, ValuesAndArgumentsAreCopiedBounded)
{
    DWORD seen;
    // Each buffer is followed in memory by a canary, so that a copy past its end shows.
    struct Guarded { char text[6]; char canary[8]; } value = { "", "canary" };
    struct GuardedShort { char text[4]; char canary[8]; } first = { "", "canary" }, second = first;
    OptionSpec table[] = {
        { OptionSwitch, 'f', &seen, value.text, sizeof value.text },
        { OptionArgument, 0, NULL, first.text, sizeof first.text },
        { OptionArgument, 0, NULL, second.text, sizeof second.text },
        { OptionEnd, 0, NULL, NULL, 0 },
    };

    EXPECT_EQ(Ok, ParseOptions("p -f abc one two", TRUE, table, NULL, FALSE, TRUE));
    EXPECT_STREQ("abc", value.text); EXPECT_STREQ("one", first.text); EXPECT_STREQ("two", second.text);

    EXPECT_EQ(Ok, ParseOptions("p -fab-x", TRUE, table, NULL, TRUE, FALSE));
    EXPECT_STREQ("ab", value.text);
    EXPECT_STREQ("", first.text);    // the table is reset by every call

    EXPECT_EQ(Ok, ParseOptions("p -f \"a b c\"", TRUE, table, NULL, FALSE, TRUE));
    EXPECT_STREQ("a b c", value.text);

    EXPECT_EQ(Ok, ParseOptions("p -f \"a -b", TRUE, table, NULL, FALSE, TRUE));
    EXPECT_STREQ("a -b", value.text);   // no closing quote: the token runs to the end of the line

    EXPECT_EQ(Ok, ParseOptions("p -f", TRUE, table, NULL, FALSE, TRUE));
    EXPECT_EQ(1u, seen); EXPECT_STREQ("", value.text);

    const char tooLong[] = "p -f abcdef";
    const char *error = NULL;
    EXPECT_EQ(ValueTooLong, ParseOptions(tooLong, TRUE, table, &error, FALSE, TRUE));
    EXPECT_STREQ("abcde", value.text);
    EXPECT_EQ(tooLong + 2, error);

    EXPECT_EQ(ValueTooLong, ParseOptions("p one four", TRUE, table, NULL, FALSE, TRUE));
    EXPECT_STREQ("one", first.text); EXPECT_STREQ("fou", second.text);
    EXPECT_STREQ("canary", value.canary);
    EXPECT_STREQ("canary", first.canary);
    EXPECT_STREQ("canary", second.canary);
}

TEST(CommandLine, ReadTokenStopsWhereTheTokenEnds)
{
    char buffer[16];
    BOOL overflow;
    const char bare[] = "abc-def";
    EXPECT_EQ(bare + 3, ReadToken(bare, buffer, sizeof buffer, &overflow));
    EXPECT_STREQ("abc", buffer); EXPECT_FALSE(overflow);

    const char quoted[] = "\"a /b\" rest";
    EXPECT_EQ(quoted + 6, ReadToken(quoted, buffer, sizeof buffer, &overflow));
    EXPECT_STREQ("a /b", buffer);

    const char exact[] = "abc def";
    EXPECT_EQ(exact + 3, ReadToken(exact, buffer, 4, &overflow));
    EXPECT_STREQ("abc", buffer); EXPECT_FALSE(overflow);    // three characters fit a size of 4
    EXPECT_EQ(exact + 2, ReadToken(exact, buffer, 3, &overflow));
    EXPECT_STREQ("ab", buffer); EXPECT_TRUE(overflow);

    EXPECT_EQ(exact, ReadToken(exact, buffer, 0, &overflow));
    EXPECT_TRUE(overflow);
}

} // namespace
