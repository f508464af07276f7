// IndicatorSkinInfo: the catalogue entry of one installed skin, its title and the two fix flags the
// indicator settings page applies to its check boxes. Plain data: Load it for a skin number (again
// for another number if the caller likes), ask GetInfo; it holds no system resources.
#ifndef KESTREL_INDICATORSKININFO_H
#define KESTREL_INDICATORSKININFO_H

#include <windows.h>

// What a skin decides about one of its optional elements.
enum SkinFix {
    Free = 0,         // the user's setting applies
    ForcedOff = 1,    // the skin file's flag is 0: the element is never shown
    ForcedOn = 2      // the skin file's flag is 1: the element is always shown
};

// The catalogue covers the skin numbers 0 to 99.
const UINT SkinNumberCount = 100;
// A title holds at most 29 characters.
const UINT SkinTitleSize = 30;

// The fix for a flag value as read (-1 when the key is absent).
SkinFix SkinFixFor(int flag);

class IndicatorSkinInfo {
public:
    IndicatorSkinInfo();

    // Reads the entry of "IndicatorNN.dat" in installFolder (no trailing backslash). TRUE when the
    // skin file exists (the entry is then valid, even without an "Indicator.General" section); FALSE
    // with the file system's error code when it does not, and the entry is not valid.
    BOOL Load(const char *installFolder, UINT skinNumber);
    // The title cut to size - 1 characters and both fixes; FALSE (ERROR_NOT_READY) when the entry is
    // not valid. Any of the outputs may be null.
    BOOL GetInfo(char *title, UINT size, SkinFix *markFix, SkinFix *timeFix) const;

    BOOL Valid() const { return valid; }

private:
    BOOL valid;
    char title[SkinTitleSize];
    SkinFix markFix;
    SkinFix timeFix;
};

#endif
