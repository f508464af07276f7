// The command-line tokenizer against tables of lines; the expectations are what a user typing the
// line means, including the platform's quoting of program paths.
#include <gtest/gtest.h>
#include <string>

#include "app/CommandLine.h"

namespace {

TEST(CommandLine, TheProgramsSwitchesFromWholeLines)
{
    const struct { const char *line; BOOL ok; DWORD apm, acpi, noLaunch, noSplash; } cases[] = {
        { "", TRUE, 0, 0, 0, 0 },
        { "\"C:\\Program Files\\Ardwick\\Kestrel\\Kestrel.exe\" /Z", TRUE, 1, 0, 0, 0 },
        // An unquoted path with a "-" ends the program name there; its letter a is the ACPI switch.
        { "D:\\my-app\\x.exe", TRUE, 0, 1, 0, 0 },
        { "k.exe -z -A /x -d", TRUE, 1, 1, 1, 1 },
        { "k.exe / X / D", TRUE, 0, 0, 1, 1 },   // blanks between switch character and letter
        { "k.exe /Q -z", TRUE, 1, 0, 0, 0 },     // unknown letters are skipped
        { "k.exe -za", TRUE, 1, 0, 0, 0 },       // one letter per switch character; "a" is a stray token
        { "k.exe stray words -A", TRUE, 0, 1, 0, 0 },
        { "k.exe -z -X /", FALSE, 1, 0, 1, 0 },  // what was seen before the error stays set
        { "k.exe -  ", FALSE, 0, 0, 0, 0 },
    };
    for (const auto &c : cases) {
        DWORD apm = 7, acpi = 7, noLaunch = 7, noSplash = 7;
        EXPECT_EQ(c.ok, ReadDriverSwitches(c.line, &apm, &acpi)) << c.line;
        EXPECT_EQ(c.ok, ReadStartupSwitches(c.line, &noLaunch)) << c.line;
        EXPECT_EQ(c.ok, ReadMainWindowSwitches(c.line, &noSplash)) << c.line;
        EXPECT_TRUE(apm == c.apm && acpi == c.acpi && noLaunch == c.noLaunch && noSplash == c.noSplash)
            << c.line << ": " << apm << acpi << noLaunch << noSplash;
    }
}

TEST(CommandLine, EveryCopyStaysInsideItsBuffer)
{
    // A program name of 999 characters fits the scratch buffer; one of 1000, quoted blanks and
    // switches included, does not, and nothing after it counts.
    DWORD seen;
    OptionSpec strict[] = { { OptionSwitch, 'x', &seen, NULL, 0 }, { OptionEnd, 0, NULL, NULL, 0 } };
    EXPECT_EQ(Ok, ParseOptions((std::string(999, 'n') + " -x").c_str(), TRUE, strict, NULL, TRUE, TRUE));
    EXPECT_EQ(1u, seen);
    const std::string quoted = "\"" + std::string(500, 'q') + " -x " + std::string(500, 'q') + "\" -x";
    EXPECT_EQ(ValueTooLong, ParseOptions(quoted.c_str(), TRUE, strict, NULL, TRUE, TRUE));
    EXPECT_EQ(0u, seen);

    // Each buffer is followed in memory by a canary, so that a copy past its end shows.
    struct { char text[6]; char canary[8]; } value = { "", "canary" };
    struct { char text[4]; char canary[8]; } first = { "", "canary" }, second = first;
    OptionSpec table[] = {
        { OptionSwitch, 'f', &seen, value.text, sizeof value.text },
        { OptionArgument, 0, NULL, first.text, sizeof first.text },
        { OptionArgument, 0, NULL, second.text, sizeof second.text },
        { OptionEnd, 0, NULL, NULL, 0 },
    };
    // joined: the value follows the letter at once and unknown switches are skipped; otherwise the
    // value may follow blanks and an unknown switch is an error.
    const struct { const char *line; BOOL joined; WORD result; const char *texts[3]; } copies[] = {
        { "p -f abc one two", FALSE, Ok, { "abc", "one", "two" } },
        { "p -fab-x", TRUE, Ok, { "ab", "", "" } },                // the table is reset by every call
        { "p -f \"a b c\"", FALSE, Ok, { "a b c", "", "" } },
        { "p -f \"a -b", FALSE, Ok, { "a -b", "", "" } },            // no closing quote: to the end
        { "p -f abcde one", FALSE, Ok, { "abcde", "one", "" } },     // five characters fit a size of 6
        { "p -f abcdef", FALSE, ValueTooLong, { "abcde", "", "" } },
        { "p one four", FALSE, ValueTooLong, { "", "one", "fou" } },
    };
    for (const auto &c : copies) {
        EXPECT_EQ(c.result, ParseOptions(c.line, TRUE, table, NULL, c.joined, !c.joined)) << c.line;
        EXPECT_STREQ(c.texts[0], value.text) << c.line;
        EXPECT_STREQ(c.texts[1], first.text) << c.line;
        EXPECT_STREQ(c.texts[2], second.text) << c.line;
        EXPECT_TRUE(!strcmp(value.canary, "canary") && !strcmp(first.canary, "canary")
                    && !strcmp(second.canary, "canary")) << c.line;
    }
}

} // namespace
