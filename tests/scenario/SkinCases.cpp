#include "scenario/SkinCases.h"

#include <climits>
#include <random>

namespace {

// The installed resource folder, as the program joins names to it.
const size_t ResourceFolderLength = sizeof "C:\\Program Files\\Ardwick\\Kestrel\\Resource\\" - 1;

// Exact in every depth: each component is 0 or 255, which 5 bits also hold.
const COLORREF Keys[] = { RGB(255, 0, 255), RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 255, 255) };
const COLORREF Inks[] = { RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0), RGB(255, 0, 0), RGB(0, 0, 0),
                          RGB(255, 255, 255) };

class Dice {
public:
    explicit Dice(unsigned seed) : engine(seed) {}
    unsigned Below(unsigned n) { return n ? engine() % n : 0; }
    int Between(int low, int high) { return low + (int)Below((unsigned)(high - low + 1)); }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    template <typename T, size_t N> const T &Pick(const T (&items)[N]) { return items[Below(N)]; }
private:
    std::mt19937 engine;
};

void Put16(std::string &s, unsigned v) { s += (char)(v & 0xFF); s += (char)((v >> 8) & 0xFF); }
void Put32(std::string &s, DWORD v) { Put16(s, v & 0xFFFF); Put16(s, v >> 16); }

enum Shape { Solid, Frame, Ellipse, Checker, Stripes, Noise, AllKey, ShapeCount };
const char *const ShapeNames[ShapeCount] = { "solid", "frame", "ellipse", "checker", "stripes", "noise", "all-key" };

Picture Draw(int width, int height, Shape shape, Dice &dice)
{
    Picture p = { width, height, std::vector<bool>((size_t)width * height) };
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            bool ink = false;
            switch (shape) {
            case Solid: ink = true; break;
            case Frame: ink = x > 0 && y > 0 && x < width - 1 && y < height - 1; break;
            case Ellipse: {
                double dx = (x + 0.5) / width - 0.5, dy = (y + 0.5) / height - 0.5;
                ink = dx * dx + dy * dy < 0.25;
                break;
            }
            case Checker: ink = (x + y) % 2 == 0; break;
            case Stripes: ink = x % 3 != 0; break;
            case Noise: ink = dice.Chance(50); break;
            default: break;
            }
            p.ink[(size_t)y * width + x] = ink;
        }
    }
    return p;
}

// Run-length rows of palette indexes, bottom row first, as RLE4 and RLE8 store them.
std::string RunLengthBits(const Picture &p, bool four)
{
    std::string bits;
    for (int y = p.height - 1; y >= 0; y--) {
        for (int x = 0; x < p.width;) {
            int index = p.Opaque(x, y) ? 1 : 0, count = 0;
            while (x < p.width && count < 255 && (p.Opaque(x, y) ? 1 : 0) == index) {
                x++;
                count++;
            }
            bits += (char)count;
            bits += (char)(four ? index * 0x11 : index);
        }
        bits += std::string("\0\0", 2);   // end of line
    }
    bits += std::string("\0\1", 2);       // end of bitmap
    return bits;
}

std::string UncompressedBits(const Picture &p, int bpp, COLORREF key, COLORREF ink)
{
    const size_t stride = ((size_t)p.width * bpp + 31) / 32 * 4;
    std::string bits;
    for (int y = p.height - 1; y >= 0; y--) {
        std::string line(stride, '\0');
        for (int x = 0; x < p.width; x++) {
            const bool opaque = p.Opaque(x, y);
            const COLORREF c = opaque ? ink : key;
            const BYTE r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            switch (bpp) {
            case 1: if (opaque) line[x / 8] |= (char)(0x80 >> (x % 8)); break;
            case 4: if (opaque) line[x / 2] |= (char)(x % 2 ? 0x01 : 0x10); break;
            case 8: line[x] = opaque ? 1 : 0; break;
            case 16: {
                unsigned v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                line[2 * x] = (char)(v & 0xFF);
                line[2 * x + 1] = (char)(v >> 8);
                break;
            }
            default: {
                const size_t at = (size_t)x * (bpp / 8);
                line[at] = (char)b;
                line[at + 1] = (char)g;
                line[at + 2] = (char)r;
            }
            }
        }
        bits += line;
    }
    return bits;
}

