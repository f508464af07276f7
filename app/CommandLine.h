// The command-line parser: a table-driven tokenizer for single-letter switches introduced by "/" or
// "-", optional switch values and positional arguments, with quoting and bounded copies. Stateless;
// every call resets the table it is given. The program's three switch tables are read through the
// Read*Switches helpers at the end.
#ifndef KESTREL_COMMANDLINE_H
#define KESTREL_COMMANDLINE_H

#include <windows.h>

enum OptionKind {
    OptionEnd = 0,
    OptionSwitch = 1,
    OptionArgument = 2
};

// One row of an option table; a table ends with a row of kind OptionEnd.
struct OptionSpec {
    WORD kind;       // OptionKind
    char letter;     // kind 1: the switch letter, compared exactly (case matters)
    DWORD *flag;     // kind 1: cleared at the start, set to 1 when the switch is seen; may be null
    char *text;      // kind 1: the switch's value; kind 2: the argument; null when none is taken
    WORD textSize;   // size of text in bytes, terminator included
};

enum ParseResult {
    Ok = 0,
    MissingOption = 1,
    UnknownOption = 2,
    ValueTooLong = 3,
    UnexpectedArgument = 4
};

// A dropped program name or surplus argument is read into a scratch buffer of this size.
const UINT ScratchTokenSize = 1000;

// Parses line against table. errorPosition, when given, receives the start of the token at which an
// error was found, or null.
WORD ParseOptions(const char *line, BOOL skipProgramName, OptionSpec *table, const char **errorPosition,
                  BOOL skipUnknown, BOOL valueAfterBlanks);

// ParseOptions over the process command line, skipping the program name. Returns 1 for Ok.
BOOL ParseCommandLine(OptionSpec *table, WORD *result, BOOL skipUnknown, BOOL valueAfterBlanks);

// Copies one token (quoted or bare) of source into destination; returns where reading stopped.
const char *ReadToken(const char *source, char *destination, UINT size, BOOL *overflow);

// The program's switch tables: unknown options skipped, values after blanks. line null means the
// process command line. Each returns 1 when the line parsed without error; the flags hold what was
// seen before an error either way.
BOOL ReadStartupSwitches(const char *line, DWORD *noLaunch);
BOOL ReadMainWindowSwitches(const char *line, DWORD *noSplash);
BOOL ReadDriverSwitches(const char *line, DWORD *forceApm, DWORD *forceAcpi);

#endif
