// A skin file's colour and placed entries, and the image paths made from their names: any value,
// any name buffer, any resource folder.
#include <stdlib.h>

#include <string>

#include "indicator/SkinFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const BOOL placed = data[0] & 1;
    const UINT nameSize = data[1] * 2;   // 0 to 510
    // The value, a line feed (which no profile value holds), then the resource folder.
    const std::string rest((const char *)data + 2, size - 2);
    const size_t split = rest.find('\n');
    const std::string value = rest.substr(0, split);
    const std::string folder = split == std::string::npos ? "" : rest.substr(split + 1);
    if (rest.find('\0') != std::string::npos)
        return 0;

    // The name buffer at its exact size, filled with a pattern that a refused entry must leave.
    char *name = (char *)malloc(nameSize ? nameSize : 1);
    memset(name, '#', nameSize ? nameSize : 1);
    SkinEntry entry = { 7, 7, 0x12345678, 7 };
    EntryResult result = ParseSkinEntry(value.c_str(), placed, &entry, name, nameSize);
    if (result != EntryPresent && result != EntryMalformed && result != EntryNameTooLong)
        abort();   // a value, even an empty one, is never absent
    if (entry.fieldsRead < 0 || entry.fieldsRead > (placed ? 6 : 4))
        abort();
    if (result == EntryPresent) {
        if (entry.colour & 0xFF000000u)
            abort();   // only the low 8 bits of each of red, green and blue
        if (strnlen(name, nameSize) >= nameSize || strlen(name) > 259)
            abort();
        // An image path is the folder and the name whole, or nothing.
        char path[260];
        memset(path, '#', sizeof path);
        if (SkinImagePath(folder.c_str(), name, path, sizeof path)) {
            if (folder + name != path)
                abort();
        } else if (folder.size() + strlen(name) < sizeof path) {
            abort();   // it fitted, yet was refused
        }
        if (strnlen(path, sizeof path) >= sizeof path)
            abort();
    } else {
        for (UINT i = 0; i < nameSize; i++)
            if (name[i] != '#')
                abort();
    }
    free(name);
    return 0;
}