// "g<seed>\<element>\" and then folders of ten characters until the name is length characters long.
std::string NameOfLength(unsigned seed, const std::string &element, size_t length)
{
    std::string name = "g" + std::to_string(seed) + "\\" + element + "\\";
    while (name.size() + 11 + 5 <= length)
        name += "dddddddddd\\";
    name += std::string(length - name.size() - 4, 'n') + ".bmp";
    return name;
}

// One element's image as the generator wrote it, and the name its entry gives.
struct ElementFile {
    std::string entryName;
    bool nameUsable;     // the resource folder and the name fit in a path
    ImageKind kind;
    Picture picture;     // as drawn; for ImageEmpty the 0 x 0 picture
    COLORREF key;
};

ElementFile MakeElement(unsigned seed, const std::string &element, bool large, Dice &dice, SkinCase &c)
{
    ElementFile e;
    e.nameUsable = true;
    const std::string name = "g" + std::to_string(seed) + "\\" + element + ".bmp";
    std::string written = name;
    const unsigned naming = large ? 99 : dice.Below(100);   // a large picture is always there to load
    if (naming < 4) {
        e.entryName = name + " trailing words";   // the name ends at the blank
    } else if (naming < 7) {
        e.entryName = written = NameOfLength(seed, element, 259 - ResourceFolderLength);   // a joined path of 259
    } else if (naming < 10) {
        e.entryName = NameOfLength(seed, element, 260 - ResourceFolderLength);             // one of 260
        e.nameUsable = false;
    } else if (naming < 13) {
        e.entryName = NameOfLength(seed, element, dice.Chance(50) ? 259 : 260);           // a name of 259 or 260
        e.nameUsable = false;
    } else {
        e.entryName = name;
    }

    int width = dice.Chance(10) ? dice.Between(1, 320) : dice.Between(1, 48);
    int height = dice.Chance(10) ? dice.Between(1, 320) : dice.Between(1, 48);
    // The large ones: a 4000 x 4000 frame, or a checkerboard of a run for every other pixel.
    const bool checkerboard = large && seed % (2 * LargeEvery) != 0;
    if (large) {
        width = height = checkerboard ? 600 : 4000;
    } else if (dice.Chance(2)) {
        width = 4000;   // a long thin strip, one way or the other
        height = 1;
        if (dice.Chance(50))
            std::swap(width, height);
    }
    const Shape shape = checkerboard ? Checker : large ? Frame : (Shape)dice.Below(ShapeCount);
    e.picture = Draw(width, height, shape, dice);
    e.key = dice.Pick(Keys);
    COLORREF ink = dice.Pick(Inks);
    static const int depths[] = { 1, 4, 8, 16, 24, 32, 4, 8 };   // the last two with run lengths
    static const unsigned largeDepths[] = { 0, 6, 7 };
    const unsigned depth = large ? dice.Pick(largeDepths) : dice.Below(8);
    const int bpp = depths[depth];
    const DWORD compression = depth == 6 ? BI_RLE4 : depth == 7 ? BI_RLE8 : BI_RGB;
    if (bpp == 16)
        e.key = RGB(0, 0, 0);   // the one colour every expansion of 5 bits keeps exact
    if (ink == e.key)
        ink = RGB(0, 255, 0);
    std::string bytes = BitmapFile(e.picture, bpp, compression, e.key, ink);

    c.summary += " " + element + "=";
    const unsigned kind = large ? 0 : dice.Below(100);
    if (kind < 70) {
        e.kind = ImageSound;
        c.summary += std::to_string(width) + "x" + std::to_string(height) + "/" + std::to_string(bpp) +
                     (compression != BI_RGB ? "rle/" : "/") + ShapeNames[shape];
    } else if (kind < 76) {
        e.kind = ImageMissing;
        c.summary += "missing";
    } else if (kind < 82) {
        e.kind = ImageFolder;
        c.summary += "folder";
        written += "\\";
        bytes.clear();
    } else if (kind < 88) {
        e.kind = ImageGarbage;
        c.summary += "garbage";
        bytes = dice.Chance(50) ? "BM" : "";
        for (int n = dice.Between(0, 200); n > 0; n--)
            bytes += (char)dice.Below(256);
        if (bytes.size() >= 18 && bytes[0] == 'B')
            bytes[14] = 7;   // a header size no BMP has
    } else if (kind < 95) {
        e.kind = ImageTruncated;
        bytes.resize(dice.Between(2, (int)bytes.size() - 1));
        c.summary += "cut@" + std::to_string(bytes.size());
    } else {
        e.kind = ImageEmpty;
        e.picture = Draw(dice.Chance(50) ? 0 : width, 0, Solid, dice);
        bytes = BitmapFile(e.picture, bpp, compression, e.key, ink);
        c.summary += "0x0";
    }
    if (!e.nameUsable)
        c.summary += "(long name)";
    if (e.kind != ImageMissing && e.nameUsable)
        c.files.push_back({ written, bytes });
    return e;
}

