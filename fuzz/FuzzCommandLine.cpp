// The command-line tokenizer over any line and any table shape. Every buffer is allocated at exactly
// its declared size, so that the sanitizer sees a single byte written past one.
#include <stdlib.h>

#include <vector>

#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    // The first bytes shape the call: the three flags, then up to seven rows.
    const BOOL skipProgramName = data[0] & 1, skipUnknown = data[0] & 2, valueAfterBlanks = data[0] & 4;
    const unsigned rows = data[1] % 8;
    size_t used = 2;
    std::vector<OptionSpec> table;
    std::vector<DWORD> flags(rows, 7);
    std::vector<char *> texts;
    for (unsigned i = 0; i < rows && used + 2 <= size; i++, used += 2) {
        OptionSpec row = {};
        row.kind = (data[used] & 1) ? OptionSwitch : OptionArgument;
        row.letter = (char)(data[used] >> 1);
        row.flag = (data[used] & 0x80) ? NULL : &flags[i];
        row.textSize = data[used + 1] % 9;   // 0: no text
        if (row.textSize) {
            row.text = (char *)malloc(row.textSize);
            row.text[0] = 'x';
            texts.push_back(row.text);
        }
        table.push_back(row);
    }
    table.push_back(OptionSpec());

    const size_t length = size - used;
    char *line = (char *)malloc(length + 1);
    memcpy(line, data + used, length);
    line[length] = '\0';

    const char *error = (const char *)1;
    WORD result = ParseOptions(line, skipProgramName, table.data(), &error, skipUnknown, valueAfterBlanks);

    if (result > UnexpectedArgument)
        abort();
    if (result == Ok ? error != NULL : (error < line || error > line + strlen(line)))
        abort();
    for (const OptionSpec &row : table) {
        if (row.kind == OptionEnd)
            break;
        if (row.text && strnlen(row.text, row.textSize) >= row.textSize)
            abort();   // not terminated inside its buffer
        if (row.kind == OptionSwitch && row.flag && *row.flag > 1)
            abort();
    }
    for (char *text : texts)
        free(text);
    free(line);
    return 0;
}
