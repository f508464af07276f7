// Native stand-ins for the Win32 calls of the fuzzed code (see include/windows.h). The string table
// holds the texts the status line is made of, as the program's resources do.
#include <windows.h>

#include <ctype.h>
#include <stdlib.h>
#include <strings.h>

#include "res/resource.h"

static DWORD lastError;

DWORD GetLastError(void) { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

int lstrlenA(LPCSTR text) { return text ? (int)strlen(text) : 0; }

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int size)
{
    if (size <= 0)
        return destination;
    int i = 0;
    for (; i < size - 1 && source[i]; i++)
        destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}

int lstrcmpiA(LPCSTR a, LPCSTR b)
{
    for (;; a++, b++) {
        int d = tolower((unsigned char)*a) - tolower((unsigned char)*b);
        if (d || !*a)
            return d;
    }
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, 1025, format, args);   // wsprintfA's own limit
    va_end(args);
    return n > 1024 ? 1024 : n;
}

HMODULE GetModuleHandleA(LPCSTR) { return (HMODULE)1; }

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size)
{
    const char *text = "";
    switch (id) {
    case IDS_STATUS_UNKNOWN:    text = "Power status unknown"; break;
    case IDS_STATUS_AC:         text = "Connected to AC power"; break;
    case IDS_STATUS_CHARGING:   text = "Connected to AC power (battery charging)"; break;
    case IDS_STATUS_BATTERY:    text = "Battery in use"; break;
    case IDS_STATUS_NO_BATTERY: text = "Connected to AC power (no battery contained)"; break;
    case IDS_STATUS_PERCENT:    text = ":%d%% battery remaining"; break;
    }
    lstrcpynA(buffer, text, size);
    return lstrlenA(buffer);
}

LPSTR GetCommandLineA(void)
{
    static char line[] = "Kestrel.exe";
    return line;
}

// The fuzzers hand the composer their own snapshots; the system is never asked.
BOOL GetSystemPowerStatus(SYSTEM_POWER_STATUS *) { return FALSE; }

int lstrcmpA(LPCSTR a, LPCSTR b) { return strcmp(a, b); }

// The profile the fuzzed reader sees: "[section]" lines and "key=value" lines, names compared
// without case and trimmed of blanks, as the platform's reader does; null means no file.
const char *FuzzProfileText;

static const char *Trimmed(const char *from, const char *to, size_t *length)
{
    while (from < to && (*from == ' ' || *from == '\t'))
        from++;
    while (to > from && (to[-1] == ' ' || to[-1] == '\t' || to[-1] == '\r'))
        to--;
    *length = (size_t)(to - from);
    return from;
}

static bool SameName(const char *text, size_t length, const char *name)
{
    return strlen(name) == length && strncasecmp(text, name, length) == 0;
}

// The value of key in section, or null.
static const char *FindProfileValue(const char *section, const char *key, size_t *valueLength)
{
    bool inSection = false;
    for (const char *line = FuzzProfileText; line && *line;) {
        const char *end = strchr(line, '\n');
        if (!end)
            end = line + strlen(line);
        size_t length;
        const char *text = Trimmed(line, end, &length);
        if (length >= 2 && text[0] == '[') {
            const char *close = (const char *)memchr(text, ']', length);
            inSection = close && SameName(text + 1, (size_t)(close - text - 1), section);
        } else if (inSection) {
            const char *equals = (const char *)memchr(text, '=', length);
            size_t nameLength;
            const char *name = equals ? Trimmed(text, equals, &nameLength) : NULL;
            if (name && SameName(name, nameLength, key))
                return Trimmed(equals + 1, text + length, valueLength);
        }
        line = *end ? end + 1 : end;
    }
    return NULL;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR)
{
    if (size == 0)
        return 0;
    size_t length = 0;
    const char *value = FindProfileValue(section, key, &length);
    if (!value) {
        value = defaultValue ? defaultValue : "";
        length = strlen(value);
    }
    if (length > size - 1)
        length = size - 1;
    memcpy(buffer, value, length);
    buffer[length] = '\0';
    return (DWORD)length;
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR)
{
    size_t length = 0;
    const char *value = FindProfileValue(section, key, &length);
    if (!value)
        return (UINT)defaultValue;
    char digits[16];
    if (length > sizeof digits - 1)
        length = sizeof digits - 1;
    memcpy(digits, value, length);
    digits[length] = '\0';
    return (UINT)strtol(digits, NULL, 10);
}

DWORD GetFileAttributesA(LPCSTR) { return FuzzProfileText ? 0 : INVALID_FILE_ATTRIBUTES; }

HANDLE LoadImageA(HINSTANCE, LPCSTR, UINT, int, int, UINT) { return NULL; }

HANDLE CreateFileA(LPCSTR, DWORD, DWORD, void *, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
DWORD GetFileSize(HANDLE, DWORD *) { return INVALID_FILE_SIZE; }
BOOL ReadFile(HANDLE, void *, DWORD, DWORD *, void *) { return FALSE; }
BOOL CloseHandle(HANDLE) { return FALSE; }