// The value of an entry for the element, well formed or (now and then) not; sound tells which.
std::string EntryValue(const ElementFile &e, bool placed, bool wellFormed, Dice &dice, bool *sound)
{
    // Only the low 8 bits of each number count: 511 is 255.
    const std::string red = std::to_string(GetRValue(e.key) + 256 * dice.Below(3));
    const std::string rest = std::to_string(GetGValue(e.key)) + (dice.Chance(20) ? ", " : ",") +
                             std::to_string(GetBValue(e.key) + 256 * dice.Below(2)) + "," + e.entryName;
    std::string place;
    if (placed) {
        static const int distant[] = { INT_MIN, INT_MAX, -100000, 100000, -1 };
        int x = dice.Chance(5) ? dice.Pick(distant) : dice.Between(-10, 60);
        int y = dice.Chance(5) ? dice.Pick(distant) : dice.Between(-10, 60);
        place = std::to_string(x) + "," + std::to_string(y) + ",";
    }
    *sound = true;
    switch (wellFormed ? 99 : dice.Below(40)) {
    case 0: *sound = false; return place + red + " ," + rest;     // a blank before a comma
    case 1: *sound = false; return place + red;                   // too few fields
    case 2: *sound = false; return place + "x" + red + "," + rest;
    case 3: *sound = false; return "#NotFound#";
    case 4: *sound = false; return "";
    default: return place + red + "," + rest;
    }
}

const char *const ModeSections[4] = { "Indicator.None", "Indicator.Psm", "Indicator.Rbt", "Indicator.Psm.Rbt" };
const char *const Elements[7] = { "Body", "Gauge", "PsmAcNoCharging", "PsmAcCharging", "PsmDc", "RbtNum", "RbtMin" };

}

