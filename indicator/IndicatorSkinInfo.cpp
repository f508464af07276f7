#include "indicator/IndicatorSkinInfo.h"

#include "gfx/Text.h"
#include "indicator/SkinFile.h"

SkinFix SkinFixFor(int flag)
{
    if (flag == 0)
        return ForcedOff;
    if (flag == 1)
        return ForcedOn;
    return Free;
}

IndicatorSkinInfo::IndicatorSkinInfo() : valid(FALSE), markFix(Free), timeFix(Free)
{
    title[0] = '\0';
}

BOOL IndicatorSkinInfo::Load(const char *installFolder, UINT skinNumber)
{
    char path[PathSize];
    valid = FALSE;
    title[0] = '\0';
    markFix = timeFix = Free;
    if (!SkinFilePath(installFolder, skinNumber, path, sizeof path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    ReadProfileString(path, SkinGeneralSection, SkinTitleKey, title, sizeof title);
    markFix = SkinFixFor(ReadProfileInt(path, SkinGeneralSection, SkinMarkFixKey, -1));
    timeFix = SkinFixFor(ReadProfileInt(path, SkinGeneralSection, SkinTimeFixKey, -1));
    valid = TRUE;
    return TRUE;
}

BOOL IndicatorSkinInfo::GetInfo(char *titleBuffer, UINT size, SkinFix *markFixOut, SkinFix *timeFixOut) const
{
    if (!valid) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (titleBuffer)
        CopyText(titleBuffer, size, title);
    if (markFixOut)
        *markFixOut = markFix;
    if (timeFixOut)
        *timeFixOut = timeFix;
    return TRUE;
}
