// A skin file's catalogue entry (title and fix flags) from any file text, handed out into a title
// buffer of any size.
#include <stdlib.h>

#include <string>

#include "app/AppState.h"
#include "app/Text.h"
#include "indicator/IndicatorSkinInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const UINT titleSize = data[0] % 64;
    const UINT skinNumber = data[1];
    std::string text((const char *)data + 2, size - 2);
    if (text.find('\0') != std::string::npos)
        return 0;
    CopyText(appState.installFolder, sizeof appState.installFolder, "C:\\Program Files\\Ardwick\\Kestrel");
    FuzzProfileText = text.c_str();

    IndicatorSkinInfo info;
    if (!info.Load(skinNumber))
        abort();   // the file "exists": the entry is valid whatever it holds
    char *title = (char *)malloc(titleSize ? titleSize : 1);
    SkinFix mark = (SkinFix)9, time = (SkinFix)9;
    if (!info.GetInfo(title, titleSize, &mark, &time))
        abort();
    if (titleSize && (strnlen(title, titleSize) >= titleSize || strlen(title) > 29))
        abort();
    if (mark > ForcedOn || time > ForcedOn)
        abort();
    free(title);
    FuzzProfileText = NULL;
    return 0;
}