SkinCase GenerateSkinCase(unsigned seed)
{
    Dice dice(seed);
    SkinCase c;
    c.seed = seed;
    static const DWORD oddNumbers[] = { 100, 4294967295u, 12345 };
    c.skinNumber = dice.Chance(5) ? dice.Pick(oddNumbers) : dice.Below(100);
    static const DWORD oddModes[] = { 4, 7, 0xFFFFFFFF };
    c.mode = dice.Chance(5) ? dice.Pick(oddModes) : dice.Below(4);
    c.vertical = dice.Chance(5) ? 0x80000000 : dice.Below(2);
    // A large picture is always shown: it is there to be loaded and shaped.
    const bool large = seed % LargeEvery == 0;
    c.show = !large && dice.Chance(5) ? 0 : 1;
    c.powerState = dice.Below(3);
    c.percent = dice.Between(0, 100);
    c.minutes = c.powerState == 2 && dice.Chance(80) ? dice.Between(1, 1440) : 0;
    c.summary = "skin " + std::to_string(c.skinNumber) + " mode " + std::to_string(c.mode) +
                (c.vertical ? " vertical" : " horizontal") + (c.show ? "" : " hidden") + ":";

    const std::string section = ModeSections[c.mode < 3 ? c.mode : 3];
    const bool shownHorizontal = c.vertical == 0;
    std::string sections[2];   // horizontal, vertical
    for (int o = 0; o < 2; o++) {
        const bool horizontal = o == 0;
        for (int i = 0; i < 7; i++) {
            const std::string element = std::string(Elements[i]) + (horizontal ? "H" : "V");
            const bool body = i == 0;
            const bool shown = body && horizontal == shownHorizontal;
            ElementFile e = MakeElement(seed, element, shown && large, dice, c);
            bool sound;
            const std::string value = EntryValue(e, !body, shown && large, dice, &sound);
            sections[o] += element + "=" + value + "\r\n";
            if (shown) {
                c.bodyEntrySound = sound && e.nameUsable;
                c.bodyKind = e.kind;
                c.body = e.picture;
            }
        }
    }
    // Now and then the body is written under another mode's section, where it is never read.
    std::string elsewhere = ModeSections[(c.mode + 1) % 4];
    const bool misplaced = !large && dice.Chance(4);
    if (misplaced) {
        c.bodyEntrySound = false;
        c.summary += " (body in " + elsewhere + ")";
    }
    c.skinText = "[Indicator.General]\r\nTitle=Generated " + std::to_string(seed) + "\r\n\r\n[" +
                 (misplaced ? elsewhere : section) + "]\r\n" + sections[0] + sections[1];
    c.skinFileMissing = !large && dice.Chance(3);
    if (c.skinFileMissing) {
        c.bodyEntrySound = false;
        c.summary += " (no skin file)";
    } else if (!large && dice.Chance(3)) {
        // Garbage instead of a profile: nothing in it reads as an entry.
        c.skinText.clear();
        for (int n = dice.Between(0, 600); n > 0; n--)
            c.skinText += (char)dice.Between(1, 255);
        c.bodyEntrySound = false;
        c.summary += " (garbage skin file)";
    }
    return c;
}

// The rectangles a region of the picture's inked pixels takes: rows of the same runs share one band,
// every run of a band is one rectangle.
size_t ShapeRectangles(const Picture &p)
{
    size_t rectangles = 0;
    std::vector<bool> above;
    for (int y = 0; y < p.height; y++) {
        const std::vector<bool> row(p.ink.begin() + (size_t)y * p.width, p.ink.begin() + (size_t)(y + 1) * p.width);
        if (y == 0 || row != above) {
            for (int x = 0; x < p.width; x++)
                rectangles += row[x] && (x == 0 || !row[x - 1]);
        }
        above = row;
    }
    return rectangles;
}

ExpectedIndicator ExpectIndicator(const SkinCase &c)
{
    ExpectedIndicator e = { c.show != 0, 0, 0, NULL };
    // Only a body whose entry is read, well formed and names a whole BMP with pixels, and whose
    // shape the window system can take, gives the indicator a size and a shape; anything else
    // leaves it 0 x 0 and empty.
    if (e.present && c.bodyEntrySound && c.bodyKind == ImageSound && c.body.width > 0 && c.body.height > 0 &&
        ShapeRectangles(c.body) <= MostShapeRectangles) {
        e.width = c.body.width;
        e.height = c.body.height;
        e.shape = &c.body;
    }
    return e;
}

