// Generated skins and tray picture files for the scenario tests: each case comes from one seed, so
// that a failure names the seed and KESTREL_CASE_SEED replays that case alone. A case is a skin file,
// the images it names (sound BMPs of every depth and RLE, truncated ones, garbage, folders, missing
// files, names too long to use) and the indicator a user should then see.
#ifndef KESTREL_TESTS_SKINCASES_H
#define KESTREL_TESTS_SKINCASES_H

#include <windows.h>

#include <string>
#include <vector>

// A picture as the generator drew it: each pixel is the key colour or the ink colour.
struct Picture {
    int width, height;
    std::vector<bool> ink;   // row by row from the top
    bool Opaque(int x, int y) const { return ink[(size_t)y * width + x]; }
};

// What became of an image a skin names, as the generator wrote it.
enum ImageKind {
    ImageSound,        // a whole BMP of picture
    ImageMissing,      // no such file
    ImageFolder,       // the name is a folder
    ImageGarbage,      // bytes that are no BMP
    ImageTruncated,    // a BMP cut short
    ImageEmpty,        // a BMP of 0 x 0 pixels, or one whose header says a size of 0
};

struct GeneratedFile {
    std::string name;    // relative to the resource folder; a trailing "\" makes a folder
    std::string bytes;
};

struct SkinCase {
    unsigned seed;
    std::string summary;             // what the case is, for a failure message
    // The settings the case stores.
    DWORD skinNumber, mode, vertical, show;
    std::string skinText;            // the IndicatorNN.dat file; empty with skinFileMissing
    bool skinFileMissing;
    std::vector<GeneratedFile> files;
    // The body of the orientation shown, as written.
    bool bodyEntrySound;             // present in the section the mode reads, well formed, usable name
    ImageKind bodyKind;
    Picture body;
    // The power state shown while the case runs: 0 AC, 1 charging, 2 battery.
    int powerState, percent, minutes;
};

// The case of a seed. Seeds with (seed % LargeEvery) == 0 may draw a large picture.
const unsigned LargeEvery = 500;
SkinCase GenerateSkinCase(unsigned seed);

// The most rectangles Kestrel gives the indicator's shape; a more ragged body is not used.
const size_t MostShapeRectangles = 10000;
size_t ShapeRectangles(const Picture &picture);

// What the user sees of the indicator: present or not, its size and whether its shape is the
// body's inked pixels. A body that is not sound leaves a 0 x 0 indicator with an empty shape.
struct ExpectedIndicator {
    bool present;
    int width, height;
    const Picture *shape;   // null: empty
};
ExpectedIndicator ExpectIndicator(const SkinCase &c);

// A tray picture case: IndicatorIcon.dat (none when noFile) and the icon files it names, and the two
// pictures the tray should alternate between on battery at 45 %: a sound icon's file, or an empty
// name for the application's own icon, which stands in for a picture that cannot be used.
struct IconCase {
    unsigned seed;
    std::string summary;
    bool noFile;
    std::string iconText;
    std::vector<GeneratedFile> files;
    std::string shown[2];
};
IconCase GenerateIconCase(unsigned seed);
// The keys of that pair.
extern const char *const BatteryPairKeys[2];

// Writes a bottom-up BMP of picture: bits per pixel 1, 4, 8, 16 (5-5-5), 24 or 32, uncompressed
// (BI_RGB) or with run lengths (BI_RLE4, BI_RLE8); palette entry 0 is the key colour, 1 the ink.
std::string BitmapFile(const Picture &picture, int bitsPerPixel, DWORD compression, COLORREF key, COLORREF ink);

#endif
