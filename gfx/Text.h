// Bounded text helpers: every copy into a fixed buffer goes through these, so that a buffer is never
// overrun and always terminated. A size of 0 leaves the buffer untouched.
#ifndef KESTREL_TEXT_H
#define KESTREL_TEXT_H

#include <windows.h>

// The size of every path buffer: the longest path the ANSI file calls take, with its terminator.
const UINT PathSize = MAX_PATH;

// Copies source into destination, cut to size - 1 characters. Returns 1 when nothing was cut.
BOOL CopyText(char *destination, UINT size, const char *source);

// Appends source to the text in destination, cut to size - 1 characters in all.
// Returns 1 when nothing was cut.
BOOL AppendText(char *destination, UINT size, const char *source);

#endif