std::string BitmapFile(const Picture &picture, int bpp, DWORD compression, COLORREF key, COLORREF ink)
{
    const DWORD colours = bpp <= 8 ? 1u << bpp : 0;
    const std::string bits = compression == BI_RGB ? UncompressedBits(picture, bpp, key, ink)
                                                   : RunLengthBits(picture, compression == BI_RLE4);
    const DWORD offset = 14 + 40 + 4 * colours;
    std::string s = "BM";
    Put32(s, offset + (DWORD)bits.size());
    Put32(s, 0);
    Put32(s, offset);
    Put32(s, 40);
    Put32(s, (DWORD)picture.width);
    Put32(s, (DWORD)picture.height);
    Put16(s, 1);
    Put16(s, (unsigned)bpp);
    Put32(s, compression);
    Put32(s, (DWORD)bits.size());
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, colours);
    Put32(s, 0);
    for (DWORD i = 0; i < colours; i++) {
        const COLORREF c = i == 0 ? key : i == 1 ? ink : RGB(128, 128, 128);
        s += (char)GetBValue(c);
        s += (char)GetGValue(c);
        s += (char)GetRValue(c);
        s += '\0';
    }
    return s + bits;
}

// A 16 x 16 icon of 24 bits per pixel in one colour, every pixel opaque.
static std::string IconFile(COLORREF colour)
{
    std::string pixels;
    for (int i = 0; i < 16 * 16; i++) {
        pixels += (char)GetBValue(colour);
        pixels += (char)GetGValue(colour);
        pixels += (char)GetRValue(colour);
    }
    const std::string mask(16 * 4, '\0');
    std::string image;
    Put32(image, 40);
    Put32(image, 16);
    Put32(image, 32);   // the colour and mask halves
    Put16(image, 1);
    Put16(image, 24);
    Put32(image, BI_RGB);
    Put32(image, (DWORD)(pixels.size() + mask.size()));
    image += std::string(16, '\0');
    image += pixels + mask;
    std::string s;
    Put16(s, 0);
    Put16(s, 1);   // an icon
    Put16(s, 1);   // one picture
    s += (char)16;
    s += (char)16;
    s += std::string(2, '\0');
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, (DWORD)image.size());
    Put32(s, 22);
    return s + image;
}

const char *const BatteryPairKeys[2] = { "DC040to049_1", "DC040to049_2" };

IconCase GenerateIconCase(unsigned seed)
{
    Dice dice(seed ^ 0x1C0Fu);
    IconCase c;
    c.seed = seed;
    // Five seeds in a row meet every kind of name below; every sixth has no icon file at all.
    c.noFile = seed % 6 == 5;
    c.iconText = "[Indicator.Icon]\r\n";
    c.summary = c.noFile ? "no icon file:" : "icon file:";
    for (int k = 0; k < 2; k++) {
        const std::string key = BatteryPairKeys[k];
        const std::string name = "i" + std::to_string(seed) + "\\" + key + ".ico";
        const COLORREF colour = RGB(dice.Between(16, 240), dice.Between(16, 240), dice.Between(16, 240));
        std::string value = name, sound = IconFile(colour), kind;
        c.shown[k] = "";
        switch ((seed * 2 + k) % 10) {
        case 0: kind = "missing"; break;
        case 1: kind = "folder"; c.files.push_back({ name + "\\", "" }); break;
        case 2: kind = "garbage"; c.files.push_back({ name, "BM" + sound.substr(7, dice.Between(0, 60)) }); break;
        case 3: kind = "cut"; c.files.push_back({ name, sound.substr(0, dice.Between(1, (int)sound.size() - 1)) }); break;
        case 4: kind = "empty value"; value = ""; break;
        case 5: kind = "a BMP"; c.files.push_back({ name, BitmapFile(Draw(16, 16, Solid, dice), 24, BI_RGB, 0, colour) }); break;
        case 6:
            kind = "long name";
            value = NameOfLength(seed, key, dice.Chance(50) ? 259 : 260 - ResourceFolderLength);
            break;
        case 7:
            kind = "blanks around";
            value = "  " + name + "  ";   // the profile reader drops them
            c.files.push_back({ name, sound });
            c.shown[k] = name;
            break;
        default:
            kind = "sound";
            c.files.push_back({ name, sound });
            c.shown[k] = name;
        }
        c.iconText += key + "=" + value + "\r\n";
        c.summary += " " + key + "=" + kind;
        if (c.noFile)
            c.shown[k] = "";
    }
    return c;
}
