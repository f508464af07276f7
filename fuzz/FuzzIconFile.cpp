// The tray picture file: the icon path each of its keys names, from any file text, any folders and
// any path buffer.
#include <stdlib.h>

#include <string>

#include "indicator/SkinFile.h"

static const char *const Keys[] = {
    "ACNoCharging_1", "ACCharging000to009_2", "ACCharging090to100_1", "DC040to049_1", "DC090to100_2",
};

// A buffer of exactly size bytes (at least one), filled with a pattern.
static char *Buffer(UINT size)
{
    char *buffer = (char *)malloc(size ? size : 1);
    memset(buffer, '#', size ? size : 1);
    return buffer;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const UINT pathSize = data[0] + (data[1] & 1 ? 256 : 0);   // 0 to 511
    // The installation folder, a line feed, the resource folder, a line feed, then the file's text.
    const std::string rest((const char *)data + 2, size - 2);
    if (rest.find('\0') != std::string::npos)
        return 0;
    const size_t first = rest.find('\n');
    const size_t second = first == std::string::npos ? first : rest.find('\n', first + 1);
    if (second == std::string::npos)
        return 0;
    const std::string install = rest.substr(0, first);
    const std::string resources = rest.substr(first + 1, second - first - 1);
    const std::string text = rest.substr(second + 1);

    char *iconFile = Buffer(pathSize);
    if (IconFilePath(install.c_str(), iconFile, pathSize)) {
        if (install + "\\IndicatorIcon.dat" != iconFile)
            abort();
    } else if (install.size() + 18 < pathSize) {
        abort();   // it fitted, yet was refused
    }
    if (pathSize && strnlen(iconFile, pathSize) >= pathSize)
        abort();
    free(iconFile);

    FuzzProfileText = text.c_str();
    for (const char *key : Keys) {
        // What the file says, read whole.
        char whole[4096];
        GetPrivateProfileStringA(IconSection, key, "", whole, sizeof whole, "");
        const std::string expected = resources + whole;

        char *path = Buffer(pathSize);
        BOOL found = ReadIconPath("C:\\K\\IndicatorIcon.dat", key, resources.c_str(), path, pathSize);
        if (pathSize && strnlen(path, pathSize) >= pathSize)
            abort();   // not terminated inside the buffer
        if (found) {
            if (expected != path || !whole[0] || strlen(path) > MAX_PATH - 1)
                abort();   // a path other than folder and name whole, or beyond a path's length
        } else {
            if (pathSize && path[0])
                abort();   // a refused name never yields a path
            if (whole[0] && strlen(whole) <= MAX_PATH - 1 && expected.size() < pathSize &&
                expected.size() <= MAX_PATH - 1)
                abort();   // it fitted, yet was refused
        }
        free(path);
    }
    FuzzProfileText = NULL;
    return 0;
}
