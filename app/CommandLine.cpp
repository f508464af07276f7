#include "app/CommandLine.h"

static BOOL IsSwitchCharacter(char c) { return c == '/' || c == '-'; }
static BOOL IsBlank(char c) { return c == ' ' || c == '\t'; }

static const char *SkipBlanks(const char *p)
{
    while (IsBlank(*p))
        p++;
    return p;
}

const char *ReadToken(const char *source, char *destination, UINT size, BOOL *overflow)
{
    const char *p = source;
    BOOL quoted = FALSE;
    *overflow = FALSE;
    if (size == 0) {
        // Nowhere to put even the terminator: everything overflows.
        *overflow = *p != '\0';
        return p;
    }
    if (*p == '"') {
        quoted = TRUE;
        p++;
    }
    UINT count = 0;
    while (*p != '\0') {
        if (quoted ? *p == '"' : (IsSwitchCharacter(*p) || IsBlank(*p))) {
            destination[count] = '\0';
            return quoted ? p + 1 : p;
        }
        if (count == size - 1) {
            *overflow = TRUE;
            break;
        }
        destination[count++] = *p++;
    }
    destination[count] = '\0';
    return p;
}

static OptionSpec *FindSwitch(OptionSpec *table, char letter)
{
    for (OptionSpec *row = table; row->kind != OptionEnd; row++) {
        if (row->kind == OptionSwitch && row->letter == letter)
            return row;
    }
    return NULL;
}

static OptionSpec *FindFreeArgument(OptionSpec *table)
{
    for (OptionSpec *row = table; row->kind != OptionEnd; row++) {
        if (row->kind == OptionArgument && row->text && row->text[0] == '\0')
            return row;
    }
    return NULL;
}

static void ResetTable(OptionSpec *table)
{
    for (OptionSpec *row = table; row->kind != OptionEnd; row++) {
        if (row->kind == OptionSwitch && row->flag)
            *row->flag = 0;
        if ((row->kind == OptionSwitch || row->kind == OptionArgument) && row->text && row->textSize)
            row->text[0] = '\0';
    }
}

WORD ParseOptions(const char *line, BOOL skipProgramName, OptionSpec *table, const char **errorPosition,
                  BOOL skipUnknown, BOOL valueAfterBlanks)
{
    char scratch[ScratchTokenSize];
    BOOL overflow;
    BOOL programNameSeen = !skipProgramName;
    const char *p = line;

    ResetTable(table);
    if (errorPosition)
        *errorPosition = NULL;

    for (;;) {
        p = SkipBlanks(p);
        if (*p == '\0')
            return Ok;
        const char *tokenStart = p;
        WORD failure = Ok;

        if (IsSwitchCharacter(*p)) {
            // A switch character, blanks, then exactly one letter.
            p = SkipBlanks(p + 1);
            if (*p == '\0') {
                failure = MissingOption;
            } else {
                OptionSpec *row = FindSwitch(table, *p);
                if (!row) {
                    if (!skipUnknown)
                        failure = UnknownOption;
                    else
                        p++;
                } else {
                    if (row->flag)
                        *row->flag = 1;
                    p++;
                    if (row->text) {
                        if (valueAfterBlanks)
                            p = SkipBlanks(p);
                        if (*p == '\0')
                            return Ok;
                        p = ReadToken(p, row->text, row->textSize, &overflow);
                        if (overflow)
                            failure = ValueTooLong;
                    }
                }
            }
        } else if (!programNameSeen) {
            programNameSeen = TRUE;
            p = ReadToken(p, scratch, sizeof scratch, &overflow);
            if (overflow)
                failure = ValueTooLong;
        } else {
            OptionSpec *row = FindFreeArgument(table);
            if (row) {
                p = ReadToken(p, row->text, row->textSize, &overflow);
            } else if (skipUnknown) {
                p = ReadToken(p, scratch, sizeof scratch, &overflow);
            } else {
                failure = UnexpectedArgument;
                overflow = FALSE;
            }
            if (overflow)
                failure = ValueTooLong;
        }

        if (failure != Ok) {
            if (errorPosition)
                *errorPosition = tokenStart;
            return failure;
        }
    }
}

BOOL ParseCommandLine(OptionSpec *table, WORD *result, BOOL skipUnknown, BOOL valueAfterBlanks)
{
    WORD parsed = ParseOptions(GetCommandLineA(), TRUE, table, NULL, skipUnknown, valueAfterBlanks);
    if (result)
        *result = parsed;
    return parsed == Ok;
}

static BOOL ReadSwitches(const char *line, OptionSpec *table)
{
    if (!line)
        return ParseCommandLine(table, NULL, TRUE, TRUE);
    return ParseOptions(line, TRUE, table, NULL, TRUE, TRUE) == Ok;
}

BOOL ReadStartupSwitches(const char *line, DWORD *noLaunch)
{
    OptionSpec table[] = {
        { OptionSwitch, 'X', noLaunch, NULL, 0 },
        { OptionSwitch, 'x', noLaunch, NULL, 0 },
        { OptionEnd, 0, NULL, NULL, 0 },
    };
    return ReadSwitches(line, table);
}

BOOL ReadMainWindowSwitches(const char *line, DWORD *noSplash)
{
    OptionSpec table[] = {
        { OptionSwitch, 'D', noSplash, NULL, 0 },
        { OptionSwitch, 'd', noSplash, NULL, 0 },
        { OptionEnd, 0, NULL, NULL, 0 },
    };
    return ReadSwitches(line, table);
}

BOOL ReadDriverSwitches(const char *line, DWORD *forceApm, DWORD *forceAcpi)
{
    OptionSpec table[] = {
        { OptionSwitch, 'Z', forceApm, NULL, 0 },
        { OptionSwitch, 'z', forceApm, NULL, 0 },
        { OptionSwitch, 'A', forceAcpi, NULL, 0 },
        { OptionSwitch, 'a', forceAcpi, NULL, 0 },
        { OptionEnd, 0, NULL, NULL, 0 },
    };
    return ReadSwitches(line, table);
}
